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

TEST_F(WindowNames, APingTakesTheAddressOfThePreferredFamily) {
  const std::tuple<const char*, std::vector<IpAddress>, IpAddress, const char*> rows[] = {
      {"1", {kV6, kV4}, kV4, "  · Pinging dual.test [198.18.0.5]"},   // prefer IPv4
      {"2", {kV4, kV6}, kV6, "  · Pinging dual.test [2001:db8::5]"},  // prefer IPv6
  };
  for (const auto& [preference, systemOrder, sentTo, header] : rows) {
    openWith(std::string(R"("AddressFamily":")") + preference + "\",", systemOrder);
    combo("ComboBox4")->setEditText("dual.test");
    setText("Edit2", "1");
    button("Button1")->click();
    ASSERT_TRUE(waitForLine("Memo1", kEndOfPingLine));
    EXPECT_EQ(std::ranges::count(lines("Memo1"), header), 1) << preference;
    EXPECT_EQ(network.sends().back().address, sentTo) << preference;
  }
}

TEST_F(WindowNames, TheWatchCaptionsANameByItsPreferredAddressAndAnIpv6AddressByItsName) {
  openWith(R"("W_Delay":"20","W_ResolveNames":"1","AddressFamily":"2",)", {kV4, kV6});
  WatchPage& page = window->watchPage();
  page.setItems({{"dual.test", true}, {"2001:db8::5", true}});
  selectTab(2);
  button("Button7")->click();
  EXPECT_TRUE(waitUntil([&] {
    return page.graphCount() == 2 && page.graph(0)->caption() == "dual.test (2001:db8::5)" &&
           page.graph(1)->caption() == "six.test (2001:db8::5)";
  }));
  button("Button7")->click();  // returns once the monitor has ended
}

}  // namespace
}  // namespace tarvo::ui::testing
