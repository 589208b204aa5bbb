#include "watch/watch_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <cwctype>
#include <set>

#include "base/utf8.h"

namespace tarvo {

namespace {

// Windows-1252 bytes 0x80..0x9F; the others of 0xA0..0xFF are Latin-1.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string toUtf8(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size();) {
    if (const std::size_t n = utf8SequenceLength(line, i)) {
      out.append(line.substr(i, n));
      i += n;
      continue;
    }
    const auto b = static_cast<unsigned char>(line[i++]);
    appendUtf8(out, b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char32_t>(b));
  }
  return out;
}

std::wstring folded(const std::string& text) {
  std::wstring out;
  std::mbstate_t state{};
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    wchar_t wc = 0;
    std::size_t n = std::mbrtowc(&wc, p, static_cast<std::size_t>(end - p), &state);
    if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
      // Not text of this locale: the byte stands for itself.
      wc = static_cast<wchar_t>(static_cast<unsigned char>(*p));
      n = 1;
      state = std::mbstate_t{};
    } else if (n == 0) {
      n = 1;
    }
    out += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(wc)));
    p += n;
  }
  return out;
}

}  // namespace

std::vector<std::string> parseWatchList(std::string_view bytes) {
  if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
    bytes = bytes.substr(0, nul);
  }
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    lines.push_back(toUtf8(bytes.substr(start, i - start)));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.push_back(toUtf8(bytes.substr(start)));
  return lines;
}

bool sameWatchItem(const std::string& a, const std::string& b) { return folded(a) == folded(b); }

int compareWatchItems(const std::string& a, const std::string& b) {
  return std::wcscoll(folded(a).c_str(), folded(b).c_str());
}

void mergeWatchList(std::vector<std::string>& items, const std::vector<std::string>& more) {
  std::set<std::wstring> known;
  for (const std::string& item : items) known.insert(folded(item));
  for (const std::string& text : more) {
    if (known.insert(folded(text)).second) items.push_back(text);
  }
}

WatchListRead readWatchListFile(const std::string& path, std::string& bytes, int* error) {
  bytes.clear();
  int ignored = 0;
  int& err = error != nullptr ? *error : ignored;
  err = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    err = errno;
    return WatchListRead::Unreadable;
  }
  struct stat st {};
  WatchListRead result = WatchListRead::Ok;
  if (::fstat(fd, &st) != 0) {
    err = errno;
    result = WatchListRead::Unreadable;
  } else if (!S_ISREG(st.st_mode)) {
    result = WatchListRead::NotRegularFile;
  }
  char chunk[1 << 16];
  while (result == WatchListRead::Ok) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      err = errno;
      result = WatchListRead::Unreadable;
      break;
    }
    if (n == 0) break;
    const std::string_view got(chunk, static_cast<std::size_t>(n));
    const std::size_t nul = got.find('\0');
    if (bytes.size() + std::min(nul, got.size()) > kMaxWatchListBytes) {
      result = WatchListRead::TooLarge;
      break;
    }
    bytes.append(got.substr(0, nul));
    if (nul != std::string_view::npos) break;
  }
  ::close(fd);
  if (result != WatchListRead::Ok) bytes.clear();
  return result;
}

}  // namespace tarvo
