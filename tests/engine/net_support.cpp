#include "net_support.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>

#include "engine/icmp_packet.h"

namespace tarvo::testing {

namespace {
bool privateNetns = false;
}

bool inPrivateNetns() { return privateNetns; }
void setInPrivateNetns(bool v) { privateNetns = v; }

bool writeProcFile(const std::string& path, const std::string& value) {
  std::ofstream f(path);
  f << value;
  f.flush();
  return static_cast<bool>(f);
}

bool enterPrivateNetns(std::string& why) {
  if (unshare(CLONE_NEWNET) != 0) {
    why = std::string("cannot make a network namespace: ") + std::strerror(errno);
    return false;
  }
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq ifr{};
  std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
  const bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &ifr) == 0 &&
                  (ifr.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &ifr) == 0);
  if (fd >= 0) close(fd);
  if (!up) {
    why = "cannot bring loopback up in the new namespace";
    return false;
  }
  if (!writeProcFile("/proc/sys/net/ipv4/ping_group_range", "0 2147483647")) {
    why = "cannot allow echo sockets in the new namespace";
    return false;
  }
  return true;
}

WireCapture::WireCapture() { fd_ = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP); }

WireCapture::~WireCapture() {
  if (fd_ >= 0) close(fd_);
}

std::optional<Bytes> WireCapture::findRequest(Ipv4Address destination,
                                              std::span<const std::uint8_t> payload,
                                              int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  Bytes buf(65536);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          end - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return std::nullopt;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    const ssize_t n = recv(fd_, buf.data(), buf.size(), MSG_DONTWAIT);
    if (n < 28) continue;
    const std::size_t ihl = static_cast<std::size_t>(buf[0] & 0x0F) * 4;
    if (static_cast<std::size_t>(n) < ihl + 8) continue;
    const Ipv4Address dst = static_cast<Ipv4Address>(buf[16]) << 24 |
                            static_cast<Ipv4Address>(buf[17]) << 16 |
                            static_cast<Ipv4Address>(buf[18]) << 8 | buf[19];
    if (buf[ihl] != icmp::kEchoRequest || dst != destination) continue;
    if (static_cast<std::size_t>(n) != ihl + 8 + payload.size()) continue;
    if (!std::equal(payload.begin(), payload.end(), buf.begin() + ihl + 8)) continue;
    return Bytes(buf.begin(), buf.begin() + n);
  }
}

namespace {
// Checksums an ICMP message and sends it from `from` to 127.0.0.1.
bool sendIcmpFrom(Ipv4Address from, Bytes packet) {
  const int fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) return false;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(from);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(0x7F000001);
  packet[2] = packet[3] = 0;
  const std::uint16_t sum = icmp::internetChecksum(packet);
  packet[2] = static_cast<std::uint8_t>(sum >> 8);
  packet[3] = static_cast<std::uint8_t>(sum);
  const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                  sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to),
                         sizeof to) == static_cast<ssize_t>(packet.size());
  close(fd);
  return ok;
}
}  // namespace

bool forgeEchoReply(Ipv4Address from, std::uint16_t identifier, std::uint16_t sequence,
                    std::size_t dataSize) {
  Bytes packet = icmp::buildEchoRequest(identifier, sequence, Bytes(dataSize, 'z'));
  packet[0] = icmp::kEchoReply;
  return sendIcmpFrom(from, std::move(packet));
}

bool forgeIcmp(Ipv4Address from, std::uint8_t type, std::uint8_t code,
               std::span<const std::uint8_t> body) {
  Bytes packet(8 + body.size(), 0);
  packet[0] = type;
  packet[1] = code;
  std::copy(body.begin(), body.end(), packet.begin() + 8);
  return sendIcmpFrom(from, std::move(packet));
}

int openDescriptorCount() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  if (d == nullptr) return -1;
  while (readdir(d) != nullptr) ++n;
  closedir(d);
  return n - 3;  // ".", ".." and the directory itself
}

}  // namespace tarvo::testing
