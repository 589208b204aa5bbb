#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/letter_case.h"

namespace tarvo::settings {

// Finds the first of a run of names by hash in one flat table: one memory
// access per look-up and no allocation per name, so keys with millions of
// values index in linear time. The names themselves stay with the caller,
// who hands them out by position; at most `capacity` names can be added.
template <bool CaseBlind>
class NameIndex {
 public:
  explicit NameIndex(std::size_t capacity) {
    std::size_t size = 16;
    while (size < capacity * 2) size *= 2;
    slots_.assign(size, Slot{0, kEmpty});
  }

  // The position of the first name recorded equal to `name`; when there is
  // none, `position` is recorded for it and returned.
  template <typename NameAt>
  std::size_t firstOrAdd(std::string_view name, std::size_t position, NameAt nameAt) {
    const std::uint64_t h = hash(name);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(h) & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.position == kEmpty) {
        slot = Slot{h, position};
        return position;
      }
      if (slot.hash == h && same(nameAt(slot.position), name)) return slot.position;
    }
  }

 private:
  static constexpr std::size_t kEmpty = ~std::size_t{0};
  struct Slot {
    std::uint64_t hash;
    std::size_t position;
  };
  std::vector<Slot> slots_;

  static char fold(char c) { return CaseBlind ? asciiLower(c) : c; }
  static std::uint64_t hash(std::string_view name) {
    std::uint64_t h = 14695981039346656037u;
    for (char c : name) h = (h ^ static_cast<unsigned char>(fold(c))) * 1099511628211u;
    // Mix the high bits down: the table uses the low ones.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdu;
    h ^= h >> 33;
    return h;
  }
  static bool same(std::string_view a, std::string_view b) {
    return CaseBlind ? sameIgnoringAsciiCase(a, b) : a == b;
  }
};

}  // namespace tarvo::settings
