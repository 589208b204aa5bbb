#pragma once

#include <sys/socket.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvo {

// One datagram, or one error-queue entry, read from an echo socket without
// waiting: what both address families' sockets take from the kernel.
struct SocketRead {
  bool empty = false;   // nothing waiting
  bool failed = false;  // a pending error handed out once; the report waits in the error queue
  std::span<const std::uint8_t> bytes;    // what fits in the buffer
  std::span<const std::uint8_t> control;  // the ancillary data
  socklen_t nameLength = 0;               // of the sender or, for an error, the destination
  bool truncated = false;
};

// `name` receives the sender (the destination for the error queue);
// `control` the ancillary data.
template <class SocketAddress>
SocketRead readSocket(int fd, std::span<std::uint8_t> buffer, SocketAddress& name,
                      std::span<unsigned char> control, bool errorQueue) {
  iovec iov{buffer.data(), buffer.size()};
  msghdr msg{};
  msg.msg_name = &name;
  msg.msg_namelen = sizeof name;
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control.data();
  msg.msg_controllen = control.size();
  SocketRead read;
  const ssize_t n = ::recvmsg(fd, &msg, MSG_DONTWAIT | (errorQueue ? MSG_ERRQUEUE : 0));
  if (n < 0) {
    read.empty = errno == EAGAIN || errno == EWOULDBLOCK;
    read.failed = !read.empty;
    return read;
  }
  const std::size_t got = static_cast<std::size_t>(n) < buffer.size() ? n : buffer.size();
  read.bytes = std::span<const std::uint8_t>(buffer.data(), got);
  read.control = std::span<const std::uint8_t>(control.data(), msg.msg_controllen);
  read.nameLength = msg.msg_namelen;
  read.truncated = (msg.msg_flags & MSG_TRUNC) != 0;
  return read;
}

}  // namespace tarvo
