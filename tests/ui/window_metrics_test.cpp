// The window's monitor serves its metrics where the settings say, and says
// why where it cannot, without holding the run back.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

// A loopback port nobody listens on right now.
int freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

// The whole answer to one GET, or "" when nobody answers.
std::string get(int port, const std::string& path) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  std::string answer;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
    if (::write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
      char buffer[4096];
      for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) answer.append(buffer, n);
    }
  }
  ::close(fd);
  return answer;
}

using WindowMetrics = WindowTest;

TEST_F(WindowMetrics, TheMonitorServesItsMetricsWhereTheSettingsSay) {
  const int port = freePort();
  writeSettings(
      R"("W_Delay":"20","W_ResolveNames":"0","W_History":"0","W_MetricsListen":"127.0.0.1:)" +
      std::to_string(port) + R"(","PingHosts":{})");
  open();
  window->watchPage().setItems({{"127.0.0.1", true}});
  selectTab(2);
  button("Button7")->click();
  ASSERT_TRUE(waitUntil([&] { return network.sends().size() >= 4; }));
  std::string answer;
  ASSERT_TRUE(waitUntil([&] {
    answer = get(port, "/metrics");
    return answer.find("tarvo_replies_total{host=\"127.0.0.1\"") != std::string::npos;
  })) << answer;
  EXPECT_NE(get(port, "/other").find(" 404 "), std::string::npos);
  button("Button7")->click();
  EXPECT_EQ(get(port, "/metrics"), "");  // served only while the monitor runs
  closeWindow();
}

TEST_F(WindowMetrics, AnAddressThatCannotBeServedIsSaidAndTheMonitorRuns) {
  writeSettings(
      R"("W_Delay":"20","W_ResolveNames":"0","W_History":"0","W_MetricsListen":"nonsense","PingHosts":{})");
  open();
  window->watchPage().setItems({{"127.0.0.1", true}});
  selectTab(2);
  button("Button7")->click();
  ASSERT_TRUE(waitUntil([&] { return network.sends().size() >= 2; }));
  // Said once the hosts are counted, so it is what the line ends on.
  EXPECT_TRUE(waitUntil([&] {
    return panel(1).find("Metrics not served at nonsense") != std::string::npos;
  })) << panel(1);
  button("Button7")->click();
  closeWindow();
}

}  // namespace
}  // namespace tarvo::ui::testing
