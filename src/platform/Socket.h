#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/UniqueFd.h"
#include "platform/Wait.h"

// An IPv4 endpoint, address and port in host byte order.
struct SocketAddress {
  std::uint32_t address = 0;
  std::uint16_t port = 0;

  bool operator==(const SocketAddress&) const = default;
};

// Dotted text of an address ("127.0.0.1").
std::string FormatIPv4(std::uint32_t address);
// Parses dotted IPv4 text (four decimal parts 0-255, nothing else).
bool ParseIPv4(const std::string& text, std::uint32_t& address);
// Resolves a host name or dotted address to its first IPv4 address. Returns 0 on
// success, otherwise the resolver's error code with its text in `error`.
int ResolveIPv4(const std::string& host, std::uint32_t& address, std::string* error = nullptr);
// This computer's host name (empty when the system cannot say).
std::string LocalHostName();

// A non-blocking POSIX socket (TCP with TCP_NODELAY, or UDP). Operations that fail
// raise EOSError with the errno; "would block" is a result, not an error. Sends never
// raise SIGPIPE. Waits watch an optional cancel event.
class Socket {
public:
  enum class Type { Tcp, Udp };

  Socket() = default;
  static Socket Create(Type type);

  bool IsValid() const { return fd_.IsValid(); }
  int Fd() const { return fd_.Get(); }
  Type GetType() const { return type_; }

  // Starts connecting: true when connected at once (always so for UDP, which then
  // only talks to that peer), false while a TCP connect is in progress.
  bool Connect(const SocketAddress& peer);
  // The pending error of the socket (SO_ERROR), 0 when none: after a connect wait
  // this tells whether the connect succeeded.
  int PendingError() const;

  void Bind(const SocketAddress& local);
  void Listen(int backlog = 16);
  // An accepted connection (non-blocking, TCP_NODELAY), or an invalid socket when
  // none is waiting.
  Socket Accept(SocketAddress* peer = nullptr);
  SocketAddress LocalAddress() const;
  void SetBroadcast(bool on);
  void SetReuseAddress(bool on);

  WaitResult Wait(WaitFor what, int timeoutMs, const Event* cancel) const { return WaitFd(Fd(), what, timeoutMs, cancel); }

  IoResult Send(const void* data, std::size_t size);
  IoResult SendTo(const void* data, std::size_t size, const SocketAddress& to);
  // For TCP 0 bytes without wouldBlock means the peer closed the connection; for UDP
  // it is an empty datagram.
  IoResult Recv(void* data, std::size_t size);
  IoResult RecvFrom(void* data, std::size_t size, SocketAddress* from);
  // Drops every datagram already queued; returns how many.
  std::size_t DiscardPending();

  void ShutdownBoth() noexcept;
  void Close() noexcept { fd_.Reset(); }

private:
  Socket(UniqueFd fd, Type type) : fd_(std::move(fd)), type_(type) {}

  UniqueFd fd_;
  Type type_ = Type::Tcp;
};
