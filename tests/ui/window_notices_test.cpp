// Up and down notices of the watch monitor through the desktop's
// notification service, a stand-in on the test's own session bus.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QRegularExpression>
#include <atomic>

#include "engine/echo_status.h"
#include "ui/green_black_graph.h"
#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";

// Records what a notification service is asked to show.
class FakeNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  struct Notice {
    QString body;
    int urgency;
  };
  std::vector<Notice> notices;

 public slots:
  uint Notify(const QString&, uint, const QString&, const QString&, const QString& body,
              const QStringList&, const QVariantMap& hints, int) {
    notices.push_back({body, hints.value("urgency").toInt()});
    return static_cast<uint>(notices.size());
  }
};

class WindowNotices : public WindowTest {
 protected:
  void SetUp() override {
    if (!bus.isConnected()) GTEST_SKIP() << "no session bus of the test's own";
    bus.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots);
    if (!bus.registerService(kService)) GTEST_SKIP() << "a notification service runs already";
  }
  void TearDown() override {
    if (bus.isConnected()) {
      bus.unregisterService(kService);
      bus.unregisterObject("/org/freedesktop/Notifications");
    }
    WindowTest::TearDown();
  }
  ~WindowNotices() override { QDBusConnection::disconnectFromBus("fake-notifications"); }

  QDBusConnection bus =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-notifications");
  FakeNotifications service;
  std::atomic<bool> answering{true};
};

TEST_F(WindowNotices, DownAndUpGoToTheServiceAndWithoutItToTheStatusPanel) {
  writeSettings(R"("W_Delay":"20","W_ResolveNames":"0","W_Wait":"200","W_Notify":"1",
      "PingHosts":{})");
  open();
  network.setResponder([this](const tarvo::testing::FakeSend& s) {
    return answering
               ? tarvo::testing::FakeEchoNetwork::reply(s.destination, 1)
               : tarvo::testing::FakeEchoNetwork::failure(status::kRequestTimedOut, s.destination);
  });
  window->watchPage().setItems({{"127.0.0.1", true}});
  selectTab(2);
  button("Button7")->click();
  ASSERT_TRUE(waitUntil([&] { return panel(1) == "  Monitored addresses: 1"; }));

  answering = false;
  ASSERT_TRUE(waitUntil([&] { return service.notices.size() == 1; }));
  answering = true;
  ASSERT_TRUE(waitUntil([&] { return service.notices.size() == 2; }));
  const QRegularExpression down(R"(^\d\d:\d\d:\d\d 127\.0\.0\.1 is down$)");
  EXPECT_TRUE(down.match(service.notices[0].body).hasMatch());
  EXPECT_TRUE(service.notices[1].body.endsWith(" 127.0.0.1 is up again"));
  EXPECT_EQ(service.notices[0].urgency, 2);  // a host gone down is critical
  EXPECT_EQ(service.notices[1].urgency, 1);
  EXPECT_EQ(panel(1), "  Monitored addresses: 1");  // not on the status bar then

  // The service gone, the status panel tells (this desktop has no tray); the
  // graph's caption tells since when a host is down.
  bus.unregisterService(kService);
  answering = false;
  ASSERT_TRUE(
      waitUntil([&] { return down.match(QString::fromStdString(panel(1)).mid(2)).hasMatch(); }));
  EXPECT_EQ(service.notices.size(), 2u);
  TGreenBlack* graph = window->watchPage().graph(0);
  EXPECT_EQ(graph->shownCaption(),
            "127.0.0.1 \u00B7 down since " + QString::fromStdString(panel(1)).mid(2, 8));
  answering = true;
  ASSERT_TRUE(waitUntil([&] { return panel(1).ends_with(" 127.0.0.1 is up again"); }));
  EXPECT_EQ(graph->shownCaption(), "127.0.0.1");
  button("Button7")->click();
}

}  // namespace
}  // namespace tarvo::ui::testing

#include "window_notices_test.moc"
