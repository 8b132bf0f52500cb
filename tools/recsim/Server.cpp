#include "recsim/Server.h"

#include <poll.h>
#include <netinet/in.h>
#include <netinet/udp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/Format.h"
#include "platform/OSError.h"
#include "recsim/Discovery.h"
#include "recsim/Framing.h"

namespace recsim {
namespace {

using Clock = std::chrono::steady_clock;

// An RTU request that stays incomplete this long is noise: drop it.
constexpr auto kRtuFrameSilence = std::chrono::milliseconds(50);
constexpr int kIdlePollMs = 1000;
constexpr int kWriteWaitMs = 1000;
constexpr std::uint32_t kLocalhost = 0x7F000001;
constexpr std::uint32_t kLoopbackBroadcast = 0x7FFFFFFF;  // 127.255.255.255
constexpr std::size_t kMaxDatagram = 1600;

// Sends `copies` equal datagrams. Sent one by one, the first wakes the program, which
// may take this thread's processor and answer it before the second is even sent: a
// duplicate would then sometimes come before the program's next request and sometimes
// after it. As one segmented send the kernel queues them all before the reader runs.
void SendDatagrams(Socket& socket, const std::uint8_t* data, std::size_t size, int copies, const SocketAddress& to)
{
  if (copies > 1 && size > 0) {
    std::vector<std::uint8_t> train;
    for (int copy = 0; copy < copies; ++copy) train.insert(train.end(), data, data + size);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(to.port);
    sa.sin_addr.s_addr = htonl(to.address);
    iovec iov{train.data(), train.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint16_t))]{};
    msghdr message{};
    message.msg_name = &sa;
    message.msg_namelen = sizeof sa;
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* segment = CMSG_FIRSTHDR(&message);
    segment->cmsg_level = SOL_UDP;
    segment->cmsg_type = UDP_SEGMENT;
    segment->cmsg_len = CMSG_LEN(sizeof(std::uint16_t));
    const auto segmentSize = static_cast<std::uint16_t>(size);
    std::memcpy(CMSG_DATA(segment), &segmentSize, sizeof segmentSize);
    ssize_t sent;
    do sent = ::sendmsg(socket.Fd(), &message, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    if (sent == static_cast<ssize_t>(train.size())) return;
    // A kernel without segmentation offload: one by one, as near together as can be.
  }
  for (int copy = 0; copy < copies; ++copy) socket.SendTo(data, size, to);
}

}  // namespace

