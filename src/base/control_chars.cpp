#include "base/control_chars.h"

#include "base/utf8.h"

namespace tarvo {

namespace {

// One character of the text, or one byte that is no part of well-formed
// UTF-8, and whether a terminal would obey it: a C0 control or DEL, a C1
// control in UTF-8 (0xC2 then 0x80..0x9F), or a stray byte 0x80..0x9F, which
// a terminal reading 8-bit text takes as a C1 control (0x9B starts an escape
// sequence, as ESC [ does).
struct Piece {
  std::size_t length;
  bool control;
};

Piece pieceAt(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) return {1, c < 0x20 || c == 0x7F};
  const std::size_t n = utf8SequenceLength(text, i);
  if (n == 0) return {1, c <= 0x9F};
  return {n, c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F};
}

void appendHex(std::string& out, unsigned char c) {
  static const char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[c >> 4];
  out += kDigits[c & 0x0F];
}

}  // namespace

bool hasControlChars(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const Piece piece = pieceAt(text, i);
    if (piece.control) return true;
    i += piece.length;
  }
  return false;
}

std::string escapeControlChars(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size();) {
    const Piece piece = pieceAt(text, i);
    for (std::size_t end = i + piece.length; i < end; ++i) {
      if (piece.control) {
        appendHex(out, static_cast<unsigned char>(text[i]));
      } else {
        out += text[i];
      }
    }
  }
  return out;
}

}  // namespace tarvo
