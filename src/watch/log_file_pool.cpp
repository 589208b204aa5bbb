#include "watch/log_file_pool.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tarvo {

namespace {

constexpr const char* kNotRegular = "not a regular file";
constexpr const char* kLink = "a symbolic link, not followed";
constexpr const char* kForeign = "owned by another user in a shared folder";
constexpr const char* kNulInName = "the name holds a NUL character";

struct Opened {
  int fd = -1;
  int error = 0;      // errno of a failed call
  std::string cause;  // or a refusal of ours
};

std::string causeOf(const Opened& o) {
  return o.cause.empty() ? std::string(std::strerror(o.error)) : o.cause;
}

int openFolder(const std::string& folder) {
  return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Opens the folder first and the file inside it by name, so the checks and
// the open see the same folder. Non-blocking, so a FIFO cannot hold the
// worker; never through a link, so nobody can point our appends elsewhere.
Opened openLogFile(const std::string& path) {
  Opened r;
  if (path.find('\0') != std::string::npos) {
    // The system would cut the path there and send every host into one file.
    r.cause = kNulInName;
    return r;
  }
  const auto slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  int dir = openFolder(folder);
  if (dir < 0 && errno == ENOENT) {
    // A folder not made yet, or removed while the monitor runs.
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    dir = openFolder(folder);
  }
  if (dir < 0) {
    r.error = errno;
    return r;
  }
  struct stat before {};
  if (::fstatat(dir, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(before.st_mode))
      r.cause = kLink;
    else if (!S_ISREG(before.st_mode))
      r.cause = kNotRegular;
  }
  if (r.cause.empty()) {
    r.fd = ::openat(dir, name.c_str(),
                    O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (r.fd < 0) {
      r.error = errno;
      // Something put there between the look and the open.
      if (r.error == ELOOP) r.cause = kLink;
      if (r.error == ENXIO) r.cause = kNotRegular;
    }
  }
  if (r.fd >= 0) {
    struct stat file {};
    struct stat shared {};
    if (::fstat(r.fd, &file) != 0) {
      r.error = errno;
    } else if (!S_ISREG(file.st_mode)) {
      r.cause = kNotRegular;
    } else if (::fstat(dir, &shared) == 0 && (shared.st_mode & S_ISVTX) &&
               file.st_uid != ::geteuid() && file.st_uid != shared.st_uid) {
      // In a sticky folder anyone may plant a file under the name we are
      // about to use; only ours or the folder owner's is to be trusted, as
      // for the settings file.
      r.cause = kForeign;
    }
    if (r.error != 0 || !r.cause.empty()) {
      ::close(r.fd);
      r.fd = -1;
    }
  }
  ::close(dir);
  return r;
}

// Writes the record (line end included). On a short write the rest is
// tried; if it still cannot go, the file is cut back to where the record
// began, unless somebody appended after us, in which case the next record
// begins with a line end of its own. Returns 0 or the errno of the failure.
int writeWhole(int fd, const std::string& line, bool& fragment) {
  std::string record;
  record.reserve(line.size() + 2);
  if (fragment) record += '\n';
  record += line;
  record += '\n';
  struct stat before {};
  const bool sized = ::fstat(fd, &before) == 0;
  std::size_t done = 0;
  int error = 0;
  while (done < record.size()) {
    const ssize_t n = ::write(fd, record.data() + done, record.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (done == record.size()) {
    fragment = false;
    return 0;
  }
  if (done == 0) return error;
  struct stat after {};
  const bool cutBack = sized && ::fstat(fd, &after) == 0 &&
                       after.st_size == before.st_size + static_cast<off_t>(done) &&
                       ::ftruncate(fd, before.st_size) == 0;
  if (!cutBack) fragment = true;
  return error;
}

bool outOfDescriptors(const Opened& o) {
  return o.fd < 0 && o.cause.empty() && (o.error == EMFILE || o.error == ENFILE);
}

}  // namespace

LogFilePool::LogFilePool(std::size_t maxOpen) : maxOpen_(std::max<std::size_t>(maxOpen, 1)) {}

LogFilePool::~LogFilePool() {
  for (auto& [path, entry] : entries_) {
    if (entry.fd >= 0) ::close(entry.fd);
  }
}

LogFilePool& LogFilePool::process() {
  // Never destroyed: a worker may still log while static objects go away.
  static LogFilePool* pool = [] {
    struct rlimit limit {};
    const unsigned long long soft =
        ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY ? limit.rlim_cur
                                                                                   : 1024;
    return new LogFilePool(boundFor(soft));
  }();
  return *pool;
}

std::size_t LogFilePool::boundFor(unsigned long long descriptorLimit) {
  return static_cast<std::size_t>(std::clamp<unsigned long long>(descriptorLimit / 4, 1, 4096));
}

std::string LogFilePool::hold(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry& entry = entries_[path];
  ++entry.holders;
  return open(path, entry);
}

void LogFilePool::release(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = entries_.find(path);
  if (it == entries_.end()) return;
  if (--it->second.holders <= 0) {
    it->second.holders = 0;
    close(it->second);
  }
  forgetIfIdle(path);
}

LogAppend LogFilePool::append(const std::string& path, const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry& entry = entries_[path];
  if (std::string cause = open(path, entry); !cause.empty()) {
    forgetIfIdle(path);
    return {false, cause};
  }
  const int error = writeWhole(entry.fd, line, entry.fragment);
  if (entry.holders == 0) close(entry);
  forgetIfIdle(path);
  if (error != 0) return {false, std::strerror(error)};
  return {true, {}};
}

std::string LogFilePool::open(const std::string& path, Entry& entry) {
  if (entry.fd >= 0) {
    // A file removed while open (its folder deleted, say) would swallow the
    // lines: make it again instead.
    struct stat st {};
    if (::fstat(entry.fd, &st) == 0 && st.st_nlink > 0) {
      recent_.splice(recent_.begin(), recent_, entry.recent);
      return {};
    }
    close(entry);
  }
  // One place kept free for the folder opened on the way.
  while (recent_.size() + 1 >= maxOpen_ && !recent_.empty()) closeLeastRecent();
  Opened opened = openLogFile(path);
  while (outOfDescriptors(opened) && !recent_.empty()) {
    closeLeastRecent();
    opened = openLogFile(path);
  }
  if (opened.fd < 0) return causeOf(opened);
  entry.fd = opened.fd;
  recent_.push_front(path);
  entry.recent = recent_.begin();
  return {};
}

std::size_t LogFilePool::openCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return recent_.size();
}

void LogFilePool::close(Entry& entry) {
  if (entry.fd < 0) return;
  ::close(entry.fd);
  entry.fd = -1;
  recent_.erase(entry.recent);
}

void LogFilePool::closeLeastRecent() { close(entries_.at(recent_.back())); }

void LogFilePool::forgetIfIdle(const std::string& path) {
  auto it = entries_.find(path);
  if (it != entries_.end() && it->second.fd < 0 && it->second.holders == 0 && !it->second.fragment)
    entries_.erase(it);
}

}  // namespace tarvo
