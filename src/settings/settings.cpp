#include "settings/settings.h"

#include <cstdio>
#include <cstdlib>
#include <variant>

#include "base/typed_number.h"
#include "settings/setting_table.h"

namespace tarvo::settings {

namespace {

constexpr std::string_view kFirstIp = "P_FirstIP";
constexpr std::string_view kLastIp = "P_LastIP";
// Looked up when the program starts rather than by the compiler: GCC's
// undefined-behaviour checks refuse member pointer comparisons in constant
// expressions. A member missing from the table still stops every test.
const std::string_view kAutoSave = storedNameOf(&Settings::autoSave);
const std::string_view kAutoStartFile = storedNameOf(&Settings::autoStartFile);

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

  void read(const StoredSetting& row, bool& out, const bool&) const {
    if (auto n = number(row.name)) out = *n != 0;
  }
  // A text missing or empty gives the default.
  void read(const StoredSetting& row, std::string& out, const std::string& fallback) const {
    auto stored = text(row.name);
    out = stored && !stored->empty() ? *stored : fallback;
  }
  template <class T>
  void read(const StoredSetting& row, T& out, const T&) const {
    if (!row.rule) {
      if (auto n = number(row.name)) out = static_cast<T>(*n);
      return;
    }
    const FieldRule& rule = *row.rule;
    switch (rule.onLoad) {
      case OnLoad::Keep:
        if (auto n = number(row.name)) out = static_cast<T>(*n);
        return;
      case OnLoad::DefaultOutside: {
        auto n = number(row.name);
        std::int32_t v = n && *n >= rule.minimum && *n <= rule.maximum ? *n : rule.defaultValue;
        if (rule.evenOnly) v &= ~1;
        out = static_cast<T>(v);
        return;
      }
      case OnLoad::Repair:
        out = static_cast<T>(rule.repair(text(row.name).value_or("")).value);
        return;
    }
  }

 private:
  const RegistryStore& store_;
};

std::string storedText(bool value) { return value ? "1" : "0"; }
std::string storedText(const std::string& value) { return value; }
template <class T>
std::string storedText(T value) {
  return std::to_string(static_cast<std::int64_t>(value));
}

// After a failed load: no target, no range mode, and the tab values back
// at their defaults.
void applyFallbackDefaults(Settings& s) {
  const Settings defaults;
  for (const StoredSetting& row : kStoredSettings) {
    if (row.tabValue) std::visit([&](auto member) { s.*member = defaults.*member; }, row.member);
  }
  s.hostText.clear();
  s.rangeOctetsPending = false;
}

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
  const ValueReader reader(store);
  const Settings defaults;
  for (const StoredSetting& row : kStoredSettings) {
    std::visit([&](auto member) { reader.read(row, s.*member, defaults.*member); }, row.member);
  }

  // The stored target is usable only with its addresses (range mode) or
  // with the history it comes from (single mode).
  bool targetUsable = s.rangeEnabled ? store.valueExists(kSettingsKey, kFirstIp) &&
                                           store.valueExists(kSettingsKey, kLastIp)
                                     : store.keyExists(kPingHostsKey);
  if (!targetUsable) {
    s.hostText.clear();
    s.rangeEnabled = false;
  }
  if (s.dontFragment) s.routerAlert = false;  // the two exclude each other
  if (store.valueExists(kSettingsKey, kAutoStartFile) && !reader.text(kAutoStartFile)) {
    s.autoStart = defaults.autoStart;  // its file is stored with another type
  }
  if (s.logReplies || s.logTimeouts) s.logFlipFlop = false;

  if (s.rangeEnabled) {
    s.rangeOctetsPending = true;
    auto first = parseOctets(reader.text(kFirstIp).value_or(""));
    if (first) {
      s.firstOctets = *first;
      s.lastOctets = parseOctets(reader.text(kLastIp).value_or("")).value_or(Octets{0, 0, 0, 0});
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

Settings loadOrFallBack(const RegistryStore& store, bool* loaded) {
  Settings s;
  const bool ok = loadSettings(store, s);
  if (!ok) applyFallbackDefaults(s);
  if (loaded) *loaded = ok;
  return s;
}

std::vector<std::pair<std::string, std::string>> rangeAddressValues(const Settings& s) {
  return {{std::string(kFirstIp), formatOctets(s.firstOctets)},
          {std::string(kLastIp), formatOctets(s.lastOctets)}};
}

std::vector<std::pair<std::string, std::string>> settingsValues(const Settings& s) {
  std::vector<std::pair<std::string, std::string>> values;
  for (const StoredSetting& row : kStoredSettings) {
    values.emplace_back(row.name,
                        std::visit([&](auto member) { return storedText(s.*member); }, row.member));
  }
  if (s.rangeEnabled) {
    for (auto& value : rangeAddressValues(s)) values.push_back(std::move(value));
  }
  return values;
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
