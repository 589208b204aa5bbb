// How open() and the start-up check fail or fall back where sockets are
// refused, each case in a fresh process and network namespace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "privileged.h"

namespace {

// The probe's exit code (77 when it could not set itself up) and output.
std::pair<int, std::string> runProbe(const std::string& env, const std::string& args) {
  const std::string cmd = "env " + env + " " TARVO_OPEN_PROBE " " + args + " 2>&1";
  std::string output;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return {-1, output};
  char buf[256];
  while (fgets(buf, sizeof buf, p) != nullptr) output += buf;
  const int st = pclose(p);
  return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, output};
}

TEST(OpenFailure, EachRefusalGivesItsMessageAtOnceOrAFallback) {
  if (geteuid() != 0) TARVO_SKIP_UNPRIVILEGED("needs root for network namespaces");
  const std::string anyKind = "-u TARVO_ECHO_SOCKET", group = "--ping-group '0 2147483647' ";
  const std::string couldNotLoad = "message=  \u00B7 Could not load ICMP.DLL\n";
  const struct {
    std::string env, args, output;
  } rows[] = {
      // Without raw privilege a datagram socket is enough; where datagram
      // sockets are refused raw ones are used.
      {anyKind, group + "--drop-net-raw", "ready=1 options=1 kind=dgram message=\n"},
      {anyKind, "", "ready=1 options=1 kind=raw message=\n"},
      // A forced kind is never swapped for the other.
      {"TARVO_ECHO_SOCKET=raw", group + "--drop-net-raw",
       "ready=0 options=0 kind=none " + couldNotLoad},
      // No thread for the receiver (leak checking would need one), no free
      // descriptor: reported at once (a hang ends in the probe's alarm).
      {"TARVO_ECHO_SOCKET=dgram ASAN_OPTIONS=detect_leaks=0", group + "--no-threads",
       "ready=0 options=0 kind=dgram " + couldNotLoad},
#ifndef TARVO_SANITIZED  // whose runtime needs a free descriptor for its own checks
      {anyKind, group + "--no-descriptors", "ready=0 options=0 kind=none " + couldNotLoad},
#endif
  };
  for (const auto& row : rows) {
    EXPECT_EQ(runProbe(row.env, row.args), std::pair(0, row.output)) << row.env << " " << row.args;
  }
}

}  // namespace
