#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/octets.h"
#include "settings/registry_store.h"

namespace tarvo::settings {

// Keys of the tool's settings tree.
inline constexpr std::string_view kBaseKey = "\\SOFTWARE\\Dravenco\\Tarvo";
inline constexpr std::string_view kSettingsKey = "\\SOFTWARE\\Dravenco\\Tarvo\\Settings";
inline constexpr std::string_view kPingHostsKey =
    "\\SOFTWARE\\Dravenco\\Tarvo\\Settings\\PingHosts";

// ${XDG_STATE_HOME:-~/.local/state}/Tarvo/, with the trailing "/".
std::string defaultWatchLogPath();

// Every stored option and input, with its default. The window keeps these
// as plain fields; load and save work on this record only.
struct Settings {
  // Ping tab.
  bool rangeEnabled = false;  // P_RangeEnabled; the window's rangeMode
  std::uint32_t countp = 4;   // single-host count, 0 = endless
  std::uint32_t countr = 1;
  std::uint32_t waitp = 1000;  // ms
  std::uint32_t waitr = 1000;
  std::uint32_t delayp = 1000;  // ms
  std::uint32_t delayr = 1000;
  std::uint32_t bytesp = 32;
  std::uint32_t bytesr = 32;
  // Traceroute tab.
  std::string traceHost;  // T_Host; the window's traceHostText
  bool traceResolveNames = false;
  std::int32_t maxHops = 30;
  std::uint32_t traceWait = 1000;  // ms
  // General.
  std::int32_t activeCommand = 1;  // index in the "Connect progs:" list
  bool autoSave = true;
  // Single-host ping options.
  bool audible = false;
  bool resolveNames = false;
  bool dontFragment = false;
  bool routerAlert = false;
  std::int32_t ttl = 60;          // 1..255
  std::int32_t tos = 0;           // 0..254, bit 0 clear
  std::int32_t historySize = 10;  // 1..100, or more when more hosts were stored
  // Range ping options.
  bool dontPingNet = true;
  bool dontBroadcast = true;
  std::int32_t netMaskBits = 24;  // 16..31
  bool breakSoon = false;
  bool burstMode = false;
  bool showReached = true;
  bool showNotReached = true;
  // Watch.
  std::uint32_t watchWait = 1000;   // ms
  std::uint32_t watchDelay = 1000;  // ms
  std::uint16_t watchBytes = 32;
  std::int32_t penWidth = 2;  // 1..4
  std::uint8_t watchTtl = 60;
  std::int32_t watchResolveNames = 1;  // 0 No, 1 One try, 2 Continuous
  bool icmpSequence = false;
  bool logReplies = false;
  bool logTimeouts = false;
  bool logFlipFlop = false;
  bool logImmediate = false;
  std::string logPath = defaultWatchLogPath();
  bool autoStart = false;
  std::string autoStartFile;
  // Range addresses (P_FirstIP, P_LastIP), stored only in range mode.
  Octets firstOctets{0, 0, 0, 0};
  Octets lastOctets{0, 0, 0, 0};
  // Set by the load when range mode was saved on: the first click of the
  // range box then fills the octet fields instead of switching modes.
  bool rangeOctetsPending = false;
  // Host history, oldest first; hostText is the single-host target.
  std::vector<std::string> hostHistory;
  std::string hostText;
};

// Reads the stored values over `settings` (which holds the defaults, or what
// an earlier step left). False when \Settings or \Settings\PingHosts cannot
// be opened, as on the first run; then call applyFallbackDefaults.
bool loadSettings(const RegistryStore& store, Settings& settings);

// After a failed load: no target, no range mode, and the Ping and
// Traceroute tab values back at their defaults; the rest stays as read.
void applyFallbackDefaults(Settings& settings);

// The values of \Settings as a full save writes them, in order, with their
// stored texts (P_FirstIP and P_LastIP only in range mode).
std::vector<std::pair<std::string, std::string>> settingsValues(const Settings& settings);

// Writes \Settings and \Settings\PingHosts. With auto-save off only
// AutoSaveSettings "0" is recorded and every other stored value stays.
StoreResult saveSettings(RegistryStore& store, const Settings& settings);

// "P_DestHost_" and the position, at least three digits.
std::string historyValueName(std::size_t position);

}  // namespace tarvo::settings
