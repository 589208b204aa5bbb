#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/address.h"
#include "engine/resolver.h"

namespace tarvo {
namespace {

using Answers = std::vector<IpAddress>;

IpAddress v6(std::uint8_t last) {
  IpAddress::Bytes b{0x20, 0x01, 0x0d, 0xb8};
  b[15] = last;
  return IpAddress::v6(b);
}

// A preference puts its family first and keeps the system's order within
// each family; the other modes leave the answers alone (the look-up has
// already kept only the family asked for). A resolver of both families
// answers in that order whatever order its look-up gave.
TEST(FamilyOrder, ThePreferredFamilyComesFirstAndEachFamilyKeepsItsOrder) {
  const IpAddress a4 = IpAddress::v4(0xC6120001), b4 = IpAddress::v4(0xC6120002);
  const IpAddress a6 = v6(1), b6 = v6(2);
  using enum FamilyPreference;
  struct Row {
    FamilyPreference family;
    Answers given;
    Answers ordered;
  };
  const Row rows[] = {
      {PreferV4, {a6, b4, b6, a4}, {b4, a4, a6, b6}},
      {PreferV6, {a4, a6, b4, b6}, {a6, b6, a4, b4}},
      {PreferV6, {b4, a4}, {b4, a4}},  // none of the preferred family
      {PreferV4, {b6, a6}, {b6, a6}},
      {PreferV4, {}, {}},
      {System, {a6, b4, a4, b6}, {a6, b4, a4, b6}},
      {V4, {b4, a4}, {b4, a4}},
      {V6, {b6, a6}, {b6, a6}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.family));
    EXPECT_EQ(inPreferredOrder(row.given, row.family), row.ordered);
    Resolver resolver;
    resolver.lookupHostIn = [&](const std::string& name, FamilyPreference) {
      return std::optional<HostEntry>(HostEntry{name, {}, row.given});
    };
    const auto entry = resolver.hostIn("dual.test", row.family);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->all, row.ordered);
  }
}

// A resolver of IPv4 only (a test's) answers every mode but IPv6 only.
TEST(FamilyOrder, AnIpv4OnlyResolverAnswersEveryModeButIpv6Only) {
  Resolver resolver;
  resolver.lookupHost = [](const std::string& name) {
    return std::optional<HostEntry>(HostEntry{name, {0xC6120002, 0xC6120001}});
  };
  const Answers both{IpAddress::v4(0xC6120002), IpAddress::v4(0xC6120001)};
  using enum FamilyPreference;
  for (FamilyPreference family : {V4, System, PreferV4, PreferV6}) {
    const auto entry = resolver.hostIn("four.test", family);
    ASSERT_TRUE(entry) << static_cast<int>(family);
    EXPECT_EQ(entry->all, both);
  }
  EXPECT_FALSE(resolver.hostIn("four.test", V6));
}

}  // namespace
}  // namespace tarvo
