#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace tarvo::testing {

// True when TARVO_REQUIRE_PRIVILEGED=1: then a test that cannot run for lack
// of privileges fails instead of skipping, so CI never passes on skips.
inline bool privilegedRequired() {
  const char* v = std::getenv("TARVO_REQUIRE_PRIVILEGED");
  return v != nullptr && std::string_view(v) == "1";
}

}  // namespace tarvo::testing

// Skips the current test with a reason, or fails it where privileged tests
// are required.
#define TARVO_SKIP_UNPRIVILEGED(reason)                              \
  do {                                                               \
    if (::tarvo::testing::privilegedRequired()) {                    \
      FAIL() << "required privileged test cannot run: " << (reason); \
    }                                                                \
    GTEST_SKIP() << (reason);                                        \
  } while (0)
