#pragma once

#include <string>
#include <vector>

#include "cli/json_lines.h"
#include "history/history_types.h"

namespace tarvo::cli {

// The records of `tarvo-cli history --json`, one per line. Round trips are
// milliseconds, the loss a percentage and durations seconds, each to three
// decimals and a whole number where it is one; what there is none of is
// null, as is the address of a name that had none.
JsonObject historySummaryRecord(const history::Summary& summary);
// `lastSeen`: the host's last result, where an outage not over yet ends.
JsonObject historyOutageRecord(const history::HostKey& host, const history::Outage& outage,
                               history::TimeUs lastSeen);
JsonObject historyResultRecord(const history::HostKey& host, const history::Result& result);

// ISO 8601 UTC with milliseconds: "2026-12-07T14:00:00.123Z".
std::string isoUtcTime(history::TimeUs time);

// CSV (RFC 4180, CR LF line ends) of the same records: their field names but
// "type" as the header, then one line per record; a text is quoted where it
// holds a comma, a quote or a line end, and null is an empty field.
std::string csvHeader(const JsonObject& record);
std::string csvLine(const JsonObject& record);

// The text output: a header of column titles, then one line per record.
// Columns stand two blanks apart, texts to the left and numbers to the
// right; no line ends in blanks. Round trips in ms with three decimals,
// percentages and seconds with one, "-" where there is none.
class TextColumns {
 public:
  struct Column {
    std::string title;
    bool right = false;
  };
  explicit TextColumns(std::vector<Column> columns);
  // Widens the columns to hold these cells.
  void fit(const std::vector<std::string>& cells);
  std::string header() const;
  std::string line(const std::vector<std::string>& cells) const;

 private:
  std::vector<Column> columns_;
  std::vector<std::size_t> widths_;
};

TextColumns summaryColumns();
std::vector<std::string> summaryCells(const history::Summary& summary);
TextColumns outageColumns();
std::vector<std::string> outageCells(const history::HostKey& host, const history::Outage& outage,
                                     history::TimeUs lastSeen);
TextColumns resultColumns();
std::vector<std::string> resultCells(const history::HostKey& host, const history::Result& result);

}  // namespace tarvo::cli
