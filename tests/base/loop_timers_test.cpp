#include "base/loop_timers.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "base/event_loop.h"

namespace tarvo {
namespace {

using std::chrono::milliseconds;

struct Idle : LoopTask {
  void run() override {}
};

struct Model {
  Clock::TimePoint due;
  Clock::TimePoint latest;
};

// Timers set in every pattern a loop meets (mostly each later than the
// last, as a monitor sets them, some earlier, some within their slack of
// the last, moved, cancelled, released and set again) are checked against
// a plain table: none runs before its time, every one runs by its latest
// time, and the count of those waiting always agrees.
TEST(LoopTimers, EveryTimerRunsBetweenItsTimeAndItsSlackWhateverTheOrderTheyWereSet) {
  std::mt19937 random(7);
  LoopTimers timers;
  std::vector<Idle> tasks(300);
  std::vector<LoopTimers::Id> ids(tasks.size(), LoopTimers::kNoId);
  std::map<LoopTask*, Model> model;
  const Clock::TimePoint start{};
  Clock::TimePoint now = start;
  Clock::TimePoint last = start;
  for (int round = 0; round < 20000; ++round) {
    const std::size_t k = random() % tasks.size();
    const int what = random() % 100;
    if (what < 70) {
      // Mostly at or after the latest so far; now and then earlier.
      const auto offset = milliseconds(static_cast<int>(random() % 40) - (what < 10 ? 30 : 0));
      const auto due = std::max(now, last + offset);
      const auto slack = milliseconds(what % 3 == 0 ? random() % 20 : 0);
      last = std::max(last, due);
      timers.set(ids[k], &tasks[k], due, slack);
      model[&tasks[k]] = {due, due + slack};
    } else if (what < 80) {
      timers.cancel(ids[k]);
      model.erase(&tasks[k]);
    } else if (what < 85) {
      timers.release(ids[k]);
      EXPECT_EQ(ids[k], LoopTimers::kNoId);
      model.erase(&tasks[k]);
    } else {
      now += milliseconds(random() % 25);
      while (LoopTask* t = timers.takeDue(now)) {
        const auto it = model.find(t);
        ASSERT_NE(it, model.end()) << "a timer ran that was cancelled or ran already";
        EXPECT_LE(it->second.due, now);
        model.erase(it);
      }
      for (const auto& [task, m] : model) {
        ASSERT_GT(m.latest, now) << "a timer was left behind past its slack";
      }
    }
    ASSERT_EQ(timers.size(), model.size());
  }
}

TEST(LoopTimers, TheEarliestComesFirstWhereverItIsKept) {
  LoopTimers timers;
  std::vector<Idle> tasks(5);
  std::vector<LoopTimers::Id> ids(tasks.size(), LoopTimers::kNoId);
  const Clock::TimePoint t0{};
  // Three in order (queued), one earlier than all (heap), one moved from
  // the queue's middle to the very end.
  timers.set(ids[0], &tasks[0], t0 + milliseconds(10), {});
  timers.set(ids[1], &tasks[1], t0 + milliseconds(20), {});
  timers.set(ids[2], &tasks[2], t0 + milliseconds(30), {});
  timers.set(ids[3], &tasks[3], t0 + milliseconds(5), {});
  timers.set(ids[1], &tasks[1], t0 + milliseconds(40), {});
  // Within its slack of the last: it joins the queue and runs with it.
  timers.set(ids[4], &tasks[4], t0 + milliseconds(35), milliseconds(10));
  ASSERT_TRUE(timers.next());
  EXPECT_EQ(timers.next()->due, t0 + milliseconds(5));
  std::vector<LoopTask*> order;
  while (LoopTask* t = timers.takeDue(t0 + milliseconds(100))) order.push_back(t);
  EXPECT_EQ(order, (std::vector<LoopTask*>{&tasks[3], &tasks[0], &tasks[2], &tasks[1], &tasks[4]}));
  EXPECT_FALSE(timers.next());
}

}  // namespace
}  // namespace tarvo
