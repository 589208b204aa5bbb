#include "cli/console_output.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include "cli/commands.h"
#include "cli/console_break.h"

namespace tarvo::cli {

namespace {
std::atomic<bool> failed{false};
std::atomic<int> failedErrno{0};
}  // namespace

bool checkOutput(std::FILE* out) {
  const int err = errno;  // from the write that just failed, if any
  if (std::ferror(out) == 0) return !failed.load();
  if (!failed.exchange(true)) {
    failedErrno.store(err);
    ConsoleBreak::breakRun();
  }
  return false;
}

int finishOutput(int runStatus) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) checkOutput(stdout);
  if (failed.load()) {
    const int err = failedErrno.load();
    std::fprintf(stderr, "tarvo-cli: cannot write standard output: %s\n",
                 err != 0 ? std::strerror(err) : "write error");
    return kExitOutputFailed;
  }
  if (ConsoleBreak::terminated()) return kExitTerminated;
  return runStatus;
}

}  // namespace tarvo::cli
