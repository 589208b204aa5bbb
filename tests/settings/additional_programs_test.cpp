#include "settings/additional_programs.h"

#include <gtest/gtest.h>

#include <string>

#include "temp_registry.h"

using namespace tarvo::settings;

namespace {

void storeProgram(RegistryStore& store, const std::string& subkey, const std::string& commandLine,
                  const std::string& name, const std::string& pre = " ",
                  const std::string& post = " ") {
  const std::string key = std::string(kOtherCommandsKey) + "\\" + subkey;
  store.writeText(key, "CommandLine", commandLine);
  store.writeText(key, "CommandName", name);
  store.writeText(key, "PreIPArguments", pre);
  store.writeText(key, "PostIPArguments", post);
}

std::vector<std::string> userNames(const AdditionalPrograms& programs) {
  return {programs.names.begin() + kFirstUserProgram, programs.names.end()};
}

AdditionalPrograms loaded(RegistryStore& store) {
  AdditionalPrograms programs;
  loadAdditionalPrograms(store, programs);
  return programs;
}

}  // namespace

TEST(AdditionalPrograms, LoadNamesSkipsAndKeepsOrder) {
  TempRegistry temp;
  RegistryStore store(temp.file());
  storeProgram(store, "C0000001", "C:\\Tools\\client.exe", "");
  storeProgram(store, "C0000002", "", "Broken");  // no command: skipped
  storeProgram(store, "C0000003", "/usr/bin/ssh", "Secure shell", "", "-v");
  storeProgram(store, "C0000004", "/opt/tools/", "");  // no file name either
  store.writeText(std::string(kOtherCommandsKey) + "\\C0000005", "CommandLine", "nc");

  AdditionalPrograms programs = loaded(store);
  EXPECT_EQ(programs.names[1], "Telnet");
  EXPECT_EQ(programs.commandLines[1], "telnet");
  EXPECT_EQ(userNames(programs),
            (std::vector<std::string>{"client", "Secure shell", "Command3", "nc"}));
  EXPECT_EQ(programs.preIpArguments[3], " ");
  EXPECT_EQ(programs.postIpArguments[3], "-v");
  EXPECT_EQ(programs.postIpArguments.back(), " ");  // missing value: placeholder
}

TEST(AdditionalPrograms, SaveRewritesTheNumberedSubkeys) {
  TempRegistry temp;
  RegistryStore store(temp.file());
  for (int i = 1; i <= 4; ++i)
    storeProgram(store, programSubkeyName(i), "p" + std::to_string(i), "P");
  AdditionalPrograms programs = loaded(store);
  ASSERT_EQ(programs.size(), 6u);
  // The dialog deletes the second user program.
  for (auto* list : {&programs.commandLines, &programs.names, &programs.preIpArguments,
                     &programs.postIpArguments}) {
    list->erase(list->begin() + 3);
  }
  saveAdditionalPrograms(store, programs);

  RegistryStore reread(temp.file());
  EXPECT_EQ(reread.subkeyNames(kOtherCommandsKey),
            (std::vector<std::string>{"C0000001", "C0000002", "C0000003"}));
  EXPECT_EQ(reread.readText(std::string(kOtherCommandsKey) + "\\C0000002", "CommandLine"), "p3");
  EXPECT_EQ(programSubkeyName(12345678), "C12345678");
  // The built-in entries are never stored.
  saveAdditionalPrograms(reread, AdditionalPrograms{});
  EXPECT_TRUE(reread.keyExists(kOtherCommandsKey));
  EXPECT_TRUE(reread.subkeyNames(kOtherCommandsKey).empty());
}

TEST(AdditionalPrograms, OlderKeyIsConvertedOnLoad) {
  TempRegistry temp;
  {
    RegistryStore store(temp.file());
    store.writeText(kOldOtherCommandKey, "CommandLine", "/usr/local/bin/rdp-client.sh");
    store.writeText(kOldOtherCommandKey, "PreIPArguments", "-u admin");
  }
  RegistryStore store(temp.file());
  AdditionalPrograms programs = loaded(store);
  EXPECT_EQ(userNames(programs), std::vector<std::string>{"rdp-client"});
  EXPECT_EQ(programs.postIpArguments[2], " ");

  RegistryStore reread(temp.file());
  EXPECT_FALSE(reread.keyExists(kOldOtherCommandKey));
  const std::string converted = std::string(kOtherCommandsKey) + "\\C0000001";
  EXPECT_EQ(reread.readText(converted, "CommandName"), "rdp-client");
  EXPECT_EQ(reread.readText(converted, "PreIPArguments"), "-u admin");
  EXPECT_EQ(reread.readText(converted, "PostIPArguments"), " ");
}

TEST(AdditionalPrograms, OlderKeyNeverCostsTheStoredPrograms) {
  for (const std::string oldCommand : {"", "legacy"}) {
    TempRegistry temp;
    {
      RegistryStore store(temp.file());
      storeProgram(store, "C0000001", "ssh", "SSH");
      storeProgram(store, "C0000002", "mosh", "Mosh");
      store.writeText(kOldOtherCommandKey, "CommandLine", oldCommand);
    }
    RegistryStore store(temp.file());
    AdditionalPrograms programs = loaded(store);
    saveAdditionalPrograms(store, programs);  // as the next closing does

    RegistryStore reread(temp.file());
    AdditionalPrograms again = loaded(reread);
    std::vector<std::string> expected{"SSH", "Mosh"};
    if (!oldCommand.empty()) expected.insert(expected.begin(), "legacy");
    EXPECT_EQ(userNames(again), expected) << "older command '" << oldCommand << "'";
    EXPECT_FALSE(reread.keyExists(kOldOtherCommandKey));
  }
}
