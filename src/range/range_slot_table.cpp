#include "range/range_slot_table.h"

#include <chrono>

namespace tarvo {

RangeSlotTable::RangeSlotTable(std::uint32_t total, bool keepOutcomes)
    : total_(total),
      codes_(std::size_t{total} + 1, range_code::kPending),
      addresses_(std::size_t{total} + 1),
      lines_(std::size_t{total} + 1),
      outcomes_(keepOutcomes ? std::size_t{total} + 1 : 0) {}

void RangeSlotTable::publish(std::uint32_t slot, std::int32_t code, std::string line) {
  {
    std::lock_guard<std::mutex> lock(lineLock_);
    lines_[slot].swap(line);
  }
  // The old text (now in line) is released outside the lock.
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(codeLock_);
    codes_[slot] = code;
    wake = awaitedSlot_ == slot;
  }
  if (wake) codeChanged_.notify_one();
}

std::int32_t RangeSlotTable::code(std::uint32_t slot) {
  std::lock_guard<std::mutex> lock(codeLock_);
  return codes_[slot];
}

void RangeSlotTable::setCode(std::uint32_t slot, std::int32_t code) {
  std::lock_guard<std::mutex> lock(codeLock_);
  codes_[slot] = code;
}

std::int32_t RangeSlotTable::waitForFinal(std::uint32_t slot, std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(codeLock_);
  awaitedSlot_ = slot;
  codeChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [&] { return isFinalRangeCode(codes_[slot]); });
  awaitedSlot_ = 0;
  return codes_[slot];
}

std::string RangeSlotTable::takeLine(std::uint32_t slot) {
  std::string out;
  std::lock_guard<std::mutex> lock(lineLock_);
  out.swap(lines_[slot]);
  return out;
}

void RangeSlotTable::publishOutcome(std::uint32_t slot, RangeOutcome outcome) {
  if (outcomes_.empty()) return;
  std::lock_guard<std::mutex> lock(lineLock_);
  outcomes_[slot] = std::move(outcome);
}

RangeOutcome RangeSlotTable::takeOutcome(std::uint32_t slot) {
  RangeOutcome out;
  if (outcomes_.empty()) return out;
  std::lock_guard<std::mutex> lock(lineLock_);
  std::swap(out, outcomes_[slot]);
  return out;
}

void RangeSlotTable::setAddress(std::uint32_t slot, const std::string& address) {
  std::lock_guard<std::mutex> lock(addressLock_);
  addresses_[slot] = address;
}

std::string RangeSlotTable::address(std::uint32_t slot) {
  std::lock_guard<std::mutex> lock(addressLock_);
  return addresses_[slot];
}

void RangeSlotTable::freeSlot(std::uint32_t slot) {
  std::string line;
  std::string address;
  RangeOutcome outcome;
  {
    std::lock_guard<std::mutex> lock(lineLock_);
    line.swap(lines_[slot]);
    if (!outcomes_.empty()) std::swap(outcome, outcomes_[slot]);
  }
  {
    std::lock_guard<std::mutex> lock(addressLock_);
    address.swap(addresses_[slot]);
  }
}

void RangeSlotTable::markStarted(bool& startedFlag) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(startLock_);
    startedFlag = true;
    // Only the start the controller waits for wakes it.
    wake = awaitedStart_ == &startedFlag;
  }
  if (wake) startChanged_.notify_one();
}

bool RangeSlotTable::waitStarted(const bool& startedFlag, std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(startLock_);
  awaitedStart_ = &startedFlag;
  const bool started = startChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                              [&] { return startedFlag; });
  awaitedStart_ = nullptr;
  return started;
}

}  // namespace tarvo
