#include <cstdio>

#include "cli/commands.h"

namespace tarvo::cli {

int runPingCommand(const std::vector<std::string>&) {
  std::fputs("tarvo-cli: 'ping' is not available yet\n", stderr);
  return kExitUsage;
}

}  // namespace tarvo::cli
