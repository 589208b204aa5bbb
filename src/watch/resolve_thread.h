#pragma once

#include <cstdint>
#include <string>

#include "base/thread_base.h"
#include "engine/resolver.h"
#include "watch/monitor_settings.h"
#include "watch/monitor_shared.h"

namespace tarvo {

// Looks one monitored host up once: a name forward (its address goes into
// the host's hostText slot, where the worker waits for it), an address in
// reverse. Both kinds leave a caption "name (address)" for the graph and
// end with a state code in the host's resolve slot. Created, stopped,
// awaited and deleted by the controller.
class TResolveTh : public ThreadBase {
 public:
  // The lookup text of a stand-in resolver that holds a host's place during
  // start-up and does nothing.
  static constexpr const char* kPlaceholder = "_DUMMY_";

  TResolveTh(std::string lookupText, std::size_t index, ResolveMode mode, MonitorShared& shared,
             const Resolver& resolver);
  ~TResolveTh() override;

  // What stands in the caption where a look-up failed: "..." while
  // continuous resolution will try again, "--" otherwise.
  static const char* failMarker(ResolveMode mode) {
    return mode == ResolveMode::Continuous ? "..." : "--";
  }

 protected:
  void execute() override;

 private:
  void finish(const std::string& caption, int state);

  std::string lookupText_;
  std::size_t index_;
  ResolveMode mode_;
  MonitorShared& shared_;
  const Resolver& resolver_;
};

}  // namespace tarvo
