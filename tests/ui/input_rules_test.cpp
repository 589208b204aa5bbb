#include "ui/input_rules.h"

#include <gtest/gtest.h>

namespace tarvo::ui {
namespace {

std::uint32_t repaired(PingField field, bool range, const char* text) {
  return repairPingField(field, range, text).value;
}

// The limits themselves are the rules table's; here only that each field
// and mode finds its own rule.
TEST(PingFieldRepair, EachFieldAndModeHasItsOwnRule) {
  EXPECT_EQ(repaired(PingField::Count, false, "abc"), 4u);
  EXPECT_EQ(repaired(PingField::Count, true, "abc"), 1u);
  EXPECT_EQ(repaired(PingField::Count, false, "0"), 0u);  // endless
  EXPECT_EQ(repaired(PingField::Count, true, "0"), 1u);
  EXPECT_EQ(repaired(PingField::Wait, true, "0"), 1u);
  EXPECT_EQ(repaired(PingField::DataBytes, false, "70000"), 65500u);
  EXPECT_EQ(repaired(PingField::DataBytes, true, "5"), 18u);
}

TEST(HostHistory, NewestLastWithoutCaseDuplicates) {
  std::vector<std::string> history{"server1", "alpha"};
  updateHostHistory(history, "Server1", 10);
  EXPECT_EQ(history, (std::vector<std::string>{"alpha", "server1"}));

  std::vector<std::string> limited{"a", "b", "c"};
  updateHostHistory(limited, "d", 3);
  EXPECT_EQ(limited, (std::vector<std::string>{"b", "c", "d"}));
  updateHostHistory(limited, "C", 3);  // a move never drops an entry
  EXPECT_EQ(limited, (std::vector<std::string>{"b", "d", "c"}));
}

TEST(OctetAddress, OnlyFourNumbersFromZeroTo255) {
  EXPECT_EQ(parseOctets("192.168.1.20"), (Octets{192, 168, 1, 20}));
  for (const char* text :
       {"localhost", "1.2.3", "1.2.3.4.5", "1..3.4", "1.2.3.256", "1.2.3.-1", "1.2.3.4.", ""}) {
    EXPECT_FALSE(parseOctets(text)) << text;
  }
}

TEST(OctetFields, LeavingRangeStopsAtTheFirstFieldThatIsNoNumber) {
  Octets first{1, 2, 3, 4};
  Octets last{9, 9, 9, 9};
  readOctetFieldsLeavingRange({"10", "0", "0", "1", "5", "6"}, first, last);
  EXPECT_EQ(first, (Octets{10, 0, 0, 1}));
  EXPECT_EQ(last, (Octets{9, 9, 5, 6}));

  readOctetFieldsLeavingRange({"10", "", "7", "7", "7", "7"}, first, last);
  EXPECT_EQ(first, (Octets{10, 256, 256, 256}));
  EXPECT_EQ(last, (Octets{9, 9, 5, 6}));
  EXPECT_FALSE(formatFirstAddress(first));
}

TEST(OctetFields, FirstAddressTextNeedsAUsableAddress) {
  EXPECT_EQ(formatFirstAddress({10, 0, 0, 1}), "10.0.0.1");
  EXPECT_FALSE(formatFirstAddress({0, 0, 0, 0}));
  EXPECT_FALSE(formatFirstAddress({10, 0, -1, 1}));
  EXPECT_FALSE(formatFirstAddress({256, 0, 0, 1}));
}

}  // namespace
}  // namespace tarvo::ui
