#pragma once

// The parts of a received message's ancillary data that both address
// families read alike: the walk over its entries, a one-byte value carried
// as an int (TTL, hop limit) and the extended error of the error queue.
// Pure: no socket, only the bytes the kernel left.

#include <time.h>
// first: the kernel header below uses its time structures
#include <linux/errqueue.h>
#include <sys/socket.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace tarvo::cmsg {

// Calls visit(level, type, data) for every whole entry, in order; a length
// that does not fit the buffer ends the walk.
template <class Visit>
void forEachEntry(std::span<const std::uint8_t> control, Visit visit) {
  const std::size_t headerSize = sizeof(cmsghdr);
  const std::size_t dataOffset = CMSG_LEN(0);
  std::size_t at = 0;
  while (at + headerSize <= control.size()) {
    cmsghdr h;
    std::memcpy(&h, control.data() + at, headerSize);
    if (h.cmsg_len < dataOffset || h.cmsg_len > control.size() - at) break;
    visit(h.cmsg_level, h.cmsg_type, control.subspan(at + dataOffset, h.cmsg_len - dataOffset));
    const std::size_t step = CMSG_ALIGN(h.cmsg_len);
    if (step == 0 || step > control.size() - at) break;
    at += step;
  }
}

// An int entry that holds 0..255.
inline std::optional<std::uint8_t> byteValue(std::span<const std::uint8_t> data) {
  if (data.size() < sizeof(int)) return std::nullopt;
  int value;
  std::memcpy(&value, data.data(), sizeof value);
  if (value < 0 || value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(value);
}

// Fills the family's ExtendedError from an IP(V6)_RECVERR entry; what
// follows the error (the offender's address, SO_EE_OFFENDER) is returned
// for the family to read. None when the entry is too short.
template <class ExtendedError>
std::optional<std::span<const std::uint8_t>> readExtendedError(std::span<const std::uint8_t> data,
                                                               ExtendedError& e) {
  sock_extended_err ee;
  if (data.size() < sizeof ee) return std::nullopt;
  std::memcpy(&ee, data.data(), sizeof ee);
  e.errnoValue = ee.ee_errno;
  e.origin = ee.ee_origin;
  e.type = ee.ee_type;
  e.code = ee.ee_code;
  e.info = ee.ee_info;
  return data.subspan(sizeof ee);
}

}  // namespace tarvo::cmsg
