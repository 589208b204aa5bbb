#include "base/octets.h"

#include "base/typed_number.h"

namespace tarvo {

std::optional<Octets> parseOctets(std::string_view text) {
  Octets octets{};
  std::size_t count = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = text.find('.', start);
    const std::string_view part =
        text.substr(start, dot == std::string_view::npos ? dot : dot - start);
    const auto value = parseTypedInteger(part);
    if (count == octets.size() || !value || *value < 0 || *value > 255) return std::nullopt;
    octets[count++] = *value;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  if (count != octets.size()) return std::nullopt;
  return octets;
}

std::string formatOctets(const Octets& octets) {
  return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
         std::to_string(octets[2]) + "." + std::to_string(octets[3]);
}

}  // namespace tarvo
