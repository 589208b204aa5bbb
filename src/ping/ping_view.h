#pragma once

#include "base/run_view.h"

namespace tarvo {

// The separator the end of a single-host ping appends.
inline constexpr const char* kEndOfPingLine =
    "    ------------------------End of Ping------------------------";

}  // namespace tarvo
