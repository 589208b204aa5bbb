#include "watch/watch_items.h"

#include <algorithm>
#include <cstdio>

#include "base/octets.h"
#include "watch/watch_list.h"

namespace tarvo {

std::optional<std::size_t> findWatchItem(const std::vector<WatchItem>& items,
                                         const std::string& text) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (sameWatchItem(items[i].text, text)) return i;
  }
  return std::nullopt;
}

std::optional<std::array<int, 4>> watchAddressFields(const std::string& text) {
  return parseOctets(text, DottedParts::Decimal);
}

std::vector<WatchItem> sortedWatchList(const std::vector<WatchItem>& items) {
  // Each item becomes its key (twelve digits for an address, the text for a
  // name) followed by its check digit, so equal keys order by check state.
  struct Keyed {
    std::string key;
    WatchItem item;
  };
  std::vector<Keyed> addresses;
  std::vector<Keyed> names;
  for (const WatchItem& item : items) {
    const char digit = item.checked ? '1' : '0';
    if (auto fields = watchAddressFields(item.text)) {
      char key[16];
      std::snprintf(key, sizeof key, "%03d%03d%03d%03d", (*fields)[0], (*fields)[1], (*fields)[2],
                    (*fields)[3]);
      addresses.push_back({std::string(key) + digit, {formatOctets(*fields), item.checked}});
    } else {
      names.push_back({item.text + digit, item});
    }
  }
  auto byKey = [](const Keyed& a, const Keyed& b) { return compareWatchItems(a.key, b.key) < 0; };
  std::stable_sort(addresses.begin(), addresses.end(), byKey);
  std::stable_sort(names.begin(), names.end(), byKey);
  std::vector<WatchItem> out;
  out.reserve(items.size());
  for (const Keyed& k : addresses) out.push_back(k.item);
  for (const Keyed& k : names) out.push_back(k.item);
  return out;
}

std::string watchCounterText(const std::vector<WatchItem>& items) {
  if (items.empty()) return {};
  const auto checked = static_cast<std::size_t>(
      std::count_if(items.begin(), items.end(), [](const WatchItem& i) { return i.checked; }));
  return "  Watch List (Total/Checked/Unchecked): " + std::to_string(items.size()) + "/" +
         std::to_string(checked) + "/" + std::to_string(items.size() - checked);
}

}  // namespace tarvo
