// The tray button. The offscreen platform has no tray, so it takes the path
// of a desktop without one: the window minimises and comes back as it was.
#include <QSystemTrayIcon>
#include <QTabWidget>

#include "ui/tab_pages.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowTray : public WindowTest {};

TEST_F(WindowTray, WithoutATrayTheButtonMinimisesAndTheRunsAndTabStay) {
  open();
  QPushButton* tray = button("SysTray");
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(tray->text(), "SysTray");
  EXPECT_EQ(tray->toolTip(), "Minimize to System Tray");
  EXPECT_EQ(tray->property(kHelpContextProperty).toInt(), 270);
  EXPECT_EQ(window->findChild<QTabWidget*>()->cornerWidget(Qt::TopRightCorner), tray);
  EXPECT_FALSE(window->windowIcon().isNull());

  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  selectTab(1);
  tray->click();
  EXPECT_TRUE(window->isMinimized());
  // The window's one icon, kept for a desktop that has a tray, stays away.
  EXPECT_EQ(window->findChildren<QSystemTrayIcon*>().size(), 1);
  EXPECT_FALSE(window->findChild<QSystemTrayIcon*>()->isVisible());
  window->showNormal();
  EXPECT_EQ(window->findChild<QTabWidget*>()->currentIndex(), 1);
}

}  // namespace
}  // namespace tarvo::ui::testing
