// libFuzzer target: everything an ICMPv6 socket can hand over, and its
// control data. The first byte splits the input into control buffer and
// message.
#include <time.h>
// first: the kernel header below uses its time structures
#include <linux/errqueue.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/icmp6_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t split = data[0] < size - 1 ? data[0] : size - 1;
  const std::span<const std::uint8_t> control(data + 1, split);
  const std::span<const std::uint8_t> message(data + 1 + split, size - 1 - split);
  const tarvo::icmp6::ControlData cd = tarvo::icmp6::parseControlMessages(control);
  if (auto m = tarvo::icmp6::parseMessage(message, tarvo::IpAddress{}, cd.hopLimit.value_or(0))) {
    // What was read must lie inside what arrived.
    if (m->kind == tarvo::icmp6::Icmp6Message::EchoReply && m->dataSize + 8 > message.size()) {
      __builtin_trap();
    }
  }
  tarvo::icmp6::ExtendedError e;
  e.origin = SO_EE_ORIGIN_ICMP6;
  tarvo::icmp6::parseErrorQueueEntry(cd.error.value_or(e), message, tarvo::IpAddress{}, 0);
  return 0;
}
