// libFuzzer target: everything a raw or datagram ICMP socket can hand over.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/icmp_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (auto m = tarvo::icmp::parseRawPacket(bytes)) {
    // What was read must lie inside what arrived.
    if (m->kind == tarvo::icmp::IcmpMessage::EchoReply && m->dataSize + 28 > size) __builtin_trap();
  }
  tarvo::icmp::parseDatagramMessage(bytes, 0x7F000001, 64);
  return 0;
}
