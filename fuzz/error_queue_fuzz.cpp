// libFuzzer target: control data and error-queue entries of a datagram
// socket. The first byte splits the input into control buffer and data.
#include <time.h>
// first: the kernel header below uses its time structures
#include <linux/errqueue.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/icmp_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t split = data[0] < size - 1 ? data[0] : size - 1;
  const std::span<const std::uint8_t> control(data + 1, split);
  const std::span<const std::uint8_t> rest(data + 1 + split, size - 1 - split);
  const tarvo::icmp::ControlData cd = tarvo::icmp::parseControlMessages(control);
  tarvo::icmp::ExtendedError e;
  e.origin = SO_EE_ORIGIN_ICMP;
  tarvo::icmp::parseErrorQueueEntry(cd.error.value_or(e), rest, 0xC6120A0A, cd.ttl.value_or(0));
  return 0;
}
