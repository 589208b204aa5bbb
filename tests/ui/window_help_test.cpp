// The help window opened by F1 and "Help Topics", and the About box.
#include <QCursor>
#include <QDesktopServices>
#include <QTextBrowser>

#include "ui/about_box.h"
#include "ui/help_window.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

// Records the addresses the desktop's URL handler is asked to open.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};

class WindowHelp : public WindowTest {
 protected:
  void SetUp() override { open(); }
  HelpWindow* help() { return window->findChild<HelpWindow*>(); }
  QString anchor() { return help() != nullptr ? help()->browser()->source().fragment() : ""; }
  // F1 with the focus on a control; the help window's anchor then.
  QString pressF1On(QWidget* control) {
    // The help window took the activation at the last press.
    window->activateWindow();
    EXPECT_TRUE(waitUntil([&] { return window->isActiveWindow(); }));
    control->setFocus();
    EXPECT_TRUE(waitUntil([&] { return focused() == control; }));
    QTest::keyClick(control, Qt::Key_F1);
    return anchor();
  }
};

TEST_F(WindowHelp, F1OpensTheSectionOfTheFocusedControl) {
  for (auto [tab, control, anchor] : {std::tuple{0, "ComboBox5", "ctx250"},
                                      {1, "ComboBox3", "ctx240"},
                                      {2, "Edit16", "ctx144"}}) {
    selectTab(tab);
    EXPECT_EQ(pressF1On(find<QWidget>(control)), anchor) << control;
  }
  EXPECT_EQ(window->findChildren<HelpWindow*>().size(), 1);  // one, reused
  // The "SysTray" button takes no focus, so F1 reaches its help while the
  // mouse pointer rests on it.
  help()->close();
  selectTab(0);
  QPushButton* tray = button("SysTray");
  QCursor::setPos(tray->mapToGlobal(tray->rect().center()));
  EXPECT_EQ(pressF1On(combo("ComboBox4")), "ctx270");
  QCursor::setPos(edit("Edit1")->mapToGlobal(QPoint(2, 2)));
  EXPECT_EQ(pressF1On(combo("ComboBox4")), "ctx230");
}

TEST_F(WindowHelp, AboutBoxShowsTheVersionAndOpensTheAddress) {
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler("https", &recorder, "open");
  auto inBox = [&](const std::function<void(QWidget*)>& steps) {
    EXPECT_TRUE(withModal("TForm2", steps, [&] { trigger("InfoAbout1"); }));
  };
  inBox([&](QWidget* box) {
    EXPECT_EQ(child<QLabel>(box, "Label2")->text(), "Version " TARVO_TEST_VERSION);
    emit child<QLabel>(box, "Edit1")->linkActivated(kAboutAddress);
    QTest::keyClick(box, Qt::Key_F1);  // the About section
    EXPECT_EQ(anchor(), "ctx210");
  });
  QDesktopServices::unsetUrlHandler("https");
  EXPECT_EQ(recorder.opened, QList<QUrl>{QUrl("https://tarvo.example.org/")});
}

}  // namespace
}  // namespace tarvo::ui::testing

#include "window_help_test.moc"
