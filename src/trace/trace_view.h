#pragma once

#include "base/run_view.h"

namespace tarvo {

// The separator the end of a traceroute appends.
inline constexpr const char* kEndOfTraceLine =
    "    ------------------------End of Traceroute------------------";

}  // namespace tarvo
