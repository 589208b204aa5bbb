// Test main for the tests that send real ICMP. With --private-netns the
// process first moves into a network namespace of its own (loopback only,
// echo sockets allowed for everyone), where tests may also change the
// namespace's ICMP settings.
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "net_support.h"

namespace {

bool privateNetns = false;

// Call before any thread exists. Empty when it worked, else why not.
std::string enterPrivateNetns() {
  if (unshare(CLONE_NEWNET) != 0) return std::string("cannot unshare: ") + std::strerror(errno);
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq ifr{};
  std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
  const bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &ifr) == 0 &&
                  (ifr.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &ifr) == 0);
  if (fd >= 0) close(fd);
  if (!up) return "cannot bring loopback up";
  if (!tarvo::testing::writeProcFile("/proc/sys/net/ipv4/ping_group_range", "0 2147483647")) {
    return "cannot allow echo sockets";
  }
  return {};
}

}  // namespace

bool tarvo::testing::inPrivateNetns() { return privateNetns; }

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--private-netns") != 0) continue;
    const std::string why = enterPrivateNetns();
    privateNetns = why.empty();
    if (!privateNetns) std::fprintf(stderr, "private network namespace: %s\n", why.c_str());
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
