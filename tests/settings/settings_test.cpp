#include "settings/settings.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>

#include "settings/settings_session.h"
#include "settings/window_bounds.h"
#include "temp_registry.h"

using namespace tarvo::settings;
using tarvo::Octets;

namespace {

using Values = std::map<std::string, std::string>;

// A store holding the given \Settings values and, unless `history` is
// empty, a \PingHosts key with those hosts.
class StoredSettings {
 public:
  StoredSettings(const Values& values, std::initializer_list<std::string> history = {""},
                 bool withHistoryKey = true) {
    RegistryStore store(temp_.file());
    RegistryStore::Batch batch(store);
    store.createKey(kSettingsKey);
    for (const auto& [name, value] : values) store.writeText(kSettingsKey, name, value);
    if (withHistoryKey) store.createKey(kPingHostsKey);
    std::size_t i = 0;
    for (const auto& host : history) {
      if (!host.empty()) store.writeText(kPingHostsKey, historyValueName(i++), host);
    }
  }
  RegistryStore& store() {
    if (!store_) store_.emplace(temp_.file());
    return *store_;
  }
  Settings load(bool* loaded = nullptr) {
    Settings s;
    bool ok = loadSettings(store(), s);
    if (loaded) *loaded = ok;
    return s;
  }

 private:
  TempRegistry temp_;
  std::optional<RegistryStore> store_;
};

}  // namespace

TEST(Settings, FirstRunFallsBackToDefaults) {
  TempRegistry temp;
  RegistryStore store(temp.file());
  StartupState state = loadStartupState(store);
  EXPECT_FALSE(state.settingsLoaded);
  EXPECT_EQ(settingsValues(state.settings), settingsValues(Settings{}));
  EXPECT_TRUE(state.settings.hostText.empty());
  EXPECT_EQ(state.programs.size(), 2u);
  EXPECT_FALSE(state.bounds);
  EXPECT_FALSE(std::filesystem::exists(temp.file()));  // loading writes nothing

  // Without the history key the load fails too; the tab values go back to
  // their defaults, the options read so far stay.
  StoredSettings stored({{"P_Countp", "7"}, {"T_Host", "gw"}, {"P_Audible", "1"}}, {}, false);
  bool loaded = true;
  Settings s = stored.load(&loaded);
  EXPECT_FALSE(loaded);
  applyFallbackDefaults(s);
  EXPECT_EQ(s.pingCount, 4u);
  EXPECT_EQ(s.traceHost, "");
  EXPECT_TRUE(s.audible);
}

TEST(Settings, LoadRulesRepairStoredValues) {
  struct Case {
    Values values;
    std::int32_t ttl, tos;
  };
  // The rules are the field rules tests'; here that the load applies them.
  for (const Case& c : {Case{{{"P_TTL", "0"}, {"P_TOS", "255"}}, 60, 254},
                        Case{{{"P_TTL", "255"}, {"P_TOS", "$11"}}, 255, 16}}) {
    StoredSettings stored(c.values, {"h"});
    Settings s = stored.load();
    EXPECT_EQ(s.ttl, c.ttl) << c.values.at("P_TTL");
    EXPECT_EQ(s.tos, c.tos) << c.values.at("P_TOS");
  }
  StoredSettings stored({{"P_Countp", "abc"},
                         {"P_Waitp", "250"},
                         {"P_RangeEnabled", "7"},
                         {"p_netmaskbits", "20"},
                         {"P_DontFragment", "1"},
                         {"P_RouterAlert", "1"},
                         {"W_LogReplies", "1"},
                         {"W_LogFlipFlop", "1"},
                         {"W_LogPath", ""},
                         {"W_PenWidth", "9"},
                         {"W_AutoStart", "1"},
                         {"W_NotifyDown", "0"},
                         {"W_NotifyUp", "250"}},
                        {"h"});
  // Values of another type than text: defaults, and no autostart without its file.
  stored.store().writeInteger(kSettingsKey, "P_Countr", 9);
  stored.store().writeInteger(kSettingsKey, "W_AutoStartFile", 3);
  Settings s = stored.load();
  EXPECT_EQ(s.pingCount, 4u);
  EXPECT_EQ(s.pingWaitMs, 250u);  // a bad value costs only itself
  EXPECT_EQ(s.rangeCount, 1u);
  EXPECT_EQ(s.netMaskBits, 20);
  EXPECT_FALSE(s.routerAlert);
  EXPECT_FALSE(s.logFlipFlop);
  EXPECT_EQ(s.logPath, defaultWatchLogPath());
  EXPECT_EQ(s.penWidth, 2);
  EXPECT_FALSE(s.autoStart);
  EXPECT_EQ(s.notifyDown, 1);
  EXPECT_EQ(s.notifyUp, 100);
  // Range on without addresses: no target, no range mode.
  EXPECT_FALSE(s.rangeEnabled);
  EXPECT_EQ(s.hostText, "h");
}

TEST(Settings, HistoryLoadsWholeAndRaisesItsSize) {
  StoredSettings stored({{"P_HistorySize", "5"}}, {"a", "b", "c", "d", "e", "f", "g", "Newest"});
  bool loaded = false;
  Settings s = stored.load(&loaded);
  EXPECT_TRUE(loaded);
  EXPECT_EQ(s.hostHistory.size(), 8u);
  EXPECT_EQ(s.historySize, 8);
  EXPECT_EQ(s.hostText, "Newest");
}

