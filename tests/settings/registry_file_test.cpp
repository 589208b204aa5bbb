// The settings file as the user's file in a folder others may share.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "settings/registry_store.h"
#include "temp_registry.h"

using tarvo::settings::RegistryStore;

namespace {

constexpr const char* kKey = "\\SOFTWARE\\Dravenco\\Tarvo\\Settings";
namespace fs = std::filesystem;

}  // namespace

TEST(RegistryFile, PlantedTemporaryAndLockNamesAreNeverFollowed) {
  TempRegistry temp;
  const fs::path victim = temp.folder() / "victim";
  temp.write("{}");
  std::ofstream(victim) << "precious";
  // A link under the name older versions wrote their temporary file to.
  fs::create_symlink(victim, temp.folder() / "registry.json.tmp");
  ASSERT_TRUE(RegistryStore(temp.file()).writeText(kKey, "a", "1"));
  EXPECT_EQ(TempRegistry::readFile(victim), "precious");
  EXPECT_EQ(RegistryStore(temp.file()).readText(kKey, "a"), "1");

  // A link under the lock's name is refused rather than followed.
  const fs::path elsewhere = temp.folder() / "created-elsewhere";
  fs::remove(temp.folder() / "registry.json.lock");
  fs::create_symlink(elsewhere, temp.folder() / "registry.json.lock");
  const std::string before = temp.read();
  auto refused = RegistryStore(temp.file()).writeText(kKey, "b", "2");
  EXPECT_FALSE(refused);
  EXPECT_NE(refused.error.find("registry.json.lock"), std::string::npos) << refused.error;
  EXPECT_FALSE(fs::exists(fs::symlink_status(elsewhere)));
  EXPECT_EQ(temp.read(), before);
}

TEST(RegistryFile, ALinkedFileIsWrittenThroughAndKeepsItsMode) {
  TempRegistry temp;
  const fs::path target = temp.folder() / "dotfiles" / "tarvo.json";
  fs::create_directories(target.parent_path());
  std::ofstream(target) << R"({"Other": {"kept": "1"}})";
  ::chmod(target.c_str(), 0640);
  fs::create_symlink("dotfiles/tarvo.json", temp.file());

  ASSERT_TRUE(RegistryStore(temp.file()).writeText(kKey, "a", "1"));
  EXPECT_TRUE(fs::is_symlink(temp.file()));
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
  RegistryStore store(target);
  EXPECT_EQ(store.readText(kKey, "a"), "1");
  EXPECT_EQ(store.readText("\\Other", "kept"), "1");
}

// A read-only file is refused too: the console's settings test shows it.
TEST(RegistryFile, AFolderWhereTheFileShouldBeIsLeftAloneAndNamed) {
  TempRegistry temp;
  fs::create_directory(temp.file());
  auto result = RegistryStore(temp.file()).writeText(kKey, "b", "2");
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find(temp.file().string()), std::string::npos) << result.error;
  EXPECT_TRUE(fs::is_directory(temp.file()));
}

TEST(RegistryFile, WithoutHomeTheFileStaysInTheAccountsHome) {
  // Each test runs in a process of its own, so the emptied environment stays here.
  for (const char* name : {"TARVO_REGISTRY", "XDG_CONFIG_HOME", "HOME"}) ::unsetenv(name);
  const fs::path path = tarvo::settings::defaultRegistryPath();
  EXPECT_TRUE(path.is_absolute()) << path;
  EXPECT_EQ(path.filename(), "registry.json");
}
