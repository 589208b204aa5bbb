#pragma once

#include <cstdio>

namespace tarvo::cli {

// Standard output that can no longer be written (a closed pipe while SIGPIPE
// is ignored, a full disk) stops the run as a Break would: its lines are lost
// anyway, and an endless ping would otherwise never end.

// Call after writing to out. On its first failure the run is stopped and the
// error remembered. Returns false once out has failed.
bool checkOutput(std::FILE* out);

// Writes out what standard output still holds and gives the exit status of
// a command that returned runStatus: kExitOutputFailed (said on standard
// error) when standard output failed, kExitTerminated after a SIGTERM,
// otherwise runStatus.
int finishOutput(int runStatus);

}  // namespace tarvo::cli
