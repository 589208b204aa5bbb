#include "cli/cli_args.h"

namespace tarvo::cli {

std::optional<std::string> ParsedArgs::value(const std::string& name) const {
  auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
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
      out.error = "unknown option " + w;
      return out;
    }
    if (!match->takesValue) {
      if (hasInline) {
        out.error = "option " + w + " takes no value";
        return out;
      }
      out.flags.insert(w);
    } else if (hasInline) {
      out.values[w] = inlineValue;
    } else if (i + 1 < words.size()) {
      out.values[w] = words[++i];
    } else {
      out.error = "option " + w + " needs a value";
      return out;
    }
  }
  return out;
}

}  // namespace tarvo::cli
