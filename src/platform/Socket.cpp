#include "platform/Socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/OSError.h"
#include "platform/SysFault.h"

namespace {

sockaddr_in ToSockaddr(const SocketAddress& address)
{
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(address.port);
  sa.sin_addr.s_addr = htonl(address.address);
  return sa;
}

SocketAddress FromSockaddr(const sockaddr_in& sa) { return {ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)}; }

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

void SetOption(int fd, int level, int name, int value, const char* what)
{
  if (SysCall(SysCallId::SetSockOpt, [&] { return ::setsockopt(fd, level, name, &value, sizeof value); }) < 0)
    throw EOSError(what, errno);
}

IoResult Transferred(ssize_t rc, const char* what)
{
  if (rc >= 0) return {static_cast<std::size_t>(rc), false, false};
  if (WouldBlock(errno)) return {0, true, false};
  throw EOSError(what, errno);
}

}  // namespace

std::string FormatIPv4(std::uint32_t address)
{
  return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xFF) + "." +
         std::to_string(address >> 8 & 0xFF) + "." + std::to_string(address & 0xFF);
}

bool ParseIPv4(const std::string& text, std::uint32_t& address)
{
  std::uint32_t result = 0;
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    std::size_t start = pos;
    unsigned value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3)
      value = value * 10 + static_cast<unsigned>(text[pos++] - '0');
    if (pos == start || value > 255) return false;
    result = result << 8 | value;
  }
  if (pos != text.size()) return false;
  address = result;
  return true;
}

int ResolveIPv4(const std::string& host, std::uint32_t& address, std::string* error)
{
  if (ParseIPv4(host, address)) return 0;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int injected = 0;
  int rc = sysfault_detail::TakeFault(SysCallId::GetAddrInfo, injected)
               ? EAI_NONAME
               : ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0) {
    if (error) *error = rc == EAI_SYSTEM ? SystemErrorText(errno) : ::gai_strerror(rc);
    return rc;
  }
  address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
  ::freeaddrinfo(found);
  return 0;
}

std::string LocalHostName()
{
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

Socket Socket::Create(Type type)
{
  int kind = (type == Type::Tcp ? SOCK_STREAM : SOCK_DGRAM) | SOCK_NONBLOCK | SOCK_CLOEXEC;
  int fd = SysCall(SysCallId::Socket,
                   [&] { return ::socket(AF_INET, kind, type == Type::Tcp ? IPPROTO_TCP : IPPROTO_UDP); });
  if (fd < 0) throw EOSError("socket", errno);
  Socket socket(UniqueFd(fd), type);
  // A request is one small write and the recorder waits for all of it: Nagle would
  // only add a round of delayed acknowledgement to every exchange.
  if (type == Type::Tcp) SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1, "setsockopt(TCP_NODELAY)");
  return socket;
}

bool Socket::Connect(const SocketAddress& peer)
{
  sockaddr_in sa = ToSockaddr(peer);
  int rc = SysCall(SysCallId::Connect,
                   [&] { return ::connect(Fd(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa); });
  if (rc == 0) return true;
  if (errno == EINPROGRESS) return false;
  throw EOSError("connect", errno);
}

int Socket::PendingError() const
{
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(Fd(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  return error;
}

void Socket::Bind(const SocketAddress& local)
{
  sockaddr_in sa = ToSockaddr(local);
  if (SysCall(SysCallId::Bind, [&] { return ::bind(Fd(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa); }) < 0)
    throw EOSError("bind", errno);
}

void Socket::Listen(int backlog)
{
  if (SysCall(SysCallId::Listen, [&] { return ::listen(Fd(), backlog); }) < 0) throw EOSError("listen", errno);
}

Socket Socket::Accept(SocketAddress* peer)
{
  sockaddr_in sa{};
  socklen_t size = sizeof sa;
  int fd = SysCall(SysCallId::Accept, [&] {
    return ::accept4(Fd(), reinterpret_cast<sockaddr*>(&sa), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
  });
  if (fd < 0) {
    // The client may have gone between poll and accept: nothing to take then.
    if (WouldBlock(errno) || errno == ECONNABORTED) return {};
    throw EOSError("accept", errno);
  }
  Socket socket(UniqueFd(fd), Type::Tcp);
  SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1, "setsockopt(TCP_NODELAY)");
  if (peer) *peer = FromSockaddr(sa);
  return socket;
}

SocketAddress Socket::LocalAddress() const
{
  sockaddr_in sa{};
  socklen_t size = sizeof sa;
  if (::getsockname(Fd(), reinterpret_cast<sockaddr*>(&sa), &size) != 0) throw EOSError("getsockname", errno);
  return FromSockaddr(sa);
}

void Socket::SetBroadcast(bool on) { SetOption(Fd(), SOL_SOCKET, SO_BROADCAST, on, "setsockopt(SO_BROADCAST)"); }

void Socket::SetReuseAddress(bool on) { SetOption(Fd(), SOL_SOCKET, SO_REUSEADDR, on, "setsockopt(SO_REUSEADDR)"); }

IoResult Socket::Send(const void* data, std::size_t size)
{
  return Transferred(SysCall(SysCallId::Send, [&] { return ::send(Fd(), data, size, MSG_NOSIGNAL); }), "send");
}

IoResult Socket::SendTo(const void* data, std::size_t size, const SocketAddress& to)
{
  sockaddr_in sa = ToSockaddr(to);
  return Transferred(SysCall(SysCallId::Send,
                             [&] {
                               return ::sendto(Fd(), data, size, MSG_NOSIGNAL,
                                               reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
                             }),
                     "sendto");
}

IoResult Socket::Recv(void* data, std::size_t size) { return RecvFrom(data, size, nullptr); }

IoResult Socket::RecvFrom(void* data, std::size_t size, SocketAddress* from)
{
  sockaddr_in sa{};
  socklen_t saSize = sizeof sa;
  // MSG_TRUNC makes a datagram socket report the datagram's whole length, so a
  // datagram longer than the buffer is seen as such (its head is kept).
  int flags = type_ == Type::Udp ? MSG_TRUNC : 0;
  ssize_t rc = SysCall(SysCallId::Recv, [&] {
    return ::recvfrom(Fd(), data, size, flags, reinterpret_cast<sockaddr*>(&sa), &saSize);
  });
  IoResult result = Transferred(rc, "recv");
  if (!result.wouldBlock && result.bytes > size) {
    result.bytes = size;
    result.truncated = true;
  }
  if (from && !result.wouldBlock) *from = FromSockaddr(sa);
  return result;
}

std::size_t Socket::DiscardPending()
{
  std::size_t count = 0;
  int errors = 0;
  for (;;) {
    char byte;
    ssize_t rc = ::recv(Fd(), &byte, 1, MSG_DONTWAIT | MSG_TRUNC);
    if (rc < 0 && errno == EINTR) continue;
    if (rc < 0 && WouldBlock(errno)) return count;
    // A queued error (the ICMP answer to an earlier send) is reported once and
    // dropped with the data; a second error in a row is not a queued one.
    if (rc < 0 && ++errors > 1) return count;
    if (rc >= 0) ++count;
  }
}

void Socket::ShutdownBoth() noexcept
{
  if (IsValid()) ::shutdown(Fd(), SHUT_RDWR);
}
