#include "net_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/icmp_packet.h"

namespace tarvo::testing {

bool inPrivateNetns() { return std::getenv("TARVO_PRIVATE_NETNS") != nullptr; }

bool writeProcFile(const std::string& path, const std::string& value) {
  std::ofstream f(path);
  f << value;
  f.flush();
  return static_cast<bool>(f);
}

WireCapture::WireCapture() { fd_ = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP); }

WireCapture::~WireCapture() {
  if (fd_ >= 0) close(fd_);
}

std::optional<Bytes> WireCapture::findRequest(Ipv4Address destination,
                                              std::span<const std::uint8_t> payload,
                                              int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  Bytes buf(65536);
  for (auto now = Clock::now(); now < end; now = Clock::now()) {
    pollfd p{fd_, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
    if (poll(&p, 1, static_cast<int>(left) + 1) <= 0) continue;
    const ssize_t n = recv(fd_, buf.data(), buf.size(), MSG_DONTWAIT);
    const std::size_t ihl = static_cast<std::size_t>(buf[0] & 0x0F) * 4;
    if (n < 0 || static_cast<std::size_t>(n) != ihl + 8 + payload.size() ||
        buf[ihl] != icmp::kEchoRequest ||
        destination != (Ipv4Address{buf[16]} << 24 | Ipv4Address{buf[17]} << 16 |
                        Ipv4Address{buf[18]} << 8 | buf[19]) ||
        !std::equal(payload.begin(), payload.end(), buf.begin() + ihl + 8)) {
      continue;
    }
    return Bytes(buf.begin(), buf.begin() + n);
  }
  return std::nullopt;
}

bool forgeIcmp(Ipv4Address from, std::uint8_t type, std::uint8_t code,
               std::span<const std::uint8_t> rest) {
  Bytes packet{type, code, 0, 0};
  packet.insert(packet.end(), rest.begin(), rest.end());
  const std::uint16_t sum = icmp::internetChecksum(packet);
  packet[2] = static_cast<std::uint8_t>(sum >> 8);
  packet[3] = static_cast<std::uint8_t>(sum);
  const int fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  sockaddr_in local{AF_INET, 0, {htonl(from)}, {}}, to{AF_INET, 0, {htonl(0x7F000001)}, {}};
  const bool ok = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                  sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to),
                         sizeof to) == static_cast<ssize_t>(packet.size());
  if (fd >= 0) close(fd);
  return ok;
}

int openDescriptorCount() {
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  return static_cast<int>(std::distance(begin(fds), end(fds))) - 1;  // the listing's own
}

}  // namespace tarvo::testing
