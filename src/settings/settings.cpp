#include "settings/settings.h"

#include <cstdio>
#include <cstdlib>

#include "base/typed_number.h"

namespace tarvo::settings {

namespace {

constexpr std::string_view kRangeEnabled = "P_RangeEnabled";
constexpr std::string_view kFirstIp = "P_FirstIP";
constexpr std::string_view kLastIp = "P_LastIP";
constexpr std::string_view kAutoSave = "AutoSaveSettings";

// Reads \Settings values with the general rule: every number and flag is a
// text holding a whole number; anything else leaves the value as it was.
class ValueReader {
 public:
  explicit ValueReader(const RegistryStore& store) : store_(store) {}

  std::optional<std::string> text(std::string_view name) const {
    return store_.readText(kSettingsKey, name);
  }
  std::optional<std::int32_t> number(std::string_view name) const {
    auto stored = text(name);
    if (!stored) return std::nullopt;
    return parseTypedInteger(*stored);
  }
  void flag(std::string_view name, bool& out) const {
    if (auto n = number(name)) out = *n != 0;
  }
  void signedValue(std::string_view name, std::int32_t& out) const {
    if (auto n = number(name)) out = *n;
  }
  // A typed number by its field rule.
  template <class T>
  void field(const FieldRule& rule, T& out) const {
    switch (rule.onLoad) {
      case OnLoad::Keep:
        if (auto n = number(rule.storedName)) out = static_cast<T>(*n);
        return;
      case OnLoad::DefaultOutside: {
        auto n = number(rule.storedName);
        std::int32_t v = n && *n >= rule.minimum && *n <= rule.maximum ? *n : rule.defaultValue;
        if (rule.evenOnly) v &= ~1;
        out = static_cast<T>(v);
        return;
      }
      case OnLoad::Repair:
        out = static_cast<T>(rule.repair(text(rule.storedName).value_or("")).value);
        return;
    }
  }

 private:
  const RegistryStore& store_;
};

std::string flagText(bool value) { return value ? "1" : "0"; }

}  // namespace

std::string defaultWatchLogPath() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::string base;
  if (state && state[0] == '/') {
    base = state;
  } else {
    base = (homeFolder() / ".local" / "state").string();
  }
  if (base.empty() || base.back() != '/') base += '/';
  return base + "Tarvo/";
}

std::string historyValueName(std::size_t position) {
  char name[32];
  std::snprintf(name, sizeof name, "P_DestHost_%03zu", position);
  return name;
}

