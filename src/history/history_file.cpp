#include "history/history_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace tarvo::history {

namespace {

std::string because(const std::string& path, int err) { return path + ": " + std::strerror(err); }

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

FileCheck checkHistoryFile(const std::string& path, bool forWriting) {
  FileCheck check;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      check.problem = because(path, errno);
      return check;
    }
    if (!forWriting) {
      check.problem = "no history at " + path;
      return check;
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
      std::filesystem::create_directories(folder, ec);
      if (ec) {
        check.problem = folder.string() + ": " + ec.message();
        return check;
      }
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    }
    check.usable = true;
    return check;
  }
  if (S_ISLNK(st.st_mode)) {
    check.problem = path + " is a symbolic link";
  } else if (!S_ISREG(st.st_mode)) {
    check.problem = path + " is not a regular file";
  } else {
    check.usable = true;
  }
  return check;
}

SetAside setAsideDamaged(const std::string& path) {
  SetAside aside;
  for (int n = 0; n < 1000; ++n) {
    std::string name = path + (n == 0 ? ".damaged" : ".damaged." + std::to_string(n));
    // Never over an older damaged file: that one is somebody's data too.
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) != 0) {
      if (errno == EEXIST) continue;
      aside.problem = std::strerror(errno);
      return aside;
    }
    // The journals belong to the old bytes; a new file must not pick them up.
    for (const char* journal : {"-wal", "-shm"}) {
      const std::string from = path + journal;
      if (exists(from)) ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, (name + journal).c_str(), 0);
    }
    aside.ok = true;
    aside.name = std::move(name);
    return aside;
  }
  aside.problem = "too many damaged files beside it";
  return aside;
}

}  // namespace tarvo::history
