#include "settings/registry_tree.h"

#include "settings/name_index.h"

namespace tarvo::settings {

Members& membersOf(RegistryTree& node) { return node.get_ref<RegistryTree::object_t&>(); }
const Members& membersOf(const RegistryTree& node) {
  return node.get_ref<const RegistryTree::object_t&>();
}

std::vector<std::string> splitPath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

RegistryTree::iterator findMember(RegistryTree& node, std::string_view name) {
  for (auto it = node.begin(); it != node.end(); ++it) {
    if (sameIgnoringAsciiCase(it.key(), name)) return it;
  }
  return node.end();
}

const RegistryTree* findKey(const RegistryTree& root, std::string_view path) {
  const RegistryTree* node = &root;
  for (const auto& part : splitPath(path)) {
    const RegistryTree* next = nullptr;
    for (auto it = node->begin(); it != node->end(); ++it) {
      if (sameIgnoringAsciiCase(it.key(), part)) {
        next = &it.value();
        break;
      }
    }
    if (!next || !next->is_object()) return nullptr;
    node = next;
  }
  return node;
}

RegistryTree* findKey(RegistryTree& root, std::string_view path) {
  return const_cast<RegistryTree*>(findKey(static_cast<const RegistryTree&>(root), path));
}

RegistryTree* makeKey(RegistryTree& root, std::string_view path, ApplyNotes& notes) {
  RegistryTree* node = &root;
  for (const auto& part : splitPath(path)) {
    auto it = findMember(*node, part);
    if (it == node->end()) {
      appendMember(*node, part, RegistryTree::object());
      node = &membersOf(*node).back().second;
      continue;
    }
    if (!it->is_object()) {
      it.value() = RegistryTree::object();
      notes.displacedValue = true;
    }
    node = &it.value();
  }
  return node;
}

const RegistryTree* findValue(const RegistryTree& root, std::string_view key,
                              std::string_view name) {
  const RegistryTree* node = findKey(root, key);
  if (!node) return nullptr;
  for (auto it = node->begin(); it != node->end(); ++it) {
    if (sameIgnoringAsciiCase(it.key(), name)) return it->is_object() ? nullptr : &it.value();
  }
  return nullptr;
}

bool setValue(RegistryTree& root, std::string_view key, std::string_view name, RegistryTree value,
              ApplyNotes& notes) {
  RegistryTree* node = makeKey(root, key, notes);
  auto it = findMember(*node, name);
  if (it == node->end()) {
    appendMember(*node, std::string(name), std::move(value));
    return true;
  }
  if (it->is_object()) return false;  // a subkey holds that name
  it.value() = std::move(value);
  return true;
}

void setValues(RegistryTree& root, std::string_view key,
               const std::vector<std::pair<std::string, std::string>>& values, ApplyNotes& notes) {
  Members& members = membersOf(*makeKey(root, key, notes));
  NameIndex<true> first(members.size() + values.size());
  auto nameAt = [&](std::size_t i) -> std::string_view { return members[i].first; };
  for (std::size_t i = 0; i < members.size(); ++i) first.firstOrAdd(members[i].first, i, nameAt);
  for (const auto& [name, text] : values) {
    std::size_t at = first.firstOrAdd(name, members.size(), nameAt);
    if (at == members.size()) {
      members.emplace_back(name, text);
    } else if (!members[at].second.is_object()) {
      members[at].second = text;
    }
  }
}

}  // namespace tarvo::settings
