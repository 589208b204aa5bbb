#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "watch/log_file_pool.h"

namespace tarvo {

// One worker's log file: writes its lines through the pool and tells the
// user, through the callback, what went wrong: each cause once ("Log file
// /x/127_0_0_1.log: not a regular file"), and how many lines were lost
// ("Log file ...: 12 lines lost") once writing works again and at the end.
// A file kept open is opened at once; a failed open is tried again at the
// next line.
class LogWriter {
 public:
  using Notify = std::function<void(const std::string&)>;

  // keepOpen: the file stays open between lines (as far as the pool's bound
  // allows); otherwise every line is opened, written and closed.
  LogWriter(std::string path, bool keepOpen, Notify notify,
            LogFilePool& pool = LogFilePool::process());
  // Says the lines lost since last said.
  ~LogWriter();
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // One line without its line end; false when it was lost.
  bool write(const std::string& line);

 private:
  // Each cause once.
  void say(const std::string& cause);
  void sayLost();

  std::string path_;
  std::string shownPath_;  // control characters escaped
  bool keepOpen_;
  Notify notify_;
  LogFilePool& pool_;
  std::set<std::string> saidCauses_;
  std::uint64_t unsaidLost_ = 0;
};

}  // namespace tarvo
