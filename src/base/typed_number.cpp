#include "base/typed_number.h"

namespace tarvo {

std::optional<std::int32_t> parseTypedInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  unsigned base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * base + digit;
    if (value > 0x80000000LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

RepairedNumber repairUnsigned(std::string_view text, std::uint32_t defaultValue,
                              std::uint32_t minimum, std::uint32_t maximum) {
  RepairedNumber r;
  auto parsed = parseTypedInteger(text);
  if (!parsed) {
    r.value = defaultValue;
    r.rewrite = true;
  } else {
    r.value = static_cast<std::uint32_t>(*parsed);
  }
  if (r.value > maximum) {
    r.value = maximum;
    r.rewrite = true;
  } else if (r.value < minimum) {
    r.value = minimum;
    r.rewrite = true;
  }
  return r;
}

RepairedNumber repairSigned(std::string_view text, std::int32_t defaultValue, std::int32_t minimum,
                            std::int32_t maximum) {
  RepairedNumber r;
  auto parsed = parseTypedInteger(text);
  std::int32_t v = parsed ? *parsed : defaultValue;
  r.rewrite = !parsed;
  if (v > maximum) {
    v = maximum;
    r.rewrite = true;
  } else if (v < minimum) {
    v = minimum;
    r.rewrite = true;
  }
  r.value = static_cast<std::uint32_t>(v);
  return r;
}

}  // namespace tarvo
