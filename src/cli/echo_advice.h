#pragma once

#include "engine/echo_service.h"

namespace tarvo::cli {

// When the start-up check found no echo socket at all for lack of
// permission, names both ways to allow one on standard error; when it was
// for another cause (descriptors, threads), names that cause instead. Standard output keeps the
// run's own lines.
void adviseOnStartFailure(const NetworkCheck& check);

}  // namespace tarvo::cli
