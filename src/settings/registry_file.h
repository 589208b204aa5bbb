#pragma once

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo::settings {

// The registry tree as held in memory: objects are keys, strings are text
// values, integers are 32-bit integer values. Members of any other type are
// kept untouched so that a write never loses what it does not understand.
using RegistryTree = nlohmann::ordered_json;

// Deeper trees are refused: writing them back would recurse without bound.
constexpr int kMaxTreeDepth = 512;

// Parses the file text. An empty text is an empty tree; anything that is not
// a JSON object nested at most kMaxTreeDepth deep is refused.
std::optional<RegistryTree> parseRegistryText(std::string_view text);

// The text written to the file (two-blank indent, invalid UTF-8 replaced).
std::string serializeRegistry(const RegistryTree& tree);

struct RegistryFileContents {
  enum Kind { Missing, Parsed, Corrupt, Unreadable } kind = Missing;
  RegistryTree tree = RegistryTree::object();  // empty unless Parsed
};
RegistryFileContents readRegistryFile(const std::filesystem::path& file);

// Renames a file that could not be parsed to "<file>.corrupt" (or
// "<file>.corrupt.N" when that name is taken), so it is never overwritten.
bool keepCorruptFileAside(const std::filesystem::path& file);

// Writes the text to a temporary file in the same folder, syncs it and
// renames it over the file, so readers see the old or the new text, whole.
// `beforeRename` runs between the write and the rename (tests kill there).
bool writeFileAtomically(const std::filesystem::path& file, std::string_view text,
                         const std::function<void()>& beforeRename = {});

// An exclusive advisory lock on "<file>.lock", held while it lives.
class RegistryFileLock {
 public:
  explicit RegistryFileLock(const std::filesystem::path& file);
  ~RegistryFileLock();
  RegistryFileLock(const RegistryFileLock&) = delete;
  RegistryFileLock& operator=(const RegistryFileLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace tarvo::settings
