#pragma once

#include <span>
#include <string>

#include "history/history_types.h"
#include "ui/history_graph_model.h"

namespace tarvo::ui {

// What the pointer is over in a history graph: "14:03:27  23.4 ms" or
// "14:03:27  lost" for one result; for more, the column's time span with
// min / avg / max and how many were lost. Local time, with the date once
// the view is longer than a day. Empty for a column without results.
std::string historyColumnText(const HistoryGraphModel& model, std::size_t column);

// A host's statistics for a range: sent and loss, the round trips, and the
// outages with the last ten of them listed (start, end, duration).
// `lastSeen` ends an outage that is still going on.
std::string historySummaryText(const history::Summary& summary,
                               std::span<const history::Outage> outages, history::TimeUs lastSeen);

// A duration as "1 d 02:03:04", the days only when there are any.
std::string durationText(double seconds);

// Results as CSV lines (CR LF), after a header: the time in ISO 8601 UTC
// with microseconds, the item, the address, the round trip in ms (empty
// without a reply) and the echo status.
std::string historyCsv(const history::HostKey& host, std::span<const history::Result> results);

}  // namespace tarvo::ui
