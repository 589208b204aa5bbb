#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// Exit statuses of every command.
constexpr int kExitReached = 0;
constexpr int kExitNotReached = 1;
constexpr int kExitUsage = 2;
// Standard output could not be written: the run was stopped, its lines lost.
constexpr int kExitOutputFailed = 3;
// Stopped by SIGTERM (after its closing lines), as a shell reports 128 + 15.
constexpr int kExitTerminated = 143;

// Each command gets the words after its name.
int runPingCommand(const std::vector<std::string>& args);
int runRangeCommand(const std::vector<std::string>& args);
int runTraceCommand(const std::vector<std::string>& args);
int runWatchCommand(const std::vector<std::string>& args);
int runSettingsCommand(const std::vector<std::string>& args);
int runHistoryCommand(const std::vector<std::string>& args);

}  // namespace tarvo::cli
