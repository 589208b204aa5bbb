#include "settings/program_launch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "temp_registry.h"

using namespace tarvo::settings;

TEST(ProgramLaunch, CommandLineIsSplitAtBlanks) {
  AdditionalPrograms programs;
  programs.append("ssh", "SSH", "-l  admin", "");
  const std::vector<std::string> reached{"10.0.0.1", "10.0.0.2"};

  auto command = composeProgramCommand(programs, 2, reached, 1);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->program, "ssh");
  EXPECT_EQ(command->arguments, (std::vector<std::string>{"-l", "admin", "10.0.0.2"}));
  // No selected host: the address is empty and drops out.
  EXPECT_EQ(composeProgramCommand(programs, 2, reached, std::nullopt)->arguments,
            (std::vector<std::string>{"-l", "admin"}));
  // The built-in program without reached hosts starts without arguments.
  command = composeProgramCommand(programs, 1, {}, std::nullopt);
  EXPECT_EQ(command->program, "telnet");
  EXPECT_TRUE(command->arguments.empty());
  EXPECT_EQ(composeProgramCommand(programs, 1, reached, 0)->arguments,
            std::vector<std::string>{"10.0.0.1"});

  programs.commandLines[2].clear();
  EXPECT_FALSE(composeProgramCommand(programs, 2, reached, 0));
  EXPECT_FALSE(composeProgramCommand(programs, 7, reached, 0));
}

TEST(ProgramLaunch, StartFailuresGiveTheirMessages) {
  EXPECT_EQ(launchProgram({"tarvo-no-such-program", {"10.0.0.1"}}),
            "tarvo-no-such-program not found !");
  TempRegistry temp;
  const auto notAProgram = temp.folder() / "notes.txt";
  std::ofstream(notAProgram) << "plain text\n";
  ::chmod(notAProgram.c_str(), 0644);
  EXPECT_EQ(launchProgram({notAProgram.string(), {}}), "Wrong exec format !");

  // A program that exists starts, found along PATH.
  const auto marker = temp.folder() / "started";
  EXPECT_FALSE(launchProgram({"touch", {marker.string()}}));
  for (int i = 0; i < 200 && !std::filesystem::exists(marker); ++i) ::usleep(10000);
  EXPECT_TRUE(std::filesystem::exists(marker));
}
