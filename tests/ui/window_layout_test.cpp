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
      if (auto* button = qobject_cast<QPushButton*>(child)) {
        // Narrower than the style's usual minimum, but never than the text.
        QString text = button->text().remove('&');
        EXPECT_GT(button->width(), button->fontMetrics().horizontalAdvance(text) + 8) << name;
      } else {
        EXPECT_GE(child->width(), child->minimumSizeHint().width()) << name;
      }
      if (auto* label = qobject_cast<QLabel*>(child)) {
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << name;
      }
      for (QWidget* other : shown) {
        EXPECT_FALSE(child->geometry().intersects(other->geometry()))
            << name << " overlaps " << other->objectName().toStdString();
      }
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
  EXPECT_EQ(memo("Memo1")->geometry().bottom(), memo("Memo1")->parentWidget()->rect().bottom());
  EXPECT_GT(edit("Edit5")->geometry().right(), bytesRight + 300);  // not stranded at the left
  expectUnclipped("Memo1");
  closeWindow();

  const QFont original = QApplication::font();
  QFont large = original;
  large.setPointSizeF(original.pointSizeF() * 1.6);
  QApplication::setFont(large);
  open();
  for (bool range : {false, true}) {
    if (range) find<QCheckBox>("CheckBox1")->click();
    QCoreApplication::processEvents();
    expectUnclipped("Memo1");
  }
  EXPECT_GT(window->width(), 600);
  selectTab(1);
  expectUnclipped("Memo2");
  closeWindow();
  QApplication::setFont(original);
}

// The offscreen platform has no tray, so the button takes the path of a
// desktop without one: the window minimises and comes back as it was.
TEST_F(WindowLayout, WithoutATrayTheTrayButtonMinimisesAndTheTabStays) {
  open();
  QPushButton* tray = button("SysTray");
  EXPECT_EQ(find<QTabWidget>("PageControl1")->cornerWidget(Qt::TopRightCorner), tray);
  EXPECT_FALSE(window->windowIcon().isNull());
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  selectTab(1);
  tray->click();
  EXPECT_TRUE(window->isMinimized());
  // The window's one icon, kept for a desktop that has a tray, stays away.
  EXPECT_EQ(window->findChildren<QSystemTrayIcon*>().size(), 1);
  EXPECT_FALSE(window->findChild<QSystemTrayIcon*>()->isVisible());
  window->showNormal();
  EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 1);
}

}  // namespace
}  // namespace tarvo::ui::testing
