// "Connect progs:", "&Go" and the "Additional Commands and Arguments"
// dialog, driven by their controls.
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

struct Program {
  const char* command;
  const char* name;
  const char* preIp = "";
  const char* postIp = "";
};

class WindowPrograms : public WindowTest {
 protected:
  void SetUp() override { open(); }
  static void press(QWidget* dialog, const char* name) {
    child<QPushButton>(dialog, name)->click();
  }
  static void fillFields(QWidget* dialog, const Program& program) {
    for (auto [name, text] : {std::pair{"Edit3", program.command},
                              {"Edit4", program.name},
                              {"Edit1", program.preIp},
                              {"Edit2", program.postIp}}) {
      child<QLineEdit>(dialog, name)->setText(text);
    }
  }
  // Opens the dialog from the menu and runs steps on it; the steps close it.
  void editPrograms(const std::function<void(QWidget*)>& steps) {
    EXPECT_TRUE(withModal("TTEnterArgs", steps, [&] { trigger("EditAdditionalProgs1"); }));
  }
  void addPrograms(const std::vector<Program>& programs) {
    editPrograms([&](QWidget* dialog) {
      for (const Program& program : programs) {
        fillFields(dialog, program);
        press(dialog, "Button4");
      }
      press(dialog, "Button1");
    });
  }
  // A program of the test's own that writes its arguments, one a line,
  // to args.txt beside it.
  std::string writeRecorder() {
    std::string path = folder.filePath("record.sh").toStdString();
    std::ofstream(path) << "#!/bin/sh\nout=\"$(dirname \"$0\")/args.txt\"\n"
                           "printf '%s\\n' \"$@\" > \"$out.tmp\"\nmv \"$out.tmp\" \"$out\"\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }
  std::optional<std::string> recordedArguments() {
    std::filesystem::path args = folder.filePath("args.txt").toStdString();
    if (!waitUntil([&] { return std::filesystem::exists(args); })) return std::nullopt;
    std::string text = TempRegistry::readFile(args);
    std::filesystem::remove(args);
    return text;
  }

  QTemporaryDir folder;
};

TEST_F(WindowPrograms, ListHoldsTheEditEntryTelnetAndTheUserProgramsAsSaved) {
  EXPECT_EQ(items("ComboBox5"), (std::vector<std::string>{"*Edit commands*", "Telnet"}));
  EXPECT_EQ(combo("ComboBox5")->currentIndex(), 1);

  // The same name up to case replaces the entry and is shown as typed then.
  addPrograms({{"ssh", "Shell", "-l root"}, {"/usr/bin/ssh", "SHELL"}, {"xterm", "Term"}});
  EXPECT_EQ(items("ComboBox5"),
            (std::vector<std::string>{"*Edit commands*", "Telnet", "SHELL", "Term"}));
  EXPECT_EQ(combo("ComboBox5")->currentText(), "Term");

  closeWindow();
  open();
  EXPECT_EQ(items("ComboBox5").size(), 4u);
  EXPECT_EQ(combo("ComboBox5")->currentText(), "Term");
}

TEST_F(WindowPrograms, RequiredFieldsStopTheAddAndCancelRestoresTheSelection) {
  addPrograms({{"a-cmd", "A"}, {"b-cmd", "B"}});
  QComboBox* progs = combo("ComboBox5");
  progs->setCurrentIndex(2);
  progs->setFocus();
  auto steps = [&](QWidget* dialog) {
    fillFields(dialog, {"", "C"});
    EXPECT_EQ(messageShownBy([&] { press(dialog, "Button4"); }),
              "RequiredFields|Stop|Please enter the required fields !");
    fillFields(dialog, {"c-cmd", "C"});
    press(dialog, "Button4");
    press(dialog, "Button2");
  };
  // Choosing "*Edit commands*" opens the dialog.
  EXPECT_TRUE(withModal("TTEnterArgs", steps, [&] { QTest::keyClick(progs, Qt::Key_Home); }));
  EXPECT_EQ(progs->currentText(), "A");
  EXPECT_EQ(items("ComboBox5").size(), 4u);
}

TEST_F(WindowPrograms, GoHandsTheSelectedReachedHostToTheProgram) {
  ASSERT_TRUE(folder.isValid());
  addPrograms({{writeRecorder().c_str(), "Recorder", "-p  22", "--end"}});
  window->addHost("127.0.0.7", true, true);
  window->addHost("127.0.0.9", true, false);
  combo("ComboBox1")->setCurrentIndex(1);
  button("GoButton")->click();
  EXPECT_EQ(recordedArguments(), "-p\n22\n127.0.0.9\n--end\n");

  addPrograms({{"tarvo-no-such-program", "Missing"}});
  EXPECT_EQ(messageShownBy([&] { button("GoButton")->click(); }),
            "ErrorExecutingCommand|Error Executing Command|tarvo-no-such-program not found !");
}

}  // namespace
}  // namespace tarvo::ui::testing
