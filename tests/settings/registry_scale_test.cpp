// Keys with very many values. ctest gives these a time limit: a load or save
// that grows with the square of the file's size never finishes inside it.
#include <gtest/gtest.h>

#include <string>

#include "settings/additional_programs.h"
#include "settings/settings.h"
#include "temp_registry.h"

using namespace tarvo::settings;

namespace {

constexpr std::size_t kHosts = 100000;

std::string host(std::size_t i) { return "host-" + std::to_string(i) + ".example"; }

}  // namespace

TEST(RegistryScale, AHundredThousandHistoryEntriesLoadAndSave) {
  TempRegistry temp;
  {
    std::string text = R"({"SOFTWARE": {"Dravenco": {"Tarvo": {"Settings": {"PingHosts": {)";
    for (std::size_t i = 0; i < kHosts; ++i) {
      text += (i ? ",\n\"" : "\n\"") + historyValueName(i) + "\": \"" + host(i) + "\"";
    }
    // The same name in other letter case reads the first one's value.
    text += ",\n\"p_desthost_000\": \"dup\"}}}}}}";
    temp.write(text);
  }
  Settings s;
  {
    RegistryStore store(temp.file());
    ASSERT_TRUE(loadSettings(store, s));
    ASSERT_EQ(s.hostHistory.size(), kHosts + 1);
    EXPECT_EQ(s.hostHistory.front(), host(0));
    EXPECT_EQ(s.hostHistory[kHosts - 1], host(kHosts - 1));
    EXPECT_EQ(s.hostHistory.back(), host(0));
    EXPECT_EQ(s.historySize, static_cast<std::int32_t>(kHosts + 1));
    s.hostHistory.pop_back();
    ASSERT_TRUE(saveSettings(store, s));
  }
  Settings again;
  RegistryStore store(temp.file());
  ASSERT_TRUE(loadSettings(store, again));
  EXPECT_EQ(again.hostHistory, s.hostHistory);
}

// The one-pass read and write keep the order and the name rules; their speed
// is measured by bench/settings_load.sh.
TEST(RegistryScale, StoredProgramsLoadInOrderAndSave) {
  constexpr std::size_t kPrograms = 50;
  TempRegistry temp;
  {
    std::string text = R"({"SOFTWARE": {"Dravenco": {"Tarvo": {"OtherCommands": {)";
    for (std::size_t i = 1; i <= kPrograms; ++i) {
      text += (i > 1 ? ",\n\"" : "\n\"") + programSubkeyName(i) + R"(": {"CommandLine": "/bin/t)" +
              std::to_string(i) + R"(", "PreIPArguments": "-p"})";
    }
    // A subkey's name reaches the first member of that name: the twin in
    // other letter case reads the first program again, and a name a value
    // holds first reaches no key at all.
    text += R"(, "c0000001": {"CommandLine": "twin"}, "V": "", "v": {"CommandLine": "lost"}}}}}})";
    temp.write(text);
  }
  RegistryStore store(temp.file());
  AdditionalPrograms programs;
  loadAdditionalPrograms(store, programs);
  ASSERT_EQ(programs.size(), kFirstUserProgram + kPrograms + 1);
  EXPECT_EQ(programs.commandLines[kFirstUserProgram], "/bin/t1");
  EXPECT_EQ(programs.names[kFirstUserProgram + kPrograms - 1], "t" + std::to_string(kPrograms));
  EXPECT_EQ(programs.preIpArguments[kFirstUserProgram + kPrograms - 1], "-p");
  EXPECT_EQ(programs.commandLines.back(), "/bin/t1");

  saveAdditionalPrograms(store, programs);
  RegistryStore reread(temp.file());
  AdditionalPrograms again;
  loadAdditionalPrograms(reread, again);
  EXPECT_EQ(again.commandLines, programs.commandLines);
  EXPECT_EQ(again.names, programs.names);
  EXPECT_EQ(again.preIpArguments, programs.preIpArguments);
}
