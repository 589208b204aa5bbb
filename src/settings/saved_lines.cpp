#include "settings/saved_lines.h"

#include <array>
#include <optional>

namespace tarvo::settings {
namespace {

// The code points of Windows-1252's bytes 0x80 to 0x9F; 0 where the byte
// has no character.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::optional<unsigned char> windows1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

// Appends the Windows-1252 form of the UTF-8 text; false when a character
// has none or the text is not well-formed UTF-8.
bool appendWindows1252(const std::string& text, std::string& out) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto lead = static_cast<unsigned char>(text[i]);
    int extra = lead < 0x80             ? 0
                : (lead & 0xE0) == 0xC0 ? 1
                : (lead & 0xF0) == 0xE0 ? 2
                : (lead & 0xF8) == 0xF0 ? 3
                                        : -1;
    if (extra < 0) return false;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= text.size()) return false;
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    auto byte = windows1252(c);
    if (!byte) return false;
    out.push_back(static_cast<char>(*byte));
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::string savedLinesBytes(const std::vector<std::string>& lines) {
  std::string out;
  bool narrow = true;
  for (const std::string& line : lines) {
    if (!appendWindows1252(line, out)) {
      narrow = false;
      break;
    }
    out += "\r\n";
  }
  if (narrow) return out;
  out.clear();
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

}  // namespace tarvo::settings
