#include "ping/ping_settings.h"

namespace tarvo {

PingSnapshot pingSnapshotFrom(const settings::Settings& s) {
  using namespace settings;
  PingSnapshot snap;
  snap.host = s.hostText;
  snap.count = kPingCountRule.hold(s.pingCount);
  snap.waitMs = kPingWaitRule.hold(s.pingWaitMs);
  snap.delayMs = kPingDelayRule.hold(s.pingDelayMs);
  snap.dataSize = static_cast<std::uint16_t>(kPingDataBytesRule.hold(s.pingDataBytes));
  snap.ttl = static_cast<std::uint8_t>(kTtlRule.hold(s.ttl));
  snap.tos = static_cast<std::uint8_t>(kTosRule.hold(s.tos));
  snap.dontFragment = s.dontFragment;
  snap.routerAlert = s.routerAlert && !s.dontFragment;  // the two exclude each other
  snap.resolveNames = s.resolveNames;
  snap.audible = s.audible;
  snap.family = familyPreferenceAt(kAddressFamilyRule.hold(s.addressFamily));
  return snap;
}

}  // namespace tarvo
