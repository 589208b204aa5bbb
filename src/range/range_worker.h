#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/round_trip_stats.h"
#include "base/thread_base.h"
#include "engine/echo_service.h"
#include "engine/echo_types.h"
#include "range/range_slot_table.h"

namespace tarvo {

// What every worker of one run shares, owned by the controller, which
// outlives all its workers.
struct RangeWorkerSettings {
  int netMaskBits = 24;  // 16..31
  bool skipNetwork = true;
  bool skipBroadcast = true;
  std::uint32_t count = 1;         // echo requests per address; 0 = endless
  std::uint32_t waitMs = 1000;     // time-out of each request
  std::uint32_t delayMs = 1000;    // minimum interval between two requests
  std::uint16_t dataSize = 32;     // request data bytes
  EchoOptions options;             // ttl 60, tos 0, flags 0, no options area
  EchoServiceFactory echoFactory;  // one service per worker
};

// Pings one destination of a range `count` times and leaves one line and
// one result code in its slot of the run's tables. Never touches the view.
// Not self-freeing: the controller stops, waits for and deletes it.
class TPingrange : public ThreadBase {
 public:
  TPingrange(RangeSlotTable& table, std::uint32_t slot, std::string destination,
             std::uint32_t third, std::uint32_t fourth, const RangeWorkerSettings& settings);

  // True once the worker has published its first result (code 101).
  // Guarded by the table's start lock; see RangeSlotTable::waitStarted.
  const bool& startedFlag() const { return started_; }

 protected:
  void execute() override;

 private:
  void publish(std::int32_t code, const std::string& outcome);

  // What has come back so far, for the outcome kept as data.
  RoundTripStats stats_;
  std::uint16_t replyBytes_ = 0;
  std::uint8_t replyTtl_ = 0;
  std::optional<std::uint32_t> lastStatus_;

  RangeSlotTable& table_;
  const RangeWorkerSettings& settings_;
  std::uint32_t slot_;  // 1-based index into the run's tables
  std::string destination_;
  std::uint32_t third_;
  std::uint32_t fourth_;
  bool started_ = false;  // start lock
};

}  // namespace tarvo
