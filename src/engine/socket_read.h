#pragma once

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
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

namespace socket_read {

// Points `msg` at one datagram's buffer, sender and ancillary data.
template <class SocketAddress>
void prepare(msghdr& msg, iovec& iov, std::span<std::uint8_t> buffer, SocketAddress& name,
             std::span<unsigned char> control) {
  iov = iovec{buffer.data(), buffer.size()};
  msg = msghdr{};
  msg.msg_name = &name;
  msg.msg_namelen = sizeof name;
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control.data();
  msg.msg_controllen = control.size();
}

// What a failed read means: nothing waiting, or a pending error handed out.
inline SocketRead failure() {
  SocketRead read;
  read.empty = errno == EAGAIN || errno == EWOULDBLOCK;
  read.failed = !read.empty;
  return read;
}

// A datagram of `received` bytes read through `msg`.
inline SocketRead received(const msghdr& msg, std::size_t received) {
  SocketRead read;
  const std::size_t size = msg.msg_iov->iov_len;
  read.bytes = std::span<const std::uint8_t>(
      static_cast<const std::uint8_t*>(msg.msg_iov->iov_base), received < size ? received : size);
  read.control = std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(msg.msg_control),
                                               msg.msg_controllen);
  read.nameLength = msg.msg_namelen;
  read.truncated = (msg.msg_flags & MSG_TRUNC) != 0;
  return read;
}

}  // namespace socket_read

// `name` receives the sender (the destination for the error queue);
// `control` the ancillary data.
template <class SocketAddress>
SocketRead readSocket(int fd, std::span<std::uint8_t> buffer, SocketAddress& name,
                      std::span<unsigned char> control, bool errorQueue) {
  iovec iov;
  msghdr msg;
  socket_read::prepare(msg, iov, buffer, name, control);
  const ssize_t n = ::recvmsg(fd, &msg, MSG_DONTWAIT | (errorQueue ? MSG_ERRQUEUE : 0));
  if (n < 0) return socket_read::failure();
  return socket_read::received(msg, static_cast<std::size_t>(n));
}

// Many datagrams read in one call: a busy socket holds dozens of answers
// at each look, and one call for all of them saves a system call apiece.
// Each datagram gets a whole buffer of its own, so a large one is read whole
// as readSocket reads it; pages of a buffer are only ever used as far as a
// datagram fills them.
template <class SocketAddress>
class SocketReadBatch {
 public:
  static constexpr int kMessages = 32;
  static constexpr std::size_t kControlBytes = 256;

  explicit SocketReadBatch(std::size_t bufferBytes)
      // Left uninitialised on purpose: zeroing would claim every page.
      : bufferBytes_(bufferBytes), buffers_(new std::uint8_t[bufferBytes * kMessages]) {}
  SocketReadBatch(const SocketReadBatch&) = delete;
  SocketReadBatch& operator=(const SocketReadBatch&) = delete;

  // Reads what is queued, up to kMessages, without waiting. Like
  // readSocket, `empty` when nothing was there and `failed` when a pending
  // error was handed out instead; otherwise count() datagrams.
  SocketRead read(int fd) {
    for (int i = 0; i < kMessages; ++i) {
      socket_read::prepare(headers_[i].msg_hdr, iov_[i],
                           std::span(buffers_.get() + i * bufferBytes_, bufferBytes_), names_[i],
                           std::span<unsigned char>(control_[i]));
    }
    const int n = ::recvmmsg(fd, headers_, kMessages, MSG_DONTWAIT, nullptr);
    count_ = n < 0 ? 0 : n;
    if (n < 0) return socket_read::failure();
    SocketRead result;
    result.empty = n == 0;
    return result;
  }

  int count() const { return count_; }
  // The i-th datagram of the last read, with its sender.
  SocketRead at(int i, SocketAddress& name) const {
    name = names_[i];
    return socket_read::received(headers_[i].msg_hdr, headers_[i].msg_len);
  }

 private:
  std::size_t bufferBytes_;
  std::unique_ptr<std::uint8_t[]> buffers_;
  mmsghdr headers_[kMessages] = {};
  iovec iov_[kMessages];
  SocketAddress names_[kMessages];
  alignas(cmsghdr) unsigned char control_[kMessages][kControlBytes];
  int count_ = 0;
};

}  // namespace tarvo
