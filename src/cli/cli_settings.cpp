#include <cstdio>

#include "cli/commands.h"

namespace tarvo::cli {

int runSettingsCommand(const std::vector<std::string>&) {
  std::fputs("tarvo-cli: 'settings' is not available yet\n", stderr);
  return kExitUsage;
}

}  // namespace tarvo::cli
