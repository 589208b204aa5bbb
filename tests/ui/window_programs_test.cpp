// "Connect progs:", "&Go" and the "Additional Commands and Arguments"
// dialog, driven by their controls.
#include <QAction>
#include <QListWidget>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

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
  // Runs action on the modal window of that name once it shows, from inside
  // its event loop; gives up after a few seconds.
  void onModal(const char* objectName, std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != nullptr && modal->objectName() == objectName) {
        timer->stop();
        timer->deleteLater();
        action(modal);
      } else if (++*ticks > 500) {
        timer->stop();
        timer->deleteLater();
      }
    });
    timer->start(10);
  }

  // Closes the next message box of that name, keeping its title and text.
  void closeMessage(const char* objectName) {
    onModal(objectName, [this](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      message = box->windowTitle().toStdString() + "|" + box->text().toStdString();
      box->accept();
    });
  }

  template <typename T>
  static T* in(QWidget* dialog, const char* formName) {
    T* widget = dialog->findChild<T*>(formName);
    EXPECT_NE(widget, nullptr) << formName;
    return widget;
  }
  static void fillFields(QWidget* dialog, const Program& program) {
    in<QLineEdit>(dialog, "Edit3")->setText(program.command);
    in<QLineEdit>(dialog, "Edit4")->setText(program.name);
    in<QLineEdit>(dialog, "Edit1")->setText(program.preIp);
    in<QLineEdit>(dialog, "Edit2")->setText(program.postIp);
  }
  static std::vector<std::string> listed(QWidget* dialog) {
    std::vector<std::string> names;
    auto* list = in<QListWidget>(dialog, "ListBox1");
    for (int i = 0; i < list->count(); ++i) names.push_back(list->item(i)->text().toStdString());
    return names;
  }

  // Opens the dialog from the menu and runs steps on it; the steps close it.
  void editPrograms(std::function<void(QWidget*)> steps) {
    bool ran = false;
    onModal("TTEnterArgs", [&](QWidget* dialog) {
      ran = true;
      steps(dialog);
    });
    window->findChild<QAction*>("EditAdditionalProgs1")->trigger();
    EXPECT_TRUE(ran);
  }
  void addPrograms(const std::vector<Program>& programs) {
    editPrograms([&](QWidget* dialog) {
      for (const Program& program : programs) {
        fillFields(dialog, program);
        in<QPushButton>(dialog, "Button4")->click();
      }
      in<QPushButton>(dialog, "Button1")->click();
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
    if (!waitUntil([&] { return std::filesystem::exists(args); }, 5000)) return std::nullopt;
    return TempRegistry::readFile(args);
  }

  QTemporaryDir folder;
  std::string message;
};

TEST_F(WindowPrograms, ListHoldsTheEditEntryTelnetAndTheUserProgramsAsSaved) {
  open();
  EXPECT_EQ(items("ComboBox5"), (std::vector<std::string>{"*Edit commands*", "Telnet"}));
  EXPECT_EQ(combo("ComboBox5")->currentIndex(), 1);

  // The same name up to case replaces the entry and is shown as typed then.
  addPrograms({{"ssh", "Shell", "-l root"}, {"/usr/bin/ssh", "SHELL"}, {"xterm", "Term"}});
  EXPECT_EQ(items("ComboBox5"),
            (std::vector<std::string>{"*Edit commands*", "Telnet", "SHELL", "Term"}));
  EXPECT_EQ(combo("ComboBox5")->currentText(), "Term");

  closeWindow();
  nlohmann::json stored =
      nlohmann::json::parse(registry.read())["SOFTWARE"]["Dravenco"]["Tarvo"]["OtherCommands"];
  EXPECT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored["C0000001"]["CommandName"], "SHELL");
  EXPECT_EQ(stored["C0000001"]["CommandLine"], "/usr/bin/ssh");
  EXPECT_EQ(stored["C0000001"]["PreIPArguments"], " ");
  EXPECT_EQ(stored["C0000002"]["CommandName"], "Term");

  open();
  EXPECT_EQ(combo("ComboBox5")->currentText(), "Term");
}

