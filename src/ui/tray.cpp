#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>

#include "ui/main_window.h"
#include "ui/tab_pages.h"
#include "ui/tray_icon.h"

namespace tarvo::ui {

namespace {

constexpr int kContextTray = 270;
constexpr const char* kHoldTimerName = "NoticeHold";
constexpr const char* kHiddenToTrayProperty = "hiddenToTray";
constexpr const char* kTabProperty = "tabWhenHidden";

// The program's icon, drawn rather than loaded so that no image plug-in is
// needed: green result columns over a dim grid on black, as the monitor's
// graphs look.
QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 32, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0, 96, 0));
    for (int i = size / 4; i < size; i += size / 4) {
      painter.drawLine(i, 0, i, size);
      painter.drawLine(0, i, size, i);
    }
    const int heights[] = {3, 5, 2, 6, 4, 7};
    const int column = size / 8;
    for (int i = 0; i < 6; ++i) {
      const int h = heights[i] * size / 8;
      painter.fillRect(column + i * column, size - h, column - (size > 16 ? 1 : 0), h,
                       QColor(0, 255, 0));
    }
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

void holdTrayIcon(QSystemTrayIcon* icon, int ms) {
  auto* hold = icon->findChild<QTimer*>(kHoldTimerName);
  if (hold == nullptr) {
    hold = new QTimer(icon);
    hold->setObjectName(kHoldTimerName);
    hold->setSingleShot(true);
    QObject::connect(hold, &QTimer::timeout, icon, [icon] {
      if (!icon->property(kHiddenToTrayProperty).toBool()) icon->hide();
    });
  }
  hold->start(ms);
}

void MainWindow::buildTray() {
  setWindowIcon(programIcon());
  auto* button = new QPushButton("SysTray", this);
  button->setObjectName("SysTray");
  button->setToolTip("Minimize to System Tray");
  button->setProperty(kHelpContextProperty, kContextTray);
  button->setFocusPolicy(Qt::NoFocus);
  QFont font = button->font();
  font.setBold(true);
  button->setFont(font);
  button->setStyleSheet("color: blue;");
  tabs_->setCornerWidget(button, Qt::TopRightCorner);

  // One icon for the program's whole run, shown only when needed: a second
  // one made for a notice would stand beside it in the tray.
  auto* tray = new QSystemTrayIcon(windowIcon(), this);
  tray->setObjectName(kTrayIconName);
  tray->setToolTip("Tarvo");
  auto* menu = new QMenu(this);
  menu->setObjectName("TrayMenu");
  QAction* show = menu->addAction("Show");
  menu->addSeparator();
  QAction* exit = menu->addAction("Exit");
  connect(show, &QAction::triggered, this, [this, tray] {
    const bool hidden = tray->property(kHiddenToTrayProperty).toBool();
    tray->setProperty(kHiddenToTrayProperty, false);
    showNormal();
    activateWindow();
    if (!hidden) return;
    tabs_->setCurrentIndex(tray->property(kTabProperty).toInt());
    // A notice's balloon may still want the icon a while.
    auto* hold = tray->findChild<QTimer*>(kHoldTimerName);
    if (hold == nullptr || !hold->isActive()) tray->hide();
  });
  // Closing a hidden window does not end the program by itself.
  connect(exit, &QAction::triggered, this, [this] {
    close();
    QApplication::quit();
  });
  connect(tray, &QSystemTrayIcon::activated, this,
          [menu](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
              menu->popup(QCursor::pos());
            }
          });

  connect(button, &QPushButton::clicked, this, [this, tray] {
    // Without a tray on this desktop the window could not come back from
    // hiding, so it only minimises.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
      showMinimized();
      return;
    }
    tray->setProperty(kTabProperty, tabs_->currentIndex());
    tray->setProperty(kHiddenToTrayProperty, true);
    hide();
    tray->show();
  });
}

}  // namespace tarvo::ui
