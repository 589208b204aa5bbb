#include "trace/trace_settings.h"

namespace tarvo {

TraceSnapshot traceSnapshotFrom(const settings::Settings& s) {
  using namespace settings;
  TraceSnapshot snap;
  snap.host = s.traceHost;
  snap.maxHops = static_cast<std::uint32_t>(kMaxHopsRule.hold(s.maxHops));
  snap.waitMs = kTraceWaitRule.hold(s.traceWait);
  snap.resolveNames = s.traceResolveNames;
  snap.family = familyPreferenceAt(kAddressFamilyRule.hold(s.addressFamily));
  return snap;
}

}  // namespace tarvo