TEST(Settings, RangeModeNeedsBothAddresses) {
  {
    StoredSettings stored({{"P_RangeEnabled", "1"}, {"P_FirstIP", "10.0.0.1"}}, {"h"});
    Settings s = stored.load();
    EXPECT_FALSE(s.rangeEnabled);
    EXPECT_EQ(s.hostText, "h");  // the history still selects its newest entry
  }
  {
    StoredSettings stored(
        {{"P_RangeEnabled", "1"}, {"P_FirstIP", "10.0.0.1"}, {"P_LastIP", "10.0.0"}}, {"h"});
    Settings s = stored.load();
    EXPECT_TRUE(s.rangeEnabled);
    EXPECT_TRUE(s.rangeOctetsPending);
    EXPECT_EQ(s.firstOctets, (Octets{10, 0, 0, 1}));
    EXPECT_EQ(s.lastOctets, (Octets{0, 0, 0, 0}));
  }
  {
    StoredSettings stored(
        {{"P_RangeEnabled", "1"}, {"P_FirstIP", "host.example"}, {"P_LastIP", "1.2.3.4"}}, {});
    Settings s = stored.load();
    EXPECT_FALSE(s.rangeEnabled);
    EXPECT_FALSE(s.rangeOctetsPending);
  }
}

TEST(Settings, SaveThenLoadGivesTheSameSettings) {
  TempRegistry temp;
  Settings saved;
  saved.rangeEnabled = true;
  saved.pingCount = 0;
  saved.traceHost = "gw";
  saved.maxHops = 12;
  saved.tos = 16;
  saved.routerAlert = true;
  saved.netMaskBits = 28;
  saved.watchBytes = 1400;
  saved.watchTtl = 9;
  saved.watchResolveNames = 2;
  saved.logPath = "/var/tmp/";
  saved.notify = true;
  saved.notifyDown = 100;
  saved.notifyUp = 7;
  saved.notifySound = true;
  saved.firstOctets = {192, 168, 1, 20};
  saved.lastOctets = {192, 168, 1, 40};
  saved.hostHistory = {"one", "two"};
  {
    RegistryStore store(temp.file());
    store.writeText(kSettingsKey, "Obsolete", "1");
    store.writeText(std::string(kSettingsKey) + "\\Old", "x", "1");
    saveSettings(store, saved);
  }
  RegistryStore store(temp.file());
  EXPECT_FALSE(store.valueExists(kSettingsKey, "Obsolete"));
  EXPECT_EQ(store.subkeyNames(kSettingsKey), std::vector<std::string>{"PingHosts"});
  EXPECT_EQ(store.valueNames(kPingHostsKey),
            (std::vector<std::string>{"P_DestHost_000", "P_DestHost_001"}));
  Settings loaded;
  ASSERT_TRUE(loadSettings(store, loaded));
  EXPECT_EQ(settingsValues(loaded), settingsValues(saved));
  EXPECT_EQ(loaded.hostHistory, saved.hostHistory);
  EXPECT_EQ(loaded.hostText, "two");
}

TEST(Settings, AutoSaveOffRecordsOnlyTheChoice) {
  TempRegistry temp;
  RegistryStore store(temp.file());
  Settings s;
  s.pingCount = 9;
  s.hostHistory = {"kept"};
  saveSettings(store, s);
  s.autoSave = false;
  s.pingCount = 2;
  s.hostHistory = {"new"};
  AdditionalPrograms programs;
  programs.append("ssh", "SSH", "", "");
  const WindowBounds bounds{10, 20, 700, 500};

  saveState(store, s, programs, &bounds, SaveOccasion::Closing);
  EXPECT_FALSE(store.keyExists(kOtherCommandsKey));
  EXPECT_FALSE(loadSizePosition(store));

  saveState(store, s, programs, &bounds, SaveOccasion::SaveNow);
  EXPECT_EQ(store.valueNames(kSettingsKey).back(), "AutoSaveSettings");
  Settings loaded;
  ASSERT_TRUE(loadSettings(RegistryStore(temp.file()), loaded));
  EXPECT_FALSE(loaded.autoSave);
  EXPECT_EQ(loaded.pingCount, 9u);
  EXPECT_EQ(loaded.hostHistory, std::vector<std::string>{"kept"});
  EXPECT_EQ(store.subkeyNames(kOtherCommandsKey), std::vector<std::string>{"C0000001"});
  EXPECT_EQ(loadSizePosition(store), bounds);
}

TEST(WindowBounds, ComeBackInsideTheScreen) {
  // Saved on a 2560x1440 screen, shown on 1024x768.
  EXPECT_EQ(clampToScreen({2000, 1000, 1800, 1200}, 1024, 768), (WindowBounds{424, 318, 599, 449}));
  EXPECT_EQ(clampToScreen({100, 50, 300, 200}, 1920, 1080), (WindowBounds{100, 50, 600, 450}));
  // Far off the top left, huge: every edge comes inside the screen, without
  // overflow even for the most hostile stored values.
  for (WindowBounds stored :
       {WindowBounds{-1500, -20, 800, 600}, WindowBounds{-100000, -100000, 100000, 100000},
        WindowBounds{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}}) {
    WindowBounds b = clampToScreen(stored, 1920, 1080);
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.top, 0);
    EXPECT_GE(b.width, 600);
    EXPECT_LE(b.width, 1919);
    EXPECT_GE(b.height, 450);
    EXPECT_LE(b.height, 1079);
  }
}
