#include "ui/help_window.h"

#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QVariant>

#include "ui/tab_pages.h"

// The help page lives in a static library: its resource must be pulled in.
static void loadHelpResource() { Q_INIT_RESOURCE(help); }

namespace tarvo::ui {

namespace {
const QUrl kHelpPage("qrc:/help/tarvo.html");
}  // namespace

int helpContextOf(const QWidget* widget) {
  for (; widget != nullptr; widget = widget->parentWidget()) {
    bool ok = false;
    int context = widget->property(kHelpContextProperty).toInt(&ok);
    if (ok && context != 0) return context;
  }
  return 0;
}

QString helpAnchor(int context) { return QStringLiteral("ctx%1").arg(context); }

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser) {
  loadHelpResource();
  setObjectName("HelpWindow");
  setWindowTitle("Tarvo Help");
  browser_->setObjectName("HelpBrowser");
  // Links to the web leave the help for the desktop's browser.
  browser_->setOpenExternalLinks(true);
  browser_->setSource(kHelpPage);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(640, 520);
}

void HelpWindow::showContents() {
  browser_->setSource(kHelpPage);
  browser_->verticalScrollBar()->setValue(0);
  present();
}

void HelpWindow::showContext(int context) {
  if (browser_->source().adjusted(QUrl::RemoveFragment) != kHelpPage)
    browser_->setSource(kHelpPage);
  QString anchor = helpAnchor(context);
  if (browser_->toHtml().contains("name=\"" + anchor + "\"")) {
    QUrl url = kHelpPage;
    url.setFragment(anchor);
    browser_->setSource(url);
    browser_->scrollToAnchor(anchor);
  } else {
    browser_->scrollToAnchor("contents");
  }
  present();
}

void HelpWindow::present() {
  show();
  raise();
  activateWindow();
}

}  // namespace tarvo::ui