std::string FormatLogEntry(const LogEntry& entry)
{
  std::time_t seconds = std::chrono::system_clock::to_time_t(entry.time);
  auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(entry.time.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::string text = Format("%s.%03d %s conn=%u tid=%u unit=%u fn=0x%02X ", stamp, static_cast<int>(millis),
                            LinkName(entry.link), entry.connection, entry.transactionId, entry.unit, entry.function);
  if (entry.line) {
    static const char kParity[] = "NOEMS";
    text += Format("line=%u-8%c%u ", entry.line->baudRate, kParity[static_cast<int>(entry.line->parity) % 5],
                   entry.line->twoStopBits ? 2u : 1u);
  }
  text += "data=";
  for (std::size_t i = 0; i < entry.data.size(); ++i) text += Format(i ? " %02X" : "%02X", entry.data[i]);
  return text;
}

Server::Server(HandlerTable handlers) : handlers_(std::move(handlers)) {}

Server::~Server() { Stop(); }

std::uint16_t Server::ListenTcp(std::uint16_t port, bool anyAddress)
{
  tcpListener_ = Socket::Create(Socket::Type::Tcp);
  tcpListener_.SetReuseAddress(true);
  tcpListener_.Bind({anyAddress ? 0u : kLocalhost, port});
  tcpListener_.Listen();
  return tcpListener_.LocalAddress().port;
}

std::uint16_t Server::ListenUdp(std::uint16_t port, bool anyAddress)
{
  udp_ = Socket::Create(Socket::Type::Udp);
  udp_.Bind({anyAddress ? 0u : kLocalhost, port});
  return udp_.LocalAddress().port;
}

std::uint16_t Server::ListenDiscovery(std::uint16_t port, bool anyAddress)
{
  discovery_.clear();
  Socket first = Socket::Create(Socket::Type::Udp);
  first.Bind({anyAddress ? 0u : kLocalhost, port});
  port = first.LocalAddress().port;
  discovery_.push_back(std::move(first));
  if (!anyAddress) {
    // A broadcast on loopback reaches only sockets bound to any address or to the
    // broadcast address itself: this one hears it without listening beyond loopback.
    Socket broadcast = Socket::Create(Socket::Type::Udp);
    broadcast.Bind({kLoopbackBroadcast, port});
    discovery_.push_back(std::move(broadcast));
  }
  return port;
}

std::string Server::OpenRtu()
{
  rtu_.pty = std::make_unique<PseudoTerminal>();
  return rtu_.pty->SlavePath();
}

SerialLineSettings Server::RtuLineSettings() const
{
  std::function<SerialLineSettings()> probe;
  {
    std::lock_guard lock(mutex_);
    probe = lineProbe_;
  }
  if (probe) return probe();
  return rtu_.pty ? rtu_.pty->SlaveSettings() : SerialLineSettings{};
}

void Server::AddLineDevice(std::uint8_t unit)
{
  std::lock_guard lock(mutex_);
  lineDevices_[unit].unit = unit;
}

void Server::AnswerOnlyAt(SerialLineSettings settings)
{
  std::lock_guard lock(mutex_);
  answerOnlyAt_ = settings;
}

void Server::SetRtuLineProbe(std::function<SerialLineSettings()> probe)
{
  std::lock_guard lock(mutex_);
  lineProbe_ = std::move(probe);
}

void Server::Start()
{
  if (thread_.joinable()) return;
  stop_.Reset();
  thread_ = std::thread([this] { Run(); });
}

void Server::Stop()
{
  if (!thread_.joinable()) return;
  stop_.Set();
  thread_.join();
}

void Server::AddFault(const Fault& fault)
{
  std::lock_guard lock(mutex_);
  faults_.Add(fault);
}

void Server::ClearFaults()
{
  std::lock_guard lock(mutex_);
  faults_.Clear();
}

std::vector<LogEntry> Server::Log() const
{
  std::lock_guard lock(mutex_);
  return log_;
}

void Server::ClearLog()
{
  std::lock_guard lock(mutex_);
  log_.clear();
}

bool Server::WaitForLog(std::size_t count, int timeoutMs) const
{
  std::unique_lock lock(mutex_);
  return logged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return log_.size() >= count; });
}

bool Server::WaitForReplies(std::size_t count, int timeoutMs) const
{
  std::unique_lock lock(mutex_);
  return logged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return repliesSent_ >= count; });
}

