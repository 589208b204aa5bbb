// The window ends like a desktop program when the process is asked to.
#include <csignal>
#include <nlohmann/json.hpp>

#include "base/thread_base.h"
#include "ui/desktop_ending.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowEnding : public WindowTest {
 protected:
  nlohmann::json stored() { return nlohmann::json::parse(registry.read()); }
};

TEST_F(WindowEnding, TermAndHangUpCloseWithTheUsualClosingSteps) {
  for (int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    network.setResponder([](const tarvo::testing::FakeSend& send) {
      return tarvo::testing::FakeEchoNetwork::reply(send.destination, 1, 32, 64, 200);
    });
    open();
    DesktopEnding ending(*window);
    window->resize(640, 480);
    selectTab(1);
    setText("Edit13", "127.0.0.1");
    button("Button3")->click();  // a run to stop, which reads the field
    ASSERT_TRUE(window->traceRunning());
    std::raise(signal);
    ASSERT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    EXPECT_TRUE(ThreadBase::waitAllEnded(10000));
    nlohmann::json tarvo = stored()["SOFTWARE"]["Dravenco"]["Tarvo"];
    EXPECT_EQ(tarvo["Settings"]["T_Host"], "127.0.0.1");
    EXPECT_EQ(tarvo["SizePosition"]["Width"], 640);
    closeWindow();
    std::filesystem::remove(registry.file());
  }
}

}  // namespace
}  // namespace tarvo::ui::testing
