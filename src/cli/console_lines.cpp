#include "cli/console_lines.h"

#include <unistd.h>

#include "cli/console_output.h"
#include "cli/console_text.h"

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

void ConsoleLines::putLine(const std::string& line) {
  if (hasControlChars(line)) {
    const std::string shown = escapeControlChars(line);
    std::fwrite(shown.data(), 1, shown.size(), out_);
  } else {
    std::fwrite(line.data(), 1, line.size(), out_);
  }
  std::fputc('\n', out_);
}

void ConsoleLines::writeOut() {
  std::fflush(out_);
  checkOutput(out_);
}

void ConsoleLines::writeHeld() {
  if (holding_) {
    putLine(held_);
    holding_ = false;
  }
}

void ConsoleLines::appendLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (tty_) {
    clearStatusLine();
    putLine(line);
  } else {
    writeHeld();
    held_ = line;
    holding_ = true;
  }
  anyLine_ = true;
  writeOut();
}

void ConsoleLines::replaceLastLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (tty_) {
    clearStatusLine();
    if (anyLine_) std::fputs("\033[1A\r\033[K", out_);
    putLine(line);
  } else {
    held_ = line;
    holding_ = true;
  }
  anyLine_ = true;
  writeOut();
}

void ConsoleLines::flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  writeHeld();
  clearStatusLine();
  writeOut();
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
