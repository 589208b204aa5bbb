// Names and reverse names of both families in the window's runs, in the
// order the stored preference gives, through a scripted resolver.
#include "ui/green_black_graph.h"
#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

const IpAddress kV4 = IpAddress::v4(0xC6120005);  // 198.18.0.5
const IpAddress kV6 = *parseIpv6Literal("2001:db8::5");

class WindowNames : public WindowTest {
 protected:
  // "dual.test" has an address of each family, in `systemOrder`; 2001:db8::5
  // is "six.test". Nothing reaches the machine's resolver.
  void openWith(const std::string& members, std::vector<IpAddress> systemOrder) {
    if (window) closeWindow();
    adjustServices = [systemOrder](WindowServices& services) {
      Resolver r;
      r.lookupHost = nullptr;
      r.lookupAddress = nullptr;
      r.lookupHostIn = [systemOrder](const std::string& name, FamilyPreference) {
        return name == "dual.test" ? std::optional(HostEntry{name, {}, systemOrder}) : std::nullopt;
      };
      r.lookupIp = [](const IpAddress& a) {
        return a == kV6 ? std::optional(HostEntry{"six.test", {}, {a}}) : std::nullopt;
      };
      services.traceResolver = r;
    };
    writeSettings(members + R"("PingHosts":{})");
    open();
  }
};

// A ping and a watched name take the address of the preferred family; a
// watched IPv6 address is captioned by its name.
TEST_F(WindowNames, PingAndWatchTakeThePreferredFamilyAndNameIpv6Addresses) {
  const std::tuple<const char*, std::vector<IpAddress>, IpAddress> rows[] = {
      {"1", {kV6, kV4}, kV4},  // prefer IPv4
      {"2", {kV4, kV6}, kV6},  // prefer IPv6
  };
  for (const auto& [preference, systemOrder, sentTo] : rows) {
    SCOPED_TRACE(preference);
    openWith(std::string(R"("W_ResolveNames":"1","AddressFamily":")") + preference + "\",",
             systemOrder);
    combo("ComboBox4")->setEditText("dual.test");
    setText("Edit2", "1");
    button("Button1")->click();
    ASSERT_TRUE(waitForLine("Memo1", kEndOfPingLine));
    EXPECT_EQ(network.sends().back().address, sentTo);

    WatchPage& page = window->watchPage();
    page.setItems({{"dual.test", true}, {"2001:db8::5", true}});
    selectTab(2);
    button("Button7")->click();
    const QString named = QString::fromStdString("dual.test (" + sentTo.toString() + ")");
    EXPECT_TRUE(waitUntil([&] {
      // The graphs are counted before they are made.
      return page.graphCount() == 2 && page.graph(0) && page.graph(1) &&
             page.graph(0)->caption() == named &&
             page.graph(1)->caption() == "six.test (2001:db8::5)";
    }));
    button("Button7")->click();  // returns once the monitor has ended
  }
}

}  // namespace
}  // namespace tarvo::ui::testing
