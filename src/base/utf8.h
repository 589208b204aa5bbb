#pragma once

#include <cstddef>
#include <string_view>

namespace tarvo {

// Length of the well-formed UTF-8 sequence at text[i], or 0. Overlong forms,
// encoded surrogates and code points past U+10FFFF are not well-formed: a
// reader that took them would see text that differs from what a strict
// decoder (a terminal, the toolkit) shows.
inline std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  const std::size_t n = b < 0x80                 ? 1
                        : b >= 0xC2 && b <= 0xDF ? 2
                        : (b & 0xF0) == 0xE0     ? 3
                        : b >= 0xF0 && b <= 0xF4 ? 4
                                                 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  // The second byte's range narrows after these leads.
  const auto second = n > 1 ? static_cast<unsigned char>(text[i + 1]) : 0;
  if ((b == 0xE0 && second < 0xA0) || (b == 0xED && second > 0x9F) ||
      (b == 0xF0 && second < 0x90) || (b == 0xF4 && second > 0x8F)) {
    return 0;
  }
  for (std::size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

}  // namespace tarvo
