#include "cli/echo_advice.h"

#include <cstdio>
#include <string>

#include "engine/echo_permission.h"

namespace tarvo::cli {

void adviseOnStartFailure(const NetworkCheck& check) {
  if (check.networkReady || check.opened != EchoOpenResult::LibraryMissing) return;
  const std::string advice = "tarvo-cli: " + echoPermissionAdvice(ownExecutablePath("tarvo-cli"));
  std::fputs(advice.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace tarvo::cli
