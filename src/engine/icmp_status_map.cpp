#include "engine/icmp_status_map.h"

#include <cerrno>

#include "engine/echo_status.h"
#include "engine/icmp6_packet.h"
#include "engine/icmp_packet.h"

namespace tarvo {

std::optional<std::uint32_t> statusFromIcmp(std::uint8_t type, std::uint8_t code) {
  switch (type) {
    case icmp::kEchoReply:
      return status::kSuccess;
    case icmp::kDestinationUnreachable:
      switch (code) {
        case 0:   // net unreachable
        case 6:   // destination net unknown
        case 9:   // net administratively prohibited
        case 11:  // net unreachable for TOS
          return status::kDestNetUnreachable;
        case 2:
          return status::kDestProtocolUnreachable;
        case 3:
          return status::kDestPortUnreachable;
        case 4:
          return status::kPacketTooBig;
        case 5:
          return status::kBadRoute;
        default:  // 1, 7, 8, 10, 12, 13, 14, 15 and codes not yet assigned
          return status::kDestHostUnreachable;
      }
    case icmp::kTimeExceeded:
      if (code == 0) return status::kTtlExpiredTransit;
      if (code == 1) return status::kTtlExpiredReassembly;
      return std::nullopt;
    case icmp::kParameterProblem:
      return status::kParameterProblem;
    case icmp::kSourceQuench:
      return status::kSourceQuench;
    default:  // redirects and everything else are no answer to a request
      return std::nullopt;
  }
}

std::optional<std::uint32_t> statusFromIcmp6(std::uint8_t type, std::uint8_t code) {
  switch (type) {
    case icmp6::kEchoReply:
      return status::kSuccess;
    case icmp6::kDestinationUnreachable:
      switch (code) {
        case 0:  // no route
        case 1:  // administratively prohibited
        case 5:  // source address failed policy
        case 6:  // reject route
          return status::kDestNetUnreachable;
        case 4:
          return status::kDestPortUnreachable;
        case 7:
          return status::kBadRoute;
        default:  // 2 beyond scope, 3 address unreachable, codes not yet assigned
          return status::kDestHostUnreachable;
      }
    case icmp6::kPacketTooBig:
      return status::kPacketTooBig;
    case icmp6::kTimeExceeded:
      if (code == 0) return status::kTtlExpiredTransit;
      if (code == 1) return status::kTtlExpiredReassembly;
      return std::nullopt;
    case icmp6::kParameterProblem:
      return status::kParameterProblem;
    default:
      return std::nullopt;
  }
}

std::uint32_t statusFromLocalError(int err, bool broadcastDestination) {
  switch (err) {
    case ENETUNREACH:
      return status::kDestNetUnreachable;
    case EHOSTUNREACH:
      return status::kDestHostUnreachable;
    case EMSGSIZE:
      return status::kPacketTooBig;
    case ENOBUFS:
    case ENOMEM:
    case EAGAIN:
      return status::kNoResources;
    case ENETDOWN:
    case ENODEV:
      return status::kHardwareError;
    case EACCES:
      return broadcastDestination ? status::kBadDestination : status::kGeneralFailure;
    default:
      return status::kGeneralFailure;
  }
}

}  // namespace tarvo
