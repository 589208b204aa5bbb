#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/octets.h"
#include "settings/field_rules.h"
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
  // Ping tab. Typed numbers take their defaults and limits from field_rules.h.
  bool rangeEnabled = false;                              // P_RangeEnabled; the window's rangeMode
  std::uint32_t pingCount = kPingCountRule.defaultValue;  // single host; 0 = endless
  std::uint32_t rangeCount = kRangeCountRule.defaultValue;
  std::uint32_t pingWaitMs = kPingWaitRule.defaultValue;
  std::uint32_t rangeWaitMs = kRangeWaitRule.defaultValue;
  std::uint32_t pingDelayMs = kPingDelayRule.defaultValue;
  std::uint32_t rangeDelayMs = kRangeDelayRule.defaultValue;
  std::uint32_t pingDataBytes = kPingDataBytesRule.defaultValue;
  std::uint32_t rangeDataBytes = kRangeDataBytesRule.defaultValue;
  // Traceroute tab.
  std::string traceHost;  // T_Host; the window's traceHostText
  bool traceResolveNames = false;
  std::int32_t maxHops = kMaxHopsRule.defaultValue;
  std::uint32_t traceWait = kTraceWaitRule.defaultValue;  // ms
  // General.
  std::int32_t activeCommand = 1;  // index in the "Connect progs:" list
  bool autoSave = true;
  // Single-host ping options.
  bool audible = false;
  bool resolveNames = false;
  bool dontFragment = false;
  bool routerAlert = false;
  std::int32_t ttl = kTtlRule.defaultValue;
  std::int32_t tos = kTosRule.defaultValue;
  // More than its maximum when more hosts were stored.
  std::int32_t historySize = kHistorySizeRule.defaultValue;
  // Range ping options.
  bool dontPingNet = true;
  bool dontBroadcast = true;
  std::int32_t netMaskBits = kNetMaskBitsRule.defaultValue;
  bool breakSoon = false;
  bool burstMode = false;
  bool showReached = true;
  bool showNotReached = true;
  // Watch.
  std::uint32_t watchWait = kWatchWaitRule.defaultValue;    // ms
  std::uint32_t watchDelay = kWatchDelayRule.defaultValue;  // ms
  std::uint16_t watchBytes = kWatchBytesRule.defaultValue;
  std::int32_t penWidth = kPenWidthRule.defaultValue;
  std::uint8_t watchTtl = kWatchTtlRule.defaultValue;
  std::int32_t watchResolveNames = kWatchResolveNamesRule.defaultValue;
  bool icmpSequence = false;
  bool logReplies = false;
  bool logTimeouts = false;
  bool logFlipFlop = false;
  bool logImmediate = false;
  std::string logPath = defaultWatchLogPath();
  bool autoStart = false;
  std::string autoStartFile;
  bool notify = false;  // desktop notices of hosts going down and up
  std::int32_t notifyDown = kNotifyDownRule.defaultValue;
  std::int32_t notifyUp = kNotifyUpRule.defaultValue;
  bool notifySound = false;
  // Every result kept in the history file, raw for some days, as minutes
  // for longer.
  bool history = true;
  std::int32_t historyRawDays = kHistoryRawDaysRule.defaultValue;
  std::int32_t historyDays = kHistoryDaysRule.defaultValue;
  // Where the window's monitor serves its metrics ("[ADDR:]PORT"); none
  // when empty.
  std::string metricsListen;
  // General: the addresses of a name pinged, traced and watched first.
  std::int32_t addressFamily = kAddressFamilyRule.defaultValue;
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
// be opened, as on the first run.
bool loadSettings(const RegistryStore& store, Settings& settings);

// The settings a run starts from: the stored values over the defaults. When
// they cannot be loaded (`loaded` false) there is no target, no range mode,
// and the Ping and Traceroute tab values are back at their defaults; the
// rest stays as read.
Settings loadOrFallBack(const RegistryStore& store, bool* loaded = nullptr);

// The values of \Settings as a full save writes them, in order, with their
// stored texts (P_FirstIP and P_LastIP only in range mode).
std::vector<std::pair<std::string, std::string>> settingsValues(const Settings& settings);

// P_FirstIP and P_LastIP with their stored texts.
std::vector<std::pair<std::string, std::string>> rangeAddressValues(const Settings& settings);

// Writes \Settings and \Settings\PingHosts. With auto-save off only
// AutoSaveSettings "0" is recorded and every other stored value stays.
StoreResult saveSettings(RegistryStore& store, const Settings& settings);

// "P_DestHost_" and the position, at least three digits.
std::string historyValueName(std::size_t position);

}  // namespace tarvo::settings
