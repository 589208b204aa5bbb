#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace tarvo {

// Whether a watched host is answering, as judged from its recent results.
enum class HostState { Unknown, Up, Down };

// "unknown", "up" or "down".
const char* hostStateName(HostState state);

// How many results in a row it takes to call a host down or up again.
struct StateThresholds {
  int downAfter = 3;  // consecutive time-outs
  int upAfter = 1;    // consecutive replies
};

// One change of a host's state.
struct StateChange {
  HostState from = HostState::Unknown;
  HostState to = HostState::Unknown;
  // Worth telling the user: every change except a host's first "up". A host
  // that answers from the start was never missed; one that never answered
  // is reported down once it has missed the threshold.
  bool notice() const { return from != HostState::Unknown || to == HostState::Down; }
};

// The up / down judgement of one host, fed each of its results in order.
// A host starts Unknown. It is Down after `downAfter` time-outs in a row
// and Up after `upAfter` replies in a row; anything shorter (a host that
// flaps) leaves the state as it is.
class HostStateTracker {
 public:
  explicit HostStateTracker(StateThresholds thresholds = {});

  // Feeds one result; returns the change it made, if any.
  std::optional<StateChange> feed(bool replied);
  HostState state() const { return state_; }

 private:
  StateThresholds thresholds_;
  HostState state_ = HostState::Unknown;
  int replies_ = 0;   // consecutive, up to the last result
  int timeouts_ = 0;  // consecutive, up to the last result
};

// "127.0.0.1 is down" or "127.0.0.1 is up again".
std::string stateNoticeText(const std::string& address, HostState state);

// "hh:nn:ss" of a wall-clock time, in local time.
std::string clockText(std::chrono::system_clock::time_point time);

// "hh:nn:ss 127.0.0.1 is down": the notice with the time of the change.
std::string stateNoticeLine(std::chrono::system_clock::time_point time, const std::string& address,
                            HostState state);

}  // namespace tarvo
