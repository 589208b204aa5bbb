#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "engine/address.h"

namespace tarvo {

// The name look-ups a run makes. The system resolver by default; tests put
// a scripted one in its place, so no test reaches the machine's resolver.
// An empty function counts as a look-up that finds nothing.
struct Resolver {
  std::function<std::optional<HostEntry>(const std::string&)> lookupHost = tarvo::lookupHost;
  std::function<std::optional<HostEntry>(Ipv4Address)> lookupAddress = tarvo::lookupAddress;
  // Look-ups of either family. Left empty, only the IPv4 look-ups above
  // answer, so a run given a scripted IPv4 resolver never reaches the
  // system's; a front end that offers IPv6 names sets them (systemIn()).
  std::function<std::optional<HostEntry>(const std::string&, FamilyPreference)> lookupHostIn;
  std::function<std::optional<HostEntry>(const IpAddress&)> lookupIp;

  std::optional<HostEntry> host(const std::string& name) const {
    return lookupHost ? lookupHost(name) : std::nullopt;
  }
  std::optional<HostEntry> address(Ipv4Address address) const {
    return lookupAddress ? lookupAddress(address) : std::nullopt;
  }

  // The name's answers of the families asked for, in `all`, the preferred
  // family's first. An IPv4-only resolver answers every preference but V6.
  std::optional<HostEntry> hostIn(const std::string& name, FamilyPreference family) const {
    if (lookupHostIn) {
      auto entry = lookupHostIn(name, family);
      if (entry) entry->all = inPreferredOrder(std::move(entry->all), family);
      return entry;
    }
    if (family == FamilyPreference::V6) return std::nullopt;
    auto entry = host(name);
    if (entry) {
      entry->all.clear();
      for (Ipv4Address a : entry->addresses) entry->all.push_back(IpAddress::v4(a));
      if (entry->all.empty()) entry.reset();
    }
    return entry;
  }
  std::optional<HostEntry> addressIn(const IpAddress& a) const {
    if (lookupIp) return lookupIp(a);
    if (const auto v4 = a.asV4()) {
      auto entry = address(*v4);
      if (entry) entry->all = {a};
      return entry;
    }
    return std::nullopt;
  }

  // The system's look-ups of both families.
  static Resolver systemIn() {
    Resolver r;
    r.lookupHostIn = tarvo::lookupHostIn;
    r.lookupIp = tarvo::lookupIp;
    return r;
  }
};

}  // namespace tarvo
