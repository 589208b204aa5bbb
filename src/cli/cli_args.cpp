#include "cli/cli_args.h"

#include "base/typed_number.h"
#include "cli/console_text.h"

namespace tarvo::cli {

namespace {

// The number a checked option's text stands for, if it is one it takes.
std::optional<std::int32_t> checkedNumber(const CommandOption& option, const std::string& text) {
  for (std::size_t i = 0; i < option.choices.size(); ++i) {
    if (option.choices[i] == text) return static_cast<std::int32_t>(i);
  }
  if (option.rule == nullptr || !option.choices.empty()) return std::nullopt;
  const auto n = parseTypedInteger(text);
  if (!n || *n < option.rule->minimum || *n > option.rule->maximum) return std::nullopt;
  if (option.rule->evenOnly && (*n & 1) != 0) return std::nullopt;
  return n;
}

}  // namespace

std::optional<std::string> ParsedArgs::value(const std::string& name) const {
  auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::optional<std::int32_t> ParsedArgs::number(const std::string& name) const {
  auto it = numbers.find(name);
  if (it == numbers.end()) return std::nullopt;
  return it->second;
}

std::string acceptedValues(const CommandOption& option) {
  if (!option.choices.empty()) {
    std::string text;
    for (std::size_t i = 0; i < option.choices.size(); ++i) {
      if (i > 0) text += i + 1 == option.choices.size() ? " or " : ", ";
      text += option.choices[i];
    }
    return text;
  }
  if (option.rule == nullptr) return "a value";
  const settings::FieldRule& r = *option.rule;
  const std::int32_t top = r.evenOnly ? r.maximum & ~1 : r.maximum;
  return std::string(r.evenOnly ? "an even number" : "a number") + " from " +
         std::to_string(r.minimum) + " to " + std::to_string(top);
}

ParsedArgs parseArgs(const std::vector<std::string>& words,
                     const std::vector<CommandOption>& known) {
  ParsedArgs out;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string w = words[i];
    if (optionsEnded || w.size() < 2 || w[0] != '-') {
      out.positional.push_back(w);
      continue;
    }
    if (w == "--") {
      optionsEnded = true;
      continue;
    }
    std::string inlineValue;
    bool hasInline = false;
    if (auto eq = w.find('='); w.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = w.substr(eq + 1);
      w = w.substr(0, eq);
      hasInline = true;
    }
    const CommandOption* match = nullptr;
    for (const auto& s : known) {
      if (s.name == w) match = &s;
    }
    if (match == nullptr) {
      out.error = "unknown option " + escapeControlChars(w);
      return out;
    }
    if (!match->takesValue) {
      if (hasInline) {
        out.error = "option " + w + " takes no value";
        return out;
      }
      out.flags.insert(w);
      continue;
    }
    if (hasInline) {
      out.values[w] = inlineValue;
    } else if (i + 1 < words.size()) {
      out.values[w] = words[++i];
    } else {
      out.error = "option " + w + " needs a value";
      return out;
    }
    if (match->rule == nullptr && match->choices.empty()) continue;
    const std::string& text = out.values[w];
    if (auto n = checkedNumber(*match, text)) {
      out.numbers[w] = *n;
    } else {
      out.error =
          w + " takes " + acceptedValues(*match) + ", not \"" + escapeControlChars(text) + "\"";
      return out;
    }
  }
  return out;
}

}  // namespace tarvo::cli
