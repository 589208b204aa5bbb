#include "settings/program_edit_list.h"

#include <algorithm>

#include "base/letter_case.h"

namespace tarvo::settings {

namespace {

std::string stored(const std::string& argument) {
  return argument.empty() ? std::string(kEmptyArgument) : argument;
}

std::string shownArgument(const std::string& argument) {
  return argument == kEmptyArgument ? std::string() : argument;
}

}  // namespace

ProgramEditList::ProgramEditList(const AdditionalPrograms& programs, std::int32_t activeCommand) {
  for (std::size_t i = kFirstUserProgram; i < programs.size(); ++i) {
    entries_.push_back({programs.commandLines[i], programs.names[i], programs.preIpArguments[i],
                        programs.postIpArguments[i]});
  }
  std::int64_t index = static_cast<std::int64_t>(activeCommand) - kFirstUserProgram;
  if (index > 0) selected_ = static_cast<std::size_t>(index);
  if (selected_ >= entries_.size()) selected_ = 0;
}

std::vector<std::string> ProgramEditList::names() const {
  std::vector<std::string> names;
  for (const auto& entry : entries_) names.push_back(entry.name);
  return names;
}

std::optional<ProgramFields> ProgramEditList::shown() const {
  if (entries_.empty()) return std::nullopt;
  const ProgramFields& entry = entries_[selected_];
  return ProgramFields{entry.commandLine, entry.name, shownArgument(entry.preIp),
                       shownArgument(entry.postIp)};
}

void ProgramEditList::select(std::size_t index) {
  if (index < entries_.size()) selected_ = index;
}

std::optional<std::size_t> ProgramEditList::addOrUpdate(const ProgramFields& fields) {
  if (fields.commandLine.empty() || fields.name.empty()) return std::nullopt;
  ProgramFields entry{fields.commandLine, fields.name, stored(fields.preIp), stored(fields.postIp)};
  auto same = std::find_if(entries_.begin(), entries_.end(), [&](const ProgramFields& other) {
    return sameIgnoringLocaleCase(other.name, fields.name);
  });
  if (same != entries_.end()) {
    *same = entry;
    selected_ = static_cast<std::size_t>(same - entries_.begin());
  } else {
    entries_.push_back(entry);
    selected_ = entries_.size() - 1;
  }
  return selected_;
}

void ProgramEditList::removeSelected() {
  if (entries_.empty()) return;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(selected_));
  if (selected_ >= entries_.size() && selected_ > 0) --selected_;
}

std::int32_t ProgramEditList::applyTo(AdditionalPrograms& programs) const {
  programs.clearUserPrograms();
  for (const auto& entry : entries_) {
    programs.append(entry.commandLine, entry.name, entry.preIp, entry.postIp);
  }
  if (entries_.empty()) return 1;
  return static_cast<std::int32_t>(selected_ + kFirstUserProgram);
}

}  // namespace tarvo::settings
