#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/registry_text.h"

// Finding and changing keys and values in a settings tree held in memory,
// by paths such as "SOFTWARE\\Dravenco\\Tarvo"; names compare without regard
// to case. The store applies its writes with these, to its copy and again
// to the file's current contents under the lock.
namespace tarvo::settings {

// What applying writes to a tree did besides the writes themselves.
struct ApplyNotes {
  bool displacedValue = false;  // a value gave way to a key of its name
};

using Members = RegistryTree::object_t::Container;

Members& membersOf(RegistryTree& node);
const Members& membersOf(const RegistryTree& node);

// The key names of a path, empty parts left out.
std::vector<std::string> splitPath(std::string_view path);
// The member named `name` in any letter case, or end().
RegistryTree::iterator findMember(RegistryTree& node, std::string_view name);

const RegistryTree* findKey(const RegistryTree& root, std::string_view path);
RegistryTree* findKey(RegistryTree& root, std::string_view path);
// Makes the key and those above it; a value standing where a key should be
// gives way to the key (noted), since left alone it would block every later
// save of the keys below it.
RegistryTree* makeKey(RegistryTree& root, std::string_view path, ApplyNotes& notes);
// A value, not a key, of that name in the key; null when there is none.
const RegistryTree* findValue(const RegistryTree& root, std::string_view key,
                              std::string_view name);
// False when a subkey holds the name.
bool setValue(RegistryTree& root, std::string_view key, std::string_view name, RegistryTree value,
              ApplyNotes& notes);
// Sets each value in one pass over the key. A name a subkey holds is skipped.
void setValues(RegistryTree& root, std::string_view key,
               const std::vector<std::pair<std::string, std::string>>& values, ApplyNotes& notes);

// Keeps only the members of the key for which keep(name, value) holds;
// false when the key is gone.
template <typename Keep>
bool eraseMembers(RegistryTree& root, std::string_view key, Keep keep) {
  RegistryTree* node = findKey(root, key);
  if (!node) return false;
  RegistryTree kept = RegistryTree::object();
  for (auto& [name, value] : membersOf(*node)) {
    if (keep(name, value)) appendMember(kept, name, std::move(value));
  }
  *node = std::move(kept);
  return true;
}

}  // namespace tarvo::settings
