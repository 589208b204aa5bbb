#include "settings/registry_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <limits>
#include <utility>

#include "settings/name_index.h"
#include "settings/registry_file.h"
#include "settings/registry_tree.h"

namespace tarvo::settings {

namespace {

using Op = std::function<bool(RegistryTree&, ApplyNotes&)>;

// What readTexts gives for the key `node`.
RegistryStore::Texts textsOf(const RegistryTree& node) {
  RegistryStore::Texts values;
  // As readText does, a name reads the first member of that name.
  const Members& members = membersOf(node);
  NameIndex<true> first(members.size());
  auto nameAt = [&](std::size_t i) -> std::string_view { return members[i].first; };
  values.reserve(members.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    const auto& [name, value] = members[i];
    const RegistryTree& read = members[first.firstOrAdd(name, i, nameAt)].second;
    if (value.is_object()) continue;
    values.emplace_back(name,
                        read.is_string() ? std::optional(read.get<std::string>()) : std::nullopt);
  }
  return values;
}

std::string envOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

}  // namespace

std::filesystem::path homeFolder() {
  std::filesystem::path home = envOrEmpty("HOME");
  if (home.is_absolute()) return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
         buffer.size() < (1u << 20)) {
    buffer.resize(buffer.size() * 2);
  }
  if (found && found->pw_dir) home = found->pw_dir;
  return home.is_absolute() ? home : std::filesystem::path();
}

std::filesystem::path defaultRegistryPath() {
  std::string explicitPath = envOrEmpty("TARVO_REGISTRY");
  if (!explicitPath.empty()) return explicitPath;
  std::filesystem::path config = envOrEmpty("XDG_CONFIG_HOME");
  if (config.empty() || config.is_relative()) {
    // Never a path relative to whatever folder the program runs in.
    std::filesystem::path home = homeFolder();
    if (home.empty()) return {};
    config = home / ".config";
  }
  return config / "Dravenco" / "Tarvo" / "registry.json";
}

struct RegistryStore::Impl {
  std::filesystem::path file;
  RegistryTree tree = RegistryTree::object();
  std::vector<Op> pending;  // writes not yet in the file, in order
  int batchDepth = 0;
  bool held = false;
  std::function<void()> beforeRename;

  void load() {
    tree = RegistryTree::object();
    if (file.empty()) return;
    auto target = resolveRegistryFile(file);
    if (!target.error.empty()) return;  // reads as empty; writes say why
    tree = std::move(readRegistryFile(target.path).tree);
  }

  StoreResult apply(Op op, std::string_view refusal) {
    ApplyNotes notes;
    if (!op(tree, notes)) {
      return StoreResult::failed(refusal.empty() ? "the key is gone" : std::string(refusal));
    }
    pending.push_back(std::move(op));
    return batchDepth > 0 || held ? StoreResult{} : commit();
  }

  StoreResult commit() {
    if (pending.empty()) return {};
    std::vector<Op> ops = std::move(pending);
    pending.clear();
    if (file.empty()) {
      return StoreResult::failed("no home folder to keep the settings in (HOME is not set)");
    }
    auto target = resolveRegistryFile(file);
    if (!target.error.empty()) return StoreResult::failed(target.error);
    const auto folder = target.path.parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
      std::filesystem::create_directories(folder, ec);
      if (ec) {
        return StoreResult::failed("cannot create the folder " + folder.string() + ": " +
                                   ec.message());
      }
    }
    RegistryFileLock lock(target.path);
    if (!lock.locked()) return StoreResult::failed(lock.error());
    // Re-read under the lock so that other writers' keys survive; what
    // cannot be read is not replaced.
    auto current = readRegistryFile(target.path);
    if (current.kind == RegistryFileContents::Unreadable) return StoreResult::failed(current.error);
    if (auto refused = checkReplaceable(target.path); !refused) return refused;
    RegistryTree next = std::move(current.tree);
    ApplyNotes notes;
    for (auto& op : ops) op(next, notes);
    if (current.kind == RegistryFileContents::Corrupt || notes.displacedValue) {
      if (auto kept = keepTextAside(target.path, current.text); !kept) return kept;
    }
    auto written = writeFileAtomically(target.path, serializeRegistry(next), beforeRename);
    if (!written) return written;
    tree = std::move(next);
    return {};
  }
};

RegistryStore::RegistryStore(std::filesystem::path file) : impl_(std::make_unique<Impl>()) {
  impl_->file = std::move(file);
  impl_->load();
}

RegistryStore::~RegistryStore() {
  // Writes of a batch still open are applied now rather than lost; held
  // writes were never asked for.
  if (!impl_->held) impl_->commit();
}

const std::filesystem::path& RegistryStore::file() const { return impl_->file; }

void RegistryStore::reload() {
  impl_->load();
  ApplyNotes notes;
  for (auto& op : impl_->pending) op(impl_->tree, notes);
}

bool RegistryStore::keyExists(std::string_view key) const {
  return findKey(impl_->tree, key) != nullptr;
}

