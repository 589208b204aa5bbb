#include "watch/log_writer.h"

#include <utility>

namespace tarvo {

std::string shownPath(const std::string& path) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(path.size());
  for (char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out += kDigits[c >> 4];
      out += kDigits[c & 0x0F];
    } else {
      out += ch;
    }
  }
  return out;
}

LogWriter::LogWriter(std::string path, bool keepOpen, Notify notify, LogFilePool& pool)
    : path_(std::move(path)),
      shownPath_(shownPath(path_)),
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
