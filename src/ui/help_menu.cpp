#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPoint>
#include <QShortcut>

#include "ui/about_box.h"
#include "ui/help_window.h"
#include "ui/main_window.h"
#include "ui/tab_pages.h"

namespace tarvo::ui {

namespace {

// The About box's place relative to the window, kept for the running
// program only.
constexpr const char* kAboutOffsetProperty = "aboutOffset";

// One help window for the main window, made when first asked for.
HelpWindow* helpWindowOf(QWidget* window) {
  auto* help = window->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
  return help != nullptr ? help : new HelpWindow(window);
}

// The control F1 is about: the focused one, unless the mouse pointer rests
// on a control of the window that takes no focus and has help of its own
// (the "SysTray" button), which F1 could not reach otherwise.
const QWidget* helpSubject(const QWidget* window) {
  const QWidget* hovered = QApplication::widgetAt(QCursor::pos());
  if (hovered != nullptr && hovered->window() == window && hovered->focusPolicy() == Qt::NoFocus &&
      hovered->property(kHelpContextProperty).isValid()) {
    return hovered;
  }
  return QApplication::focusWidget();
}

void helpOnF1(QWidget* window) {
  helpWindowOf(window)->showContext(helpContextOf(helpSubject(window)));
}

void showAbout(QWidget* window) {
  AboutBox box(window);
  // Window modal, so the help window stays usable beside it.
  box.setWindowModality(Qt::WindowModal);
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), &box);
  QObject::connect(f1, &QShortcut::activated, &box,
                   [window, &box] { helpWindowOf(window)->showContext(helpContextOf(&box)); });
  box.move(window->pos() + window->property(kAboutOffsetProperty).toPoint());
  if (box.exec() == QDialog::Accepted)
    window->setProperty(kAboutOffsetProperty, box.pos() - window->pos());
}

}  // namespace

void MainWindow::buildHelpMenu() {
  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("Help1");
  QAction* topics = help->addAction("Help &Topics");
  topics->setObjectName("HelpTopics1");
  connect(topics, &QAction::triggered, this, [this] { helpWindowOf(this)->showContents(); });
  help->addSeparator();
  QAction* about = help->addAction("&Info About...");
  about->setObjectName("InfoAbout1");
  connect(about, &QAction::triggered, this, [this] { showAbout(this); });

  // F1 over any control of the window: the help at that control's context.
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  f1->setObjectName("HelpKey");
  connect(f1, &QShortcut::activated, this, [this] { helpOnF1(this); });
}

}  // namespace tarvo::ui
