#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/address.h"

namespace tarvo {

// The name look-ups a run makes. The system resolver by default; tests put
// a scripted one in its place, so no test reaches the machine's resolver.
// An empty function counts as a look-up that finds nothing.
struct Resolver {
  std::function<std::optional<HostEntry>(const std::string&)> lookupHost = tarvo::lookupHost;
  std::function<std::optional<HostEntry>(Ipv4Address)> lookupAddress = tarvo::lookupAddress;

  std::optional<HostEntry> host(const std::string& name) const {
    return lookupHost ? lookupHost(name) : std::nullopt;
  }
  std::optional<HostEntry> address(Ipv4Address address) const {
    return lookupAddress ? lookupAddress(address) : std::nullopt;
  }
};

}  // namespace tarvo
