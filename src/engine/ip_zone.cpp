// The one step of reading an address that asks the system: which interface
// a zone name stands for. Kept out of the pure reader so it can be fuzzed
// and tested without the machine's interfaces.
#include <net/if.h>

#include "engine/ip_address.h"

namespace tarvo {

std::optional<IpAddress> resolveZone(const IpAddress& address) {
  if (address.zone().empty() || address.scopeId() != 0) return address;
  const unsigned index = if_nametoindex(address.zone().c_str());
  if (index == 0) return std::nullopt;
  return address.withScopeId(index);
}

}  // namespace tarvo
