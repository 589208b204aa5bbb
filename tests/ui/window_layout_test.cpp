// The window's layout: controls that follow a growing window, room for a
// larger font, and the tray button.
#include <QFont>
#include <QSystemTrayIcon>

#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowLayout : public WindowTest {
 protected:
  // Every shown control of the page lies inside it, no smaller than it
  // needs, and clear of the others.
  void expectUnclipped(const char* pageName) {
    QWidget* page = find<QWidget>(pageName)->parentWidget();
    std::vector<QWidget*> shown;
    for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!child->isVisible() || child->objectName().isEmpty()) continue;
      std::string name = child->objectName().toStdString();
      EXPECT_TRUE(page->rect().contains(child->geometry())) << name;
      EXPECT_GE(child->height(), child->minimumSizeHint().height()) << name;
      for (QWidget* other : shown) EXPECT_FALSE(child->geometry().intersects(other->geometry()));
      shown.push_back(child);
    }
  }
};

TEST_F(WindowLayout, ControlsFollowAGrowingWindowAndALargerFontGetsRoom) {
  open();
  const int memoWidth = memo("Memo1")->width();
  const int bytesRight = edit("Edit5")->geometry().right();
  window->resize(1000, 700);
  QCoreApplication::processEvents();
  EXPECT_GT(memo("Memo1")->width(), memoWidth + 300);
  EXPECT_GT(edit("Edit5")->geometry().right(), bytesRight + 300);  // not stranded at the left
  closeWindow();

  const QFont original = QApplication::font();
  QFont large = original;
  large.setPointSizeF(original.pointSizeF() * 1.6);
  QApplication::setFont(large);
  open();
  find<QCheckBox>("CheckBox1")->click();
  QCoreApplication::processEvents();
  expectUnclipped("Memo1");
  closeWindow();
  QApplication::setFont(original);
}

// The offscreen platform has no tray, so the button takes the path of a
// desktop without one: the window minimises and comes back as it was.
TEST_F(WindowLayout, WithoutATrayTheTrayButtonMinimisesAndTheTabStays) {
  open();
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  selectTab(1);
  button("SysTray")->click();
  EXPECT_TRUE(window->isMinimized());
  window->showNormal();
  EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 1);
}

}  // namespace
}  // namespace tarvo::ui::testing
