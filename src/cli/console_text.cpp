#include "cli/console_text.h"

namespace tarvo::cli {

namespace {

bool isC0(unsigned char c) { return c < 0x20 || c == 0x7F; }

// A C1 control in UTF-8: 0xC2 followed by 0x80..0x9F.
bool isC1At(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]) == 0xC2 && i + 1 < text.size() &&
         static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
         static_cast<unsigned char>(text[i + 1]) <= 0x9F;
}

void appendHex(std::string& out, unsigned char c) {
  static const char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[c >> 4];
  out += kDigits[c & 0x0F];
}

}  // namespace

bool hasControlChars(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (isC0(static_cast<unsigned char>(text[i])) || isC1At(text, i)) return true;
  }
  return false;
}

std::string escapeControlChars(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (isC1At(text, i)) {
      appendHex(out, c);
      appendHex(out, static_cast<unsigned char>(text[++i]));
    } else if (isC0(c)) {
      appendHex(out, c);
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace tarvo::cli
