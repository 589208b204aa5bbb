#include "settings/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace tarvo::settings {

namespace {

bool withinDepth(const RegistryTree& root) {
  // Iterative walk: the depth check must not itself recurse without bound.
  std::vector<std::pair<const RegistryTree*, int>> pending{{&root, 1}};
  while (!pending.empty()) {
    auto [node, depth] = pending.back();
    pending.pop_back();
    if (depth > kMaxTreeDepth) return false;
    if (node->is_structured()) {
      for (const auto& child : *node) pending.emplace_back(&child, depth + 1);
    }
  }
  return true;
}

bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void syncFolder(const std::filesystem::path& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

std::filesystem::path withSuffix(const std::filesystem::path& file, const std::string& suffix) {
  std::filesystem::path result = file;
  result += suffix;
  return result;
}

}  // namespace

std::optional<RegistryTree> parseRegistryText(std::string_view text) {
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return RegistryTree::object();
  RegistryTree tree = RegistryTree::parse(text, nullptr, /*allow_exceptions=*/false);
  if (tree.is_discarded() || !tree.is_object() || !withinDepth(tree)) return std::nullopt;
  return tree;
}

std::string serializeRegistry(const RegistryTree& tree) {
  return tree.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

RegistryFileContents readRegistryFile(const std::filesystem::path& file) {
  RegistryFileContents result;
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::error_code ec;
    result.kind = std::filesystem::exists(file, ec) || ec ? RegistryFileContents::Unreadable
                                                          : RegistryFileContents::Missing;
    return result;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    result.kind = RegistryFileContents::Unreadable;
    return result;
  }
  if (auto tree = parseRegistryText(text.str())) {
    result.kind = RegistryFileContents::Parsed;
    result.tree = std::move(*tree);
  } else {
    result.kind = RegistryFileContents::Corrupt;
  }
  return result;
}

bool keepCorruptFileAside(const std::filesystem::path& file) {
  for (int n = 0; n < 1000; ++n) {
    auto aside = withSuffix(file, n == 0 ? ".corrupt" : ".corrupt." + std::to_string(n));
    std::error_code ec;
    if (std::filesystem::exists(aside, ec) || ec) continue;
    return ::rename(file.c_str(), aside.c_str()) == 0;
  }
  return false;
}

bool writeFileAtomically(const std::filesystem::path& file, std::string_view text,
                         const std::function<void()>& beforeRename) {
  // One temporary name is enough: only the holder of the lock writes it, and
  // a leftover from a killed writer is simply truncated by the next one.
  const auto temp = withSuffix(file, ".tmp");
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = writeAll(fd, text) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  if (beforeRename) beforeRename();
  if (::rename(temp.c_str(), file.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  syncFolder(file.parent_path());
  return true;
}

RegistryFileLock::RegistryFileLock(const std::filesystem::path& file) {
  const auto lockFile = withSuffix(file, ".lock");
  fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
}

RegistryFileLock::~RegistryFileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace tarvo::settings
