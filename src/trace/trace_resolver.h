#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/address.h"

namespace tarvo {

// The name look-ups a traceroute makes. The system resolver by default; tests
// put a scripted one in its place.
struct TraceResolver {
  std::function<std::optional<HostEntry>(const std::string&)> lookupHost = tarvo::lookupHost;
  std::function<std::optional<HostEntry>(Ipv4Address)> lookupAddress = tarvo::lookupAddress;
};

}  // namespace tarvo
