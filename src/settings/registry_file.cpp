#include "settings/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace tarvo::settings {

namespace {

// As many hops as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;

std::string reason(const std::string& what, const std::filesystem::path& path, int error) {
  return what + " " + path.string() + ": " + std::strerror(error);
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

std::filesystem::path folderOf(const std::filesystem::path& file) {
  return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// Why an existing file must not be replaced, or empty when it may be.
std::string refusalToReplace(const std::filesystem::path& file, const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return file.string() + " is a folder, not a settings file";
  if (S_ISLNK(st.st_mode)) return reason("cannot follow", file, ELOOP);
  if (!S_ISREG(st.st_mode)) return file.string() + " is not a regular file";
  // Root may write anything, so the mode itself tells what the user wants.
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return file.string() + " is read-only";
  if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0)
    return reason("cannot write", file, errno);
  return {};
}

}  // namespace

ResolvedFile resolveRegistryFile(const std::filesystem::path& file) {
  ResolvedFile result{file, {}};
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat link {};
    if (::lstat(result.path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return result;
    struct stat folder {};
    const auto parent = folderOf(result.path);
    bool trusted = link.st_uid == ::geteuid() ||
                   (::stat(parent.c_str(), &folder) == 0 && link.st_uid == folder.st_uid);
    if (!trusted) {
      result.error = result.path.string() + " is a symbolic link made by another user";
      return result;
    }
    std::error_code ec;
    auto target = std::filesystem::read_symlink(result.path, ec);
    if (ec) {
      result.error = reason("cannot follow", result.path, ec.value());
      return result;
    }
    result.path = target.is_absolute() ? target : parent / target;
  }
  result.error = reason("cannot follow", file, ELOOP);
  return result;
}

RegistryFileContents readRegistryFile(const std::filesystem::path& file) {
  RegistryFileContents result;
  // Non-blocking, so that a FIFO put in the file's place cannot hang a read.
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return result;
    result.kind = RegistryFileContents::Unreadable;
    result.error = reason("cannot read", file, errno);
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result.kind = RegistryFileContents::Unreadable;
    result.error = S_ISDIR(st.st_mode) ? file.string() + " is a folder, not a settings file"
                                       : file.string() + " is not a regular file";
    ::close(fd);
    return result;
  }
  result.text.reserve(static_cast<std::size_t>(st.st_size));
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result.kind = RegistryFileContents::Unreadable;
      result.error = reason("cannot read", file, errno);
      result.text.clear();
      ::close(fd);
      return result;
    }
    if (n == 0) break;
    result.text.append(buffer.data(), static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (auto tree = parseRegistryText(result.text)) {
    result.kind = RegistryFileContents::Parsed;
    result.tree = std::move(*tree);
  } else {
    result.kind = RegistryFileContents::Corrupt;
  }
  return result;
}

StoreResult keepTextAside(const std::filesystem::path& file, std::string_view text) {
  int lastError = EEXIST;
  for (int n = 0; n < 1000; ++n) {
    auto aside = withSuffix(file, n == 0 ? ".corrupt" : ".corrupt." + std::to_string(n));
    int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      lastError = errno;
      if (errno == EEXIST) continue;
      break;
    }
    bool ok = writeAll(fd, text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) return {};
    lastError = errno;
    ::unlink(aside.c_str());
    break;
  }
  return StoreResult::failed(reason("cannot keep a copy of", file, lastError));
}

StoreResult checkReplaceable(const std::filesystem::path& file) {
  struct stat old {};
  if (::lstat(file.c_str(), &old) != 0) {
    return errno == ENOENT ? StoreResult{}
                           : StoreResult::failed(reason("cannot reach", file, errno));
  }
  return StoreResult::failed(refusalToReplace(file, old));
}

StoreResult writeFileAtomically(const std::filesystem::path& file, std::string_view text,
                                const std::function<void()>& beforeRename) {
  if (auto refused = checkReplaceable(file); !refused) return refused;
  struct stat old {};
  const bool replacing = ::lstat(file.c_str(), &old) == 0;

  // A random name created exclusively: nothing planted under a predictable
  // name can redirect the write.
  std::string temp = withSuffix(file, ".tmp.XXXXXX").string();
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return StoreResult::failed(reason("cannot write in", folderOf(file), errno));
  bool ok = true;
  if (replacing) {
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    // Root saving a user's file leaves it the user's.
    if (ok && ::geteuid() == 0 && (old.st_uid != 0 || old.st_gid != 0)) {
      ok = ::fchown(fd, old.st_uid, old.st_gid) == 0;
    }
  }
  ok = ok && writeAll(fd, text) && ::fsync(fd) == 0;
  int error = errno;
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    ::unlink(temp.c_str());
    return StoreResult::failed(reason("cannot write", file, error));
  }
  if (beforeRename) beforeRename();
  if (::rename(temp.c_str(), file.c_str()) != 0) {
    error = errno;
    ::unlink(temp.c_str());
    return StoreResult::failed(reason("cannot replace", file, error));
  }
  syncFolder(folderOf(file));
  return {};
}

RegistryFileLock::RegistryFileLock(const std::filesystem::path& file) {
  const auto lockFile = withSuffix(file, ".lock");
  fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    error_ = errno == ELOOP ? lockFile.string() + " is a symbolic link; it is not followed"
                            : reason("cannot lock", lockFile, errno);
    return;
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    error_ = lockFile.string() + " is not a regular file";
    ::close(fd_);
    fd_ = -1;
    return;
  }
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      error_ = reason("cannot lock", lockFile, errno);
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
