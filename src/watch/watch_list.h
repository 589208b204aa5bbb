#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The lines of a watch list file, each taken whole (blanks kept, no
// comments): a line ends at CR LF, LF or a lone CR, the last needs no end,
// and reading stops at the first NUL byte. Bytes that are not UTF-8 are read
// as Windows-1252, as older lists were written.
std::vector<std::string> parseWatchList(std::string_view bytes);

// Reading a list file: its lines end at the first NUL byte, so reading stops
// there; and past kMaxWatchListBytes a file is refused, so a file that grows
// without end does not fill the memory. Only a regular file is read: a FIFO
// or a device would block the reader or never end, and a folder holds no
// list. The open itself never waits.
inline constexpr std::size_t kMaxWatchListBytes = std::size_t{16} << 20;
enum class WatchListRead { Ok, TooLarge, NotRegularFile, Unreadable };
// The file's bytes before its first NUL go to `bytes`; none unless Ok.
// An Unreadable file's errno goes to `error` when given.
WatchListRead readWatchListFile(const std::string& path, std::string& bytes, int* error = nullptr);

// Equal under the user's locale with case ignored: Host1 and host1 are one
// item.
bool sameWatchItem(const std::string& a, const std::string& b);

// Orders two texts by the user's locale with case ignored (<0, 0, >0).
int compareWatchItems(const std::string& a, const std::string& b);

// Appends each text of `more` that `items` (as it grows) does not hold yet.
void mergeWatchList(std::vector<std::string>& items, const std::vector<std::string>& more);

}  // namespace tarvo
