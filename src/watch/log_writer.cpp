#include "watch/log_writer.h"

#include <utility>

#include "base/control_chars.h"

namespace tarvo {

LogWriter::LogWriter(std::string path, bool keepOpen, Notify notify, LogFilePool& pool)
    : path_(std::move(path)),
      shownPath_(escapeControlChars(path_)),
      keepOpen_(keepOpen),
      notify_(std::move(notify)),
      pool_(pool) {
  if (keepOpen_) {
    if (std::string cause = pool_.hold(path_); !cause.empty()) say(cause);
  }
}

LogWriter::~LogWriter() {
  if (keepOpen_) pool_.release(path_);
  sayLost();
}

bool LogWriter::write(const std::string& line) {
  const LogAppend result = pool_.append(path_, line);
  if (result.written) {
    sayLost();
    return true;
  }
  ++unsaidLost_;
  say(result.cause);
  return false;
}

void LogWriter::say(const std::string& cause) {
  if (saidCauses_.insert(cause).second && notify_) notify_("Log file " + shownPath_ + ": " + cause);
}

void LogWriter::sayLost() {
  if (unsaidLost_ == 0) return;
  const std::uint64_t n = std::exchange(unsaidLost_, 0);
  if (notify_)
    notify_("Log file " + shownPath_ + ": " + std::to_string(n) + (n == 1 ? " line" : " lines") +
            " lost");
}

}  // namespace tarvo
