#pragma once

#include <string>

#include "watch/watch_log.h"

namespace tarvo {

// Where a monitor's results go besides its graphs (the history). Called by
// the monitor's controller for every result, in each host's order; it must
// return at once, so it may not wait for a file.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  // `address` is what the host was pinged at; empty while a name has none.
  virtual void record(const std::string& item, const std::string& address,
                      const WatchResult& result) = 0;
};

}  // namespace tarvo
