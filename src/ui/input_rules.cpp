#include "ui/input_rules.h"

#include <algorithm>

#include "base/letter_case.h"

namespace tarvo::ui {

namespace {

const settings::FieldRule& ruleOf(PingField field, bool rangeMode) {
  using namespace settings;
  switch (field) {
    case PingField::Count:
      return rangeMode ? kRangeCountRule : kPingCountRule;
    case PingField::Wait:
      return rangeMode ? kRangeWaitRule : kPingWaitRule;
    case PingField::Delay:
      return rangeMode ? kRangeDelayRule : kPingDelayRule;
    case PingField::DataBytes:
      break;
  }
  return rangeMode ? kRangeDataBytesRule : kPingDataBytesRule;
}

bool isOctet(std::int32_t value) { return value >= 0 && value <= 255; }

}  // namespace

RepairedNumber repairPingField(PingField field, bool rangeMode, std::string_view text) {
  return ruleOf(field, rangeMode).repair(text);
}

RepairedNumber repairMaxHops(std::string_view text) { return settings::kMaxHopsRule.repair(text); }

RepairedNumber repairTraceWait(std::string_view text) {
  return settings::kTraceWaitRule.repair(text);
}

void updateHostHistory(std::vector<std::string>& entries, const std::string& host, int limit) {
  auto found = std::find_if(entries.begin(), entries.end(),
                            [&](const std::string& e) { return sameIgnoringLocaleCase(e, host); });
  if (found != entries.end()) {
    std::string kept = *found;  // the stored spelling wins
    entries.erase(found);
    entries.push_back(std::move(kept));
  } else {
    entries.push_back(host);
  }
  if (static_cast<long>(entries.size()) > limit) entries.erase(entries.begin());
}

void readOctetFieldsLeavingRange(const OctetFieldTexts& texts, Octets& first, Octets& last) {
  first.fill(256);
  std::array<std::int32_t*, 6> targets{&first[0], &first[1], &first[2],
                                       &first[3], &last[2],  &last[3]};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::optional<std::int32_t> value = parseTypedInteger(texts[i]);
    if (!value) return;
    *targets[i] = *value;
  }
}

std::optional<std::string> formatFirstAddress(const Octets& first) {
  bool allZeroOrLess = std::all_of(first.begin(), first.end(), [](auto o) { return o <= 0; });
  bool anyOutside = std::any_of(first.begin(), first.end(), [](auto o) { return !isOctet(o); });
  if (allZeroOrLess || anyOutside) return std::nullopt;
  return std::to_string(first[0]) + "." + std::to_string(first[1]) + "." +
         std::to_string(first[2]) + "." + std::to_string(first[3]);
}

std::optional<std::array<std::int32_t, 8>> readRangeOctets(
    const std::array<std::string, 8>& texts) {
  std::array<std::int32_t, 8> octets{};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::optional<std::int32_t> value = parseTypedInteger(texts[i]);
    if (!value) return std::nullopt;
    octets[i] = *value;
  }
  return octets;
}

OctetKey classifyOctetKey(char32_t character) {
  if (character == U'.') return OctetKey::MoveOn;
  if ((character >= U'0' && character <= U'9') || character == U'\b') return OctetKey::Accept;
  return OctetKey::Discard;
}

}  // namespace tarvo::ui
