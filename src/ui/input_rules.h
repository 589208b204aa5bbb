#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/octets.h"
#include "base/typed_number.h"
#include "settings/field_rules.h"

// The Ping and Traceroute tabs' input rules as plain functions, so they can
// be checked without widgets.
namespace tarvo::ui {

// The four numeric fields of the Ping tab, in the order they are read.
enum class PingField { Count, Wait, Delay, DataBytes };
inline constexpr std::array<PingField, 4> kPingFields{PingField::Count, PingField::Wait,
                                                      PingField::Delay, PingField::DataBytes};

// Repairs one typed Ping field by the mode's rule in settings/field_rules.h.
RepairedNumber repairPingField(PingField field, bool rangeMode, std::string_view text);

inline constexpr std::int32_t kMaxHopsDefault = settings::kMaxHopsRule.defaultValue;
inline constexpr std::uint32_t kTraceWaitDefault = settings::kTraceWaitRule.defaultValue;
RepairedNumber repairMaxHops(std::string_view text);
RepairedNumber repairTraceWait(std::string_view text);

inline constexpr int kHistoryDefault = settings::kHistorySizeRule.defaultValue;

// Moves host to the end of the history (oldest first, newest last), keeping
// an existing entry's spelling when it matches without regard to case, and
// drops the oldest entry when the list grew beyond limit. The last entry is
// the selected one.
void updateHostHistory(std::vector<std::string>& entries, const std::string& host, int limit);

// Texts of the six editable octet fields in their tab order: the first
// address's four octets, then the last address's third and fourth.
using OctetFieldTexts = std::array<std::string, 6>;

// Reads the editable octet fields into first (all four) and last (third
// and fourth) when leaving range mode. The first address starts as 256
// (no octet); the reading stops at the first field that is not a number and
// leaves the octets after it as they were.
void readOctetFieldsLeavingRange(const OctetFieldTexts& texts, Octets& first, Octets& last);

// The first address as dotted text for the host field; nullopt when it is
// all zeros (or less) or any octet lies outside 0..255.
std::optional<std::string> formatFirstAddress(const Octets& first);

// Reads all eight octet fields for a range start; nullopt when a field is
// empty or not a number.
std::optional<std::array<std::int32_t, 8>> readRangeOctets(const std::array<std::string, 8>& texts);

// What a key does in an octet field.
enum class OctetKey { Accept, Discard, MoveOn };
OctetKey classifyOctetKey(char32_t character);

}  // namespace tarvo::ui
