#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>

#include "ui/main_window.h"
#include "ui/tab_pages.h"

namespace tarvo::ui {

namespace {

constexpr int kContextTray = 270;

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

  connect(button, &QPushButton::clicked, this, [this] {
    // Without a tray on this desktop the window could not come back from
    // hiding, so it only minimises.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
      showMinimized();
      return;
    }
    const int tab = tabs_->currentIndex();
    auto* tray = new QSystemTrayIcon(windowIcon(), this);
    tray->setObjectName("TrayIcon");
    tray->setToolTip("Tarvo");
    auto* menu = new QMenu(this);
    menu->setObjectName("TrayMenu");
    QAction* show = menu->addAction("Show");
    menu->addSeparator();
    QAction* exit = menu->addAction("Exit");
    connect(show, &QAction::triggered, this, [this, tray, menu, tab] {
      showNormal();
      activateWindow();
      tabs_->setCurrentIndex(tab);
      tray->hide();
      tray->deleteLater();
      menu->deleteLater();
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
    hide();
    tray->show();
  });
}

}  // namespace tarvo::ui
