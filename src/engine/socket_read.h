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

  // Reads what is queued, up to kMessages, without waiting. Like
  // readSocket, `empty` when nothing was there and `failed` when a pending
  // error was handed out instead; otherwise count() datagrams.
  SocketRead read(int fd) {
    for (int i = 0; i < kMessages; ++i) {
      iov_[i] = iovec{buffers_.get() + i * bufferBytes_, bufferBytes_};
      headers_[i] = mmsghdr{};
      msghdr& m = headers_[i].msg_hdr;
      m.msg_name = &names_[i];
      m.msg_namelen = sizeof names_[i];
      m.msg_iov = &iov_[i];
      m.msg_iovlen = 1;
      m.msg_control = control_[i];
      m.msg_controllen = kControlBytes;
    }
    count_ = 0;
    SocketRead result;
    const int n = ::recvmmsg(fd, headers_, kMessages, MSG_DONTWAIT, nullptr);
    if (n < 0) {
      result.empty = errno == EAGAIN || errno == EWOULDBLOCK;
      result.failed = !result.empty;
      return result;
    }
    count_ = n;
    result.empty = n == 0;
    return result;
  }

  int count() const { return count_; }
  // The i-th datagram of the last read, with its sender.
  SocketRead at(int i, SocketAddress& name) const {
    const msghdr& m = headers_[i].msg_hdr;
    const std::size_t got = std::min<std::size_t>(headers_[i].msg_len, bufferBytes_);
    SocketRead read;
    read.bytes = std::span<const std::uint8_t>(buffers_.get() + i * bufferBytes_, got);
    read.control = std::span<const std::uint8_t>(control_[i], m.msg_controllen);
    read.nameLength = m.msg_namelen;
    read.truncated = (m.msg_flags & MSG_TRUNC) != 0;
    name = names_[i];
    return read;
  }

 private:
  std::size_t bufferBytes_;
  std::unique_ptr<std::uint8_t[]> buffers_;
  mmsghdr headers_[kMessages];
  iovec iov_[kMessages];
  SocketAddress names_[kMessages];
  alignas(cmsghdr) unsigned char control_[kMessages][kControlBytes];
  int count_ = 0;
};

}  // namespace tarvo
