#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/echo_types.h"

namespace tarvo {

// IP status codes.
namespace status {
constexpr std::uint32_t kSuccess = 0;
constexpr std::uint32_t kBufferTooSmall = 11001;
constexpr std::uint32_t kDestNetUnreachable = 11002;
constexpr std::uint32_t kDestHostUnreachable = 11003;
constexpr std::uint32_t kDestProtocolUnreachable = 11004;
constexpr std::uint32_t kDestPortUnreachable = 11005;
constexpr std::uint32_t kNoResources = 11006;
constexpr std::uint32_t kBadOption = 11007;
constexpr std::uint32_t kHardwareError = 11008;
constexpr std::uint32_t kPacketTooBig = 11009;
constexpr std::uint32_t kRequestTimedOut = 11010;
constexpr std::uint32_t kBadRequest = 11011;
constexpr std::uint32_t kBadRoute = 11012;
constexpr std::uint32_t kTtlExpiredTransit = 11013;
constexpr std::uint32_t kTtlExpiredReassembly = 11014;
constexpr std::uint32_t kParameterProblem = 11015;
constexpr std::uint32_t kSourceQuench = 11016;
constexpr std::uint32_t kOptionTooBig = 11017;
constexpr std::uint32_t kBadDestination = 11018;
constexpr std::uint32_t kGeneralFailure = 11050;
}  // namespace status

// The bare table text of a status (11001 to 11018), or nullptr for any other
// code, 0 included: callers print their own reply line or the numeric form.
const char* echoStatusText(std::uint32_t status);
// The table text, or "ICMP Status = N" (N as a signed number) where the
// table has none.
std::string echoStatusTextOrCode(std::uint32_t status);

// Dotted text of the replying address, and whether it differs from the
// destination (callers then prefix "Reply from <address>:").
struct ReplySource {
  std::string text;
  bool fromOther = false;
};
ReplySource formatReplySource(const EchoResult& result, const IpAddress& destination);

}  // namespace tarvo
