#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/additional_programs.h"

namespace tarvo::settings {

// One user program as the dialog's fields show it: empty argument texts,
// not the one-blank placeholder.
struct ProgramFields {
  std::string commandLine;
  std::string name;
  std::string preIp;
  std::string postIp;
};

// The programs dialog's working copy of the user programs (the window's
// entries from index 2 on) and its selection. Changes reach the window only
// through applyTo.
class ProgramEditList {
 public:
  // Selects the window's active entry, or the first program when the
  // active entry is a built-in one.
  ProgramEditList(const AdditionalPrograms& programs, std::int32_t activeCommand);

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  std::size_t selected() const { return selected_; }
  std::vector<std::string> names() const;
  // The selected program; nothing when the copy is empty.
  std::optional<ProgramFields> shown() const;
  void select(std::size_t index);

  // Replaces the first program whose name equals fields.name ignoring
  // letter case (the name as typed now), otherwise appends; the entry
  // becomes selected and its index is returned. Nothing changes and nothing
  // is returned when the command or the name is empty.
  std::optional<std::size_t> addOrUpdate(const ProgramFields& fields);
  // Removes the selected program; the selection stays on the same index or
  // moves to the new last one.
  void removeSelected();

  // Replaces the window's user programs by the working copy and returns the
  // entry "Connect progs:" selects then.
  std::int32_t applyTo(AdditionalPrograms& programs) const;

 private:
  std::vector<ProgramFields> entries_;  // argument texts as stored (" " for empty)
  std::size_t selected_ = 0;
};

}  // namespace tarvo::settings
