#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

// One line of the watch list: its text exactly as entered or loaded.
struct WatchItem {
  std::string text;
  bool checked = true;

  bool operator==(const WatchItem&) const = default;
};

// Position of the first item equal to `text` (case ignored), if any.
std::optional<std::size_t> findWatchItem(const std::vector<WatchItem>& items,
                                         const std::string& text);

// The four values of a dotted address written in plain decimal, each
// 0..255; anything else (three or five fields, 256, letters, an empty
// field) is a host name.
std::optional<std::array<int, 4>> watchAddressFields(const std::string& text);

// Addresses first, in numeric order and written without leading zeros,
// then names in the locale's order with case ignored; check states stay
// with their items, and among equal texts checked ones come last.
std::vector<WatchItem> sortedWatchList(const std::vector<WatchItem>& items);

// The left status panel's text: empty for an empty list.
std::string watchCounterText(const std::vector<WatchItem>& items);

}  // namespace tarvo
