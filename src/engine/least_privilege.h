#pragma once

// The raw-socket privilege (CAP_NET_RAW, from a file capability or from
// running as root) is needed only to open the echo sockets. Both programs
// open them first thing and then give up every capability for good, before
// they load anything else (a window toolkit and its plug-ins) or read any
// input.

#include <string>

namespace tarvo {

struct PrivilegeDrop {
  bool dropped = false;  // no capability is left effective or permitted
  std::string problem;   // why not, for a diagnostic
};

// Gives up the calling thread's capabilities (effective, permitted,
// inheritable and ambient), the bounding set where the process may change
// it, and the right to gain privileges on exec. Call it while the process
// has one thread only: capabilities belong to each thread.
PrivilegeDrop dropAllCapabilities();

// The start of both programs: opens the echo sockets while the privilege
// is still held (a failure is reported later by the start-up check, as
// before), then drops every capability. Returns what the drop did.
PrivilegeDrop openEchoSocketsThenDropPrivileges();

}  // namespace tarvo
