#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/additional_programs.h"

namespace tarvo::settings {

// A program start: the program as configured and its arguments.
struct ProgramCommand {
  std::string program;  // looked up along PATH when it has no "/"
  std::vector<std::string> arguments;
};

// What "&Go" starts for the selected entry and the reached hosts. Empty when
// the entry has no command line. Without reached hosts the program gets no
// arguments; otherwise the pre-IP text, the selected host (empty when none
// is selected) and the post-IP text, joined and split again at blanks, so
// blanks inside the argument texts separate arguments (no quoting).
std::optional<ProgramCommand> composeProgramCommand(const AdditionalPrograms& programs,
                                                    std::size_t selectedEntry,
                                                    const std::vector<std::string>& reachedHosts,
                                                    std::optional<std::size_t> selectedHost);

// Starts the program without waiting and without a shell. Returns the
// message for the "Error Executing Command" box, or nothing on success.
std::optional<std::string> launchProgram(const ProgramCommand& command);

// The message for a start that failed with `error` (an errno value).
std::string launchErrorText(int error, const std::string& commandLine);

}  // namespace tarvo::settings
