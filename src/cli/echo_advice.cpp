#include "cli/echo_advice.h"

#include <cstdio>
#include <string>

#include "engine/echo_permission.h"

namespace tarvo::cli {

void adviseOnStartFailure(const NetworkCheck& check) {
  if (check.networkReady || check.opened != EchoOpenResult::LibraryMissing) return;
  const std::string cause = echoRefusalText(check.refusal);
  const std::string advice =
      "tarvo-cli: " +
      (cause.empty() ? echoPermissionAdvice(ownExecutablePath("tarvo-cli")) : cause + "\n");
  std::fputs(advice.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace tarvo::cli
