#pragma once

#include "settings/settings.h"
#include "trace/trace_controller.h"

namespace tarvo {

// The traceroute to settings.traceHost with the Traceroute tab's values,
// numbers held to their field rules as the tab's fields repair them before
// a run. The caller adds the echo factory and the resolver.
TraceSnapshot traceSnapshotFrom(const settings::Settings& settings);

}  // namespace tarvo
