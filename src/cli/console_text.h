#pragma once

#include "base/control_chars.h"

namespace tarvo::cli {

// What the console writes of outside text goes through these.
using tarvo::escapeControlChars;
using tarvo::hasControlChars;

}  // namespace tarvo::cli