bool loadSettings(const RegistryStore& store, Settings& s) {
  if (!store.keyExists(kSettingsKey)) return false;
  const ValueReader read(store);
  const Settings defaults;

  read.flag(kRangeEnabled, s.rangeEnabled);
  // The stored target is usable only with its addresses (range mode) or
  // with the history it comes from (single mode).
  bool targetUsable = s.rangeEnabled ? store.valueExists(kSettingsKey, kFirstIp) &&
                                           store.valueExists(kSettingsKey, kLastIp)
                                     : store.keyExists(kPingHostsKey);
  if (!targetUsable) {
    s.hostText.clear();
    s.rangeEnabled = false;
  }

  read.field(kPingCountRule, s.pingCount);
  read.field(kRangeCountRule, s.rangeCount);
  read.field(kPingWaitRule, s.pingWaitMs);
  read.field(kRangeWaitRule, s.rangeWaitMs);
  read.field(kPingDelayRule, s.pingDelayMs);
  read.field(kRangeDelayRule, s.rangeDelayMs);
  read.field(kPingDataBytesRule, s.pingDataBytes);
  read.field(kRangeDataBytesRule, s.rangeDataBytes);
  s.traceHost = read.text("T_Host").value_or("");
  read.flag("T_ResolveNames", s.traceResolveNames);
  read.field(kMaxHopsRule, s.maxHops);
  read.field(kTraceWaitRule, s.traceWait);
  read.signedValue("P_ActiveCommand", s.activeCommand);
  read.flag(kAutoSave, s.autoSave);
  read.flag("P_Audible", s.audible);
  read.flag("P_ResolveNames", s.resolveNames);
  read.flag("P_DontFragment", s.dontFragment);
  if (s.dontFragment) {
    s.routerAlert = false;  // the two exclude each other
  } else {
    read.flag("P_RouterAlert", s.routerAlert);
  }
  read.field(kTtlRule, s.ttl);
  read.field(kTosRule, s.tos);
  read.field(kHistorySizeRule, s.historySize);
  read.flag("P_DontPingNet", s.dontPingNet);
  read.flag("P_DontBroadcast", s.dontBroadcast);
  // Older writers spelled it P_NetmaskBits; names compare without case.
  read.field(kNetMaskBitsRule, s.netMaskBits);
  read.flag("P_BreakSoon", s.breakSoon);
  read.flag("P_BurstMode", s.burstMode);
  read.flag("P_ShowReachedPRIP", s.showReached);
  read.flag("P_ShowNotReachedPRIP", s.showNotReached);
  read.field(kWatchWaitRule, s.watchWait);
  read.field(kWatchDelayRule, s.watchDelay);
  read.field(kWatchBytesRule, s.watchBytes);
  read.field(kPenWidthRule, s.penWidth);
  read.field(kWatchTtlRule, s.watchTtl);
  read.field(kWatchResolveNamesRule, s.watchResolveNames);
  read.flag("W_ICMPSequence", s.icmpSequence);
  read.flag("W_LogReplies", s.logReplies);
  read.flag("W_LogTimeouts", s.logTimeouts);
  read.flag("W_LogFlipFlop", s.logFlipFlop);
  read.flag("W_LogImmediate", s.logImmediate);
  auto logPath = read.text("W_LogPath");
  s.logPath = logPath && !logPath->empty() ? *logPath : defaultWatchLogPath();
  read.flag("W_AutoStart", s.autoStart);
  if (store.valueExists(kSettingsKey, "W_AutoStartFile") && !read.text("W_AutoStartFile")) {
    s.autoStartFile.clear();  // stored with another type
    s.autoStart = defaults.autoStart;
  } else {
    s.autoStartFile = read.text("W_AutoStartFile").value_or("");
  }
  read.flag("W_Notify", s.notify);
  read.field(kNotifyDownRule, s.notifyDown);
  read.field(kNotifyUpRule, s.notifyUp);
  read.flag("W_NotifySound", s.notifySound);
  if (s.logReplies || s.logTimeouts) s.logFlipFlop = false;

  if (s.rangeEnabled) {
    s.rangeOctetsPending = true;
    auto first = parseOctets(read.text(kFirstIp).value_or(""));
    if (first) {
      s.firstOctets = *first;
      s.lastOctets = parseOctets(read.text(kLastIp).value_or("")).value_or(Octets{0, 0, 0, 0});
    } else {
      s.hostText.clear();
      s.rangeEnabled = false;
      s.rangeOctetsPending = false;  // nothing to fill the octet fields from
    }
  }

  if (!store.keyExists(kPingHostsKey)) return false;
  s.hostHistory.clear();
  for (auto& [name, host] : store.readTexts(kPingHostsKey)) {
    if (host) s.hostHistory.push_back(std::move(*host));
  }
  s.hostText = s.hostHistory.empty() ? std::string() : s.hostHistory.back();
  if (s.hostHistory.size() > static_cast<std::size_t>(s.historySize)) {
    s.historySize = static_cast<std::int32_t>(s.hostHistory.size());
  }
  return true;
}

void applyFallbackDefaults(Settings& s) {
  const Settings defaults;
  s.hostText.clear();
  s.traceHost.clear();
  s.rangeEnabled = false;
  s.rangeOctetsPending = false;
  s.pingCount = defaults.pingCount;
  s.rangeCount = defaults.rangeCount;
  s.pingWaitMs = defaults.pingWaitMs;
  s.rangeWaitMs = defaults.rangeWaitMs;
  s.pingDelayMs = defaults.pingDelayMs;
  s.rangeDelayMs = defaults.rangeDelayMs;
  s.pingDataBytes = defaults.pingDataBytes;
  s.rangeDataBytes = defaults.rangeDataBytes;
  s.traceResolveNames = defaults.traceResolveNames;
  s.maxHops = defaults.maxHops;
  s.traceWait = defaults.traceWait;
}

