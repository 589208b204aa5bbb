#include "engine/echo_permission.h"

#include <unistd.h>

#include <climits>

namespace tarvo {

namespace {

constexpr std::string_view kSysctl = "sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"";

std::string setcapCommand(std::string_view programPath) {
  return "sudo setcap cap_net_raw+ep " + std::string(programPath);
}

}  // namespace

std::string echoPermissionAdvice(std::string_view programPath) {
  std::string text = "No ICMP echo socket can be opened. Allow one in either of two ways:\n";
  text += "  ";
  text += kSysctl;
  text += "    (every user, until the next boot)\n";
  text += "  " + setcapCommand(programPath) + "    (this program; again after every build)\n";
  return text;
}

std::string echoPermissionAdviceLine(std::string_view programPath) {
  return "No ICMP echo socket: allow one with  " + std::string(kSysctl) + "  or  " +
         setcapCommand(programPath);
}

std::string ownExecutablePath(std::string_view fallback) {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string(fallback);
  return std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace tarvo
