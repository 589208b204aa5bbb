#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <thread>
#include <vector>

#include "ui/gui_hand_off.h"
#include "window_test_support.h"

namespace tarvo::ui {
namespace {

using testing::waitUntil;

TEST(GuiHandOff, StepsRunOnTheWindowThreadInEachCallersOrder) {
  GuiHandOff handOff;
  QThread* windowThread = QThread::currentThread();
  std::vector<std::pair<int, int>> seen;  // touched on the window thread only
  std::atomic<bool> offThread{false};
  std::atomic<int> done{0};
  std::vector<std::thread> callers;
  for (int caller = 0; caller < 3; ++caller) {
    callers.emplace_back([&, caller] {
      for (int step = 0; step < 200; ++step) {
        handOff.run([&] {
          if (QThread::currentThread() != windowThread) offThread = true;
          seen.emplace_back(caller, step);
        });
      }
      ++done;
    });
  }
  ASSERT_TRUE(waitUntil([&] { return done == 3; }));
  for (auto& t : callers) t.join();
  EXPECT_FALSE(offThread);
  ASSERT_EQ(seen.size(), 600u);
  std::vector<int> next(3, 0);
  for (auto [caller, step] : seen) EXPECT_EQ(step, next[caller]++);
}

TEST(GuiHandOff, ClosingReleasesWaitingCallersWithoutRunningTheirSteps) {
  GuiHandOff handOff;
  std::atomic<bool> ran{false};
  std::thread caller([&] { handOff.run([&] { ran = true; }); });
  // No event processing meanwhile: the step stays queued.
  ASSERT_TRUE(tarvo::testing::waitUntil([&] { return handOff.queued() == 1; }));
  handOff.shutDown();
  caller.join();
  QCoreApplication::processEvents();  // the queued step is dropped now
  EXPECT_FALSE(ran);

  std::thread late([&] { handOff.run([&] { ran = true; }); });
  late.join();  // returns at once after closing
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace tarvo::ui
