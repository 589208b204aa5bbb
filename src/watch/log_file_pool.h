#pragma once

#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

namespace tarvo {

// What became of one log line: written whole, or not at all and why (a short
// text such as "not a regular file" or the system's error text).
struct LogAppend {
  bool written = false;
  std::string cause;
};

// The log files of every monitor in the process, keyed by path. At most
// maxOpen of them are open at once (the least recently written is closed
// first), so any number of hosts can log whatever the descriptor limit,
// and a worker never fails for want of a descriptor another one holds.
//
// Every open, write and close happens under one lock: the calls are short,
// two workers of the same address never mix their lines, and closing a
// file to make room never pulls it from under a write.
class LogFilePool {
 public:
  explicit LogFilePool(std::size_t maxOpen);
  ~LogFilePool();
  LogFilePool(const LogFilePool&) = delete;
  LogFilePool& operator=(const LogFilePool&) = delete;

  // The pool of this process, its bound taken from the descriptor limit.
  static LogFilePool& process();
  // How many log files a process with this descriptor limit keeps open:
  // a quarter, leaving the rest to sockets, the window system and a
  // lined-up open.
  static std::size_t boundFor(unsigned long long descriptorLimit);

  // A writer that keeps its file open between lines says so, and has it
  // opened at once so a problem is heard of before the first line is due;
  // returns why it cannot be opened, or empty. The file is closed when the
  // last such writer lets go. Without one, every line is opened, written
  // and closed.
  std::string hold(const std::string& path);
  void release(const std::string& path);

  // Appends line and a line end in one write: the line lands whole or, as
  // far as the file system lets us, not at all (see writeWhole).
  LogAppend append(const std::string& path, const std::string& line);

  std::size_t openCount() const;

 private:
  struct Entry {
    int fd = -1;
    int holders = 0;
    // A line was cut short and could not be taken back: the next one
    // starts on a fresh line.
    bool fragment = false;
    std::list<std::string>::iterator recent;  // valid while fd >= 0
  };

  // Opens the entry's file unless open; returns why it cannot be, or empty.
  std::string open(const std::string& path, Entry& entry);
  void close(Entry& entry);
  void closeLeastRecent();
  void forgetIfIdle(const std::string& path);

  std::size_t maxOpen_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
  std::list<std::string> recent_;  // paths of the open entries, latest first
};

}  // namespace tarvo
