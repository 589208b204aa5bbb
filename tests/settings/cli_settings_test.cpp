// Runs the built tarvo-cli against registry files in a temporary folder.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <string>

#include "settings/registry_store.h"
#include "temp_registry.h"

using tarvo::settings::RegistryStore;

namespace {

struct CliRun {
  std::string out, err;
  int status = -1;
};

CliRun runCli(const TempRegistry& temp, const std::string& args) {
  const auto errFile = temp.folder() / "stderr.txt";
  const std::string command = "TARVO_REGISTRY='" + temp.file().string() + "' '" TARVO_CLI "' " +
                              args + " 2>'" + errFile.string() + "'";
  CliRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, n);
  run.status = ::pclose(pipe);
  run.err = TempRegistry::readFile(errFile);
  std::filesystem::remove(errFile);
  return run;
}

bool hasLine(const std::string& out, const std::string& line) {
  return ("\n" + out).find("\n" + line + "\n") != std::string::npos;
}

}  // namespace

// The load's repairs themselves are the settings tests'; here that the console
// lists what the load gives, a new user's defaults first, and writes only on
// --save.
TEST(CliSettings, StoredValuesAreListedAndSavedOnlyOnRequest) {
  TempRegistry temp;
  CliRun run = runCli(temp, "settings");  // a new user's
  EXPECT_EQ(run.out.rfind("P_RangeEnabled=0\nP_Countp=4\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("W_AutoStartFile=\nProgram1=Telnet|telnet| | \n"), std::string::npos);
  EXPECT_EQ(run.out.find("P_FirstIP"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(temp.file()));  // printing writes nothing
  EXPECT_NE(runCli(temp, "settings --bogus").status, 0);

  temp.write(R"({"SOFTWARE": {"Dravenco": {"Tarvo": {
      "OtherCommand": {"CommandLine": "/usr/bin/ssh", "PreIPArguments": "-l admin"},
      "Settings": {"P_TTL": "300", "P_FirstIP": "10.1.2.3", "P_LastIP": "10.1.2.9",
      "P_RangeEnabled": "1",
      "PingHosts": {"P_DestHost_000": "gw", "P_DestHost_001": "127.0.0.1"}}}}}})");
  const std::string before = temp.read();
  run = runCli(temp, "settings");
  for (const char* line : {"P_TTL=60", "P_FirstIP=10.1.2.3", "PingHost0=gw", "PingHost1=127.0.0.1",
                           "Program2=ssh|/usr/bin/ssh|-l admin| "}) {
    EXPECT_TRUE(hasLine(run.out, line)) << line << "\n" << run.out;
  }
  EXPECT_EQ(temp.read(), before);  // printing alone never writes

  // --save stores what was printed, as closing the window would.
  ASSERT_EQ(runCli(temp, "settings --save").status, 0);
  RegistryStore store(temp.file());
  const std::string key = "\\SOFTWARE\\Dravenco\\Tarvo\\";
  EXPECT_EQ(store.readText(key + "Settings", "P_TTL"), "60");
  EXPECT_EQ(store.valueNames(key + "Settings").front(), "P_RangeEnabled");
  EXPECT_EQ(store.readText(key + "OtherCommands\\C0000001", "CommandLine"), "/usr/bin/ssh");
  EXPECT_FALSE(store.keyExists(key + "SizePosition"));
}

// A read-only file is not replaced (other places a save cannot write are
// the registry file tests'); the console says so and fails.
TEST(CliSettings, ASaveThatWritesNothingFailsWithTheReason) {
  TempRegistry temp;
  temp.write(R"({"SOFTWARE": {"Dravenco": {"Tarvo": {"Settings": {"P_TTL": "99"}}}}})");
  std::filesystem::permissions(temp.file(), std::filesystem::perms::owner_read);
  const std::string before = temp.read();
  CliRun run = runCli(temp, "settings --save");
  EXPECT_EQ(WEXITSTATUS(run.status), 1);
  EXPECT_EQ(run.err.rfind("tarvo-cli settings: the settings were not saved: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("read-only"), std::string::npos) << run.err;
  EXPECT_TRUE(hasLine(run.out, "P_TTL=99"));
  EXPECT_EQ(temp.read(), before);
  EXPECT_EQ(std::filesystem::status(temp.file()).permissions(), std::filesystem::perms::owner_read);
}
