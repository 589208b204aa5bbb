#include "settings/program_launch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "temp_registry.h"
#include "wait_until.h"

using namespace tarvo::settings;

// Splitting the arguments at blanks around the selected host is the window's
// programs test; here the entries and hosts that give other commands.
TEST(ProgramLaunch, CommandOfEachEntryAndHostChoice) {
  AdditionalPrograms programs;
  programs.append("ssh", "SSH", "-l  admin", "");
  const std::vector<std::string> reached{"10.0.0.1", "10.0.0.2"};
  // No selected host: the address is empty and drops out.
  EXPECT_EQ(composeProgramCommand(programs, 2, reached, std::nullopt)->arguments,
            (std::vector<std::string>{"-l", "admin"}));
  auto command = composeProgramCommand(programs, 1, reached, 0);
  EXPECT_EQ(command->program, "telnet");
  EXPECT_EQ(command->arguments, std::vector<std::string>{"10.0.0.1"});
  EXPECT_FALSE(composeProgramCommand(programs, 7, reached, 0));
}

// A program not found is the window's programs test.
TEST(ProgramLaunch, AFileThatIsNoProgramSaysSoAndAProgramIsFoundAlongPath) {
  TempRegistry temp;
  const auto notAProgram = temp.folder() / "notes.txt";
  std::ofstream(notAProgram) << "plain text\n";
  ::chmod(notAProgram.c_str(), 0644);
  EXPECT_EQ(launchProgram({notAProgram.string(), {}}), "Wrong exec format !");

  // A program that exists starts, found along PATH.
  const auto marker = temp.folder() / "started";
  EXPECT_FALSE(launchProgram({"touch", {marker.string()}}));
  EXPECT_TRUE(tarvo::testing::waitUntil([&] { return std::filesystem::exists(marker); }));
}
