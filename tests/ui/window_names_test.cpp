// Names and reverse names of both families in the window's runs, with the
// stored preference between them, through a scripted resolver.
#include "ui/green_black_graph.h"
#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

const IpAddress kV4 = IpAddress::v4(0xC6120005);  // 198.18.0.5
const IpAddress kV6 = *parseIpv6Literal("2001:db8::5");

class WindowNames : public WindowTest {
 protected:
  // "dual.test" has one address of each family, `systemOrder` the order
  // the system gives them in; 2001:db8::5 is "six.test" backwards. Nothing
  // else has a name, and nothing reaches the machine's resolver.
  void openWith(const std::string& members, std::vector<IpAddress> systemOrder = {kV4, kV6}) {
    if (window) closeWindow();
    adjustServices = [systemOrder](WindowServices& services) {
      Resolver resolver;
      resolver.lookupHost = nullptr;
      resolver.lookupAddress = nullptr;
      resolver.lookupHostIn = [systemOrder](const std::string& name, FamilyPreference family) {
        std::optional<HostEntry> entry;
        if (name != "dual.test") return entry;
        entry = HostEntry{name, {}, {}};
        for (const IpAddress& a : systemOrder) {
          if (family == FamilyPreference::V4 && !a.isV4()) continue;
          if (family == FamilyPreference::V6 && !a.isV6()) continue;
          entry->all.push_back(a);
        }
        return entry;
      };
      resolver.lookupIp = [](const IpAddress& a) {
        return a == kV6 ? std::optional<HostEntry>(HostEntry{"six.test", {}, {a}}) : std::nullopt;
      };
      services.traceResolver = resolver;
    };
    writeSettings(members + R"("PingHosts":{})");
    open();
  }
};

TEST_F(WindowNames, APingTakesTheAddressThePreferenceGivesFirstAndNamesAnIpv6Address) {
  const struct {
    const char* preference;  // 0 system order, 1 IPv4 first, 2 IPv6 first
    std::vector<IpAddress> systemOrder;
    const char* host;
    IpAddress sentTo;
    const char* header;
  } rows[] = {
      {"1", {kV6, kV4}, "dual.test", kV4, "  · Pinging dual.test [198.18.0.5]"},
      {"2", {kV4, kV6}, "dual.test", kV6, "  · Pinging dual.test [2001:db8::5]"},
      {"0", {kV6, kV4}, "dual.test", kV6, "  · Pinging dual.test [2001:db8::5]"},
      {"1", {kV4, kV6}, "2001:db8::5", kV6, "  · Pinging six.test [2001:db8::5]"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.preference) + " " + row.host);
    openWith(std::string(R"("P_ResolveNames":"1","AddressFamily":")") + row.preference + "\",",
             row.systemOrder);
    combo("ComboBox4")->setEditText(row.host);
    setText("Edit2", "1");
    button("Button1")->click();
    ASSERT_TRUE(waitForLine("Memo1", kEndOfPingLine));
    EXPECT_EQ(std::ranges::count(lines("Memo1"), row.header), 1);
    ASSERT_FALSE(network.sends().empty());
    EXPECT_EQ(network.sends().back().address, row.sentTo);
  }
}

TEST_F(WindowNames, TheWatchCaptionsANameByItsPreferredAddressAndAnIpv6AddressByItsName) {
  openWith(R"("W_Delay":"20","W_ResolveNames":"1","AddressFamily":"2",)");
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
