#pragma once

#include "range/range_controller.h"
#include "settings/settings.h"

namespace tarvo {

// The range ping of `input` with the Ping tab's range numbers and the range
// options. Numbers are held to their field rules, as the tab's fields
// repair them before a run; the single-host options never apply to a range.
// The caller adds the echo factory.
RangeSnapshot rangeSnapshotFrom(const settings::Settings& settings, const RangeInput& input);

}  // namespace tarvo
