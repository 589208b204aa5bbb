#pragma once

#include <optional>
#include <string_view>

#include "engine/ip_address.h"

namespace tarvo {

// The address a watch item's host text names, if it is an address: a dotted
// IPv4 address read as it always was, or an IPv6 literal (brackets and a zone
// allowed) with blanks around it. Names give nullopt. Pure. The monitor
// shows and logs it as its toString(): the dotted quad, or the canonical
// IPv6 text with the zone as typed.
std::optional<IpAddress> watchAddressOf(std::string_view hostText);

}  // namespace tarvo
