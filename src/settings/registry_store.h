#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/store_result.h"

namespace tarvo::settings {

// $TARVO_REGISTRY when set, otherwise
// ${XDG_CONFIG_HOME:-$HOME/.config}/Dravenco/Tarvo/registry.json. Without
// an absolute $HOME the account's home folder is taken; with none at all
// the path is empty (and every write fails with a reason).
std::filesystem::path defaultRegistryPath();

// $HOME when it is absolute, otherwise the account's home folder, or empty.
std::filesystem::path homeFolder();

// The per-user key tree, kept in one JSON file. Keys are named by full path
// with "\" between the parts ("\SOFTWARE\Dravenco\Tarvo\Settings"); key and
// value names compare without regard to ASCII letter case and keep the case
// they were stored with; values and subkeys list in stored order.
//
// The file is read once when the store is made; every write (or every
// Batch) is applied to the file's current contents under an advisory lock
// and replaces the file atomically, so writers in other processes keep
// their keys. A file that cannot be parsed reads as empty and is renamed
// aside with a ".corrupt" suffix before it is first overwritten; so is a
// file whose key stands where a value is, before the value gives way to the
// key. Registry problems are silent: writes report failure only through
// their result, which says why. Use from one thread at a time.
class RegistryStore {
 public:
  explicit RegistryStore(std::filesystem::path file = defaultRegistryPath());
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  const std::filesystem::path& file() const;
  // Reads the file again (to see other processes' writes); writes queued
  // in an open Batch are laid over it again.
  void reload();

  // Opening a key without creating it.
  bool keyExists(std::string_view key) const;
  // Opening a key, creating it and its parents when needed.
  StoreResult createKey(std::string_view key);

  bool valueExists(std::string_view key, std::string_view name) const;  // of any type
  // Empty when the value is missing or is not a text value.
  std::optional<std::string> readText(std::string_view key, std::string_view name) const;
  // Empty when the value is missing or is not a 32-bit integer value.
  std::optional<std::int32_t> readInteger(std::string_view key, std::string_view name) const;
  std::vector<std::string> valueNames(std::string_view key) const;
  std::vector<std::string> subkeyNames(std::string_view key) const;

  // Every value of the key in stored order, with what readText gives for
  // its name; one pass, however many values the key has.
  using Texts = std::vector<std::pair<std::string, std::optional<std::string>>>;
  Texts readTexts(std::string_view key) const;

  // Every subkey of the key in stored order, with what readTexts gives for
  // "key\name"; one pass, however many subkeys the key has.
  struct SubkeyTexts {
    std::string name;
    Texts values;
  };
  std::vector<SubkeyTexts> readSubkeyTexts(std::string_view key) const;

  // Writing creates the key when needed (a value standing in the way of a
  // key gives way to it). A value written under a name that exists in other
  // letter case replaces it in place and keeps the old name.
  StoreResult writeText(std::string_view key, std::string_view name, std::string_view value);
  StoreResult writeInteger(std::string_view key, std::string_view name, std::int32_t value);
  // As writeText for each pair in turn, in one pass.
  StoreResult writeTexts(std::string_view key,
                         std::vector<std::pair<std::string, std::string>> values);
  // Replaces the key, creating it when needed, with one that holds just these
  // subkeys with their text values, in order: as deleting the key and writing
  // each value anew would, in one pass however many subkeys there are.
  using TextValues = std::vector<std::pair<std::string, std::string>>;
  StoreResult replaceWithSubkeys(std::string_view key,
                                 std::vector<std::pair<std::string, TextValues>> subkeys);
  // Deleting what does not exist fails.
  StoreResult deleteValue(std::string_view key, std::string_view name);
  // Deletes the key with every value and subkey below it.
  StoreResult deleteKey(std::string_view key);
  StoreResult deleteAllValues(std::string_view key);
  StoreResult deleteAllSubkeys(std::string_view key);

  // From now on writes stay in this store until flush(); those still held
  // when it ends are dropped. For a run that may write only when asked.
  void holdWrites();
  StoreResult flush();

  // Collects the writes made while it lives and applies them to the file
  // together, as one atomic replacement. Batches nest; the outermost applies.
  class Batch {
   public:
    explicit Batch(RegistryStore& store);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    // Applies now (unless an outer batch or holdWrites defers it).
    StoreResult commit();

   private:
    RegistryStore& store_;
    bool open_ = true;
  };

  // Runs between writing the temporary file and renaming it (tests kill there).
  void setBeforeRenameHookForTesting(std::function<void()> hook);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarvo::settings
