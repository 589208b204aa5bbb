#pragma once

// Telling a send's own refusal from an error left pending on a shared
// datagram echo socket by someone else's ICMP report.
//
// With IP_RECVERR every arriving ICMP error (and every read of a queued one
// that leaves more behind) sets the socket's pending error, and the next
// send on the socket, whoever makes it, fails with that error and sends
// nothing. The report itself stays in the error queue for its owner. The
// kernel checks routes and message size before it looks at the pending
// error, so those refusals can be asked again of a separate socket that
// never has one pending.

#include <cstddef>
#include <cstdint>

#include "engine/echo_types.h"

namespace tarvo {

// Whether a send's errno could be an ICMP error pending for another request
// (the errnos the kernel gives ICMP reports and local size errors).
bool couldBePendingSocketError(int err);

// Whether the send itself can be refused with this errno (route or size):
// only then is asking a separate socket worth it.
bool isOwnRefusalCandidate(int err);

// The refusal a send of an echo request with `icmpBytes` (header and data)
// to `destination` gets for its own reasons: 0 where the route takes it,
// or the route's errno, or EMSGSIZE where it cannot go whole. -1 when no
// probe socket could be had.
int ownSendRefusal(Ipv4Address destination, const EchoOptions& options, std::size_t icmpBytes);

}  // namespace tarvo
