// Runs the start-up network check in a fresh process and prints its
// outcome, so tests can see how open() fails where sockets are refused. It
// moves into a network namespace of its own first; then:
//   --ping-group "A B"     set net.ipv4.ping_group_range there
//   --drop-net-raw         give up CAP_NET_RAW before the check
//   --no-threads           become nobody with a process limit of 0, so no
//                          thread can be had (needs root)
//   --no-descriptors       allow no descriptor beyond the standard three
// A check that does not finish within ten seconds is taken for a hang.
#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "engine/echo_dispatcher.h"
#include "engine/icmp_echo_service.h"

namespace {

bool dropNetRaw() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  data[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
  data[CAP_NET_RAW / 32].permitted &= ~(1u << (CAP_NET_RAW % 32));
  return syscall(SYS_capset, &header, data) == 0;
}

// The limit counts every process of the user; nobody owns at least this one.
bool forbidThreads() {
  const rlimit none{0, 0};
  return setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0 &&
         setrlimit(RLIMIT_NPROC, &none) == 0;
}

bool forbidDescriptors() {
  const rlimit three{3, 3};
  return setrlimit(RLIMIT_NOFILE, &three) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (unshare(CLONE_NEWNET) != 0) return 77;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ping-group") == 0 && i + 1 < argc) {
      std::ofstream("/proc/sys/net/ipv4/ping_group_range") << argv[++i];
    } else if (std::strcmp(argv[i], "--drop-net-raw") == 0) {
      if (!dropNetRaw()) return 77;
    } else if (std::strcmp(argv[i], "--no-threads") == 0) {
      if (!forbidThreads()) return 77;
    } else if (std::strcmp(argv[i], "--no-descriptors") == 0) {
      if (!forbidDescriptors()) return 77;
    }
  }
  alarm(10);
  const tarvo::NetworkCheck c = tarvo::runNetworkCheck();
  const auto kind = tarvo::EchoDispatcher::instance().kind();
  std::printf("ready=%d options=%d kind=%s message=%s\n", c.networkReady ? 1 : 0,
              c.ipOptionsSupported ? 1 : 0, kind ? tarvo::echoSocketKindName(*kind) : "none",
              c.message.c_str());
  return 0;
}
