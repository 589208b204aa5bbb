#include "base/detached_call.h"

#include <gtest/gtest.h>
#include <signal.h>

namespace tarvo {
namespace {

TEST(DetachedCallTest, AnAnswerIsHandedOverFromAThreadWithEverySignalBlocked) {
  DetachedCall<bool> call;
  ASSERT_TRUE(call.start([] {
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    return sigismember(&mask, SIGTERM) == 1 && sigismember(&mask, SIGINT) == 1;
  }));
  EXPECT_EQ(call.wait(), std::optional<bool>(true));
}

}  // namespace
}  // namespace tarvo
