#include "cli/cli_defaults.h"

#include "base/typed_number.h"
#include "settings/registry_store.h"
#include "settings/settings.h"

namespace tarvo::cli {

namespace {

// The window shows a stored number in its field and repairs the field's
// text when a run starts; the console takes the same road.
std::uint32_t asFieldUnsigned(std::uint32_t stored, std::uint32_t defaultValue, std::uint32_t lo,
                              std::uint32_t hi) {
  return repairUnsigned(std::to_string(stored), defaultValue, lo, hi).value;
}

}  // namespace

CliDefaults cliDefaultsFrom(const settings::Settings& s) {
  CliDefaults d;
  d.host = s.hostText;
  d.pingCount = asFieldUnsigned(s.countp, 4, 0, 65535);
  d.pingWaitMs = asFieldUnsigned(s.waitp, 1000, 1, 65535);
  d.pingDelayMs = asFieldUnsigned(s.delayp, 1000, 1, 65535);
  d.pingDataBytes = asFieldUnsigned(s.bytesp, 32, 18, 65500);
  d.ttl = static_cast<std::uint8_t>(s.ttl);
  d.tos = static_cast<std::uint8_t>(s.tos);
  d.dontFragment = s.dontFragment;
  d.routerAlert = s.routerAlert && !s.dontFragment;
  d.resolveNames = s.resolveNames;
  d.audible = s.audible;
  d.rangeCount = asFieldUnsigned(s.countr, 1, 1, 65535);
  d.rangeWaitMs = asFieldUnsigned(s.waitr, 1000, 1, 65535);
  d.rangeDelayMs = asFieldUnsigned(s.delayr, 1000, 1, 65535);
  d.rangeDataBytes = asFieldUnsigned(s.bytesr, 32, 18, 65500);
  d.netMaskBits = s.netMaskBits;
  d.dontPingNet = s.dontPingNet;
  d.dontBroadcast = s.dontBroadcast;
  d.breakSoon = s.breakSoon;
  d.burstMode = s.burstMode;
  d.showReached = s.showReached;
  d.showNotReached = s.showNotReached;
  d.traceHost = s.traceHost;
  d.maxHops = static_cast<std::int32_t>(repairSigned(std::to_string(s.maxHops), 30, 1, 255).value);
  d.traceWait = asFieldUnsigned(s.traceWait, 1000, 10, 65535);
  d.traceResolveNames = s.traceResolveNames;
  return d;
}

CliDefaults loadCliDefaults() {
  // Reading only: the console never writes the store outside `settings --save`.
  const settings::RegistryStore store;
  settings::Settings s;
  if (!settings::loadSettings(store, s)) settings::applyFallbackDefaults(s);
  return cliDefaultsFrom(s);
}

}  // namespace tarvo::cli
