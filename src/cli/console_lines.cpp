#include "cli/console_lines.h"

#include <unistd.h>

namespace tarvo::cli {

ConsoleLines::ConsoleLines(std::FILE* out)
    : out_(out), tty_(isatty(fileno(out)) != 0), errTty_(isatty(STDERR_FILENO) != 0) {}

ConsoleLines::~ConsoleLines() { flush(); }

void ConsoleLines::clearStatusLine() {
  if (statusShown_) {
    std::fputs("\r\033[K", stderr);
    statusShown_ = false;
  }
}

void ConsoleLines::writeHeld() {
  if (holding_) {
    std::fputs(held_.c_str(), out_);
    std::fputc('\n', out_);
    holding_ = false;
  }
}

void ConsoleLines::appendLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (tty_) {
    clearStatusLine();
    std::fputs(line.c_str(), out_);
    std::fputc('\n', out_);
  } else {
    writeHeld();
    held_ = line;
    holding_ = true;
  }
  anyLine_ = true;
  std::fflush(out_);
}

void ConsoleLines::replaceLastLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (tty_) {
    clearStatusLine();
    if (anyLine_) std::fputs("\033[1A\r\033[K", out_);
    std::fputs(line.c_str(), out_);
    std::fputc('\n', out_);
  } else {
    held_ = line;
    holding_ = true;
  }
  anyLine_ = true;
  std::fflush(out_);
}

void ConsoleLines::flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  writeHeld();
  clearStatusLine();
  std::fflush(out_);
  std::fflush(stderr);
}

void ConsoleLines::status(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (errTty_ && tty_) {
    std::fputs("\r\033[K", stderr);
    std::fputs(text.c_str(), stderr);
    statusShown_ = !text.empty();
  } else if (!text.empty()) {
    std::fputs(text.c_str(), stderr);
    std::fputc('\n', stderr);
  }
  std::fflush(stderr);
}

}  // namespace tarvo::cli
