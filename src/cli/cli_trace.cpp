#include <cstdio>

#include "cli/commands.h"

namespace tarvo::cli {

int runTraceCommand(const std::vector<std::string>&) {
  std::fputs("tarvo-cli: 'trace' is not available yet\n", stderr);
  return kExitUsage;
}

}  // namespace tarvo::cli
