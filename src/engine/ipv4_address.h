#pragma once

#include <cstdint>

namespace tarvo {

// IPv4 address in host order: a.b.c.d is a*2^24 + b*2^16 + c*2^8 + d.
using Ipv4Address = std::uint32_t;

}  // namespace tarvo
