#pragma once

#include <string>
#include <vector>

#include "watch/watch_items.h"

namespace tarvo::ui {

// The watch list with its checks, kept between runs of the window in
// ${XDG_STATE_HOME:-~/.local/state}/Tarvo/watch-list.json as
// {"items":[{"text":"...","checked":true},...]}.
std::string keptWatchListPath();

struct KeptWatchList {
  std::vector<WatchItem> items;  // without duplicates by the list's own rule
  std::string problem;           // why a file there was not read; empty when read or missing
};
KeptWatchList readKeptWatchList(const std::string& path);

// Replaces the file whole (see settings::writeFileAtomically), making its
// folder (mode 0700) when missing. Empty when done, otherwise why not.
std::string writeKeptWatchList(const std::string& path, const std::vector<WatchItem>& items);

}  // namespace tarvo::ui
