#include "settings/additional_programs.h"

#include <gtest/gtest.h>

#include <string>

#include "temp_registry.h"

using namespace tarvo::settings;

namespace {

using Names = std::vector<std::string>;

// A store in memory; the writes of a load are seen by the next load.
struct Programs {
  Programs() { store.holdWrites(); }
  void add(const std::string& subkey, const std::string& commandLine, const std::string& name,
           const std::string& pre = " ", const std::string& post = " ") {
    const std::string key = std::string(kOtherCommandsKey) + "\\" + subkey;
    store.writeTexts(key, {{"CommandLine", commandLine},
                           {"CommandName", name},
                           {"PreIPArguments", pre},
                           {"PostIPArguments", post}});
  }
  AdditionalPrograms load() {
    AdditionalPrograms programs;
    loadAdditionalPrograms(store, programs);
    return programs;
  }
  RegistryStore store{std::filesystem::path()};
};

Names userPart(const Names& list) { return {list.begin() + kFirstUserProgram, list.end()}; }

}  // namespace

TEST(AdditionalPrograms, LoadNamesSkipsAndKeepsOrder) {
  Programs stored;
  stored.add("C0000001", "C:\\Tools\\client.exe", "");
  stored.add("C0000002", "", "Broken");  // no command: skipped
  stored.add("C0000003", "/usr/bin/ssh", "Secure shell", "", "-v");
  stored.add("C0000004", "/opt/tools/", "");  // no file name either
  stored.store.writeText(std::string(kOtherCommandsKey) + "\\C0000005", "CommandLine", "nc");

  AdditionalPrograms programs = stored.load();
  EXPECT_EQ(userPart(programs.names), (Names{"client", "Secure shell", "Command3", "nc"}));
  EXPECT_EQ(userPart(programs.preIpArguments), (Names{" ", " ", " ", " "}));  // placeholders
  EXPECT_EQ(userPart(programs.postIpArguments), (Names{" ", "-v", " ", " "}));
}

TEST(AdditionalPrograms, SaveRewritesTheNumberedSubkeys) {
  Programs stored;
  for (int i = 1; i <= 4; ++i) stored.add(programSubkeyName(i), "p" + std::to_string(i), "P");
  AdditionalPrograms programs = stored.load();
  // The dialog deletes the second user program.
  for (auto* list : {&programs.commandLines, &programs.names, &programs.preIpArguments,
                     &programs.postIpArguments}) {
    list->erase(list->begin() + 3);
  }
  saveAdditionalPrograms(stored.store, programs);
  EXPECT_EQ(stored.store.subkeyNames(kOtherCommandsKey),
            (Names{"C0000001", "C0000002", "C0000003"}));
  EXPECT_EQ(userPart(stored.load().commandLines), (Names{"p1", "p3", "p4"}));
  EXPECT_EQ(programSubkeyName(12345678), "C12345678");
}

TEST(AdditionalPrograms, OlderKeyIsConvertedAheadOfTheStoredPrograms) {
  for (const std::string oldCommand : {"", "/usr/local/bin/rdp-client.sh"}) {
    Programs stored;
    stored.add("C0000001", "ssh", "SSH");
    stored.store.writeText(kOldOtherCommandKey, "CommandLine", oldCommand);
    stored.store.writeText(kOldOtherCommandKey, "PreIPArguments", "-u admin");
    Names expected{"SSH"};
    if (!oldCommand.empty()) expected.insert(expected.begin(), "rdp-client");
    EXPECT_EQ(userPart(stored.load().names), expected);

    // The next load finds the converted tree only.
    EXPECT_FALSE(stored.store.keyExists(kOldOtherCommandKey));
    AdditionalPrograms again = stored.load();
    EXPECT_EQ(userPart(again.names), expected) << "older command '" << oldCommand << "'";
    if (oldCommand.empty()) continue;
    EXPECT_EQ(again.preIpArguments[kFirstUserProgram], "-u admin");
    EXPECT_EQ(again.postIpArguments[kFirstUserProgram], " ");
  }
}

TEST(AdditionalPrograms, ASubkeyReadsTheFirstMemberOfItsName) {
  // The twin in other letter case reads the first program again; a name a
  // value holds first reaches no key at all.
  TempRegistry temp;
  temp.write(R"({"SOFTWARE": {"Dravenco": {"Tarvo": {"OtherCommands": {
      "C0000001": {"CommandLine": "/bin/t1"}, "c0000001": {"CommandLine": "twin"},
      "V": "", "v": {"CommandLine": "lost"}}}}}})");
  RegistryStore store(temp.file());
  AdditionalPrograms programs;
  loadAdditionalPrograms(store, programs);
  EXPECT_EQ(userPart(programs.commandLines), (Names{"/bin/t1", "/bin/t1"}));
}
