#pragma once

#include <optional>
#include <string>

#include "base/run_view.h"
#include "cli/console_lines.h"
#include "cli/json_views.h"

namespace tarvo::cli {

// A run's view as the command line chose it: the text view over standard
// output's lines, or with --json the JSON view, which also takes the run's
// results as data. The one not chosen is not made at all, so under --json
// nothing but records reaches standard output. TextView is made from the
// ConsoleLines; for refuse() it has flush(), which writes out what it holds.
template <class TextView, class JsonView>
class RunViewChoice {
 public:
  explicit RunViewChoice(bool json) {
    if (json) {
      json_.emplace(out_.emplace());
    } else {
      text_.emplace(lines_.emplace());
    }
  }

  RunView& view() { return json_ ? static_cast<RunView&>(*json_) : *text_; }
  // The JSON view, or null for the text output.
  JsonView* json() { return json_ ? &*json_ : nullptr; }
  // The text view, or null under --json.
  TextView* text() { return text_ ? &*text_ : nullptr; }

  // Why the run cannot start: the run's own lines, or standard error under
  // --json.
  void refuse(const std::string& message) {
    if (json_) {
      writeMessages({message});
    } else {
      text_->appendLine(" ");
      text_->appendLine(message);
      text_->flush();
    }
  }

 private:
  std::optional<ConsoleLines> lines_;
  std::optional<TextView> text_;
  std::optional<JsonLines> out_;
  std::optional<JsonView> json_;
};

}  // namespace tarvo::cli
