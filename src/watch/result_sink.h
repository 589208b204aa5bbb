#pragma once

#include <string>

#include "watch/host_state.h"
#include "watch/watch_log.h"

namespace tarvo {

// Where a monitor's results go besides its graphs (the history, the
// metrics). Called by the monitor's controller for every result, in each
// host's order; it must return at once, so it may not wait for a file.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  // `address` is what the host was pinged at; empty while a name has none.
  virtual void record(const std::string& item, const std::string& address,
                      const WatchResult& result) = 0;
  // The host went up or down (see HostStateTracker), with the result just
  // recorded.
  virtual void stateChanged(const std::string& /*item*/, const std::string& /*address*/,
                            HostState /*state*/) {}
  // The host's graph has a new caption (its look-up finished).
  virtual void captionChanged(const std::string& /*item*/, const std::string& /*caption*/) {}
};

}  // namespace tarvo
