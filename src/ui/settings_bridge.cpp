#include "ui/settings_bridge.h"

#include "settings/registry_store.h"
#include "settings/settings.h"
#include "settings/settings_session.h"

namespace tarvo::ui {

WindowValues windowValuesFrom(const settings::Settings& s) {
  WindowValues v;
  v.rangeMode = s.rangeEnabled;
  v.rangeOctetsPending = s.rangeOctetsPending;
  v.single = {s.pingCount, s.pingWaitMs, s.pingDelayMs, s.pingDataBytes};
  v.range = {s.rangeCount, s.rangeWaitMs, s.rangeDelayMs, s.rangeDataBytes};
  v.traceHost = s.traceHost;
  v.traceResolveNames = s.traceResolveNames;
  v.maxHops = s.maxHops;
  v.traceWaitMs = s.traceWait;
  v.autoSave = s.autoSave;
  v.ttl = static_cast<std::uint8_t>(s.ttl);
  v.tos = static_cast<std::uint8_t>(s.tos);
  v.dontFragment = s.dontFragment;
  v.routerAlert = s.routerAlert;
  v.resolveNames = s.resolveNames;
  v.audible = s.audible;
  v.historySize = s.historySize;
  v.netMaskBits = s.netMaskBits;
  v.dontPingNet = s.dontPingNet;
  v.dontBroadcast = s.dontBroadcast;
  v.breakSoon = s.breakSoon;
  v.burstMode = s.burstMode;
  v.showReached = s.showReached;
  v.showNotReached = s.showNotReached;
  v.firstOctets = s.firstOctets;
  v.lastOctets = s.lastOctets;
  v.hostHistory = s.hostHistory;
  v.hostText = s.hostText;
  return v;
}

void storeWindowValues(const WindowValues& v, settings::Settings& s) {
  s.rangeEnabled = v.rangeMode;
  s.pingCount = v.single.count;
  s.pingWaitMs = v.single.waitMs;
  s.pingDelayMs = v.single.delayMs;
  s.pingDataBytes = v.single.dataBytes;
  s.rangeCount = v.range.count;
  s.rangeWaitMs = v.range.waitMs;
  s.rangeDelayMs = v.range.delayMs;
  s.rangeDataBytes = v.range.dataBytes;
  s.traceHost = v.traceHost;
  s.traceResolveNames = v.traceResolveNames;
  s.maxHops = v.maxHops;
  s.traceWait = v.traceWaitMs;
  s.autoSave = v.autoSave;
  s.ttl = v.ttl;
  s.tos = v.tos;
  s.dontFragment = v.dontFragment;
  s.routerAlert = v.routerAlert;
  s.resolveNames = v.resolveNames;
  s.audible = v.audible;
  s.historySize = v.historySize;
  s.netMaskBits = v.netMaskBits;
  s.dontPingNet = v.dontPingNet;
  s.dontBroadcast = v.dontBroadcast;
  s.breakSoon = v.breakSoon;
  s.burstMode = v.burstMode;
  s.showReached = v.showReached;
  s.showNotReached = v.showNotReached;
  s.firstOctets = v.firstOctets;
  s.lastOctets = v.lastOctets;
  s.hostHistory = v.hostHistory;
  s.hostText = v.hostText;
}

struct WindowSettingsStore::Impl {
  settings::RegistryStore store;
  settings::StartupState state;
};

WindowSettingsStore::WindowSettingsStore() : impl_(std::make_unique<Impl>()) {}
WindowSettingsStore::~WindowSettingsStore() = default;

WindowValues WindowSettingsStore::load() {
  impl_->state = settings::loadStartupState(impl_->store);
  return windowValuesFrom(impl_->state.settings);
}

std::optional<WindowBounds> WindowSettingsStore::bounds(int screenWidth, int screenHeight) const {
  if (!impl_->state.bounds) return std::nullopt;
  return settings::clampToScreen(*impl_->state.bounds, screenWidth, screenHeight);
}

std::string WindowSettingsStore::save(const WindowValues& values, const WindowBounds& bounds,
                                      Occasion occasion) {
  storeWindowValues(values, impl_->state.settings);
  return settings::saveState(impl_->store, impl_->state.settings, impl_->state.programs, &bounds,
                             occasion == Occasion::Closing ? settings::SaveOccasion::Closing
                                                           : settings::SaveOccasion::SaveNow)
      .error;
}

}  // namespace tarvo::ui
