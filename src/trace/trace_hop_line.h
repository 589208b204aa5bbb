#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/echo_types.h"

namespace tarvo {

// Right-aligns a number in a field: (7 - digits) * 2 blanks, so hop 1 gets
// 12, hop 10 gets 10 and hop 100 gets 8. Numbers of 7 digits or more get none.
std::string hopPadding(std::uint32_t number);

// One probe's column: the padded round trip and "ms", or the star text.
std::string roundTripColumn(std::uint32_t roundTripMs);
inline constexpr const char* kStarColumn = "             *    ";

// A hop line that ends the worker early: the padding of the hop number and
// a message such as "    UserBreak" or "    Could not load ICMP.DLL".
std::string hopMessageLine(std::uint32_t hop, const std::string& message);
inline constexpr const char* kUserBreak = "    UserBreak";

// Builds one hop's line while its probes come in, and keeps what the hop
// learned: whether it reached the destination, met an error that ends the
// trace, and who answered last.
class HopLineBuilder {
 public:
  HopLineBuilder(std::uint32_t hop, const IpAddress& destination);

  // The line so far: padding, hop number, two blanks, one column per probe.
  const std::string& line() const { return line_; }

  // Adds the column of one probe's result.
  void addProbe(const EchoResult& result);

  // Some probe of this hop was answered by a router or the destination.
  bool hopAnswered() const { return hopAnswered_; }
  const IpAddress& lastAnswerAddress() const { return lastAnswer_; }
  bool reachedDestination() const { return reached_; }
  bool endingError() const { return error_; }

  // Completes the line after the last probe. name is the reverse name of
  // lastAnswerAddress(), or empty when names are off or it has none.
  void finish(const std::string& name);

  // The code that announces the finished line: 202, 203 or 206.
  std::uint32_t finalCode() const;

  // Each probe's round trip so far in microseconds, none where no one
  // answered it.
  const std::vector<std::optional<std::uint64_t>>& roundTripsUs() const { return roundTripsUs_; }
  // The IP status whose text the finished line shows (the last answered
  // probe's, or the last probe's when none was answered), and that text.
  std::uint32_t shownStatus() const { return hopAnswered_ ? lastAnsweredCode_ : currentCode_; }
  const std::string& shownStatusText() const {
    return hopAnswered_ ? lastAnsweredStatus_ : currentStatus_;
  }

 private:
  IpAddress destination_;
  std::string line_;
  std::string currentStatus_;
  std::string lastAnsweredStatus_;
  std::string lastAnswerText_;
  IpAddress lastAnswer_;
  std::uint32_t currentCode_ = 0;
  std::uint32_t lastAnsweredCode_ = 0;
  std::vector<std::optional<std::uint64_t>> roundTripsUs_;
  bool hopAnswered_ = false;
  bool reached_ = false;
  bool error_ = false;
};

}  // namespace tarvo
