#include "watch/watch_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace tarvo {

std::string resultToken(bool replied, std::uint32_t roundTripMs) {
  return replied ? "1" + std::to_string(roundTripMs) : "0";
}

GraphPoint pointFromToken(const std::string& token, std::uint32_t waitMs) {
  GraphPoint p;
  p.value = waitMs;
  if (token.empty() || token[0] == '0') return p;
  std::uint32_t rtt = 0;
  std::from_chars(token.data() + 1, token.data() + token.size(), rtt);
  p.replied = true;
  p.roundTripMs = rtt;
  if (rtt <= waitMs) {
    p.value = rtt;
    p.color = GraphPoint::kGreen;
  } else {
    p.color = GraphPoint::kYellow;
  }
  return p;
}

std::uint32_t nextSequence(std::uint32_t sequence) { return sequence >= 65535 ? 1 : sequence + 1; }

void stampSequence(std::span<std::uint8_t> payload, std::uint32_t sequence) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, ".Seq=%05u.", static_cast<unsigned>(sequence % 100000));
  if (payload.size() < 11) return;
  for (int i = 0; i < 11; ++i) payload[i] = static_cast<std::uint8_t>(stamp[i]);
}

std::string logFileName(const std::string& folder, const std::string& addressText) {
  std::string path = folder;
  while (!path.empty() && path.back() == '/') path.pop_back();
  path += '/';
  for (char c : addressText) path += c == '.' ? '_' : c;
  path += ".log";
  return path;
}

std::string logTimeFields(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const std::time_t t = system_clock::to_time_t(when);
  const auto ms = duration_cast<milliseconds>(when.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&t, &local);
  char date[96];
  const std::size_t n = std::strftime(date, sizeof date, "%x", &local);
  char time[48];
  std::snprintf(time, sizeof time, ", %02d:%02d:%02d.%d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(ms < 0 ? ms + 1000 : ms));
  return std::string(date, n) + time;
}

std::string logLine(const std::string& address, const std::string& timeFields,
                    const EchoResult& result, bool replied, const WatchCounters& counters,
                    const std::string& statusText) {
  std::string line;
  line.reserve(128);
  line += address;
  line += ", ";
  line += timeFields;
  line += ", RTT = ";
  line += std::to_string(replied ? result.roundTripMs : 0);
  line += ", TTL = ";
  line += std::to_string(result.replyTtl);
  line += ", Bytes = ";
  line += std::to_string(result.replyDataSize);
  line += ", Sent = ";
  line += std::to_string(counters.sent);
  line += ", Recv = ";
  line += std::to_string(counters.received);
  line += ", Lost = ";
  line += std::to_string(counters.lost());
  line += ", Loss = ";
  line += std::to_string(counters.lossPercent());
  line += "%, ";
  line += statusText;
  return line;
}

namespace {
int openAppend(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 && errno == ENOENT) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  }
  return fd;
}

bool writeLine(int fd, const std::string& line) {
  std::string whole = line;
  whole += '\n';
  ssize_t n;
  do {
    n = ::write(fd, whole.data(), whole.size());
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(whole.size());
}
}  // namespace

bool LogFile::open(const std::string& path) {
  close();
  fd_ = openAppend(path);
  return fd_ >= 0;
}

bool LogFile::write(const std::string& line) { return fd_ >= 0 && writeLine(fd_, line); }

void LogFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool LogFile::appendOnce(const std::string& path, const std::string& line) {
  const int fd = openAppend(path);
  if (fd < 0) return false;
  const bool ok = writeLine(fd, line);
  ::close(fd);
  return ok;
}

}  // namespace tarvo
