// Test main for the tests that send real ICMP. With --private-netns the
// process first moves into a network namespace of its own (loopback only,
// echo sockets allowed for everyone), where tests may also change the
// namespace's ICMP settings.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "net_support.h"

int main(int argc, char** argv) {
  bool wantPrivate = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--private-netns") == 0) wantPrivate = true;
  }
  if (wantPrivate) {
    std::string why;
    if (tarvo::testing::enterPrivateNetns(why)) {
      tarvo::testing::setInPrivateNetns(true);
    } else {
      std::fprintf(stderr, "private network namespace: %s\n", why.c_str());
    }
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
