#include "base/detached_call.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "base/thread_base.h"

namespace tarvo {
namespace {

using namespace std::chrono_literals;

// A call that says when it has begun, then blocks until the test opens the
// gate.
struct Gate {
  std::promise<void> entered;
  std::promise<void> opened;
  std::shared_future<void> open = opened.get_future().share();
};

TEST(DetachedCallTest, AnAnswerIsHandedOverFromAThreadWithEverySignalBlocked) {
  DetachedCall<bool> call;
  ASSERT_TRUE(call.start([] {
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    return sigismember(&mask, SIGTERM) == 1 && sigismember(&mask, SIGINT) == 1;
  }));
  EXPECT_EQ(call.wait(), std::optional<bool>(true));
}

// The waiter walks away however it is told; the call runs on to its end
// after the waiter and the call object are gone, and frees what it owns.
TEST(DetachedCallTest, AStopLeavesABlockedCallToEndOnItsOwn) {
  for (const bool byAbandon : {true, false}) {
    SCOPED_TRACE(byAbandon ? "abandon()" : "stop condition");
    auto gate = std::make_shared<Gate>();
    std::weak_ptr<Gate> held = gate;
    std::future<void> entered = gate->entered.get_future();
    std::atomic<bool> stop{false};
    {
      DetachedCall<int> call;
      ASSERT_TRUE(call.start([gate = std::move(gate)] {
        gate->entered.set_value();
        gate->open.wait();
        return 7;
      }));
      entered.wait();
      // Not an activity thread: an exit does not wait for it.
      EXPECT_EQ(ThreadBase::liveThreads(), 0);
      auto waited =
          std::async(std::launch::async, [&] { return call.wait([&] { return stop.load(); }); });
      if (byAbandon) {
        call.abandon();
      } else {
        stop = true;
      }
      const bool prompt = waited.wait_for(5s) == std::future_status::ready;
      if (!prompt) held.lock()->opened.set_value();
      ASSERT_TRUE(prompt);
      EXPECT_EQ(waited.get(), std::nullopt);
    }
    held.lock()->opened.set_value();
    for (int spin = 0; spin < 5000 && !held.expired(); ++spin) std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(held.expired()) << "the call's thread still holds what it owns";
  }
}

}  // namespace
}  // namespace tarvo
