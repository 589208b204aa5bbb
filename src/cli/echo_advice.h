#pragma once

#include "engine/echo_service.h"

namespace tarvo::cli {

// When the start-up check found no echo socket at all, names both ways to
// allow one on standard error. Standard output keeps the run's own lines.
void adviseOnStartFailure(const NetworkCheck& check);

}  // namespace tarvo::cli
