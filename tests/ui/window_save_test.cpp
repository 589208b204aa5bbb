// "&Extras > &Save to File": the five sources, the shared dialog and the
// bytes of the written files.
#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "ui/save_to_file.h"
#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowSave : public WindowTest {
 protected:
  void SetUp() override {
    open();
    saver = window->findChild<SaveToFile*>("SaveToFile");
    ASSERT_NE(saver, nullptr);
    saver->setChooser([this](QFileDialog& dialog) {
      offered.push_back(dialog.selectedFiles().value(0).toStdString());
      return next;
    });
  }

  // Triggers the entry; returns the title and text of the message it
  // shows, or "" when none is shown.
  std::string save(const char* entry) {
    auto message = std::make_shared<std::string>();
    auto* timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box != nullptr) {
        *message = box->objectName().toStdString() + "|" + box->windowTitle().toStdString() + "|" +
                   box->text().toStdString();
        box->accept();
      }
      if (box != nullptr || ++*ticks > 300) {
        timer->stop();
        timer->deleteLater();
      }
    });
    timer->start(10);
    QAction* action = window->findChild<QAction*>(entry);
    EXPECT_NE(action, nullptr) << entry;
    if (action != nullptr) action->trigger();
    timer->stop();
    timer->deleteLater();
    return *message;
  }

  static std::string bytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  QTemporaryDir dir;
  SaveToFile* saver = nullptr;
  QString next;  // the name the "dialog" returns
  std::vector<std::string> offered;
};

TEST_F(WindowSave, TheMenuListsTheFiveEntriesInTwoSeparatedGroups) {
  auto* menu = window->findChild<QMenu*>("SaveToFileMenu");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title(), "&Save to File");
  std::vector<std::string> texts;
  for (QAction* action : menu->actions())
    texts.push_back(action->isSeparator() ? "-" : action->text().toStdString());
  EXPECT_EQ(texts,
            (std::vector<std::string>{"Reached &Hosts...", "&NOT Reached Hosts...", "-",
                                      "Lines displayed by &Ping...",
                                      "Lines displayed by &Traceroute...", "-", "Watch List..."}));
}

TEST_F(WindowSave, AnEmptySourceIsNamedAndNoDialogShows) {
  const std::string title = "NotAbleToSave|Not able to save to file|";
  EXPECT_EQ(save("SaveReached"), title + "The list of reached hosts is empty !");
  EXPECT_EQ(save("SaveNotReached"), title + "The list of NOT reached hosts is empty !");
  EXPECT_EQ(save("SavePingLines"), title + "The Ping display list is empty !");
  EXPECT_EQ(save("SaveTraceLines"), title + "The Traceroute display list is empty !");
  EXPECT_EQ(save("SaveWatchList"), title + "The Watch list is empty !");
  EXPECT_TRUE(offered.empty());
}

TEST_F(WindowSave, EachSourceIsWrittenWithCrLfAndTheDialogOffersTheLastName) {
  window->addHost("10.0.0.1", true, false);
  window->addHost("10.0.0.2", true, false);
  window->addHost("10.0.0.9", false, false);
  memo("Memo1")->setPlainText("Pinging 10.0.0.1\n\nReply caf\u00e9");
  memo("Memo2")->setPlainText("Tracing route");
  window->watchPage().setItems({{"host-a", true}, {"\u0141\u00f3d\u017a", false}});

  const QString first = dir.filePath("reached.txt");
  const QString second = dir.filePath("other");
  next = first;
  EXPECT_EQ(save("SaveReached"), "");
  EXPECT_EQ(bytes(first), "10.0.0.1\r\n10.0.0.2\r\n");
  next = second;
  EXPECT_EQ(save("SaveNotReached"), "");
  EXPECT_EQ(bytes(second), "10.0.0.9\r\n");
  // The same file again: overwritten, not appended to.
  EXPECT_EQ(save("SavePingLines"), "");
  EXPECT_EQ(bytes(second), "Pinging 10.0.0.1\r\n\r\nReply caf\xe9\r\n");
  EXPECT_EQ(save("SaveTraceLines"), "");
  EXPECT_EQ(bytes(second), "Tracing route\r\n");
  // Checked and unchecked items alike; a name without a Windows-1252 form
  // keeps the file UTF-8.
  EXPECT_EQ(save("SaveWatchList"), "");
  EXPECT_EQ(bytes(second), "host-a\r\n\u0141\u00f3d\u017a\r\n");

  ASSERT_EQ(offered.size(), 5u);
  EXPECT_EQ(offered[1], first.toStdString());
  EXPECT_EQ(offered[2], second.toStdString());
  EXPECT_EQ(offered[4], second.toStdString());
}

TEST_F(WindowSave, ACancelledDialogWritesNothing) {
  memo("Memo1")->setPlainText("line");
  next.clear();
  EXPECT_EQ(save("SavePingLines"), "");
  EXPECT_EQ(offered.size(), 1u);
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(WindowSave, AFileThatCannotBeWrittenIsNamedAndTheWindowGoesOn) {
  memo("Memo2")->setPlainText("Tracing route");
  next = dir.filePath("no-such-folder/trace.txt");
  std::string message = save("SaveTraceLines");
  EXPECT_EQ(message.rfind("SaveFailed|", 0), 0u) << message;
  EXPECT_NE(message.find(next.toStdString()), std::string::npos) << message;
  EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;

  next = dir.filePath("trace.txt");
  EXPECT_EQ(save("SaveTraceLines"), "");
  EXPECT_EQ(bytes(next), "Tracing route\r\n");
}

}  // namespace
}  // namespace tarvo::ui::testing
