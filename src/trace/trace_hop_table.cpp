#include "trace/trace_hop_table.h"

#include <new>

namespace tarvo {

TraceHopTable::TraceHopTable(std::uint32_t maxHops)
    : maxHops_(maxHops),
      codes_(maxHops + 1, hopcode::kPending),
      lines_(maxHops + 1),
      outcomes_(maxHops + 1) {}

void TraceHopTable::setCode(std::uint32_t hop, std::uint32_t code) {
  std::lock_guard<std::mutex> lock(codeLock_);
  codes_.at(hop) = code;
}

std::uint32_t TraceHopTable::code(std::uint32_t hop) const {
  std::lock_guard<std::mutex> lock(codeLock_);
  return codes_.at(hop);
}

std::uint32_t TraceHopTable::takeCodeForShowing(std::uint32_t hop) {
  std::lock_guard<std::mutex> lock(codeLock_);
  const std::uint32_t code = codes_.at(hop);
  if (code == hopcode::kChanged) codes_[hop] = hopcode::kShown;
  return code;
}

bool TraceHopTable::allocateLine(std::uint32_t hop) {
  std::lock_guard<std::mutex> lock(lineLock_);
  try {
    lines_.at(hop).emplace();
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void TraceHopTable::publishLine(std::uint32_t hop, const std::string& text) {
  std::lock_guard<std::mutex> lock(lineLock_);
  auto& slot = lines_.at(hop);
  if (!slot) return;
  try {
    *slot = text;
  } catch (const std::bad_alloc&) {
    // The previous text stays; the code that follows still announces a line.
  }
}

std::string TraceHopTable::line(std::uint32_t hop) const {
  std::lock_guard<std::mutex> lock(lineLock_);
  const auto& slot = lines_.at(hop);
  return slot ? *slot : std::string();
}

void TraceHopTable::freeLine(std::uint32_t hop) {
  std::lock_guard<std::mutex> lock(lineLock_);
  lines_.at(hop).reset();
}

void TraceHopTable::publishOutcome(std::uint32_t hop, TraceHopOutcome outcome) {
  std::lock_guard<std::mutex> lock(lineLock_);
  outcomes_.at(hop) = std::move(outcome);  // moved: nothing to allocate
}

TraceHopOutcome TraceHopTable::outcome(std::uint32_t hop) const {
  std::lock_guard<std::mutex> lock(lineLock_);
  return outcomes_.at(hop);
}

}  // namespace tarvo
