#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/window_bounds.h"
#include "ui/input_rules.h"

namespace tarvo::ui {

// Every value the window keeps between runs of the program: what the
// settings store loads and saves, plus the options of the dialogs.
struct WindowValues {
  bool rangeMode = false;
  // Range mode was saved on: the first click of the range box brings back
  // the saved octets instead of switching.
  bool rangeOctetsPending = false;
  PingNumbers single = defaultPingNumbers(false);
  PingNumbers range = defaultPingNumbers(true);
  std::string traceHost;
  bool traceResolveNames = false;
  std::int32_t maxHops = kMaxHopsDefault;
  std::uint32_t traceWaitMs = kTraceWaitDefault;
  bool autoSave = true;

  // Single-host ping options.
  std::uint8_t ttl = 60;
  std::uint8_t tos = 0;
  bool dontFragment = false;
  bool routerAlert = false;
  bool resolveNames = false;
  bool audible = false;
  int historySize = kHistoryDefault;

  // Range ping options.
  std::int32_t netMaskBits = 24;
  bool dontPingNet = true;
  bool dontBroadcast = true;
  bool breakSoon = false;
  bool burstMode = false;
  bool showReached = true;
  bool showNotReached = true;

  // The range's saved first and last address (only while range mode is on).
  Octets firstOctets{};
  Octets lastOctets{};

  // Host history, oldest first, and the single-host target.
  std::vector<std::string> hostHistory;
  std::string hostText;
};

// Window bounds in screen pixels, as the settings store keeps them.
using WindowBounds = settings::WindowBounds;

}  // namespace tarvo::ui
