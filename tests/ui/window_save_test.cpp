// "&Extras > &Save to File": the five sources, the shared dialog and the
// bytes of the written files.
#include <sys/stat.h>

#include <QTemporaryDir>

#include "ui/save_to_file.h"
#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowSave : public WindowTest {
 protected:
  void SetUp() override {
    open();
    find<SaveToFile>("SaveToFile")->setChooser([this](QFileDialog& dialog) {
      offered.push_back(dialog.selectedFiles().value(0).toStdString());
      return next;
    });
  }
  // Saves from the entry to `file` ("": the dialog is cancelled); returns
  // what the message box said, if one showed.
  std::string save(const char* entry, const QString& file) {
    next = file;
    return messageShownBy([&] { trigger(entry); });
  }
  std::string bytes() { return TempRegistry::readFile(next.toStdString()); }

  QTemporaryDir dir;
  QString next;  // the name the "dialog" returns
  std::vector<std::string> offered;
};

TEST_F(WindowSave, AnEmptySourceIsNamedAndNoDialogShows) {
  EXPECT_EQ(save("SaveWatchList", dir.filePath("x")),
            "NotAbleToSave|Not able to save to file|The Watch list is empty !");
  EXPECT_TRUE(offered.empty());
}

TEST_F(WindowSave, EachSourceIsWrittenWithCrLfAndTheDialogOffersTheLastName) {
  window->addHost("10.0.0.1", true, false);
  window->addHost("10.0.0.2", true, false);
  window->addHost("10.0.0.9", false, false);
  memo("Memo1")->setPlainText("Pinging 10.0.0.1\n\nReply");
  memo("Memo2")->setPlainText("Tracing route");
  window->watchPage().setItems({{"host-a", true}, {"b", false}});
  EXPECT_EQ(save("SavePingLines", ""), "");  // cancelled: nothing written
  EXPECT_TRUE(QDir(dir.path()).isEmpty());

  const QString first = dir.filePath("reached.txt");
  const QString second = dir.filePath("other");
  // The same file again and again: overwritten, not appended to.
  for (auto [entry, file, written] :
       {std::tuple{"SaveReached", first, "10.0.0.1\r\n10.0.0.2\r\n"},
        {"SaveNotReached", second, "10.0.0.9\r\n"},
        {"SavePingLines", second, "Pinging 10.0.0.1\r\n\r\nReply\r\n"},
        {"SaveTraceLines", second, "Tracing route\r\n"},
        {"SaveWatchList", second, "host-a\r\nb\r\n"}}) {
    EXPECT_EQ(save(entry, file), "") << entry;
    EXPECT_EQ(bytes(), written) << entry;
  }
  // Each dialog opens on the name chosen last.
  ASSERT_EQ(offered.size(), 6u);
  EXPECT_EQ(offered[2], first.toStdString());
  EXPECT_EQ(offered[5], second.toStdString());
}

TEST_F(WindowSave, AFileThatCannotBeWrittenIsNamedAndTheWindowGoesOn) {
  memo("Memo2")->setPlainText("Tracing route");
  const QString missing = dir.filePath("no-such-folder/trace.txt");
  const std::string message = save("SaveTraceLines", missing);
  EXPECT_TRUE(message.starts_with("SaveFailed|")) << message;
  EXPECT_NE(message.find(missing.toStdString() + "\". "), std::string::npos) << message;
  EXPECT_NE(message.find("No such file"), std::string::npos) << message;
  // A FIFO in the file's place is refused at once, never waited on.
  const QString fifo = dir.filePath("fifo.txt");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_NE(save("SaveTraceLines", fifo).find("not a regular file"), std::string::npos);
}

}  // namespace
}  // namespace tarvo::ui::testing
