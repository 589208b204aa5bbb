#pragma once

#include <optional>
#include <string_view>

#include "history/history_types.h"

namespace tarvo::cli {

// A moment as `tarvo-cli history --since/--until` takes it:
// - a positive whole number and a unit s, m, h or d ("90s", "15m", "2h",
//   "7d"): that long before `now`;
// - an ISO 8601 time "2026-12-07T14:00:00Z" (seconds and their fraction may
//   be left out), with "Z" or an offset "+01:00" / "-05:00" for its zone, or
//   without one for the local time (the TZ zone);
// - a date alone "2026-12-07": the local midnight that starts it.
// Anything else, or a date or time that does not exist, is none.
std::optional<history::TimeUs> parseWhen(std::string_view text, history::TimeUs now);

}  // namespace tarvo::cli
