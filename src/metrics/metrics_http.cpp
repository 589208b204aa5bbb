#include "metrics/metrics_http.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>

namespace tarvo::metrics {

// The server's answers, called by the library on its thread.
struct HttpAnswers {
  static MHD_Result reply(MHD_Connection* connection, unsigned status, const std::string& body,
                          const char* type, const char* allow = nullptr) {
    // Copied, so the text may go while a slow client still reads it.
    MHD_Response* response = MHD_create_response_from_buffer(
        body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    MHD_Result queued = MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    if (queued == MHD_YES && allow != nullptr) {
      queued = MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, allow);
    }
    if (queued == MHD_YES) queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
  }

  static MHD_Result answer(void* self, MHD_Connection* connection, const char* url,
                           const char* method, const char* /*version*/, const char* /*uploadData*/,
                           size_t* uploadSize, void** request) {
    constexpr const char* kPlain = "text/plain; charset=utf-8";
    // Refused at once: the connection then closes, unread body and all.
    if (std::strcmp(method, MHD_HTTP_METHOD_GET) != 0 &&
        std::strcmp(method, MHD_HTTP_METHOD_HEAD) != 0) {
      return reply(connection, MHD_HTTP_METHOD_NOT_ALLOWED,
                   "Method not allowed: the metrics are read with GET.\n", kPlain, "GET, HEAD");
    }
    // A request answered only once it has been read whole may keep its
    // connection for the next scrape; a body is read and dropped.
    static char headersRead;
    if (*request == nullptr || *uploadSize != 0) {
      *request = &headersRead;
      *uploadSize = 0;
      return MHD_YES;
    }
    if (std::strcmp(url, "/metrics") != 0) {
      return reply(connection, MHD_HTTP_NOT_FOUND, "Not found: the metrics are at /metrics.\n",
                   kPlain);
    }
    const char* accept =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_ACCEPT);
    const ExpositionFormat format = formatForAccept(accept != nullptr ? accept : "");
    // No exception may cross the library's C frames: a scrape that cannot
    // be made closes its connection instead.
    try {
      const std::string text = static_cast<MetricsHttpServer*>(self)->render_(format);
      return reply(connection, MHD_HTTP_OK, text, contentType(format));
    } catch (const std::exception&) {
      return MHD_NO;
    }
  }
};

std::unique_ptr<MetricsHttpServer> MetricsHttpServer::start(const ListenAddress& where,
                                                            Render render, std::string& error) {
  // The socket is bound here rather than by the library, so a refusal can
  // say why ("Address already in use").
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::string("cannot open a socket: ") + std::strerror(errno);
    return nullptr;
  }
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(where.port);
  a.sin_addr.s_addr = htonl(where.address);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
      listen(fd, SOMAXCONN) != 0) {
    error = "cannot listen on " + where.text() + ": " + std::strerror(errno);
    close(fd);
    return nullptr;
  }
  std::unique_ptr<MetricsHttpServer> server(new MetricsHttpServer(std::move(render)));
  server->daemon_ = MHD_start_daemon(
      MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL, 0, nullptr, nullptr, &HttpAnswers::answer,
      server.get(), MHD_OPTION_LISTEN_SOCKET, fd, MHD_OPTION_CONNECTION_LIMIT, kConnectionLimit,
      MHD_OPTION_PER_IP_CONNECTION_LIMIT, kConnectionsPerAddress, MHD_OPTION_CONNECTION_TIMEOUT,
      kIdleTimeoutSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory, MHD_OPTION_END);
  if (server->daemon_ == nullptr) {
    // The socket is left alone: the library may have closed it already,
    // and the program ends on this error anyway.
    error = "cannot serve on " + where.text() + ": the HTTP server did not start";
    return nullptr;
  }
  return server;
}

MetricsHttpServer::~MetricsHttpServer() {
  // Ends the server's thread and closes every connection and the socket.
  if (daemon_ != nullptr) MHD_stop_daemon(daemon_);
}

}  // namespace tarvo::metrics
