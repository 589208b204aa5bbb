#include "settings/options_rules.h"

namespace tarvo::settings {

std::string tosBinaryText(std::uint8_t tos) {
  std::string text(8, '0');
  for (int bit = 0; bit < 8; ++bit) {
    if ((tos >> bit) & 1) text[7 - bit] = '1';
  }
  return text;
}

std::uint8_t withTosBit(std::uint8_t tos, int bit, bool on) {
  if (bit < 0 || bit > 7) return tos;
  const auto mask = static_cast<std::uint8_t>(1u << bit);
  auto result = static_cast<std::uint8_t>(on ? (tos | mask) : (tos & ~mask));
  return static_cast<std::uint8_t>(result & ~(1u << kTosReservedBit));
}

bool tosBitShown(std::string_view binaryText, int bit) {
  if (binaryText.size() != 8 || bit < 0 || bit > 7) return false;
  return binaryText[7 - bit] == '1';
}

LogOptions afterLogClick(LogOptions options, LogBox box, bool checked) {
  switch (box) {
    case LogBox::Replies:
      options.replies = checked;
      break;
    case LogBox::Timeouts:
      options.timeouts = checked;
      break;
    case LogBox::FlipFlop:
      options.flipFlop = checked;
      break;
    case LogBox::Immediate:
      options.immediate = checked;
      break;
  }
  if (checked && (box == LogBox::Replies || box == LogBox::Timeouts)) options.flipFlop = false;
  if (checked && box == LogBox::FlipFlop) options.replies = options.timeouts = false;
  const bool anyLogged = options.replies || options.timeouts || options.flipFlop;
  if (box == LogBox::Immediate) {
    if (checked && !anyLogged) options.flipFlop = true;
  } else if (!checked && !anyLogged) {
    options.immediate = false;
  }
  return options;
}

}  // namespace tarvo::settings
