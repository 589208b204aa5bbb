#pragma once

// The one table that turns what came back (an ICMP message, or a local error
// of the send) into an IP status code.
//
//   ICMP type/code                                              status
//   0     echo reply matching identifier and sequence           0
//   3/0   net unreachable, 3/6 net unknown, 3/9 net prohibited,
//         3/11 net unreachable for TOS                          11002 net unreachable
//   3/1   host unreachable, 3/7 host unknown, 3/8 host isolated,
//         3/10 host prohibited, 3/12 host unreachable for TOS,
//         3/13 administratively filtered, 3/14, 3/15, other 3/x 11003 host unreachable
//   3/2   protocol unreachable                                  11004
//   3/3   port unreachable                                      11005
//   3/4   fragmentation needed and DF set                       11009 packet too big
//   3/5   source route failed                                   11012 bad route
//   11/0  TTL exceeded in transit                               11013
//   11/1  fragment reassembly time exceeded                     11014
//   12/x  parameter problem                                     11015
//   4/x   source quench                                         11016
//   5/x   redirect, every other type                            none: not an answer, keep waiting
//
//   local errno of the send                                     status
//   ENETUNREACH                                                 11002
//   EHOSTUNREACH                                                11003
//   EMSGSIZE                                                    11009
//   ENOBUFS, ENOMEM, EAGAIN                                     11006 no resources
//   ENETDOWN, ENODEV                                            11008 hardware error
//   EACCES for a broadcast destination (no SO_BROADCAST)        11018 bad destination
//   destination 0.0.0.0 or 255.255.255.255 (never sent)         11018 bad destination
//   no answer before the time-out                               11010
//   anything else (EPERM from a packet filter, EACCES from a
//   prohibit route, EINVAL from a blackhole route, a reply that
//   cannot be read whole, ...)                                  11050 general failure

#include <cstdint>
#include <optional>

namespace tarvo {

// The status an ICMP message of this type and code gives a pending request,
// or nullopt when it is no answer at all and the request keeps waiting.
std::optional<std::uint32_t> statusFromIcmp(std::uint8_t type, std::uint8_t code);

// The same for ICMPv6, each message read as the IPv4 status nearest in
// meaning (there is no status of its own for a prohibited destination):
//
//   ICMPv6 type/code                                            status
//   129   echo reply matching identifier and sequence           0
//   1/0   no route to destination                               11002 net unreachable
//   1/1   administratively prohibited                           11002
//   1/5   source address failed policy, 1/6 reject route        11002
//   1/2   beyond scope of source address                        11003 host unreachable
//   1/3   address unreachable (neighbour discovery failed)      11003
//   1/4   port unreachable                                      11005
//   1/7   error in source routing header                        11012 bad route
//   1/x   codes not yet assigned                                11003
//   2     packet too big                                        11009
//   3/0   hop limit exceeded in transit                         11013
//   3/1   fragment reassembly time exceeded                     11014
//   4/x   parameter problem                                     11015
//   everything else (neighbour discovery, echo requests, ...)   none: keep waiting
std::optional<std::uint32_t> statusFromIcmp6(std::uint8_t type, std::uint8_t code);

// The status of a send that the local stack refused with `err`.
// `broadcastDestination` tells an EACCES for a broadcast address (which the
// socket may not send to) from one caused by a prohibit route.
std::uint32_t statusFromLocalError(int err, bool broadcastDestination);

}  // namespace tarvo
