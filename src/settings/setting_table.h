#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "settings/field_rules.h"
#include "settings/settings.h"

// Every value of \Settings in one table, in the order a full save writes
// them: the load, the save, the fallback defaults and the console's
// listing all walk it, so a name, its member and its rule are written once.
namespace tarvo::settings {

// Where a value lives in Settings. Its type says how it is stored: a flag as
// "0" or "1", a number as its decimal text, a text as it is.
using SettingMember =
    std::variant<bool Settings::*, std::int32_t Settings::*, std::uint32_t Settings::*,
                 std::uint16_t Settings::*, std::uint8_t Settings::*, std::string Settings::*>;

struct StoredSetting {
  std::string_view name;  // the value's name in \Settings
  SettingMember member;
  // A typed number's limits and default; none for flags, texts and numbers
  // that keep any whole number.
  const FieldRule* rule = nullptr;
  // A Ping or Traceroute tab value: a failed load puts it back to its default.
  bool tabValue = false;
};

inline constexpr bool kTabValue = true;

inline constexpr auto kStoredSettings = std::to_array<StoredSetting>({
    {"P_RangeEnabled", &Settings::rangeEnabled, nullptr, kTabValue},
    {"P_Countp", &Settings::pingCount, &kPingCountRule, kTabValue},
    {"P_Countr", &Settings::rangeCount, &kRangeCountRule, kTabValue},
    {"P_Waitp", &Settings::pingWaitMs, &kPingWaitRule, kTabValue},
    {"P_Waitr", &Settings::rangeWaitMs, &kRangeWaitRule, kTabValue},
    {"P_Delayp", &Settings::pingDelayMs, &kPingDelayRule, kTabValue},
    {"P_Delayr", &Settings::rangeDelayMs, &kRangeDelayRule, kTabValue},
    {"P_Bytesp", &Settings::pingDataBytes, &kPingDataBytesRule, kTabValue},
    {"P_Bytesr", &Settings::rangeDataBytes, &kRangeDataBytesRule, kTabValue},
    {"T_Host", &Settings::traceHost, nullptr, kTabValue},
    {"T_ResolveNames", &Settings::traceResolveNames, nullptr, kTabValue},
    {"T_MaxHops", &Settings::maxHops, &kMaxHopsRule, kTabValue},
    {"T_Wait", &Settings::traceWait, &kTraceWaitRule, kTabValue},
    {"P_ActiveCommand", &Settings::activeCommand},
    {"AutoSaveSettings", &Settings::autoSave},
    {"P_Audible", &Settings::audible},
    {"P_ResolveNames", &Settings::resolveNames},
    {"P_DontFragment", &Settings::dontFragment},
    {"P_RouterAlert", &Settings::routerAlert},
    {"P_TTL", &Settings::ttl, &kTtlRule},
    {"P_TOS", &Settings::tos, &kTosRule},
    {"P_HistorySize", &Settings::historySize, &kHistorySizeRule},
    {"P_DontPingNet", &Settings::dontPingNet},
    {"P_DontBroadcast", &Settings::dontBroadcast},
    // Older writers spelled it P_NetmaskBits; names compare without case.
    {"P_NetMaskBits", &Settings::netMaskBits, &kNetMaskBitsRule},
    {"P_BreakSoon", &Settings::breakSoon},
    {"P_BurstMode", &Settings::burstMode},
    {"P_ShowReachedPRIP", &Settings::showReached},
    {"P_ShowNotReachedPRIP", &Settings::showNotReached},
    {"W_Wait", &Settings::watchWait, &kWatchWaitRule},
    {"W_Delay", &Settings::watchDelay, &kWatchDelayRule},
    {"W_Bytes", &Settings::watchBytes, &kWatchBytesRule},
    {"W_PenWidth", &Settings::penWidth, &kPenWidthRule},
    {"W_TTL", &Settings::watchTtl, &kWatchTtlRule},
    {"W_ResolveNames", &Settings::watchResolveNames, &kWatchResolveNamesRule},
    {"W_ICMPSequence", &Settings::icmpSequence},
    {"W_LogReplies", &Settings::logReplies},
    {"W_LogTimeouts", &Settings::logTimeouts},
    {"W_LogFlipFlop", &Settings::logFlipFlop},
    {"W_LogImmediate", &Settings::logImmediate},
    {"W_LogPath", &Settings::logPath},
    {"W_Notify", &Settings::notify},
    {"W_NotifyDown", &Settings::notifyDown, &kNotifyDownRule},
    {"W_NotifyUp", &Settings::notifyUp, &kNotifyUpRule},
    {"W_NotifySound", &Settings::notifySound},
    {"W_AutoStart", &Settings::autoStart},
    {"W_AutoStartFile", &Settings::autoStartFile},
    {"W_History", &Settings::history},
    {"W_HistoryRawDays", &Settings::historyRawDays, &kHistoryRawDaysRule},
    {"W_HistoryDays", &Settings::historyDays, &kHistoryDaysRule},
    {"W_MetricsListen", &Settings::metricsListen},
    {"AddressFamily", &Settings::addressFamily, &kAddressFamilyRule},
});

// The stored name of a member the table holds; throws when it holds none.
template <class T>
constexpr std::string_view storedNameOf(T Settings::*member) {
  for (const StoredSetting& row : kStoredSettings) {
    const auto* held = std::get_if<T Settings::*>(&row.member);
    if (held && *held == member) return row.name;
  }
  throw "not a stored setting";
}

}  // namespace tarvo::settings
