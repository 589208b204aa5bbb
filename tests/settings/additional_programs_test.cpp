#include "settings/additional_programs.h"

#include <gtest/gtest.h>

#include <string>

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
}

TEST(AdditionalPrograms, OlderKeyIsConvertedAheadOfTheStoredPrograms) {
  Programs stored;
  stored.add("C0000001", "ssh", "SSH");
  stored.store.writeText(kOldOtherCommandKey, "CommandLine", "/usr/local/bin/rdp-client.sh");
  stored.store.writeText(kOldOtherCommandKey, "PreIPArguments", "-u admin");
  EXPECT_EQ(userPart(stored.load().names), (Names{"rdp-client", "SSH"}));
  // The next load finds the converted tree only.
  EXPECT_FALSE(stored.store.keyExists(kOldOtherCommandKey));
  AdditionalPrograms again = stored.load();
  EXPECT_EQ(userPart(again.names), (Names{"rdp-client", "SSH"}));
  EXPECT_EQ(again.preIpArguments[kFirstUserProgram], "-u admin");
}
