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

namespace {

constexpr const char* kKey = "\\SOFTWARE\\Dravenco\\Tarvo\\Settings";

// Runs `body` in a child process and returns how the child ended.
template <typename Body>
int inChild(Body body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

}  // namespace

TEST(RegistryStore, NamesIgnoreCaseKeepStoredCaseAndOrder) {
  TempRegistry temp;
  {
    RegistryStore store(temp.file());
    store.writeText(kKey, "P_NetMaskBits", "24");
    store.writeText(kKey, "b_second", "x");
    store.writeInteger("\\software\\dravenco\\tarvo\\SizePosition", "Left", -7);
    store.createKey(std::string(kKey) + "\\PingHosts");
    store.writeText(kKey, "a_third", "y");
    // Another spelling updates the value in place.
    store.writeText(kKey, "p_netmaskbits", "20");
  }
  RegistryStore store(temp.file());
  EXPECT_EQ(store.readText("\\SOFTWARE\\DRAVENCO\\tarvo\\settings", "P_NetmaskBits"), "20");
  EXPECT_EQ(store.valueNames(kKey),
            (std::vector<std::string>{"P_NetMaskBits", "b_second", "a_third"}));
  EXPECT_EQ(store.subkeyNames(kKey), std::vector<std::string>{"PingHosts"});
  EXPECT_EQ(store.subkeyNames("\\SOFTWARE\\Dravenco\\Tarvo"),
            (std::vector<std::string>{"Settings", "SizePosition"}));
  EXPECT_EQ(store.readInteger("\\SOFTWARE\\Dravenco\\Tarvo\\SizePosition", "LEFT"), -7);
  // A value of the other type does not read.
  EXPECT_FALSE(store.readInteger(kKey, "b_second"));
  EXPECT_FALSE(store.readText("\\SOFTWARE\\Dravenco\\Tarvo\\SizePosition", "Left"));
}

TEST(RegistryStore, DeletesValuesAndWholeSubtrees) {
  TempRegistry temp;
  RegistryStore store(temp.file());
  const std::string sub = std::string(kKey) + "\\PingHosts\\Deeper";
  store.writeText(sub, "v", "1");
  store.writeText(kKey, "keep", "1");
  store.writeText(kKey, "drop", "1");
  EXPECT_TRUE(store.deleteValue(kKey, "DROP"));
  EXPECT_TRUE(store.deleteKey(std::string(kKey) + "\\pinghosts"));
  EXPECT_FALSE(store.keyExists(sub));
  EXPECT_EQ(store.valueNames(kKey), std::vector<std::string>{"keep"});
  store.createKey(sub);
  EXPECT_TRUE(store.deleteAllValues(kKey));
  EXPECT_TRUE(store.valueNames(kKey).empty());
  EXPECT_TRUE(store.keyExists(sub));
  EXPECT_TRUE(store.deleteAllSubkeys(kKey));
  EXPECT_FALSE(store.keyExists(std::string(kKey) + "\\PingHosts"));
  EXPECT_EQ(RegistryStore(temp.file()).subkeyNames(kKey).size(), 0u);
}

TEST(RegistryStore, CorruptFileReadsEmptyAndIsKeptAside) {
  for (const std::string broken :
       {"{\"SOFTWARE\": {", "[1, 2]", "\"text\"", "{\"a\": 1} trailing"}) {
    TempRegistry temp;
    temp.write(broken);
    RegistryStore store(temp.file());
    EXPECT_TRUE(store.subkeyNames("").empty()) << broken;
    ASSERT_TRUE(store.writeText(kKey, "P_Countp", "2"));
    EXPECT_EQ(TempRegistry::readFile(temp.folder() / "registry.json.corrupt"), broken);
    EXPECT_EQ(RegistryStore(temp.file()).readText(kKey, "P_Countp"), "2");
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
  int status = inChild([&] {
    RegistryStore store(temp.file());
    store.setBeforeRenameHookForTesting([] { ::raise(SIGKILL); });
    store.writeText(kKey, "new", "1");
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(temp.read(), before);
  // The lock died with the writer and its leftover temporary file is harmless.
  RegistryStore store(temp.file());
  EXPECT_TRUE(store.writeText(kKey, "after", "1"));
  EXPECT_EQ(RegistryStore(temp.file()).valueNames(kKey),
            (std::vector<std::string>{"old", "after"}));
}

TEST(RegistryStore, TwoProcessesWritingDifferentKeysKeepBoth) {
  TempRegistry temp;
  RegistryStore(temp.file()).writeText(kKey, "shared", "1");
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    if (children[c] == 0) {
      // Each writer read the file before the other wrote anything.
      RegistryStore store(temp.file());
      ::usleep(20000);
      const std::string key = std::string(kKey) + "\\Writer" + std::to_string(c);
      for (int i = 0; i < 40; ++i) store.writeText(key, "v" + std::to_string(i), "x");
      ::_exit(0);
    }
  }
  for (pid_t child : children) ::waitpid(child, nullptr, 0);
  RegistryStore store(temp.file());
  EXPECT_EQ(store.valueNames(std::string(kKey) + "\\Writer0").size(), 40u);
  EXPECT_EQ(store.valueNames(std::string(kKey) + "\\Writer1").size(), 40u);
  EXPECT_TRUE(store.valueExists(kKey, "shared"));
}

TEST(RegistryStore, BatchReachesTheFileAtOnce) {
  TempRegistry temp;
  const auto file = temp.folder() / "new" / "registry.json";
  RegistryStore store(file);
  {
    RegistryStore::Batch batch(store);
    store.writeText(kKey, "a", "1");
    store.deleteAllValues(kKey);
    store.writeText(kKey, "b", "2");
    EXPECT_EQ(store.readText(kKey, "b"), "2");  // visible to this store at once
    EXPECT_FALSE(std::filesystem::exists(temp.folder() / "new"));
  }
  // The folders are made by the first write.
  EXPECT_EQ(RegistryStore(file).valueNames(kKey), std::vector<std::string>{"b"});
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
  const std::string sizeKey = "\\SOFTWARE\\Dravenco\\Tarvo\\SizePosition";
  RegistryStore store(temp.file());
  EXPECT_EQ(store.valueNames(sizeKey), (std::vector<std::string>{"Left", "Height"}));
  EXPECT_EQ(store.readInteger(sizeKey, "Height"), 450);
  // A name repeated in the same case keeps its place and takes the later
  // value; one in another case stays behind it and reads the first.
  EXPECT_EQ(store.valueNames(kKey),
            (std::vector<std::string>{"P_Countp", "P_Bytesp", "p_countp", "W_LogPath"}));
  EXPECT_EQ(store.readText(kKey, "P_COUNTP"), "8");
  EXPECT_EQ(store.readText(kKey, "P_Bytesp"), "A\xF0\x9F\x98\x80");
  EXPECT_EQ(store.readText(kKey, "W_LogPath"), "a\uFFFDb");  // a stray byte is no character

  // The rest of the file survives the next write, and nothing is set aside.
  ASSERT_TRUE(store.writeText(kKey, "T_Host", "gw"));
  RegistryStore again(temp.file());
  EXPECT_EQ(again.readInteger(sizeKey, "Left"), 10);
  EXPECT_EQ(again.readText(kKey, "P_Countp"), "8");
  EXPECT_EQ(again.readText(kKey, "W_LogPath"), "a\uFFFDb");
  EXPECT_FALSE(std::filesystem::exists(temp.folder() / "registry.json.corrupt"));
}

TEST(RegistryStore, AValueWhereAKeyBelongsGivesWayAndTheFileIsKeptAside) {
  for (const std::string blocking :
       {R"({"SOFTWARE": {"Dravenco": {"Tarvo": {"Settings": "text", "Keep": {"v": "1"}}}}})",
        R"({"SOFTWARE": {"Dravenco": {"Tarvo": 5, "Keep": {"v": "1"}}}})"}) {
    TempRegistry temp;
    temp.write(blocking);
    RegistryStore store(temp.file());
    EXPECT_FALSE(store.keyExists(kKey));
    ASSERT_TRUE(store.writeText(kKey, "P_Countp", "2")) << blocking;
    EXPECT_EQ(TempRegistry::readFile(temp.folder() / "registry.json.corrupt"), blocking);
    RegistryStore again(temp.file());
    EXPECT_EQ(again.readText(kKey, "P_Countp"), "2");
    EXPECT_EQ(again.subkeyNames("\\SOFTWARE\\Dravenco").size(),
              blocking.find("Tarvo\": 5") == std::string::npos ? 1u : 2u);
    // Later saves find a key and keep no further copies.
    ASSERT_TRUE(again.writeText(kKey, "P_Countp", "3"));
    EXPECT_FALSE(std::filesystem::exists(temp.folder() / "registry.json.corrupt.1"));
  }
}
