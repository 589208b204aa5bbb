#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/echo_types.h"

namespace tarvo {

// Result codes of one hop slot. The hop worker writes 201, 202, 203, 205 and
// 206; the controller writes 200, 204, 209 and 210.
namespace hopcode {
constexpr std::uint32_t kPending = 200;       // not started yet
constexpr std::uint32_t kRunning = 201;       // worker started, nothing to show yet
constexpr std::uint32_t kEndingError = 202;   // an answer that ends the trace
constexpr std::uint32_t kReached = 203;       // the destination answered
constexpr std::uint32_t kShown = 204;         // partial line already shown
constexpr std::uint32_t kChanged = 205;       // partial line changed since shown
constexpr std::uint32_t kFinished = 206;      // hop done, the trace goes on
constexpr std::uint32_t kNoLineBuffer = 209;  // the hop's line could not be allocated
constexpr std::uint32_t kNoWorker = 210;      // the hop's worker could not be created
}  // namespace hopcode

// What one finished hop came to, as data, for a front end that reports
// results that way beside the hop's line.
struct TraceHopOutcome {
  std::vector<std::optional<std::uint64_t>> roundTripsUs;  // µs per probe sent; none: no answer
  std::optional<IpAddress> router;                         // who answered last
  std::string name;                                        // its reverse name, if looked up
  std::optional<std::uint32_t> status;                     // IP status the line shows
  std::string text;                                        // the line's status or message text
  bool probed = false;                                     // false: set-up failed or Break
};

// Per-run tables of one traceroute: the line and the code of every hop,
// indexed by hop number from 1 (slot 0 stays unused). The hop workers write
// their own slot, the controller reads the lowest uncollected one. Lines and
// codes have a lock each, and nobody ever holds both: a worker publishes its
// line first and then the code that announces it, so whoever sees the code
// finds the line already in place.
class TraceHopTable {
 public:
  // All codes start as 200 and no hop has a line buffer.
  explicit TraceHopTable(std::uint32_t maxHops);

  std::uint32_t maxHops() const { return maxHops_; }

  void setCode(std::uint32_t hop, std::uint32_t code);
  std::uint32_t code(std::uint32_t hop) const;
  // Reads the code for showing it: a 205 becomes 204 (the change is being
  // shown now) and 205 is returned.
  std::uint32_t takeCodeForShowing(std::uint32_t hop);

  // Gives the hop an empty line buffer; false when memory runs out.
  bool allocateLine(std::uint32_t hop);
  // Replaces the hop's line text. A hop whose buffer was freed (its worker
  // is being discarded) keeps none.
  void publishLine(std::uint32_t hop, const std::string& text);
  std::string line(std::uint32_t hop) const;
  void freeLine(std::uint32_t hop);

  // A worker's data on its hop, placed before the final code.
  void publishOutcome(std::uint32_t hop, TraceHopOutcome outcome);
  TraceHopOutcome outcome(std::uint32_t hop) const;

 private:
  std::uint32_t maxHops_;
  mutable std::mutex codeLock_;
  mutable std::mutex lineLock_;
  std::vector<std::uint32_t> codes_;
  std::vector<std::optional<std::string>> lines_;
  std::vector<TraceHopOutcome> outcomes_;  // with the line lock
};

}  // namespace tarvo
