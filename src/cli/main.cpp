#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/console_break.h"
#include "cli/console_output.h"
#include "cli/console_text.h"
#include "engine/least_privilege.h"

namespace {

bool isHelp(const char* word) {
  return std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0;
}

int runCommand(const std::string& command, const std::vector<std::string>& args) {
  if (command == "ping") return tarvo::cli::runPingCommand(args);
  if (command == "range") return tarvo::cli::runRangeCommand(args);
  if (command == "trace") return tarvo::cli::runTraceCommand(args);
  if (command == "watch") return tarvo::cli::runWatchCommand(args);
  if (command == "settings") return tarvo::cli::runSettingsCommand(args);
  if (command == "history") return tarvo::cli::runHistoryCommand(args);
  std::fprintf(stderr, "tarvo-cli: unknown command '%s'\n%s",
               tarvo::cli::escapeControlChars(command).c_str(), tarvo::cli::usage().c_str());
  return tarvo::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  // The echo sockets are the only use of a privilege: open them, then give
  // up every capability before reading a single argument.
  const auto drop = tarvo::openEchoSocketsThenDropPrivileges();
  if (!drop.dropped) std::fprintf(stderr, "tarvo-cli: privileges kept: %s\n", drop.problem.c_str());
  std::setlocale(LC_ALL, "");
  if (argc < 2) {
    std::fputs(tarvo::cli::usage().c_str(), stderr);
    return tarvo::cli::kExitUsage;
  }
  // "tarvo-cli ping --help" asks for ping's help, not for a host named
  // "--help"; the first of --help and --version decides.
  const tarvo::cli::CommandOptions* command = tarvo::cli::commandOptions(argv[1]);
  for (int i = command ? 2 : 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("tarvo-cli " TARVO_VERSION);
      return 0;
    }
    if (isHelp(argv[i])) {
      const std::string help = command ? tarvo::cli::commandHelp(*command) : tarvo::cli::usage();
      std::fputs(help.c_str(), stdout);
      return 0;
    }
    if (!command) break;
  }
  tarvo::cli::ConsoleBreak::install();
  std::vector<std::string> args(argv + 2, argv + argc);
  // Lost output and SIGTERM decide the status over the run's own.
  return tarvo::cli::finishOutput(runCommand(argv[1], args));
}
