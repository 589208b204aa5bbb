// The range run's progress bar in the status bar.
#include <QCheckBox>
#include <QProgressBar>
#include <algorithm>

#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowRangeProgress : public WindowTest {
 protected:
  void SetUp() override { open(); }
};

TEST_F(WindowRangeProgress, BarFollowsTheRunOnThePingPageAndIsGoneAfterIt) {
  auto* bar = find<QProgressBar>("RangeProgress");
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(bar->isVisible());
  // A paced run over a hundred addresses lasts a few seconds; Break ends it.
  combo("ComboBox4")->setEditText("127.0.0.1");
  find<QCheckBox>("CheckBox1")->click();
  setText("Edit11", "0");
  setText("Edit12", "100");
  button("Button1")->click();

  ASSERT_TRUE(waitUntil([&] { return bar->isVisible() && bar->value() > 0; }));
  EXPECT_EQ(bar->maximum(), 100);
  const std::string text = bar->text().toStdString();
  EXPECT_EQ(text.rfind(std::to_string(bar->value()) + " / 100  ", 0), 0u) << text;
  // One percent sign: the caption is no format that doubles it.
  EXPECT_EQ(std::count(text.begin(), text.end(), '%'), 1) << text;
  // Beside the Ping page's status texts only.
  selectTab(1);
  EXPECT_FALSE(bar->isVisible());
  selectTab(0);
  EXPECT_TRUE(bar->isVisible() || !window->rangeRunning());

  button("Button1")->click();
  ASSERT_TRUE(waitForLine("Memo1", kEndOfRange));
  EXPECT_FALSE(bar->isVisible());
  selectTab(1);
  selectTab(0);
  EXPECT_FALSE(bar->isVisible());
}

}  // namespace
}  // namespace tarvo::ui::testing
