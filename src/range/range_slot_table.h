#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/round_trip_stats.h"

namespace tarvo {

// Result codes of a range slot.
namespace range_code {
constexpr std::int32_t kPending = 100;          // no worker yet
constexpr std::int32_t kRunning = 101;          // worker started, no result yet
constexpr std::int32_t kNotReached = 102;       // no successful reply, or set-up failed
constexpr std::int32_t kReached = 103;          // at least one successful reply
constexpr std::int32_t kNetwork = 107;          // network address, not pinged
constexpr std::int32_t kBroadcast = 108;        // broadcast address, not pinged
constexpr std::int32_t kNoBuffers = 109;        // the slot's buffers could not be allocated
constexpr std::int32_t kNoThread = 110;         // the slot's worker could not be created
constexpr std::int32_t kStoppedStarting = 111;  // stopped while the worker was starting
}  // namespace range_code

// A worker's final answer: the controller may take the slot.
inline bool isFinalRangeCode(std::int32_t code) {
  return code == range_code::kNotReached || code == range_code::kReached ||
         code == range_code::kNetwork || code == range_code::kBroadcast;
}

// What one address came to, as data: kept only for a front end that reports
// results that way, beside the line that shows them.
struct RangeOutcome {
  std::int32_t code = range_code::kRunning;  // the slot's final code
  RoundTripStats stats;
  std::uint16_t replyBytes = 0;  // data bytes of the last reply
  std::uint8_t replyTtl = 0;     // TTL of the last reply
  // IP status of the last request; none when no request was sent.
  std::optional<std::uint32_t> lastStatus;
  std::string text;  // the line's text after the address
};

// The per-run tables shared by the range controller and its workers, indexed
// by slot number 1..total (entry 0 is never used). Each table has its own
// lock, held only for one read or one copy; no code ever holds two of them,
// so there is no lock order.
//
// Workers write only their own slot's line and code; the controller owns
// the addresses and frees a slot's texts only after its worker has ended.
class RangeSlotTable {
 public:
  // Every code starts as pending. With keepOutcomes each slot also keeps
  // its outcome as data. Throws std::bad_alloc when the tables cannot be had.
  explicit RangeSlotTable(std::uint32_t total, bool keepOutcomes = false);

  std::uint32_t total() const { return total_; }
  bool keepsOutcomes() const { return !outcomes_.empty(); }

  // The worker's only way to report: the line is in place before the code
  // changes, so whoever reads a final code may then read the line.
  void publish(std::uint32_t slot, std::int32_t code, std::string line);

  std::int32_t code(std::uint32_t slot);
  void setCode(std::uint32_t slot, std::int32_t code);
  // Blocks until the slot holds a final code, or until timeoutMs has passed;
  // returns the code then held.
  std::int32_t waitForFinal(std::uint32_t slot, std::uint32_t timeoutMs);

  // Takes the slot's line out of the table (empty afterwards).
  std::string takeLine(std::uint32_t slot);
  // As a worker's data, placed before its publish(); where outcomes are
  // kept. takeOutcome() leaves the slot's outcome empty.
  void publishOutcome(std::uint32_t slot, RangeOutcome outcome);
  RangeOutcome takeOutcome(std::uint32_t slot);
  void setAddress(std::uint32_t slot, const std::string& address);
  std::string address(std::uint32_t slot);
  // Releases the slot's line and address texts.
  void freeSlot(std::uint32_t slot);

  // The start handshake: a worker marks itself started once its first
  // result is published; the controller waits for that.
  void markStarted(bool& startedFlag);
  // True when the flag was set within timeoutMs.
  bool waitStarted(const bool& startedFlag, std::uint32_t timeoutMs);

 private:
  std::uint32_t total_;
  std::mutex codeLock_;
  std::mutex addressLock_;
  std::mutex lineLock_;
  std::mutex startLock_;
  std::condition_variable codeChanged_;   // with codeLock_
  std::condition_variable startChanged_;  // with startLock_
  std::uint32_t awaitedSlot_ = 0;         // slot the controller waits on (code lock), 0 none
  const bool* awaitedStart_ = nullptr;    // start the controller waits on (start lock)
  std::vector<std::int32_t> codes_;
  std::vector<std::string> addresses_;  // dotted texts fit the small-string buffer
  std::vector<std::string> lines_;      // empty until the worker writes its line
  std::vector<RangeOutcome> outcomes_;  // with the line lock; empty unless kept
};

}  // namespace tarvo
