#pragma once

#include "base/run_view.h"

namespace tarvo {

// The separator the end of a range ping appends.
inline constexpr const char* kEndOfRangePingLine =
    "    ------------------------ End of Range Ping -----------------------";

}  // namespace tarvo
