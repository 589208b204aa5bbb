#pragma once

#include <cstdint>
#include <string>

#include "engine/address.h"
#include "settings/settings.h"
#include "watch/host_state.h"

namespace tarvo {

// How the monitor turns host names into addresses and captions.
enum class ResolveMode : int { No = 0, OneTry = 1, Continuous = 2 };

// The watch options a monitor run takes when it starts; the run never reads
// settings afterwards, so editing the options meanwhile changes nothing.
struct MonitorSettings {
  std::string logPath;  // folder of the log files; created when missing
  bool logImmediate = false;
  bool logChangesOnly = false;
  bool logTimeouts = false;
  bool logReplies = false;
  bool stampSequence = false;
  ResolveMode resolveMode = ResolveMode::OneTry;
  int penWidth = 2;
  std::uint8_t ttl = 60;
  std::uint16_t dataSize = 32;
  std::uint32_t delayMs = 1000;  // minimum time from one request to the next
  std::uint32_t waitMs = 1000;   // reply time-out; also the graphs' full height
  // When a host counts as down and up again; the window tells of each
  // change (with the reply tone) only when asked to.
  StateThresholds thresholds;
  bool notify = false;
  bool notifySound = false;
  // Which address of a name is watched: the first the preference gives.
  FamilyPreference family = FamilyPreference::System;

  bool anyLogging() const { return logReplies || logTimeouts || logChangesOnly; }
};

// The watch values of the store, held to their field rules. Logging only
// changes is dropped when replies or time-outs are logged, as the store does.
MonitorSettings monitorSettingsFrom(const settings::Settings& s);

}  // namespace tarvo
