#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// Reads a typed number the way the input fields do: leading blanks skipped,
// optional sign, hexadecimal after "$", "x", "X", "0x" or "0X", decimal
// otherwise. Anything else (trailing blanks too), an empty text or a value
// outside the signed 32-bit range is not a number.
std::optional<std::int32_t> parseTypedInteger(std::string_view text);

// A field value after repair, and whether the field must be rewritten.
struct RepairedNumber {
  std::uint32_t value = 0;
  bool rewrite = false;  // the text shown must become std::to_string(value)
};

// Not a number gives the default; the result is then compared as unsigned
// (so a negative entry is huge and becomes the maximum) and clamped.
RepairedNumber repairUnsigned(std::string_view text, std::uint32_t defaultValue,
                              std::uint32_t minimum, std::uint32_t maximum);

// As repairUnsigned, but compared as signed (a negative entry becomes the
// minimum). Used for the traceroute's maximum hop count.
RepairedNumber repairSigned(std::string_view text, std::int32_t defaultValue, std::int32_t minimum,
                            std::int32_t maximum);

}  // namespace tarvo
