#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/detached_call.h"
#include "base/thread_base.h"
#include "engine/resolver.h"
#include "watch/monitor_settings.h"
#include "watch/monitor_shared.h"

namespace tarvo {

// Looks one monitored host up once: a name forward (its address goes into
// the host's hostText slot, where the worker waits for it), an address in
// reverse. Both kinds leave a caption "name (address)" for the graph and
// end with their state in the host's resolve slot. Created, stopped,
// awaited and deleted by the controller.
//
// The look-up itself runs on a thread of its own that owns copies of what
// it needs, so a stop never waits for a name service that does not answer:
// the resolver ends at once and the late answer is dropped.
class TResolveTh : public ThreadBase {
 public:
  // The lookup text of a stand-in resolver that holds a host's place during
  // start-up and does nothing.
  static constexpr const char* kPlaceholder = "_DUMMY_";

  TResolveTh(std::string lookupText, std::size_t index, ResolveMode mode, FamilyPreference family,
             MonitorShared& shared, const Resolver& resolver);
  ~TResolveTh() override;

  // What stands in the caption where a look-up failed: "..." while
  // continuous resolution will try again, "--" otherwise.
  static const char* failMarker(ResolveMode mode) {
    return mode == ResolveMode::Continuous ? "..." : "--";
  }

 protected:
  void execute() override;

 private:
  void finish(const std::string& caption, ResolveState state);
  // The entry found, nothing when the look-up found nothing; no value at
  // all when it was stopped first or could not be made (the state says so).
  std::optional<std::optional<HostEntry>> lookUp(std::function<std::optional<HostEntry>()> call);

  std::string lookupText_;
  std::size_t index_;
  ResolveMode mode_;
  FamilyPreference family_;  // which address of a name is watched
  MonitorShared& shared_;
  const Resolver& resolver_;
  DetachedCall<std::optional<HostEntry>> call_;
};

}  // namespace tarvo
