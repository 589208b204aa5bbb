// The help window opened by F1 and "Help Topics", and the About box.
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
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
  for (auto [tab, control, anchor] : {std::tuple{0, "ComboBox4", "ctx230"},
                                      {0, "ComboBox5", "ctx250"},
                                      {1, "Edit15", "ctx230"},
                                      {1, "ComboBox3", "ctx240"},
                                      {2, "Edit16", "ctx144"}}) {
    selectTab(tab);
    EXPECT_EQ(pressF1On(find<QWidget>(control)), anchor) << control;
  }
  EXPECT_TRUE(help()->isVisible());
  // The tab row itself belongs to the main window.
  EXPECT_EQ(pressF1On(find<QTabWidget>("PageControl1")->tabBar()), "ctx100");
  // Only one help window, reused.
  EXPECT_EQ(window->findChildren<HelpWindow*>().size(), 1);
  trigger("HelpTopics1");
  EXPECT_EQ(help()->browser()->verticalScrollBar()->value(), 0);
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

TEST_F(WindowHelp, EveryHelpContextHasASection) {
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

TEST_F(WindowHelp, AboutBoxShowsTheVersionOpensTheAddressAndKeepsItsPlace) {
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler("https", &recorder, "open");
  QPoint offset;
  auto inBox = [&](const std::function<void(QWidget*)>& steps) {
    EXPECT_TRUE(withModal("TForm2", steps, [&] { trigger("InfoAbout1"); }));
  };
  inBox([&](QWidget* box) {
    EXPECT_EQ(child<QLabel>(box, "Label2")->text(), "Version " TARVO_TEST_VERSION);
    emit child<QLabel>(box, "Edit1")->linkActivated(kAboutAddress);
    box->move(window->pos() + QPoint(40, 30));
    offset = box->pos() - window->pos();
    child<QPushButton>(box, "Button1")->click();
  });
  QDesktopServices::unsetUrlHandler("https");
  ASSERT_EQ(recorder.opened.size(), 1);
  EXPECT_EQ(recorder.opened[0], QUrl("https://tarvo.example.org/"));

  inBox([&](QWidget* box) {
    EXPECT_EQ(box->pos() - window->pos(), offset);
    QTest::keyClick(box, Qt::Key_F1);  // the About section
    EXPECT_EQ(anchor(), "ctx210");
  });
}

}  // namespace
}  // namespace tarvo::ui::testing

#include "window_help_test.moc"