std::vector<std::pair<std::string, std::string>> settingsValues(const Settings& s) {
  using std::to_string;
  auto number = [](const FieldRule& rule, auto value) {
    return std::pair<std::string, std::string>(rule.storedName, to_string(value));
  };
  std::vector<std::pair<std::string, std::string>> v = {
      {"P_RangeEnabled", flagText(s.rangeEnabled)},
      number(kPingCountRule, s.pingCount),
      number(kRangeCountRule, s.rangeCount),
      number(kPingWaitRule, s.pingWaitMs),
      number(kRangeWaitRule, s.rangeWaitMs),
      number(kPingDelayRule, s.pingDelayMs),
      number(kRangeDelayRule, s.rangeDelayMs),
      number(kPingDataBytesRule, s.pingDataBytes),
      number(kRangeDataBytesRule, s.rangeDataBytes),
      {"T_Host", s.traceHost},
      {"T_ResolveNames", flagText(s.traceResolveNames)},
      number(kMaxHopsRule, s.maxHops),
      number(kTraceWaitRule, s.traceWait),
      {"P_ActiveCommand", to_string(s.activeCommand)},
      {"AutoSaveSettings", flagText(s.autoSave)},
      {"P_Audible", flagText(s.audible)},
      {"P_ResolveNames", flagText(s.resolveNames)},
      {"P_DontFragment", flagText(s.dontFragment)},
      {"P_RouterAlert", flagText(s.routerAlert)},
      number(kTtlRule, s.ttl),
      number(kTosRule, s.tos),
      number(kHistorySizeRule, s.historySize),
      {"P_DontPingNet", flagText(s.dontPingNet)},
      {"P_DontBroadcast", flagText(s.dontBroadcast)},
      number(kNetMaskBitsRule, s.netMaskBits),
      {"P_BreakSoon", flagText(s.breakSoon)},
      {"P_BurstMode", flagText(s.burstMode)},
      {"P_ShowReachedPRIP", flagText(s.showReached)},
      {"P_ShowNotReachedPRIP", flagText(s.showNotReached)},
      number(kWatchWaitRule, s.watchWait),
      number(kWatchDelayRule, s.watchDelay),
      number(kWatchBytesRule, s.watchBytes),
      number(kPenWidthRule, s.penWidth),
      number(kWatchTtlRule, s.watchTtl),
      number(kWatchResolveNamesRule, s.watchResolveNames),
      {"W_ICMPSequence", flagText(s.icmpSequence)},
      {"W_LogReplies", flagText(s.logReplies)},
      {"W_LogTimeouts", flagText(s.logTimeouts)},
      {"W_LogFlipFlop", flagText(s.logFlipFlop)},
      {"W_LogImmediate", flagText(s.logImmediate)},
      {"W_LogPath", s.logPath},
      {"W_Notify", flagText(s.notify)},
      number(kNotifyDownRule, s.notifyDown),
      number(kNotifyUpRule, s.notifyUp),
      {"W_NotifySound", flagText(s.notifySound)},
      {"W_AutoStart", flagText(s.autoStart)},
      {"W_AutoStartFile", s.autoStartFile},
  };
  if (s.rangeEnabled) {
    v.emplace_back(kFirstIp, formatOctets(s.firstOctets));
    v.emplace_back(kLastIp, formatOctets(s.lastOctets));
  }
  return v;
}

StoreResult saveSettings(RegistryStore& store, const Settings& s) {
  RegistryStore::Batch batch(store);
  store.createKey(kSettingsKey);
  if (!s.autoSave) {
    // Only the choice is recorded; the last full save stays for next time.
    store.deleteValue(kSettingsKey, kAutoSave);
    store.writeText(kSettingsKey, kAutoSave, "0");
    return batch.commit();
  }
  store.deleteAllValues(kSettingsKey);
  store.deleteAllSubkeys(kSettingsKey);
  store.writeTexts(kSettingsKey, settingsValues(s));
  std::vector<std::pair<std::string, std::string>> history;
  history.reserve(s.hostHistory.size());
  for (std::size_t i = 0; i < s.hostHistory.size(); ++i) {
    history.emplace_back(historyValueName(i), s.hostHistory[i]);
  }
  store.createKey(kPingHostsKey);
  store.writeTexts(kPingHostsKey, std::move(history));
  return batch.commit();
}

}  // namespace tarvo::settings
