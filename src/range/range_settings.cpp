#include "range/range_settings.h"

namespace tarvo {

RangeSnapshot rangeSnapshotFrom(const settings::Settings& s, const RangeInput& input) {
  using namespace settings;
  RangeSnapshot snap;
  snap.input = input;
  snap.netMaskBits = kNetMaskBitsRule.hold(s.netMaskBits);
  snap.count = kRangeCountRule.hold(s.rangeCount);
  snap.waitMs = kRangeWaitRule.hold(s.rangeWaitMs);
  snap.delayMs = kRangeDelayRule.hold(s.rangeDelayMs);
  snap.dataSize = static_cast<std::uint16_t>(kRangeDataBytesRule.hold(s.rangeDataBytes));
  snap.skipNetwork = s.dontPingNet;
  snap.skipBroadcast = s.dontBroadcast;
  snap.stopSoonOnBreak = s.breakSoon;
  snap.showReached = s.showReached;
  snap.showNotReached = s.showNotReached;
  snap.burstMode = s.burstMode;
  return snap;
}

}  // namespace tarvo
