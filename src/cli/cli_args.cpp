#include "cli/cli_args.h"

#include "base/typed_number.h"
#include "cli/console_text.h"

namespace tarvo::cli {

namespace {

// The number a checked option's text stands for, if it is one it takes.
std::optional<std::int32_t> checkedNumber(const OptionSpec& spec, const std::string& text) {
  for (std::size_t i = 0; i < spec.choices.size(); ++i) {
    if (spec.choices[i] == text) return static_cast<std::int32_t>(i);
  }
  if (spec.rule == nullptr || !spec.choices.empty()) return std::nullopt;
  const auto n = parseTypedInteger(text);
  if (!n || *n < spec.rule->minimum || *n > spec.rule->maximum) return std::nullopt;
  if (spec.rule->evenOnly && (*n & 1) != 0) return std::nullopt;
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

std::string acceptedValues(const OptionSpec& spec) {
  if (!spec.choices.empty()) {
    std::string text;
    for (std::size_t i = 0; i < spec.choices.size(); ++i) {
      if (i > 0) text += i + 1 == spec.choices.size() ? " or " : ", ";
      text += spec.choices[i];
    }
    return text;
  }
  if (spec.rule == nullptr) return "a value";
  const settings::FieldRule& r = *spec.rule;
  const std::int32_t top = r.evenOnly ? r.maximum & ~1 : r.maximum;
  return std::string(r.evenOnly ? "an even number" : "a number") + " from " +
         std::to_string(r.minimum) + " to " + std::to_string(top);
}

ParsedArgs parseArgs(const std::vector<std::string>& words, const std::vector<OptionSpec>& specs) {
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
    const OptionSpec* match = nullptr;
    for (const auto& s : specs) {
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
