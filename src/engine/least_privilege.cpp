#include "engine/least_privilege.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/echo6_dispatcher.h"
#include "engine/echo_dispatcher.h"

namespace tarvo {

namespace {

// Highest capability number the kernel knows; the bounding set is walked
// up to it (a number past it is refused with EINVAL).
constexpr int kMaxCapability = 63;

bool capabilitiesLeft() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return true;
  for (const auto& d : data) {
    if (d.effective != 0 || d.permitted != 0 || d.inheritable != 0) return true;
  }
  return false;
}

}  // namespace

PrivilegeDrop dropAllCapabilities() {
  PrivilegeDrop r;
  // Nothing run from here on may gain privileges (set-user-ID programs,
  // file capabilities).
  prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
  // Only a process holding CAP_SETPCAP (root) may shrink its bounding set;
  // a program given only the raw-socket capability cannot, and need not.
  for (int cap = 0; cap <= kMaxCapability; ++cap) {
    if (prctl(PR_CAPBSET_READ, cap, 0, 0, 0) < 0) break;
    if (prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0 && errno == EPERM) break;
  }
  prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct none[2]{};
  if (syscall(SYS_capset, &header, none) != 0) {
    r.problem = std::string("capset: ") + std::strerror(errno);
    return r;
  }
  if (capabilitiesLeft()) {
    r.problem = "capabilities still held after capset";
    return r;
  }
  r.dropped = true;
  return r;
}

PrivilegeDrop openEchoSocketsThenDropPrivileges() {
  EchoDispatcher::instance().openSocketsOnly();
  Echo6Dispatcher::instance().openSocketsOnly();
  return dropAllCapabilities();
}

}  // namespace tarvo
