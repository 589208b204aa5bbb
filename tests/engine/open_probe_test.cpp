// How open() and the start-up check fail or fall back where sockets are
// refused, each case in a fresh process and network namespace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "privileged.h"

namespace {

struct ProbeRun {
  int exitCode = -1;
  std::string output;
};

ProbeRun runProbe(const std::string& env, const std::string& args) {
  const std::string cmd = "env " + env + " " TARVO_OPEN_PROBE " " + args + " 2>&1";
  ProbeRun run;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return run;
  char buf[256];
  while (fgets(buf, sizeof buf, p) != nullptr) run.output += buf;
  const int st = pclose(p);
  run.exitCode = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return run;
}

class OpenFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) TARVO_SKIP_UNPRIVILEGED("needs root for network namespaces");
  }
  ProbeRun probe(const std::string& env, const std::string& args) {
    ProbeRun r = runProbe(env, args);
    if (r.exitCode == 77) ADD_FAILURE() << "the probe could not set itself up: " << args;
    return r;
  }
};

const std::string kOpenGroup = "--ping-group '0 2147483647'";

TEST_F(OpenFailure, NoSocketOfAnyKindIsACouldNotLoadMessage) {
  const ProbeRun r = probe("-u TARVO_ECHO_SOCKET", "--fresh-netns --drop-net-raw");
  EXPECT_EQ(r.output, "ready=0 options=0 kind=none message=  \u00B7 Could not load ICMP.DLL\n");
}

TEST_F(OpenFailure, WithoutRawPrivilegeADatagramSocketIsEnough) {
  const ProbeRun r =
      probe("-u TARVO_ECHO_SOCKET", "--fresh-netns " + kOpenGroup + " --drop-net-raw");
  EXPECT_EQ(r.output, "ready=1 options=1 kind=dgram message=\n");
}

TEST_F(OpenFailure, WhereDatagramSocketsAreRefusedRawOnesAreUsed) {
  const ProbeRun r = probe("-u TARVO_ECHO_SOCKET", "--fresh-netns");
  EXPECT_EQ(r.output, "ready=1 options=1 kind=raw message=\n");
}

TEST_F(OpenFailure, AForcedKindIsNeverSwappedForTheOther) {
  ProbeRun r = probe("TARVO_ECHO_SOCKET=raw", "--fresh-netns " + kOpenGroup + " --drop-net-raw");
  EXPECT_EQ(r.output, "ready=0 options=0 kind=none message=  \u00B7 Could not load ICMP.DLL\n");
  r = probe("TARVO_ECHO_SOCKET=dgram", "--fresh-netns");
  EXPECT_EQ(r.output, "ready=0 options=0 kind=none message=  \u00B7 Could not load ICMP.DLL\n");
}

TEST_F(OpenFailure, AThreadRefusedToTheReceiverIsACouldNotLoadMessage) {
  const ProbeRun r =
      probe("TARVO_ECHO_SOCKET=dgram", "--fresh-netns " + kOpenGroup + " --no-threads");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "ready=0 options=0 kind=dgram message=  \u00B7 Could not load ICMP.DLL\n");
}

TEST_F(OpenFailure, NoFreeDescriptorFailsAtOnce) {
  const ProbeRun r =
      probe("-u TARVO_ECHO_SOCKET", "--fresh-netns " + kOpenGroup + " --no-descriptors");
  EXPECT_EQ(r.exitCode, 0) << "a hang ends in the probe's alarm";
  EXPECT_EQ(r.output, "ready=0 options=0 kind=none message=  \u00B7 Could not load ICMP.DLL\n");
}

}  // namespace
