#include "settings/program_launch.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <thread>

extern char** environ;

namespace tarvo::settings {

namespace {

std::vector<std::string> splitAtBlanks(const std::string& text) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while ((start = text.find_first_not_of(' ', start)) != std::string::npos) {
    std::size_t end = text.find(' ', start);
    words.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    start = end;
  }
  return words;
}

}  // namespace

std::optional<ProgramCommand> composeProgramCommand(const AdditionalPrograms& programs,
                                                    std::size_t selectedEntry,
                                                    const std::vector<std::string>& reachedHosts,
                                                    std::optional<std::size_t> selectedHost) {
  if (selectedEntry >= programs.size()) return std::nullopt;
  ProgramCommand command{programs.commandLines[selectedEntry], {}};
  if (command.program.empty()) return std::nullopt;
  if (reachedHosts.empty()) return command;
  auto argument = [](const std::string& text) {
    return text == kEmptyArgument ? std::string() : text;
  };
  std::string address;
  if (selectedHost && *selectedHost < reachedHosts.size()) address = reachedHosts[*selectedHost];
  command.arguments =
      splitAtBlanks(argument(programs.preIpArguments[selectedEntry]) + " " + address + " " +
                    argument(programs.postIpArguments[selectedEntry]));
  return command;
}

std::string launchErrorText(int error, const std::string& commandLine) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return commandLine + " not found !";
    case ENOMEM:
    case EAGAIN:
      return "Memory allocation error !";
    case EINVAL:
      return "Wrong exec mode !";
    case E2BIG:
      return "Argument list too long !";
    case ENOEXEC:
    case EACCES:  // found, but not a program this system may run
      return "Wrong exec format !";
    default:
      return "Unknown error, please contact your system admin !  ;-)";
  }
}

std::optional<std::string> launchProgram(const ProgramCommand& command) {
  std::vector<std::string> words{command.program};
  words.insert(words.end(), command.arguments.begin(), command.arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int error = ::posix_spawnp(&pid, command.program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (error != 0) return launchErrorText(error, command.program);
  // Nobody waits for the program, but its exit must not leave a zombie.
  try {
    std::thread([pid] {
      while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the started program still runs.
  }
  return std::nullopt;
}

}  // namespace tarvo::settings
