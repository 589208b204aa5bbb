#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace tarvo::cli {

// Standard output as a text area. On a terminal a replaced last line is
// redrawn in place; into a pipe or file only the final text of each line is
// written, so the output is exactly the lines the window would show.
// Control characters in a line are shown escaped (console_text.h), and a
// failed write stops the run (console_output.h).
class ConsoleLines {
 public:
  explicit ConsoleLines(std::FILE* out = stdout);
  ~ConsoleLines();

  void appendLine(const std::string& line);
  // Replaces the last line (appends when nothing was written yet).
  void replaceLastLine(const std::string& line);
  // Writes out a line still held back for a possible replacement.
  void flush();

  // Status texts (the window's status bar) go to standard error. On a
  // terminal they redraw one progress line in place.
  void status(const std::string& text);

 private:
  void putLine(const std::string& line);
  void writeOut();
  void writeHeld();
  void clearStatusLine();

  std::mutex mutex_;
  std::FILE* out_;
  bool tty_;
  bool errTty_;
  bool holding_ = false;  // pipe: a last line not yet written
  std::string held_;
  bool anyLine_ = false;
  bool statusShown_ = false;
};

}  // namespace tarvo::cli
