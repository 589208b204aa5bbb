#include "settings/field_rules.h"

namespace tarvo::settings {

RepairedNumber FieldRule::repair(std::string_view text) const {
  RepairedNumber r;
  if (outOfRange == OutOfRange::Clamp) {
    r = compare == Compare::Unsigned
            ? repairUnsigned(text, static_cast<std::uint32_t>(defaultValue),
                             static_cast<std::uint32_t>(minimum),
                             static_cast<std::uint32_t>(maximum))
            : repairSigned(text, defaultValue, minimum, maximum);
  } else {
    auto parsed = parseTypedInteger(text);
    const bool within = parsed && *parsed >= minimum && *parsed <= maximum;
    r.value = static_cast<std::uint32_t>(within ? *parsed : defaultValue);
    r.rewrite = !within;
  }
  if (evenOnly && (r.value & 1u) != 0) {
    r.value &= ~1u;
    r.rewrite = true;
  }
  return r;
}

}  // namespace tarvo::settings