StoreResult RegistryStore::createKey(std::string_view key) {
  if (keyExists(key)) return {};
  std::string path = validUtf8(key);
  return impl_->apply(
      [path](RegistryTree& t, ApplyNotes& notes) {
        makeKey(t, path, notes);
        return true;
      },
      {});
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

RegistryStore::Texts RegistryStore::readTexts(std::string_view key) const {
  const RegistryTree* node = findKey(impl_->tree, key);
  return node ? textsOf(*node) : Texts{};
}

std::vector<RegistryStore::SubkeyTexts> RegistryStore::readSubkeyTexts(std::string_view key) const {
  std::vector<SubkeyTexts> subkeys;
  const RegistryTree* node = findKey(impl_->tree, key);
  if (!node) return subkeys;
  // As a path does, a subkey's name reaches the first member of that name;
  // when that is a value, the path names no key.
  const Members& members = membersOf(*node);
  NameIndex<true> first(members.size());
  auto nameAt = [&](std::size_t i) -> std::string_view { return members[i].first; };
  for (std::size_t i = 0; i < members.size(); ++i) {
    const auto& [name, value] = members[i];
    const RegistryTree& reached = members[first.firstOrAdd(name, i, nameAt)].second;
    if (!value.is_object()) continue;
    subkeys.push_back({name, reached.is_object() ? textsOf(reached) : Texts{}});
  }
  return subkeys;
}

StoreResult RegistryStore::writeText(std::string_view key, std::string_view name,
                                     std::string_view value) {
  return impl_->apply(
      [k = validUtf8(key), n = validUtf8(name), v = validUtf8(value)](
          RegistryTree& t, ApplyNotes& notes) { return setValue(t, k, n, v, notes); },
      "a subkey has the name " + std::string(name));
}

StoreResult RegistryStore::writeInteger(std::string_view key, std::string_view name,
                                        std::int32_t value) {
  return impl_->apply(
      [k = validUtf8(key), n = validUtf8(name), value](RegistryTree& t, ApplyNotes& notes) {
        return setValue(t, k, n, RegistryTree(value), notes);
      },
      "a subkey has the name " + std::string(name));
}

StoreResult RegistryStore::writeTexts(std::string_view key,
                                      std::vector<std::pair<std::string, std::string>> values) {
  // The file is UTF-8 throughout; the tree only ever holds what it can write.
  for (auto& [name, text] : values) {
    name = validUtf8(name);
    text = validUtf8(text);
  }
  return impl_->apply(
      [k = validUtf8(key), v = std::move(values)](RegistryTree& t, ApplyNotes& notes) {
        setValues(t, k, v, notes);
        return true;
      },
      {});
}

StoreResult RegistryStore::replaceWithSubkeys(
    std::string_view key, std::vector<std::pair<std::string, TextValues>> subkeys) {
  // As writing each value would, a name met again in other letter case
  // reaches the first and keeps its spelling.
  RegistryTree built = RegistryTree::object();
  Members& members = membersOf(built);
  NameIndex<true> first(subkeys.size());
  auto nameAt = [&](std::size_t i) -> std::string_view { return members[i].first; };
  for (auto& [name, values] : subkeys) {
    const std::string subkey = validUtf8(name);
    const std::size_t at = first.firstOrAdd(subkey, members.size(), nameAt);
    if (at == members.size()) members.emplace_back(subkey, RegistryTree::object());
    for (auto& [valueName, text] : values) {
      RegistryTree& node = members[at].second;
      const std::string n = validUtf8(valueName);
      auto it = findMember(node, n);
      if (it == node.end()) {
        appendMember(node, n, validUtf8(text));
      } else {
        it.value() = validUtf8(text);
      }
    }
  }
  return impl_->apply(
      [k = validUtf8(key), b = std::move(built)](RegistryTree& t, ApplyNotes& notes) {
        *makeKey(t, k, notes) = b;
        return true;
      },
      {});
}

StoreResult RegistryStore::deleteValue(std::string_view key, std::string_view name) {
  if (!valueExists(key, name)) return StoreResult::failed("no value " + std::string(name));
  return impl_->apply(
      [k = std::string(key), n = std::string(name)](RegistryTree& t, ApplyNotes&) {
        return eraseMembers(t, k, [&](const std::string& member, const RegistryTree& v) {
          return v.is_object() || !sameIgnoringAsciiCase(member, n);
        });
      },
      {});
}

StoreResult RegistryStore::deleteKey(std::string_view key) {
  if (!keyExists(key)) return StoreResult::failed("no key " + std::string(key));
  auto parts = splitPath(key);
  if (parts.empty()) return StoreResult::failed("the root key stays");
  std::string leaf = parts.back();
  std::string parent;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) parent += "\\" + parts[i];
  return impl_->apply(
      [parent, leaf](RegistryTree& t, ApplyNotes&) {
        return eraseMembers(t, parent, [&](const std::string& member, const RegistryTree& v) {
          return !v.is_object() || !sameIgnoringAsciiCase(member, leaf);
        });
      },
      {});
}

StoreResult RegistryStore::deleteAllValues(std::string_view key) {
  if (!keyExists(key)) return StoreResult::failed("no key " + std::string(key));
  return impl_->apply(
      [k = std::string(key)](RegistryTree& t, ApplyNotes&) {
        return eraseMembers(
            t, k, [](const std::string&, const RegistryTree& v) { return v.is_object(); });
      },
      {});
}

StoreResult RegistryStore::deleteAllSubkeys(std::string_view key) {
  if (!keyExists(key)) return StoreResult::failed("no key " + std::string(key));
  return impl_->apply(
      [k = std::string(key)](RegistryTree& t, ApplyNotes&) {
        return eraseMembers(
            t, k, [](const std::string&, const RegistryTree& v) { return !v.is_object(); });
      },
      {});
}

void RegistryStore::holdWrites() { impl_->held = true; }

StoreResult RegistryStore::flush() { return impl_->commit(); }

void RegistryStore::setBeforeRenameHookForTesting(std::function<void()> hook) {
  impl_->beforeRename = std::move(hook);
}

RegistryStore::Batch::Batch(RegistryStore& store) : store_(store) { ++store_.impl_->batchDepth; }

RegistryStore::Batch::~Batch() { commit(); }

StoreResult RegistryStore::Batch::commit() {
  if (!open_) return {};
  open_ = false;
  if (--store_.impl_->batchDepth > 0 || store_.impl_->held) return {};
  return store_.impl_->commit();
}

}  // namespace tarvo::settings
