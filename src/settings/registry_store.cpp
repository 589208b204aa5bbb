#include "settings/registry_store.h"

#include <cstdlib>
#include <limits>
#include <utility>

#include "settings/registry_file.h"

namespace tarvo::settings {

namespace {

using Op = std::function<bool(RegistryTree&)>;

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
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

// The member named `name` in any letter case, or end().
RegistryTree::iterator findMember(RegistryTree& node, std::string_view name) {
  for (auto it = node.begin(); it != node.end(); ++it) {
    if (sameName(it.key(), name)) return it;
  }
  return node.end();
}

const RegistryTree* findKey(const RegistryTree& root, std::string_view path) {
  const RegistryTree* node = &root;
  for (const auto& part : splitPath(path)) {
    const RegistryTree* next = nullptr;
    for (auto it = node->begin(); it != node->end(); ++it) {
      if (sameName(it.key(), part)) {
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

RegistryTree* makeKey(RegistryTree& root, std::string_view path) {
  RegistryTree* node = &root;
  for (const auto& part : splitPath(path)) {
    auto it = findMember(*node, part);
    if (it == node->end()) {
      node = &(*node)[part];
      *node = RegistryTree::object();
    } else if (it->is_object()) {
      node = &it.value();
    } else {
      return nullptr;  // a value stands where the key should be
    }
  }
  return node;
}

const RegistryTree* findValue(const RegistryTree& root, std::string_view key,
                              std::string_view name) {
  const RegistryTree* node = findKey(root, key);
  if (!node) return nullptr;
  for (auto it = node->begin(); it != node->end(); ++it) {
    if (sameName(it.key(), name)) return it->is_object() ? nullptr : &it.value();
  }
  return nullptr;
}

bool setValue(RegistryTree& root, std::string_view key, std::string_view name, RegistryTree value) {
  RegistryTree* node = makeKey(root, key);
  if (!node) return false;
  auto it = findMember(*node, name);
  if (it == node->end()) {
    (*node)[std::string(name)] = std::move(value);
    return true;
  }
  if (it->is_object()) return false;  // a subkey holds that name
  it.value() = std::move(value);
  return true;
}

template <typename Keep>
bool eraseMembers(RegistryTree& root, std::string_view key, Keep keep) {
  RegistryTree* node = findKey(root, key);
  if (!node) return false;
  RegistryTree kept = RegistryTree::object();
  for (auto it = node->begin(); it != node->end(); ++it) {
    if (keep(it.key(), it.value())) kept[it.key()] = it.value();
  }
  *node = std::move(kept);
  return true;
}

std::string envOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

}  // namespace

std::filesystem::path defaultRegistryPath() {
  std::string explicitPath = envOrEmpty("TARVO_REGISTRY");
  if (!explicitPath.empty()) return explicitPath;
  std::filesystem::path config = envOrEmpty("XDG_CONFIG_HOME");
  if (config.empty() || config.is_relative())
    config = std::filesystem::path(envOrEmpty("HOME")) / ".config";
  return config / "Dravenco" / "Tarvo" / "registry.json";
}

struct RegistryStore::Impl {
  std::filesystem::path file;
  RegistryTree tree = RegistryTree::object();
  std::vector<Op> pending;  // writes not yet in the file, in order
  int batchDepth = 0;
  std::function<void()> beforeRename;

  void load() {
    auto contents = readRegistryFile(file);
    tree = std::move(contents.tree);
  }

  bool apply(Op op) {
    bool ok = op(tree);
    if (!ok) return false;
    pending.push_back(std::move(op));
    return batchDepth > 0 || commit();
  }

  bool commit() {
    if (pending.empty()) return true;
    std::vector<Op> ops = std::move(pending);
    pending.clear();
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    RegistryFileLock lock(file);
    if (!lock.locked()) return false;
    // Re-read under the lock so that other writers' keys survive.
    auto current = readRegistryFile(file);
    if (current.kind == RegistryFileContents::Unreadable) return false;
    if (current.kind == RegistryFileContents::Corrupt && !keepCorruptFileAside(file)) return false;
    RegistryTree next = std::move(current.tree);
    for (auto& op : ops) op(next);
    if (!writeFileAtomically(file, serializeRegistry(next), beforeRename)) return false;
    tree = std::move(next);
    return true;
  }
};

RegistryStore::RegistryStore(std::filesystem::path file) : impl_(std::make_unique<Impl>()) {
  impl_->file = std::move(file);
  impl_->load();
}

RegistryStore::~RegistryStore() {
  // Writes of a batch still open are applied now rather than lost.
  impl_->commit();
}

const std::filesystem::path& RegistryStore::file() const { return impl_->file; }

void RegistryStore::reload() {
  impl_->load();
  for (auto& op : impl_->pending) op(impl_->tree);
}

bool RegistryStore::keyExists(std::string_view key) const {
  return findKey(impl_->tree, key) != nullptr;
}

bool RegistryStore::createKey(std::string_view key) {
  if (keyExists(key)) return true;
  std::string path(key);
  return impl_->apply([path](RegistryTree& t) { return makeKey(t, path) != nullptr; });
}

bool RegistryStore::valueExists(std::string_view key, std::string_view name) const {
  return findValue(impl_->tree, key, name) != nullptr;
}

std::optional<std::string> RegistryStore::readText(std::string_view key,
                                                   std::string_view name) const {
  const RegistryTree* value = findValue(impl_->tree, key, name);
  if (!value || !value->is_string()) return std::nullopt;
  return value->get<std::string>();
}

std::optional<std::int32_t> RegistryStore::readInteger(std::string_view key,
                                                       std::string_view name) const {
  const RegistryTree* value = findValue(impl_->tree, key, name);
  if (!value) return std::nullopt;
  // A 32-bit value may have been written as signed or as unsigned.
  if (value->is_number_unsigned()) {
    auto v = value->get<std::uint64_t>();
    if (v > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  }
  if (value->is_number_integer()) {
    auto v = value->get<std::int64_t>();
    if (v < std::numeric_limits<std::int32_t>::min()) return std::nullopt;
    return static_cast<std::int32_t>(v);
  }
  return std::nullopt;
}

std::vector<std::string> RegistryStore::valueNames(std::string_view key) const {
  std::vector<std::string> names;
  if (const RegistryTree* node = findKey(impl_->tree, key)) {
    for (auto it = node->begin(); it != node->end(); ++it) {
      if (!it->is_object()) names.push_back(it.key());
    }
  }
  return names;
}

std::vector<std::string> RegistryStore::subkeyNames(std::string_view key) const {
  std::vector<std::string> names;
  if (const RegistryTree* node = findKey(impl_->tree, key)) {
    for (auto it = node->begin(); it != node->end(); ++it) {
      if (it->is_object()) names.push_back(it.key());
    }
  }
  return names;
}

bool RegistryStore::writeText(std::string_view key, std::string_view name, std::string_view value) {
  return impl_->apply([k = std::string(key), n = std::string(name),
                       v = std::string(value)](RegistryTree& t) { return setValue(t, k, n, v); });
}

bool RegistryStore::writeInteger(std::string_view key, std::string_view name, std::int32_t value) {
  return impl_->apply([k = std::string(key), n = std::string(name), value](RegistryTree& t) {
    return setValue(t, k, n, RegistryTree(value));
  });
}

bool RegistryStore::deleteValue(std::string_view key, std::string_view name) {
  if (!valueExists(key, name)) return false;
  return impl_->apply([k = std::string(key), n = std::string(name)](RegistryTree& t) {
    return eraseMembers(t, k, [&](const std::string& member, const RegistryTree& v) {
      return v.is_object() || !sameName(member, n);
    });
  });
}

bool RegistryStore::deleteKey(std::string_view key) {
  if (!keyExists(key)) return false;
  auto parts = splitPath(key);
  if (parts.empty()) return false;  // the root itself stays
  std::string leaf = parts.back();
  std::string parent;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) parent += "\\" + parts[i];
  return impl_->apply([parent, leaf](RegistryTree& t) {
    return eraseMembers(t, parent, [&](const std::string& member, const RegistryTree& v) {
      return !v.is_object() || !sameName(member, leaf);
    });
  });
}

bool RegistryStore::deleteAllValues(std::string_view key) {
  if (!keyExists(key)) return false;
  return impl_->apply([k = std::string(key)](RegistryTree& t) {
    return eraseMembers(t, k,
                        [](const std::string&, const RegistryTree& v) { return v.is_object(); });
  });
}

bool RegistryStore::deleteAllSubkeys(std::string_view key) {
  if (!keyExists(key)) return false;
  return impl_->apply([k = std::string(key)](RegistryTree& t) {
    return eraseMembers(t, k,
                        [](const std::string&, const RegistryTree& v) { return !v.is_object(); });
  });
}

void RegistryStore::setBeforeRenameHookForTesting(std::function<void()> hook) {
  impl_->beforeRename = std::move(hook);
}

RegistryStore::Batch::Batch(RegistryStore& store) : store_(store) { ++store_.impl_->batchDepth; }

RegistryStore::Batch::~Batch() { commit(); }

bool RegistryStore::Batch::commit() {
  if (!open_) return true;
  open_ = false;
  return --store_.impl_->batchDepth > 0 || store_.impl_->commit();
}

}  // namespace tarvo::settings
