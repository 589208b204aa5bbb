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

const char* const kUsage =
    "usage:\n"
    "  tarvo-cli ping  [-n COUNT] [-w WAIT] [-d DELAY] [-l BYTES] [--ttl N] [--tos N]\n"
    "                  [--df] [--router-alert] [--resolve] [--beep] [--json] [HOST]\n"
    "  tarvo-cli range [-n COUNT] [-w WAIT] [-d DELAY] [-l BYTES] [--burst] [--break-soon]\n"
    "                  [--netmask-bits N] [--ping-net] [--ping-broadcast]\n"
    "                  [--hide-reached] [--hide-not-reached] [--json] FIRST LAST\n"
    "  tarvo-cli trace [--max-hops N] [-w WAIT] [--resolve] [--json] HOST\n"
    "  tarvo-cli watch [-w WAIT] [-d DELAY] [-l BYTES] [--ttl N]\n"
    "                  [--resolve no|once|continuous] [--log-dir DIR] [--log-replies]\n"
    "                  [--log-timeouts] [--log-changes] [--log-immediate] [--sequence]\n"
    "                  [--down-after N] [--up-after M] [--json] [--file LIST] [HOST...]\n"
    "  tarvo-cli settings [--save] [--json]\n"
    "  tarvo-cli COMMAND --help: the command's options, their limits and defaults\n"
    "--json: one JSON object per line on standard output instead of the text,\n"
    "  each with a \"type\"; messages stay on standard error (see tarvo-cli(1))\n"
    "exit status: 0 reached, 1 not reached, 2 usage error or failed start-up,\n"
    "  3 standard output could not be written, 143 stopped by SIGTERM\n";

bool isHelp(const char* word) {
  return std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0;
}

int runCommand(const std::string& command, const std::vector<std::string>& args) {
  if (command == "ping") return tarvo::cli::runPingCommand(args);
  if (command == "range") return tarvo::cli::runRangeCommand(args);
  if (command == "trace") return tarvo::cli::runTraceCommand(args);
  if (command == "watch") return tarvo::cli::runWatchCommand(args);
  if (command == "settings") return tarvo::cli::runSettingsCommand(args);
  std::fprintf(stderr, "tarvo-cli: unknown command '%s'\n%s",
               tarvo::cli::escapeControlChars(command).c_str(), kUsage);
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
    std::fputs(kUsage, stderr);
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
      std::fputs(command ? tarvo::cli::commandHelp(*command).c_str() : kUsage, stdout);
      return 0;
    }
    if (!command) break;
  }
  tarvo::cli::ConsoleBreak::install();
  std::vector<std::string> args(argv + 2, argv + argc);
  // Lost output and SIGTERM decide the status over the run's own.
  return tarvo::cli::finishOutput(runCommand(argv[1], args));
}
