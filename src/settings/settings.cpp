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
  void unsignedValue(std::string_view name, std::uint32_t& out) const {
    if (auto n = number(name)) out = static_cast<std::uint32_t>(*n);
  }
  void signedValue(std::string_view name, std::int32_t& out) const {
    if (auto n = number(name)) out = *n;
  }
  // A value outside lo..hi, or none, gives the fallback.
  std::int32_t within(std::string_view name, std::int32_t lo, std::int32_t hi,
                      std::int32_t fallback) const {
    auto n = number(name);
    return n && *n >= lo && *n <= hi ? *n : fallback;
  }
  // The watch fields' rule: not a number gives the default, then the value
  // is compared unsigned and clamped.
  std::uint32_t clamped(std::string_view name, std::uint32_t fallback, std::uint32_t lo,
                        std::uint32_t hi) const {
    return repairUnsigned(text(name).value_or(""), fallback, lo, hi).value;
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

  read.unsignedValue("P_Countp", s.countp);
  read.unsignedValue("P_Countr", s.countr);
  read.unsignedValue("P_Waitp", s.waitp);
  read.unsignedValue("P_Waitr", s.waitr);
  read.unsignedValue("P_Delayp", s.delayp);
  read.unsignedValue("P_Delayr", s.delayr);
  read.unsignedValue("P_Bytesp", s.bytesp);
  read.unsignedValue("P_Bytesr", s.bytesr);
  s.traceHost = read.text("T_Host").value_or("");
  read.flag("T_ResolveNames", s.traceResolveNames);
  read.signedValue("T_MaxHops", s.maxHops);
  read.unsignedValue("T_Wait", s.traceWait);
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
  s.ttl = read.within("P_TTL", 1, 255, defaults.ttl);
  if (auto tos = read.number("P_TOS")) s.tos = *tos < 0 || *tos > 255 ? 0 : *tos;
  s.tos &= 0xFE;  // bit 0 is reserved
  s.historySize = read.within("P_HistorySize", 1, 100, defaults.historySize);
  read.flag("P_DontPingNet", s.dontPingNet);
  read.flag("P_DontBroadcast", s.dontBroadcast);
  // The writer spells it P_NetMaskBits; names compare without case anyway.
  // Only the masks the options offer are taken: others would index past them.
  s.netMaskBits = read.within("P_NetmaskBits", 16, 31, defaults.netMaskBits);
  read.flag("P_BreakSoon", s.breakSoon);
  read.flag("P_BurstMode", s.burstMode);
  read.flag("P_ShowReachedPRIP", s.showReached);
  read.flag("P_ShowNotReachedPRIP", s.showNotReached);
  // Watch values are held to what the options dialog can produce, so a
  // hand-edited file cannot give a zero time-out, TTL 0 or an unknown mode.
  s.watchWait = read.clamped("W_Wait", defaults.watchWait, 1, 65535);
  s.watchDelay = read.clamped("W_Delay", defaults.watchDelay, 1, 65535);
  s.watchBytes =
      static_cast<std::uint16_t>(read.clamped("W_Bytes", defaults.watchBytes, 18, 65500));
  s.penWidth = read.within("W_PenWidth", 1, 4, defaults.penWidth);
  s.watchTtl = static_cast<std::uint8_t>(read.within("W_TTL", 1, 255, defaults.watchTtl));
  s.watchResolveNames = read.within("W_ResolveNames", 0, 2, defaults.watchResolveNames);
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
  s.countp = defaults.countp;
  s.countr = defaults.countr;
  s.waitp = defaults.waitp;
  s.waitr = defaults.waitr;
  s.delayp = defaults.delayp;
  s.delayr = defaults.delayr;
  s.bytesp = defaults.bytesp;
  s.bytesr = defaults.bytesr;
  s.traceResolveNames = defaults.traceResolveNames;
  s.maxHops = defaults.maxHops;
  s.traceWait = defaults.traceWait;
}

std::vector<std::pair<std::string, std::string>> settingsValues(const Settings& s) {
  using std::to_string;
  std::vector<std::pair<std::string, std::string>> v = {
      {"P_RangeEnabled", flagText(s.rangeEnabled)},
      {"P_Countp", to_string(s.countp)},
      {"P_Countr", to_string(s.countr)},
      {"P_Waitp", to_string(s.waitp)},
      {"P_Waitr", to_string(s.waitr)},
      {"P_Delayp", to_string(s.delayp)},
      {"P_Delayr", to_string(s.delayr)},
      {"P_Bytesp", to_string(s.bytesp)},
      {"P_Bytesr", to_string(s.bytesr)},
      {"T_Host", s.traceHost},
      {"T_ResolveNames", flagText(s.traceResolveNames)},
      {"T_MaxHops", to_string(s.maxHops)},
      {"T_Wait", to_string(s.traceWait)},
      {"P_ActiveCommand", to_string(s.activeCommand)},
      {"AutoSaveSettings", flagText(s.autoSave)},
      {"P_Audible", flagText(s.audible)},
      {"P_ResolveNames", flagText(s.resolveNames)},
      {"P_DontFragment", flagText(s.dontFragment)},
      {"P_RouterAlert", flagText(s.routerAlert)},
      {"P_TTL", to_string(s.ttl)},
      {"P_TOS", to_string(s.tos)},
      {"P_HistorySize", to_string(s.historySize)},
      {"P_DontPingNet", flagText(s.dontPingNet)},
      {"P_DontBroadcast", flagText(s.dontBroadcast)},
      {"P_NetMaskBits", to_string(s.netMaskBits)},
      {"P_BreakSoon", flagText(s.breakSoon)},
      {"P_BurstMode", flagText(s.burstMode)},
      {"P_ShowReachedPRIP", flagText(s.showReached)},
      {"P_ShowNotReachedPRIP", flagText(s.showNotReached)},
      {"W_Wait", to_string(s.watchWait)},
      {"W_Delay", to_string(s.watchDelay)},
      {"W_Bytes", to_string(s.watchBytes)},
      {"W_PenWidth", to_string(s.penWidth)},
      {"W_TTL", to_string(s.watchTtl)},
      {"W_ResolveNames", to_string(s.watchResolveNames)},
      {"W_ICMPSequence", flagText(s.icmpSequence)},
      {"W_LogReplies", flagText(s.logReplies)},
      {"W_LogTimeouts", flagText(s.logTimeouts)},
      {"W_LogFlipFlop", flagText(s.logFlipFlop)},
      {"W_LogImmediate", flagText(s.logImmediate)},
      {"W_LogPath", s.logPath},
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
