#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "engine/address.h"

namespace tarvo {
namespace {

// A preference puts its family's answers first, each family in the order
// the system gave it; the other modes leave the order alone.
TEST(FamilyOrder, ThePreferredFamilyComesFirstAndEachFamilyKeepsItsOrder) {
  const IpAddress a4 = IpAddress::v4(0xC6120001), b4 = IpAddress::v4(0xC6120002);
  const IpAddress a6 = *parseIpv6Literal("2001:db8::1"), b6 = *parseIpv6Literal("2001:db8::2");
  using enum FamilyPreference;
  using Answers = std::vector<IpAddress>;
  const std::tuple<FamilyPreference, Answers, Answers> rows[] = {
      {PreferV4, {a6, b4, b6, a4}, {b4, a4, a6, b6}},
      {PreferV6, {a4, a6, b4, b6}, {a6, b6, a4, b4}},
      {PreferV6, {b4, a4}, {b4, a4}},  // none of the preferred family
      {System, {a6, b4, a4, b6}, {a6, b4, a4, b6}},
  };
  for (const auto& [family, given, ordered] : rows) {
    EXPECT_EQ(inPreferredOrder(given, family), ordered) << static_cast<int>(family);
  }
}

}  // namespace
}  // namespace tarvo
