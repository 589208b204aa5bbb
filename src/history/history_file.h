#pragma once

#include <string>

namespace tarvo::history {

// Whether a history file may be opened: for writing its folder is created
// (0700) when missing; a symbolic link, or anything that is not a regular
// file, is refused, so no planted link or FIFO steers the database.
struct FileCheck {
  bool usable = false;
  std::string problem;  // says why not, with the path
};
FileCheck checkHistoryFile(const std::string& path, bool forWriting);

// Renames a damaged file to "<path>.damaged" (or ".damaged.1", ...) with its
// journal files, so a new history can begin without losing the old bytes.
struct SetAside {
  bool ok = false;
  std::string name;     // the new name
  std::string problem;  // when not ok
};
SetAside setAsideDamaged(const std::string& path);

}  // namespace tarvo::history
