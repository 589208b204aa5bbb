#pragma once

#include <functional>
#include <memory>
#include <string>

#include "metrics/exposition.h"
#include "metrics/listen_address.h"

struct MHD_Daemon;

namespace tarvo::metrics {

// Serves GET /metrics over HTTP from a thread of its own: any other path is
// 404, any other method 405. Each answer is copied out to the connection,
// so a client that reads slowly holds only its own connection, and idle or
// oversize requests are cut off by limits, so no client can keep a scrape
// out.
class MetricsHttpServer {
 public:
  // Makes a scrape's text in the format asked for; called on the server's
  // thread.
  using Render = std::function<std::string(ExpositionFormat)>;

  // Idle connections are closed after this many seconds.
  static constexpr unsigned kIdleTimeoutSeconds = 10;
  // Connections at once, and from any one address, so a single client
  // cannot take them all.
  static constexpr unsigned kConnectionLimit = 512;
  static constexpr unsigned kConnectionsPerAddress = kConnectionLimit * 3 / 4;
  // Memory per connection: the request line and headers must fit in it;
  // a larger request is refused (431) or closed.
  static constexpr std::size_t kConnectionMemory = 8 * 1024;

  // Listening at `where`; null with the reason in `error` where it cannot.
  static std::unique_ptr<MetricsHttpServer> start(const ListenAddress& where, Render render,
                                                  std::string& error);
  ~MetricsHttpServer();
  MetricsHttpServer(const MetricsHttpServer&) = delete;
  MetricsHttpServer& operator=(const MetricsHttpServer&) = delete;

 private:
  explicit MetricsHttpServer(Render render) : render_(std::move(render)) {}
  friend struct HttpAnswers;

  Render render_;
  MHD_Daemon* daemon_ = nullptr;
};

}  // namespace tarvo::metrics
