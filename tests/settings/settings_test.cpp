#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <variant>

#include "settings/setting_table.h"
#include "settings/window_bounds.h"

using namespace tarvo::settings;

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

// A store in memory holding these \Settings values and, unless told
// otherwise, a history key with these hosts.
struct Stored {
  explicit Stored(const Values& values, const std::vector<std::string>& hosts = {"h"},
                  bool historyKey = true) {
    store.holdWrites();
    store.createKey(kSettingsKey);
    for (const auto& [name, value] : values) store.writeText(kSettingsKey, name, value);
    if (historyKey) store.createKey(kPingHostsKey);
    for (std::size_t i = 0; i < hosts.size(); ++i) {
      store.writeText(kPingHostsKey, historyValueName(i), hosts[i]);
    }
  }
  Settings load() {
    Settings s;
    loadSettings(store, s);
    return s;
  }
  RegistryStore store{std::filesystem::path()};
};

// Settings as their stored texts, one per row of the table, in its order.
Values rowTexts(const Settings& s) {
  Values texts = settingsValues(s);
  texts.resize(kStoredSettings.size());
  return texts;
}
Values loadedTexts(const Values& stored) { return rowTexts(Stored(stored).load()); }

const Values kDefaults = rowTexts(Settings{});

// A value the row keeps that is not its default.
std::string otherValue(std::size_t i) {
  const StoredSetting& row = kStoredSettings[i];
  if (std::holds_alternative<bool Settings::*>(row.member)) {
    return kDefaults[i].second == "1" ? "0" : "1";
  }
  if (std::holds_alternative<std::string Settings::*>(row.member)) return "/other/";
  if (!row.rule) return "-7";
  const std::int32_t top = row.rule->evenOnly ? row.rule->maximum & ~1 : row.rule->maximum;
  return std::to_string(top != row.rule->defaultValue ? top : row.rule->minimum);
}

}  // namespace

TEST(SettingTable, EachValueLoadsIntoItsOwnMemberAndSavesAsStored) {
  for (std::size_t i = 0; i < kStoredSettings.size(); ++i) {
    SCOPED_TRACE(std::string(kStoredSettings[i].name));
    // The addresses let range mode load.
    Values values{{"P_FirstIP", "10.0.0.1"}, {"P_LastIP", "10.0.0.9"}};
    values.emplace_back(kStoredSettings[i].name, otherValue(i));
    Values expected = kDefaults;
    expected[i] = values.back();
    // Loaded, it is saved as it was stored, and no other value moves.
    EXPECT_EQ(loadedTexts(values), expected);
  }
}

// Each number as typed into its field and as loaded, at its default, at
// its limits and beyond them, by the kinds its rule names.
TEST(SettingTable, NumbersRepairAndLoadByTheirRulesAtAndBeyondEachLimit) {
  for (std::size_t i = 0; i < kStoredSettings.size(); ++i) {
    const StoredSetting& row = kStoredSettings[i];
    const std::string name(row.name);
    SCOPED_TRACE(name);
    if (std::holds_alternative<std::string Settings::*>(row.member)) continue;
    // Not a number (a trailing blank makes none): the default.
    EXPECT_EQ(loadedTexts({{name, "12 "}})[i], kDefaults[i]);
    if (!row.rule) continue;
    const FieldRule& rule = *row.rule;
    EXPECT_EQ(rule.repair("12 ").value, static_cast<std::uint32_t>(rule.defaultValue));
    EXPECT_TRUE(rule.repair("12 ").rewrite);
    const std::int64_t top = rule.evenOnly ? rule.maximum & ~1 : rule.maximum;
    struct Case {
      std::int64_t stored, nearest;
    };
    for (const Case& c :
         {Case{rule.defaultValue, rule.defaultValue}, Case{rule.minimum, rule.minimum},
          Case{top, top}, Case{rule.minimum - 1, rule.minimum}, Case{rule.maximum + 1, top}}) {
      if (c.stored < 0) continue;  // kept, but an unsigned member shows it as a huge number
      const std::string text = std::to_string(c.stored);
      const bool within = c.stored == c.nearest;
      if (within) {
        EXPECT_EQ(rule.repair(text).value, static_cast<std::uint32_t>(c.stored));
        EXPECT_FALSE(rule.repair(text).rewrite) << text;
      }
      const std::int64_t expected = within || rule.onLoad == OnLoad::Keep ? c.stored
                                    : rule.onLoad == OnLoad::Repair       ? c.nearest
                                                                          : rule.defaultValue;
      EXPECT_EQ(loadedTexts({{name, text}})[i].second, std::to_string(expected)) << text;
    }
  }
}

