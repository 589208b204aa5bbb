#include "watch/monitor_settings.h"

namespace tarvo {

MonitorSettings monitorSettingsFrom(const settings::Settings& s) {
  using namespace settings;
  MonitorSettings m;
  m.logPath = s.logPath.empty() ? defaultWatchLogPath() : s.logPath;
  m.logImmediate = s.logImmediate;
  m.logReplies = s.logReplies;
  m.logTimeouts = s.logTimeouts;
  m.logChangesOnly = s.logFlipFlop && !s.logReplies && !s.logTimeouts;
  m.stampSequence = s.icmpSequence;
  m.resolveMode = static_cast<ResolveMode>(kWatchResolveNamesRule.hold(s.watchResolveNames));
  m.penWidth = kPenWidthRule.hold(s.penWidth);
  m.ttl = static_cast<std::uint8_t>(kWatchTtlRule.hold(s.watchTtl));
  m.dataSize = static_cast<std::uint16_t>(kWatchBytesRule.hold(s.watchBytes));
  m.delayMs = kWatchDelayRule.hold(s.watchDelay);
  m.waitMs = kWatchWaitRule.hold(s.watchWait);
  m.thresholds.downAfter = kNotifyDownRule.hold(s.notifyDown);
  m.thresholds.upAfter = kNotifyUpRule.hold(s.notifyUp);
  m.notify = s.notify;
  m.notifySound = s.notifySound;
  m.family = familyPreferenceAt(kAddressFamilyRule.hold(s.addressFamily));
  return m;
}

}  // namespace tarvo
