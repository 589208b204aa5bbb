#include "engine/echo_status.h"

#include "engine/address.h"

namespace tarvo {

const char* echoStatusText(std::uint32_t code) {
  static const char* const kTexts[] = {
      "Buffer too small",
      "Destination net unreachable",
      "Destination host unreachable",
      "Destination protocol unreachable",
      "Destination port unreachable",
      "No resources",
      "Bad option",
      "Hardware error",
      "Packet too big",
      "Request timed out",
      "Bad request",
      "Bad route",
      "TTL expired transit",
      "TTL expired reassembly",
      "Parameter problem",
      "Source quench",
      "Option too big",
      "Bad destination",
  };
  if (code < status::kBufferTooSmall || code > status::kBadDestination) return nullptr;
  return kTexts[code - status::kBufferTooSmall];
}

ReplySource formatReplySource(const EchoResult& result, const IpAddress& destination) {
  return ReplySource{result.replyAddress.toString(), result.replyAddress != destination};
}

std::string echoStatusTextOrCode(std::uint32_t status) {
  if (const char* text = echoStatusText(status)) return text;
  return "ICMP Status = " + std::to_string(static_cast<std::int32_t>(status));
}

}  // namespace tarvo