TEST(FieldRules, OutsideTheLimitsByHowTheRuleCompares) {
  struct Case {
    const FieldRule& rule;
    const char* typed;
    std::int32_t value;
  };
  const Case cases[] = {
      {kPingCountRule, "-1", 65535},  // clamped: compared unsigned, a negative entry is huge
      {kTtlRule, "0", 60},            // an options value outside falls back, not clamped
      {kTosRule, "$7", 6},            // hexadecimal; bit 0 is reserved
  };
  for (const Case& c : cases) {
    const tarvo::RepairedNumber r = c.rule.repair(c.typed);
    EXPECT_EQ(static_cast<std::int32_t>(r.value), c.value) << c.typed;
    EXPECT_TRUE(r.rewrite) << c.typed;
  }
}

// What a hand-edited or older file holds, and the values the load makes of it.
TEST(Settings, LoadRepairsValuesThatHoldEachOther) {
  struct Case {
    Values stored;
    std::pair<std::string, std::string> loaded;
  };
  const Case cases[] = {
      {{{"p_netmaskbits", "20"}}, {"P_NetMaskBits", "20"}},  // an older spelling
      {{{"W_LogReplies", "1"}, {"W_LogFlipFlop", "1"}}, {"W_LogFlipFlop", "0"}},
      {{{"W_LogPath", ""}}, {"W_LogPath", defaultWatchLogPath()}},
      // Range mode needs both addresses, the first of them an address.
      {{{"P_RangeEnabled", "1"}, {"P_FirstIP", "10.0.0.1"}}, {"P_RangeEnabled", "0"}},
  };
  for (const Case& c : cases) {
    const Values loaded = settingsValues(Stored(c.stored).load());
    EXPECT_NE(std::find(loaded.begin(), loaded.end(), c.loaded), loaded.end()) << c.loaded.first;
  }
  // No autostart without its file, as when the file is stored with another type.
  Stored stored(Values{{"W_AutoStart", "1"}});
  stored.store.writeInteger(kSettingsKey, "W_AutoStartFile", 3);
  EXPECT_FALSE(stored.load().autoStart);
}

TEST(Settings, TargetComesFromTheRangeOrTheNewestHost) {
  Settings s = Stored({{"P_HistorySize", "5"}}, {"a", "b", "c", "d", "e", "f", "Newest"}).load();
  EXPECT_EQ(s.historySize, 7);  // raised to hold every stored host
  EXPECT_EQ(s.hostText, "Newest");
}

// Without \Settings\PingHosts (as on the first run) the load fails: the tab
// values go back to their defaults, everything else stays as read.
TEST(Settings, FailedLoadResetsOnlyTheTabValues) {
  Values values;
  for (std::size_t i = 0; i < kStoredSettings.size(); ++i) {
    values.emplace_back(kStoredSettings[i].name, otherValue(i));
  }
  Stored stored(values, {}, false);
  bool loaded = true;
  const Settings s = loadOrFallBack(stored.store, &loaded);
  EXPECT_FALSE(loaded);
  const Values fallen = rowTexts(s);
  const Values read = rowTexts(stored.load());
  for (std::size_t i = 0; i < kStoredSettings.size(); ++i) {
    EXPECT_EQ(fallen[i], kStoredSettings[i].tabValue ? kDefaults[i] : read[i]);
  }
}

TEST(Settings, FullSaveReplacesTheKey) {
  Stored stored(Values{{"Obsolete", "1"}});
  stored.store.writeText(std::string(kSettingsKey) + "\\Old", "x", "1");
  Settings s;
  s.hostHistory = {"kept", "newest"};
  ASSERT_TRUE(saveSettings(stored.store, s));
  EXPECT_FALSE(stored.store.valueExists(kSettingsKey, "Obsolete"));
  EXPECT_EQ(stored.store.subkeyNames(kSettingsKey), std::vector<std::string>{"PingHosts"});
  EXPECT_EQ(stored.store.valueNames(kPingHostsKey),
            (std::vector<std::string>{"P_DestHost_000", "P_DestHost_001"}));
}

TEST(WindowBounds, ComeBackInsideTheScreen) {
  struct Case {
    WindowBounds stored, shown;
  };
  // Saved on a larger screen, far off the top left or huge:
  // every edge comes inside, without overflow for the most hostile values.
  for (const Case& c : {Case{{2000, 1000, 1800, 1200}, {424, 318, 599, 449}},
                        Case{{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0, 1023, 767}}}) {
    EXPECT_EQ(clampToScreen(c.stored, 1024, 768), c.shown) << c.stored.left;
  }
}
