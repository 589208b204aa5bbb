// The window's layout: the menus, the tab order, controls that follow a
// growing window, and room for a larger font.
#include <QFont>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

const std::vector<std::string> kPingOrder = {
    "ComboBox4", "Edit1", "Edit6", "Edit7", "Edit8",   "Edit11",  "Edit12",  "CheckBox1",
    "Edit2",     "Edit3", "Edit4", "Edit5", "Button1", "Button4", "Button2", "ComboBox1"};
const std::vector<std::string> kTraceOrder = {"Edit13",  "CheckBox2", "Edit15",
                                              "Edit14",  "Button3",   "Button4",
                                              "Button6", "ComboBox3", "ComboBox2"};

class WindowLayout : public WindowTest {
 protected:
  // The named controls of a page in the order of its focus chain.
  std::vector<std::string> focusChain(const char* startName,
                                      const std::vector<std::string>& names) {
    std::vector<std::string> order;
    QWidget* start = find<QWidget>(startName);
    QWidget* widget = start;
    do {
      std::string name = widget->objectName().toStdString();
      if (std::find(names.begin(), names.end(), name) != names.end() &&
          std::find(order.begin(), order.end(), name) == order.end()) {
        order.push_back(name);
      }
      widget = widget->nextInFocusChain();
    } while (widget != start);
    return order;
  }

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

TEST_F(WindowLayout, TheMenusListTheirEntriesInOrder) {
  open();
  // Each menu as its title and entries; "-" is a separator.
  std::vector<std::vector<std::string>> menus;
  for (QAction* top : window->menuBar()->actions()) {
    std::vector<std::string> menu{top->text().toStdString()};
    for (QAction* entry : top->menu()->actions())
      menu.push_back(entry->isSeparator() ? "-" : entry->text().toStdString());
    menus.push_back(menu);
  }
  EXPECT_EQ(menus,
            (std::vector<std::vector<std::string>>{
                {"&File", "Save Settings Now", "-", "E&xit"},
                {"&Extras", "&Edit Additional Progs", "&Save to File", "-", "&Advanced Options..."},
                {"&Help", "Help &Topics", "-", "&Info About..."}}));
}

TEST_F(WindowLayout, TabOrderFollowsTheFieldsAsTheyAreRead) {
  open();
  QCheckBox* range = find<QCheckBox>("CheckBox1");
  range->click();  // the octet fields join the chain
  EXPECT_EQ(focusChain("ComboBox4", kPingOrder), kPingOrder);
  std::vector<std::string> trace = kTraceOrder;
  trace[5] = "Button5";
  EXPECT_EQ(focusChain("Edit13", trace), trace);
}

TEST_F(WindowLayout, ControlsFollowAGrowingWindow) {
  open();
  int memoWidth = memo("Memo1")->width();
  int bytesRight = edit("Edit5")->geometry().right();
  window->resize(1000, 700);
  QCoreApplication::processEvents();
  QWidget* page = memo("Memo1")->parentWidget();
  EXPECT_GT(memo("Memo1")->width(), memoWidth + 300);
  EXPECT_EQ(memo("Memo1")->geometry().bottom(), page->rect().bottom());
  EXPECT_GT(edit("Edit5")->geometry().right(), bytesRight + 300);  // not stranded at the left
  expectUnclipped("Memo1");
  selectTab(1);
  expectUnclipped("Memo2");
}

TEST_F(WindowLayout, ALargerFontGetsRoomInsteadOfClipping) {
  QFont original = QApplication::font();
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

}  // namespace
}  // namespace tarvo::ui::testing
