#include "settings/registry_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "settings/registry_file.h"
#include "temp_registry.h"

using tarvo::settings::parseRegistryText;
using tarvo::settings::RegistryStore;
using Names = std::vector<std::string>;

namespace {

constexpr const char* kKey = "\\SOFTWARE\\Dravenco\\Tarvo\\Settings";
constexpr const char* kSizeKey = "\\SOFTWARE\\Dravenco\\Tarvo\\SizePosition";

}  // namespace

TEST(RegistryStore, NamesIgnoreCaseKeepStoredCaseAndOrder) {
  TempRegistry temp;
  {
    RegistryStore store(temp.file());
    store.writeText(kKey, "P_NetMaskBits", "24");
    store.writeText(kKey, "b_second", "x");
    store.writeInteger("\\software\\dravenco\\tarvo\\SizePosition", "Left", -7);
    store.writeText(kKey, "a_third", "y");
    store.writeText(kKey, "p_netmaskbits", "20");  // another spelling updates in place
  }
  RegistryStore store(temp.file());
  EXPECT_EQ(store.readText("\\SOFTWARE\\DRAVENCO\\tarvo\\settings", "P_NetmaskBits"), "20");
  EXPECT_EQ(store.valueNames(kKey), (Names{"P_NetMaskBits", "b_second", "a_third"}));
  EXPECT_EQ(store.readInteger(kSizeKey, "LEFT"), -7);
  EXPECT_FALSE(store.readInteger(kKey, "b_second"));  // a value of the other type does not read
}

// A file that cannot be parsed reads as empty; one with a value where a key
// belongs keeps its other keys. Both are kept aside once before the write.
TEST(RegistryStore, BrokenFilesAreKeptAsideOnceAndWrittenOver) {
  struct Case {
    std::string text;
    std::size_t keysLeft;  // under \SOFTWARE\Dravenco after the write
  };
  for (const Case& c :
       {Case{"{\"SOFTWARE\": {", 1},
        Case{R"({"SOFTWARE": {"Dravenco": {"Tarvo": {"Settings": "text",
                                "Keep": {"v": "1"}}}}})",
             1},
        Case{R"({"SOFTWARE": {"Dravenco": {"Tarvo": 5, "Keep": {"v": "1"}}}})", 2}}) {
    TempRegistry temp;
    temp.write(c.text);
    RegistryStore store(temp.file());
    EXPECT_FALSE(store.keyExists(kKey));
    ASSERT_TRUE(store.writeText(kKey, "P_Countp", "2")) << c.text;
    EXPECT_EQ(TempRegistry::readFile(temp.folder() / "registry.json.corrupt"), c.text);
    RegistryStore again(temp.file());
    EXPECT_EQ(again.readText(kKey, "P_Countp"), "2");
    EXPECT_EQ(again.subkeyNames("\\SOFTWARE\\Dravenco").size(), c.keysLeft) << c.text;
    ASSERT_TRUE(again.writeText(kKey, "P_Countp", "3"));
    EXPECT_FALSE(std::filesystem::exists(temp.folder() / "registry.json.corrupt.1"));
  }
  // Nesting beyond any real key tree is refused rather than recursed into.
  std::string deep(100000, '[');
  EXPECT_FALSE(parseRegistryText("{\"a\":" + deep + std::string(100000, ']') + "}"));
  EXPECT_TRUE(parseRegistryText("  \n"));  // an empty file is an empty tree, not a corrupt one
}

TEST(RegistryStore, WriterKilledBeforeRenameLeavesTheOldFileWhole) {
  TempRegistry temp;
  RegistryStore(temp.file()).writeText(kKey, "old", "1");
  const std::string before = temp.read();
  pid_t child = ::fork();
  if (child == 0) {
    RegistryStore store(temp.file());
    store.setBeforeRenameHookForTesting([] { ::raise(SIGKILL); });
    store.writeText(kKey, "new", "1");
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(temp.read(), before);
  // The lock died with the writer and its leftover temporary file is harmless.
  EXPECT_TRUE(RegistryStore(temp.file()).writeText(kKey, "after", "1"));
  EXPECT_EQ(RegistryStore(temp.file()).valueNames(kKey), (Names{"old", "after"}));
}

TEST(RegistryStore, TwoProcessesWritingDifferentKeysKeepBoth) {
  TempRegistry temp;
  RegistryStore(temp.file()).writeText(kKey, "shared", "1");
  // Each writer has read the file before the other writes anything.
  RegistryStore writers[2] = {RegistryStore(temp.file()), RegistryStore(temp.file())};
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    if (children[c] == 0) {
      const std::string key = std::string(kKey) + "\\Writer" + std::to_string(c);
      for (int i = 0; i < 40; ++i) writers[c].writeText(key, "v" + std::to_string(i), "x");
      ::_exit(0);
    }
  }
  for (pid_t child : children) ::waitpid(child, nullptr, 0);
  RegistryStore store(temp.file());
  EXPECT_EQ(store.valueNames(std::string(kKey) + "\\Writer0").size(), 40u);
  EXPECT_EQ(store.valueNames(std::string(kKey) + "\\Writer1").size(), 40u);
}

TEST(RegistryStore, ABadValueCostsOnlyThatValue) {
  TempRegistry temp;
  temp.write(R"({"SOFTWARE": {"Dravenco": {"Tarvo": {
      "SizePosition": {"Left": 10, "Width": 1e400, "Top": -1e999, "Height": 450},
      "Settings": {"P_Countp": "7", "P_Waitp": 500ms, "T_Host": "bad \q escape",
                   "P_Bytesp": "\u0041\ud83d\ude00", "P_Countp": "8", "p_countp": "9",
                   "W_LogPath": "a)"
             "\xFF"
             R"(b"}}}}})");
  RegistryStore store(temp.file());
  EXPECT_EQ(store.valueNames(kSizeKey), (Names{"Left", "Height"}));
  // A name repeated in the same case keeps its place and takes the later
  // value; one in another case stays behind it and reads the first.
  EXPECT_EQ(store.valueNames(kKey), (Names{"P_Countp", "P_Bytesp", "p_countp", "W_LogPath"}));
  EXPECT_EQ(store.readText(kKey, "P_COUNTP"), "8");
  EXPECT_EQ(store.readText(kKey, "P_Bytesp"), "A\xF0\x9F\x98\x80");
  EXPECT_EQ(store.readText(kKey, "W_LogPath"), "a\uFFFDb");  // a stray byte is no character

  // The rest of the file survives the next write, and nothing is set aside.
  ASSERT_TRUE(store.writeText(kKey, "T_Host", "gw"));
  RegistryStore again(temp.file());
  EXPECT_EQ(again.readInteger(kSizeKey, "Height"), 450);
  EXPECT_FALSE(std::filesystem::exists(temp.folder() / "registry.json.corrupt"));
}
