#include "engine/echo_socket.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engine/socket_read.h"

namespace tarvo {

namespace {

// Large enough for a burst of replies from thousands of concurrent requests.
constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;

bool setInt(int fd, int level, int name, int value) {
  return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

// Raw receiver: keep echo replies and the error types that can quote a
// request; drop everything else (our own requests on loopback, other
// processes' traffic) before the kernel queues it.
bool attachReceiveFilter(int fd) {
  static sock_filter code[] = {
      BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),         // x = IP header length
      BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),          // a = ICMP type
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0, 5, 0),   // echo reply
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 3, 4, 0),   // destination unreachable
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 4, 3, 0),   // source quench
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 11, 2, 0),  // time exceeded
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 12, 1, 0),  // parameter problem
      BPF_STMT(BPF_RET | BPF_K, 0),                   // drop
      BPF_STMT(BPF_RET | BPF_K, 0xFFFF + 60),         // keep it whole
  };
  sock_fprog prog{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
  return setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &prog, sizeof prog) == 0;
}

bool attachDropAllFilter(int fd) {
  static sock_filter code[] = {BPF_STMT(BPF_RET | BPF_K, 0)};
  sock_fprog prog{1, code};
  return setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &prog, sizeof prog) == 0;
}

// The kernel's own type filter of raw ICMP sockets works before it copies a
// packet for the socket, where the socket filter only drops the copy: at
// thousands of requests a second, our own requests coming back on loopback
// are then never copied at all. Where it is refused, the socket filter
// alone still keeps the socket clean.
void blockIcmpTypes(int fd, std::uint32_t blocked) {
  icmp_filter filter{blocked};
  setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
}

constexpr std::uint32_t kAnswerTypes = 1u << 0 | 1u << 3 | 1u << 4 | 1u << 11 | 1u << 12;

void growReceiveBuffer(int fd) {
  // The plain option is capped by net.core.rmem_max; the forced one works
  // only with CAP_NET_ADMIN. Either is fine: this only softens bursts.
  if (!setInt(fd, SOL_SOCKET, SO_RCVBUFFORCE, kReceiveBufferBytes)) {
    setInt(fd, SOL_SOCKET, SO_RCVBUF, kReceiveBufferBytes);
  }
}

}  // namespace

const char* echoSocketKindName(EchoSocketKind kind) {
  return kind == EchoSocketKind::Datagram ? "dgram" : "raw";
}

std::optional<EchoSocketKind> forcedEchoSocketKind() {
  const char* v = std::getenv("TARVO_ECHO_SOCKET");
  if (v == nullptr) return std::nullopt;
  if (std::strcmp(v, "dgram") == 0) return EchoSocketKind::Datagram;
  if (std::strcmp(v, "raw") == 0) return EchoSocketKind::Raw;
  return std::nullopt;
}

EchoSocket::OpenResult EchoSocket::open(EchoSocketKind kind, bool dontFragment, RawRole role) {
  OpenResult r;
  const int type = kind == EchoSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW;
  const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) {
    r.err = errno;
    r.error =
        (r.err == EMFILE || r.err == ENFILE) ? OpenError::NoDescriptor : OpenError::NotAllowed;
    return r;
  }
  std::unique_ptr<EchoSocket> s(new EchoSocket(fd, kind, dontFragment));
  bool ok =
      setInt(fd, SOL_IP, IP_MTU_DISCOVER, dontFragment ? IP_PMTUDISC_PROBE : IP_PMTUDISC_DONT);
  if (ok && kind == EchoSocketKind::Datagram) {
    // Errors reach a datagram socket only through its error queue.
    ok = setInt(fd, SOL_IP, IP_RECVERR, 1) && setInt(fd, SOL_IP, IP_RECVTTL, 1);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    socklen_t len = sizeof local;
    // Binding to port 0 makes the kernel pick a free echo identifier now.
    ok = ok && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
         ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0;
    s->identifier_ = ntohs(local.sin_port);
    if (ok) growReceiveBuffer(fd);
  } else if (ok) {
    if (role == RawRole::Receive) {
      ok = attachReceiveFilter(fd);
      blockIcmpTypes(fd, ~kAnswerTypes);
      growReceiveBuffer(fd);
    } else {
      ok = attachDropAllFilter(fd);
      blockIcmpTypes(fd, ~0u);
    }
  }
  if (!ok) {
    r.err = errno;
    r.error = OpenError::NotConfigurable;
    return r;
  }
  r.socket = std::move(s);
  return r;
}

EchoSocket::~EchoSocket() {
  if (fd_ >= 0) ::close(fd_);
}

bool EchoSocket::acceptsIpOptions() {
  const std::uint8_t zeros[4] = {0, 0, 0, 0};
  if (setsockopt(fd_, SOL_IP, IP_OPTIONS, zeros, sizeof zeros) != 0) return false;
  setsockopt(fd_, SOL_IP, IP_OPTIONS, nullptr, 0);
  return true;
}

