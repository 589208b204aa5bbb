// The help window opened by F1 and "Help Topics", and the About box.
#include <QAction>
#include <QCursor>
#include <QDesktopServices>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <set>

#include "ui/about_box.h"
#include "ui/help_window.h"
#include "ui/tab_pages.h"
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
  HelpWindow* help() { return window->findChild<HelpWindow*>(); }
  // F1 with the focus on a control; the help window's anchor then.
  QString pressF1On(QWidget* control) {
    // The help window took the activation at the last press.
    window->activateWindow();
    EXPECT_TRUE(waitUntil([&] { return window->isActiveWindow(); }, 5000));
    control->setFocus();
    EXPECT_TRUE(waitUntil([&] { return focused() == control; }, 5000));
    QTest::keyClick(control, Qt::Key_F1);
    EXPECT_NE(help(), nullptr);
    return help() != nullptr ? help()->browser()->source().fragment() : QString();
  }
};

TEST_F(WindowHelp, F1OpensTheSectionOfTheFocusedControl) {
  open();
  EXPECT_EQ(pressF1On(combo("ComboBox4")), "ctx230");  // Ping host
  EXPECT_TRUE(help()->isVisible());
  EXPECT_EQ(pressF1On(combo("ComboBox5")), "ctx250");  // Connect progs
  selectTab(1);
  EXPECT_EQ(pressF1On(edit("Edit15")), "ctx230");  // Max hops
  EXPECT_EQ(pressF1On(combo("ComboBox3")), "ctx240");
  selectTab(2);
  auto* watchControl = window->findChild<QTabWidget*>("PageControl1")->currentWidget();
  QWidget* inWatch = watchControl->findChild<QLineEdit*>();
  ASSERT_NE(inWatch, nullptr);
  EXPECT_EQ(pressF1On(inWatch), "ctx144");
  // The tab row itself belongs to the main window.
  EXPECT_EQ(pressF1On(window->findChild<QTabWidget*>("PageControl1")->tabBar()), "ctx100");
  // Only one help window, reused.
  EXPECT_EQ(window->findChildren<HelpWindow*>().size(), 1);

  window->findChild<QAction*>("HelpTopics1")->trigger();
  EXPECT_EQ(help()->browser()->verticalScrollBar()->value(), 0);
}

// The "SysTray" button takes no focus, so F1 reaches its help while the
// mouse pointer rests on it; elsewhere F1 stays with the focused control.
TEST_F(WindowHelp, F1OverTheSysTrayButtonOpensItsSection) {
  open();
  QPushButton* tray = button("SysTray");
  QCursor::setPos(tray->mapToGlobal(tray->rect().center()));
  EXPECT_EQ(pressF1On(combo("ComboBox4")), "ctx270");
  QCursor::setPos(edit("Edit1")->mapToGlobal(QPoint(2, 2)));
  EXPECT_EQ(pressF1On(combo("ComboBox4")), "ctx230");
}

TEST_F(WindowHelp, EveryHelpContextHasASection) {
  open();
  HelpWindow page;
  const QString html = page.browser()->toHtml();
  std::set<int> contexts{100, 210, 230, 240, 250, 144, 270};
  for (QWidget* widget : window->findChildren<QWidget*>()) {
    int context = widget->property(kHelpContextProperty).toInt();
    if (context != 0) contexts.insert(context);
  }
  for (int context : contexts)
    EXPECT_TRUE(html.contains("name=\"" + helpAnchor(context) + "\"")) << context;
  // Every link inside the page leads to a section of it.
  QFile file(":/help/tarvo.html");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString source = QString::fromUtf8(file.readAll());
  auto links = QRegularExpression("href=\"#([a-z0-9]+)\"").globalMatch(source);
  while (links.hasNext()) {
    QString anchor = links.next().captured(1);
    EXPECT_TRUE(source.contains("name=\"" + anchor + "\"")) << anchor.toStdString();
  }
}

TEST_F(WindowHelp, AboutBoxShowsItsTextsOpensTheAddressAndKeepsItsPlace) {
  open();
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler("https", &recorder, "open");
  QPoint offset;
  bool ran = false;
  auto inBox = [&](std::function<void(QDialog*)> steps) {
    ran = false;
    QTimer::singleShot(50, [&] {
      auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      ran = true;
      steps(box);
    });
    window->findChild<QAction*>("InfoAbout1")->trigger();
    EXPECT_TRUE(ran);
  };
  inBox([&](QDialog* box) {
    EXPECT_EQ(box->objectName(), "TForm2");
    EXPECT_EQ(box->windowTitle(), "Info about...");
    auto text = [box](const char* name) { return box->findChild<QLabel*>(name)->text(); };
    QString title = text("Label1");
    EXPECT_TRUE(title.contains("color: red;\">Tarvo</span>")) << title.toStdString();
    EXPECT_TRUE(title.contains("color: blue;\">The </span>"));
    EXPECT_EQ(text("Label2"), "Version " TARVO_TEST_VERSION);
    EXPECT_EQ(text("Label3"), "Made by Dravenco");
    emit box->findChild<QLabel*>("Edit1")->linkActivated(kAboutAddress);
    EXPECT_EQ(box->findChild<QPushButton*>("Button1")->text(), "&OK");
    box->move(window->pos() + QPoint(40, 30));
    offset = box->pos() - window->pos();
    box->findChild<QPushButton*>("Button1")->click();
  });
  QDesktopServices::unsetUrlHandler("https");
  ASSERT_EQ(recorder.opened.size(), 1);
  EXPECT_EQ(recorder.opened[0], QUrl("https://tarvo.example.org/"));

  inBox([&](QDialog* box) {
    EXPECT_EQ(box->pos() - window->pos(), offset);
    // F1 in the box: the About section.
    QTest::keyClick(box, Qt::Key_F1);
    ASSERT_NE(help(), nullptr);
    EXPECT_EQ(help()->browser()->source().fragment(), "ctx210");
    box->reject();
  });
}

}  // namespace
}  // namespace tarvo::ui::testing

#include "window_help_test.moc"
