#pragma once

#include "ping/ping_thread.h"
#include "settings/settings.h"

namespace tarvo {

// The single-host ping of settings.hostText with the Ping tab's single-host
// numbers and options. Numbers are held to their field rules, as the tab's
// fields repair them before a run. The caller adds ipOptionsSupported and
// the resolver.
PingSnapshot pingSnapshotFrom(const settings::Settings& settings);

}  // namespace tarvo
