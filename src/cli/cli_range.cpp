#include <cstdio>

#include "cli/commands.h"

namespace tarvo::cli {

int runRangeCommand(const std::vector<std::string>&) {
  std::fputs("tarvo-cli: 'range' is not available yet\n", stderr);
  return kExitUsage;
}

}  // namespace tarvo::cli
