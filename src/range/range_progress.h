#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tarvo {

// How far a range run is, as one short text for a progress line or bar:
// "1234 / 65536  1.8%  20.4/s  0:52:31 left". The rate is the average since
// the start; it and the time left are missing until a second has passed
// with at least one address done, as a guess from less would jump about.
// The percentage is rounded down, so 100% means every address is done.
std::string rangeProgressText(std::uint32_t done, std::uint32_t total,
                              std::chrono::milliseconds elapsed);

}  // namespace tarvo