TEST_F(WindowPrograms, DeletingMovesTheSelectionBackAndTheLastLeavesEmptyFields) {
  open();
  addPrograms({{"a-cmd", "A", "-x"}, {"b-cmd", "B"}});
  editPrograms([&](QWidget* dialog) {
    // Opens on the program "Connect progs:" shows.
    EXPECT_EQ(in<QListWidget>(dialog, "ListBox1")->currentRow(), 1);
    in<QPushButton>(dialog, "Button5")->click();
    EXPECT_EQ(listed(dialog), std::vector<std::string>{"A"});
    EXPECT_EQ(in<QLineEdit>(dialog, "Edit3")->text(), "a-cmd");
    EXPECT_EQ(in<QLineEdit>(dialog, "Edit1")->text(), "-x");
    EXPECT_EQ(in<QLineEdit>(dialog, "Edit2")->text(), "");  // the stored blank shows empty
    in<QPushButton>(dialog, "Button5")->click();
    EXPECT_TRUE(listed(dialog).empty());
    for (const char* field : {"Edit1", "Edit2", "Edit3", "Edit4"}) {
      EXPECT_TRUE(in<QLineEdit>(dialog, field)->text().isEmpty()) << field;
    }
    // Nothing to add: "&OK" stays silent.
    in<QPushButton>(dialog, "Button1")->click();
  });
  EXPECT_EQ(items("ComboBox5"), (std::vector<std::string>{"*Edit commands*", "Telnet"}));
  EXPECT_EQ(combo("ComboBox5")->currentIndex(), 1);
}

TEST_F(WindowPrograms, RequiredFieldsStopTheAddAndCancelRestoresTheSelection) {
  open();
  addPrograms({{"a-cmd", "A"}, {"b-cmd", "B"}});
  QComboBox* progs = combo("ComboBox5");
  progs->setCurrentIndex(2);
  progs->setFocus();
  bool ran = false;
  onModal("TTEnterArgs", [&](QWidget* dialog) {
    ran = true;
    fillFields(dialog, {"", "C"});
    closeMessage("RequiredFields");
    in<QPushButton>(dialog, "Button4")->click();
    EXPECT_EQ(message, "Stop|Please enter the required fields !");
    EXPECT_EQ(listed(dialog), (std::vector<std::string>{"A", "B"}));
    fillFields(dialog, {"c-cmd", "C"});
    in<QPushButton>(dialog, "Button4")->click();
    in<QPushButton>(dialog, "Button2")->click();
  });
  QTest::keyClick(progs, Qt::Key_Home);  // chooses "*Edit commands*"
  EXPECT_TRUE(ran);
  EXPECT_EQ(progs->currentText(), "A");
  EXPECT_EQ(items("ComboBox5").size(), 4u);
}

TEST_F(WindowPrograms, TheDialogReturnsToWhereItWasLeftBesideTheWindow) {
  open();
  QPoint moved = window->pos() + QPoint(40, 30);
  editPrograms([&](QWidget* dialog) {
    dialog->move(moved);
    in<QPushButton>(dialog, "Button2")->click();
  });
  window->move(window->pos() + QPoint(10, 20));
  editPrograms([&](QWidget* dialog) {
    EXPECT_EQ(dialog->pos(), moved + QPoint(10, 20));
    EXPECT_GE(dialog->width(), 536);
    EXPECT_GE(dialog->height(), 315);
    in<QPushButton>(dialog, "Button2")->click();
  });
}

TEST_F(WindowPrograms, GoHandsTheSelectedReachedHostToTheProgram) {
  ASSERT_TRUE(folder.isValid());
  open();
  std::string recorder = writeRecorder();
  addPrograms({{recorder.c_str(), "Recorder", "-p  22", "--end"}});

  // Without reached hosts the program gets no arguments.
  button("GoButton")->click();
  EXPECT_EQ(recordedArguments(), "\n");  // printf prints one empty line for none
  std::filesystem::remove(folder.filePath("args.txt").toStdString());

  window->addHost("127.0.0.7", true, true);
  window->addHost("127.0.0.9", true, false);
  combo("ComboBox1")->setCurrentIndex(1);
  button("GoButton")->click();
  EXPECT_EQ(recordedArguments(), "-p\n22\n127.0.0.9\n--end\n");
}

TEST_F(WindowPrograms, AMissingProgramIsReportedByItsCommandLine) {
  open();
  addPrograms({{"tarvo-no-such-program", "Missing"}});
  closeMessage("ErrorExecutingCommand");
  button("GoButton")->click();
  EXPECT_EQ(message, "Error Executing Command|tarvo-no-such-program not found !");
}

}  // namespace
}  // namespace tarvo::ui::testing