void Server::SetLogSink(std::function<void(const LogEntry&)> sink)
{
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

// ---------------------------------------------------------------------------------
// The loop

std::vector<Server::Endpoint> Server::Endpoints()
{
  std::vector<Endpoint> endpoints;
  if (tcpListener_.IsValid()) endpoints.push_back({tcpListener_.Fd(), [this] { AcceptTcp(); }});
  if (udp_.IsValid()) endpoints.push_back({udp_.Fd(), [this] { ServeUdp(); }});
  if (rtu_.pty) endpoints.push_back({rtu_.pty->MasterFd(), [this] { ServeRtu(); }});
  for (Socket& socket : discovery_) endpoints.push_back({socket.Fd(), [this, &socket] { ServeDiscovery(socket); }});
  for (auto& [id, connection] : connections_) {
    endpoints.push_back({connection.socket.Fd(), [this, id = id] {
                           auto it = connections_.find(id);
                           if (it != connections_.end() && !ServeTcp(id, it->second)) connections_.erase(it);
                         }});
  }
  return endpoints;
}

void Server::Run()
{
  std::vector<pollfd> fds;
  for (;;) {
    std::vector<Endpoint> endpoints = Endpoints();
    fds.assign({{stop_.Fd(), POLLIN, 0}});
    for (const auto& endpoint : endpoints) fds.push_back({endpoint.fd, POLLIN, 0});
    const int timeout = rtu_.heard.empty() ? kIdlePollMs : static_cast<int>(kRtuFrameSilence.count());
    if (::poll(fds.data(), fds.size(), timeout) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents) return;
    for (std::size_t i = 0; i < endpoints.size(); ++i) {
      if (!fds[i + 1].revents) continue;
      try {
        endpoints[i].serve();
      } catch (const EOSError&) {
        // A client that vanished mid-exchange costs its request, not the server.
      }
    }
    if (!rtu_.heard.empty() && Clock::now() - rtu_.lastByte >= kRtuFrameSilence) rtu_.heard.clear();
  }
}

void Server::AcceptTcp()
{
  Socket accepted = tcpListener_.Accept();
  if (accepted.IsValid()) connections_[nextConnection_++] = Connection{std::move(accepted), {}};
}

bool Server::ServeTcp(std::uint32_t id, Connection& connection)
{
  std::uint8_t chunk[4096];
  IoResult got;
  try {
    got = connection.socket.Recv(chunk, sizeof chunk);
  } catch (const EOSError&) {
    return false;
  }
  if (got.wouldBlock) return true;
  if (got.bytes == 0) return false;
  auto& buffer = connection.buffer;
  buffer.insert(buffer.end(), chunk, chunk + got.bytes);
  for (;;) {
    const FrameCut cut = CutMbapFrame(buffer);
    if (cut.status == FrameCut::Status::Garbage) return false;
    if (cut.status == FrameCut::Status::NeedMore) return true;
    Request request = ReadMbapRequest(std::span(buffer).first(cut.length), Link::Tcp, id);
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(cut.length));
    const Outgoing out = Dispatch(std::move(request));
    if (out.close) {
      if (out.reset) {
        // A zero linger time makes the close send a reset and drop what is unsent.
        const linger abort{1, 0};
        ::setsockopt(connection.socket.Fd(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
      }
      return false;
    }
    Socket& socket = connection.socket;
    Deliver(out, [&](const std::uint8_t* data, std::size_t size) {
      while (size > 0) {
        IoResult sent = socket.Send(data, size);
        if (sent.wouldBlock) {
          if (socket.Wait(WaitFor::Write, kWriteWaitMs, &stop_) != WaitResult::Ready) return;
          continue;
        }
        data += sent.bytes;
        size -= sent.bytes;
      }
    });
  }
}

void Server::ServeUdp()
{
  std::uint8_t datagram[kMaxDatagram];
  SocketAddress peer;
  IoResult got = udp_.RecvFrom(datagram, sizeof datagram, &peer);
  if (got.wouldBlock || got.truncated) return;
  const std::span<const std::uint8_t> bytes(datagram, got.bytes);
  if (!IsMbapDatagram(bytes)) return;
  auto [it, added] = udpPeers_.emplace(std::make_pair(peer.address, peer.port), nextConnection_);
  if (added) ++nextConnection_;
  const Outgoing out = Dispatch(ReadMbapRequest(bytes, Link::Udp, it->second));
  // The copies of a duplicated reply leave in one send, so that both are queued before
  // the program can read the first and send its next request.
  Outgoing once = out;
  once.copies = out.splitAt == 0 ? 1 : out.copies;
  const int train = out.splitAt == 0 ? out.copies : 1;
  Deliver(once, [&](const std::uint8_t* data, std::size_t size) { SendDatagrams(udp_, data, size, train, peer); });
}

void Server::ServeDiscovery(Socket& socket)
{
  std::uint8_t datagram[kMaxDatagram];
  SocketAddress peer;
  IoResult got = socket.RecvFrom(datagram, sizeof datagram, &peer);
  if (got.wouldBlock || got.truncated) return;
  const std::span<const std::uint8_t> bytes(datagram, got.bytes);
  auto [it, added] = udpPeers_.emplace(std::make_pair(peer.address, peer.port), nextConnection_);
  if (added) ++nextConnection_;
  std::vector<std::uint8_t> reply;
  {
    std::lock_guard lock(mutex_);
    LogLocked({std::chrono::system_clock::now(), Link::Discovery, it->second, 0, 0, 0, {bytes.begin(), bytes.end()}, {}});
    if (const std::optional<std::uint32_t> tick = ReadDiscoveryRequest(bytes)) reply = AnswerDiscovery(device_, *tick);
  }
  if (!reply.empty()) Deliver(Outgoing{.send = true, .frame = std::move(reply)}, [&](const std::uint8_t* data, std::size_t size) {
    socket.SendTo(data, size, peer);
  });
}

void Server::ServeRtu()
{
  std::uint8_t chunk[512];
  for (;;) {
    ssize_t rc = ::read(rtu_.pty->MasterFd(), chunk, sizeof chunk);
    if (rc < 0 && errno == EINTR) continue;
    if (rc <= 0) break;
    rtu_.heard.insert(rtu_.heard.end(), chunk, chunk + rc);
    rtu_.lastByte = Clock::now();
  }
  const FrameCut cut = CutRtuFrame(rtu_.heard);
  if (cut.status == FrameCut::Status::Garbage) rtu_.heard.clear();
  if (cut.status != FrameCut::Status::Whole) return;
  Request request = ReadRtuRequest(rtu_.heard);
  rtu_.heard.clear();
  const Outgoing out = Dispatch(std::move(request), RtuLineSettings());
  Deliver(out, [this](const std::uint8_t* data, std::size_t size) { WriteRtu(data, size); });
}

void Server::WriteRtu(const std::uint8_t* data, std::size_t size)
{
  const int fd = rtu_.pty->MasterFd();
  while (size > 0) {
    ssize_t rc = ::write(fd, data, size);
    if (rc < 0 && errno == EINTR) continue;
    if (rc < 0 && errno == EAGAIN) {
      if (WaitFd(fd, WaitFor::Write, kWriteWaitMs, &stop_) != WaitResult::Ready) return;
      continue;
    }
    if (rc <= 0) return;
    data += rc;
    size -= static_cast<std::size_t>(rc);
  }
}

// ---------------------------------------------------------------------------------
// One request

Device& Server::LineDevice(std::uint8_t unit)
{
  if (unit == device_.unit) return device_;
  return lineDevices_.at(unit);
}

Device* Server::DeviceFor(const Request& request, const std::optional<SerialLineSettings>& line)
{
  if (request.link != Link::Rtu) return &device_;
  // Sent at another speed or framing, the request reaches the devices as noise.
  if (answerOnlyAt_ && line && !(*line == *answerOnlyAt_)) return nullptr;
  // A serial line carries every device's traffic: a device hears its own unit, and the
  // first one carries out the broadcasts.
  if (request.unit == 0 || request.unit == device_.unit) return &device_;
  auto it = lineDevices_.find(request.unit);
  return it == lineDevices_.end() ? nullptr : &it->second;
}

void Server::LogLocked(LogEntry entry)
{
  if (sink_) sink_(entry);
  log_.push_back(std::move(entry));
  logged_.notify_all();
}

Outgoing Server::Dispatch(Request request, std::optional<SerialLineSettings> line)
{
  Response response;
  AppliedFaults applied;
  {
    // Logged and handled in one go: whoever sees the entry sees the device after it.
    std::lock_guard lock(mutex_);
    LogLocked({std::chrono::system_clock::now(), request.link, request.connection, request.transactionId, request.unit,
               request.function, request.data, line});
    Device* device = DeviceFor(request, line);
    if (!device) return {};
    applied = faults_.Take(request);
    const Handler* handler = handlers_.Find(request.function);
    try {
      response = handler ? (*handler)(*device, request) : Response::Exception(kIllegalFunction);
    } catch (const std::exception&) {
      // A handler that trips over a request answers as a failing device would,
      // instead of taking the whole simulator down.
      response = Response::Exception(kServerFailure);
    }
    // A broadcast is carried out but not answered, unless the device is told to misbehave.
    if (request.link == Link::Rtu && request.unit == 0 && !device->answerBroadcast) return {};
  }
  return ShapeReply(request, std::move(response), applied);
}

void Server::Deliver(const Outgoing& out, const Writer& write)
{
  if (!out.send) return;
  if (out.delayMs && WaitCancel(stop_, static_cast<int>(out.delayMs))) return;
  for (int copy = 0; copy < out.copies; ++copy) {
    if (out.splitAt > 0 && out.splitAt < out.frame.size()) {
      write(out.frame.data(), out.splitAt);
      if (WaitCancel(stop_, static_cast<int>(out.splitGapMs))) return;
      write(out.frame.data() + out.splitAt, out.frame.size() - out.splitAt);
    } else {
      write(out.frame.data(), out.frame.size());
    }
  }
  std::lock_guard lock(mutex_);
  ++repliesSent_;
  logged_.notify_all();
}

}  // namespace recsim
