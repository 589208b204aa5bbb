#pragma once

#include <algorithm>
#include <cctype>
#include <string_view>

// "The same in any letter case" has two meanings here, one rule each.
namespace tarvo {

// Names the program defines and stores (keys and values of the settings
// file): only the ASCII letters fold, whatever the locale, so a file reads
// the same for every user.
constexpr char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

// Texts the user types (hosts of the history, names of programs): every byte
// folds as the C library's locale (LC_CTYPE) folds it. In the UTF-8 locales
// that is the ASCII fold, except where a locale has its own rule for "I".
inline bool sameIgnoringLocaleCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::tolower(x) == std::tolower(y);
  });
}

}  // namespace tarvo