int EchoSocket::sendEcho(Ipv4Address destination, std::uint16_t identifier, std::uint16_t sequence,
                         std::span<const std::uint8_t> payload, const EchoOptions& options) {
  auto header = icmp::echoRequestHeader(identifier, sequence, payload);
  iovec iov[2];
  iov[0].iov_base = header.data();
  iov[0].iov_len = header.size();
  iov[1].iov_base = const_cast<std::uint8_t*>(payload.data());
  iov[1].iov_len = payload.size();

  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(destination);

  // TTL, TOS and the options area travel with this one message, so requests
  // with different options share one socket without racing on its settings.
  alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(int)) * 2 + CMSG_SPACE(40)] = {};
  msghdr msg{};
  msg.msg_name = &to;
  msg.msg_namelen = sizeof to;
  msg.msg_iov = iov;
  msg.msg_iovlen = 2;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  std::size_t used = 0;
  cmsghdr* c = CMSG_FIRSTHDR(&msg);
  const int ttl = options.ttl;
  c->cmsg_level = SOL_IP;
  c->cmsg_type = IP_TTL;
  c->cmsg_len = CMSG_LEN(sizeof(int));
  std::memcpy(CMSG_DATA(c), &ttl, sizeof ttl);
  used += CMSG_SPACE(sizeof(int));
  c = CMSG_NXTHDR(&msg, c);
  const int tos = options.tos;
  c->cmsg_level = SOL_IP;
  c->cmsg_type = IP_TOS;
  c->cmsg_len = CMSG_LEN(sizeof(int));
  std::memcpy(CMSG_DATA(c), &tos, sizeof tos);
  used += CMSG_SPACE(sizeof(int));
  if (options.optionSize > 0) {
    const std::size_t n = options.optionSize <= options.optionBytes.size()
                              ? options.optionSize
                              : options.optionBytes.size();
    c = CMSG_NXTHDR(&msg, c);
    c->cmsg_level = SOL_IP;
    c->cmsg_type = IP_RETOPTS;
    c->cmsg_len = CMSG_LEN(n);
    std::memcpy(CMSG_DATA(c), options.optionBytes.data(), n);
    used += CMSG_SPACE(n);
  }
  msg.msg_controllen = used;

  if (::sendmsg(fd_, &msg, MSG_NOSIGNAL) < 0) return errno;
  return 0;
}

EchoSocket::ReadState EchoSocket::readDataBatch(ReadBatch& batch) {
  const SocketRead read = batch.read(fd_);
  if (read.empty || read.failed) return read.empty ? ReadState::Empty : ReadState::Ignored;
  return ReadState::Message;
}

EchoSocket::ReadState EchoSocket::dataAt(const ReadBatch& batch, int i, Received& out) const {
  sockaddr_in from{};
  const SocketRead read = batch.at(i, from);
  return parseData(read, from, out);
}

EchoSocket::ReadState EchoSocket::parseData(const SocketRead& read, const sockaddr_in& from,
                                            Received& out) const {
  // A datagram socket may hand out an error pending from an ICMP report
  // once; the report itself waits in the error queue.
  if (read.empty || read.failed) return read.empty ? ReadState::Empty : ReadState::Ignored;
  out.truncated = read.truncated;
  std::optional<icmp::IcmpMessage> m;
  if (kind_ == EchoSocketKind::Raw) {
    m = icmp::parseRawPacket(read.bytes);
  } else {
    const auto cd = icmp::parseControlMessages(read.control);
    const Ipv4Address source =
        read.nameLength >= sizeof from ? ntohl(from.sin_addr.s_addr) : Ipv4Address{0};
    m = icmp::parseDatagramMessage(read.bytes, source, cd.ttl.value_or(0));
  }
  if (!m || m->kind == icmp::IcmpMessage::Other) return ReadState::Ignored;
  out.message = *m;
  return ReadState::Message;
}

EchoSocket::ReadState EchoSocket::readError(std::span<std::uint8_t> buffer, Received& out) {
  sockaddr_in to{};
  alignas(cmsghdr) unsigned char control[512];
  const SocketRead read = readSocket(fd_, buffer, to, control, true);
  if (read.empty || read.failed) return read.empty ? ReadState::Empty : ReadState::Ignored;
  const auto cd = icmp::parseControlMessages(read.control);
  if (!cd.error) return ReadState::Ignored;
  const Ipv4Address destination =
      read.nameLength >= sizeof to ? ntohl(to.sin_addr.s_addr) : Ipv4Address{0};
  const auto m = icmp::parseErrorQueueEntry(*cd.error, read.bytes, destination, cd.ttl.value_or(0));
  if (!m) return ReadState::Ignored;
  out.message = *m;
  out.truncated = false;
  return ReadState::Message;
}

}  // namespace tarvo
