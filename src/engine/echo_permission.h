#pragma once

#include <string>
#include <string_view>

namespace tarvo {

// Debian and most distributions allow ICMP datagram sockets to nobody and
// ship no capability on a freshly built binary, so a newcomer's first run
// fails. These texts name both ways out, for the program at programPath.

// Several lines for standard error, each ending in "\n".
std::string echoPermissionAdvice(std::string_view programPath);

// The same in one line, for a status bar or a text area.
std::string echoPermissionAdviceLine(std::string_view programPath);

// This process's own executable (from /proc/self/exe), or fallback when it
// cannot be read.
std::string ownExecutablePath(std::string_view fallback);

}  // namespace tarvo
