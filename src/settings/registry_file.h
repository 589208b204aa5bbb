#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "settings/registry_text.h"
#include "settings/store_result.h"

namespace tarvo::settings {

// The file that reads and writes reach for `file`: a symbolic link is
// followed to its target, which need not exist yet. A link is followed only
// when this user or the owner of its folder made it, so a link planted in a
// shared folder cannot aim a write elsewhere; `error` then says so.
struct ResolvedFile {
  std::filesystem::path path;
  std::string error;
};
ResolvedFile resolveRegistryFile(const std::filesystem::path& file);

struct RegistryFileContents {
  enum Kind { Missing, Parsed, Corrupt, Unreadable } kind = Missing;
  RegistryTree tree = RegistryTree::object();  // empty unless Parsed
  std::string text;                            // the bytes read
  std::string error;                           // why it is Unreadable
};
RegistryFileContents readRegistryFile(const std::filesystem::path& file);

// Keeps a copy of `text` as "<file>.corrupt" (or "<file>.corrupt.N" when
// that name is taken), created exclusively so nothing is ever overwritten.
StoreResult keepTextAside(const std::filesystem::path& file, std::string_view text);

// Why `file` must not be replaced (a folder, a read-only file, ...), or ok.
// A file that does not exist yet may be created.
StoreResult checkReplaceable(const std::filesystem::path& file);

// Replaces `file` (resolved, see above) so that readers see the old or the
// new text, whole: the text goes to a new temporary file with a random name
// in the same folder, is synced and renamed over the file. The mode (and,
// for root, the owner) of the file it replaces carry over; a file without
// any write permission, or anything but a regular file, is not replaced.
// `beforeRename` runs between the write and the rename (tests kill there).
StoreResult writeFileAtomically(const std::filesystem::path& file, std::string_view text,
                                const std::function<void()>& beforeRename = {});

// An exclusive advisory lock on "<file>.lock", held while it lives. The lock
// file stays put (the settings file itself is replaced by every write, so
// it cannot carry the lock); it is opened without following links and must
// be a regular file.
class RegistryFileLock {
 public:
  explicit RegistryFileLock(const std::filesystem::path& file);
  ~RegistryFileLock();
  RegistryFileLock(const RegistryFileLock&) = delete;
  RegistryFileLock& operator=(const RegistryFileLock&) = delete;
  bool locked() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  std::string error_;
};

}  // namespace tarvo::settings
