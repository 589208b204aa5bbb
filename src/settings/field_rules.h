#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/typed_number.h"

// The limits and default of every typed number the tool keeps: the settings
// load (through the setting table), the window's fields and the options
// dialogs all repair a number by these rules and by nothing else; the
// console holds its options to the same limits and refuses what lies
// outside them.
namespace tarvo::settings {  // How a typed number is compared with the limits: unsigned makes a
                             // negative
// entry huge (so it becomes the maximum), signed keeps it below the minimum.
enum class Compare { Unsigned, Signed };

// What a number outside the limits becomes; Default compares signed.
enum class OutOfRange { Clamp, Default };

// What the settings load does with a stored number.
enum class OnLoad {
  Keep,            // any whole number is kept; the field repairs it when used
  DefaultOutside,  // outside the limits (or not a number) gives the default
  Repair,          // repaired as a typed text would be
};

struct FieldRule {
  std::int32_t defaultValue;
  std::int32_t minimum;
  std::int32_t maximum;
  Compare compare;
  OutOfRange outOfRange;
  OnLoad onLoad;
  bool evenOnly = false;  // bit 0 is reserved and always cleared (type of service)

  // A typed text repaired: not a number gives the default, then the limits
  // apply as compare and outOfRange say. `rewrite` tells a field to show
  // the repaired value.
  RepairedNumber repair(std::string_view text) const;

  // A kept value as a field would show it and repair it before a run.
  template <class T>
  T hold(T value) const {
    return static_cast<T>(repair(std::to_string(value)).value);
  }
};

// Ping tab, single host ("p") and range ("r") mode.
inline constexpr FieldRule kPingCountRule{
    4, 0, 65535, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Keep};  // 0 = endless
inline constexpr FieldRule kRangeCountRule{
    1, 1, 65535, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Keep};
inline constexpr FieldRule kPingWaitRule{
    1000, 1, 65535, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Keep};
inline constexpr FieldRule kRangeWaitRule{
    1000, 1, 65535, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Keep};
inline constexpr FieldRule kPingDelayRule{
    1000, 1, 65535, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Keep};
inline constexpr FieldRule kRangeDelayRule{
    1000, 1, 65535, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Keep};
inline constexpr FieldRule kPingDataBytesRule{
    32, 18, 65500, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Keep};
inline constexpr FieldRule kRangeDataBytesRule{
    32, 18, 65500, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Keep};
// Traceroute tab.
inline constexpr FieldRule kMaxHopsRule{30,          1, 255, Compare::Signed, OutOfRange::Clamp,
                                        OnLoad::Keep};
inline constexpr FieldRule kTraceWaitRule{
    1000, 10, 65535, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Keep};
// Single-host ping options.
inline constexpr FieldRule kTtlRule{
    60, 1, 255, Compare::Signed, OutOfRange::Default, OnLoad::DefaultOutside};
inline constexpr FieldRule kTosRule{
    0, 0, 255, Compare::Signed, OutOfRange::Default, OnLoad::DefaultOutside, true};
// Grows beyond its maximum on load when more hosts were stored.
inline constexpr FieldRule kHistorySizeRule{
    10, 1, 100, Compare::Signed, OutOfRange::Default, OnLoad::DefaultOutside};
// Range ping options. Only the masks the options offer are loaded: others
// would index past them.
inline constexpr FieldRule kNetMaskBitsRule{
    24, 16, 31, Compare::Signed, OutOfRange::Clamp, OnLoad::DefaultOutside};
// Watch values are held to what the options dialog can produce, so a
// hand-edited file cannot give a zero time-out, TTL 0 or an unknown mode.
inline constexpr FieldRule kWatchWaitRule{
    1000, 1, 65535, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Repair};
inline constexpr FieldRule kWatchDelayRule{
    1000, 1, 65535, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Repair};
inline constexpr FieldRule kWatchBytesRule{
    32, 18, 65500, Compare::Unsigned, OutOfRange::Clamp, OnLoad::Repair};
inline constexpr FieldRule kPenWidthRule{
    2, 1, 4, Compare::Signed, OutOfRange::Default, OnLoad::DefaultOutside};
inline constexpr FieldRule kWatchTtlRule{
    60, 1, 255, Compare::Signed, OutOfRange::Default, OnLoad::DefaultOutside};
// 0 No, 1 One try, 2 Continuous.
inline constexpr FieldRule kWatchResolveNamesRule{
    1, 0, 2, Compare::Signed, OutOfRange::Default, OnLoad::DefaultOutside};
// Which addresses of a name a run takes first: 0 the system's order,
// 1 IPv4, 2 IPv6.
inline constexpr FieldRule kAddressFamilyRule{
    0, 0, 2, Compare::Signed, OutOfRange::Default, OnLoad::DefaultOutside};

// Results in a row before a watched host counts as down, or up again.
inline constexpr FieldRule kNotifyDownRule{
    3, 1, 100, Compare::Signed, OutOfRange::Clamp, OnLoad::Repair};
inline constexpr FieldRule kNotifyUpRule{
    1, 1, 100, Compare::Signed, OutOfRange::Clamp, OnLoad::Repair};
// Days the watch history keeps raw results and per-minute rows.
inline constexpr FieldRule kHistoryRawDaysRule{
    2, 1, 3650, Compare::Signed, OutOfRange::Clamp, OnLoad::Repair};
inline constexpr FieldRule kHistoryDaysRule{
    90, 1, 36500, Compare::Signed, OutOfRange::Clamp, OnLoad::Repair};

}  // namespace tarvo::settings
