#include "watch/host_state.h"

#include <algorithm>
#include <ctime>

namespace tarvo {

const char* hostStateName(HostState state) {
  switch (state) {
    case HostState::Up:
      return "up";
    case HostState::Down:
      return "down";
    default:
      return "unknown";
  }
}

HostStateTracker::HostStateTracker(StateThresholds thresholds) : thresholds_(thresholds) {
  // A threshold below one would change the state without any result.
  thresholds_.downAfter = std::max(1, thresholds_.downAfter);
  thresholds_.upAfter = std::max(1, thresholds_.upAfter);
}

std::optional<StateChange> HostStateTracker::feed(bool replied) {
  // The counters stop at their threshold, so a run of months never wraps.
  HostState next = state_;
  if (replied) {
    timeouts_ = 0;
    replies_ = std::min(replies_ + 1, thresholds_.upAfter);
    if (replies_ >= thresholds_.upAfter) next = HostState::Up;
  } else {
    replies_ = 0;
    timeouts_ = std::min(timeouts_ + 1, thresholds_.downAfter);
    if (timeouts_ >= thresholds_.downAfter) next = HostState::Down;
  }
  if (next == state_) return std::nullopt;
  const StateChange change{state_, next};
  state_ = next;
  return change;
}

std::string stateNoticeText(const std::string& address, HostState state) {
  return address + (state == HostState::Down ? " is down" : " is up again");
}

std::string clockText(std::chrono::system_clock::time_point time) {
  const std::time_t t = std::chrono::system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&t, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

std::string stateNoticeLine(std::chrono::system_clock::time_point time, const std::string& address,
                            HostState state) {
  return clockText(time) + " " + stateNoticeText(address, state);
}

}  // namespace tarvo
