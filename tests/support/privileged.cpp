#include "privileged.h"

#include <cstdlib>
#include <cstring>

namespace tarvo::testing {

bool privilegedRequired() {
  const char* v = std::getenv("TARVO_REQUIRE_PRIVILEGED");
  return v != nullptr && std::strcmp(v, "1") == 0;
}

}  // namespace tarvo::testing
