#pragma once

#include <cstdint>
#include <string>

namespace tarvo::settings {
struct Settings;
}

namespace tarvo::cli {

// The values the console front end starts from when an option is not given:
// what the window would take from the settings store.
struct CliDefaults {
  // Single-host ping.
  std::string host;  // newest entry of the host history; empty when none
  std::uint32_t pingCount = 4;
  std::uint32_t pingWaitMs = 1000;
  std::uint32_t pingDelayMs = 1000;
  std::uint32_t pingDataBytes = 32;
  std::uint8_t ttl = 60;
  std::uint8_t tos = 0;
  bool dontFragment = false;
  bool routerAlert = false;
  bool resolveNames = false;
  bool audible = false;
  // Range ping.
  std::uint32_t rangeCount = 1;
  std::uint32_t rangeWaitMs = 1000;
  std::uint32_t rangeDelayMs = 1000;
  std::uint32_t rangeDataBytes = 32;
  std::int32_t netMaskBits = 24;
  bool dontPingNet = true;
  bool dontBroadcast = true;
  bool breakSoon = false;
  bool burstMode = false;
  bool showReached = true;
  bool showNotReached = true;
  // Traceroute.
  std::string traceHost;
  std::int32_t maxHops = 30;
  std::uint32_t traceWait = 1000;
  bool traceResolveNames = false;
};

// Loads the defaults from the per-user settings store (read only).
CliDefaults loadCliDefaults();

// The defaults for loaded settings, numbers repaired as the window's fields
// repair them when a run starts.
CliDefaults cliDefaultsFrom(const settings::Settings& settings);

}  // namespace tarvo::cli
