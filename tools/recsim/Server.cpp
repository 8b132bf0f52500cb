#include "recsim/Server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "modbus/ModbusChecksum.h"
#include "platform/Bytes.h"
#include "platform/Format.h"
#include "platform/OSError.h"

namespace recsim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxAduBody = 1452;
constexpr std::size_t kMaxRtuFrame = 258;  // 256 bytes of unit and PDU, the CRC
// An RTU request that stays incomplete this long is noise: drop it.
constexpr auto kRtuFrameSilence = std::chrono::milliseconds(50);
constexpr std::uint32_t kLocalhost = 0x7F000001;

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

}  // namespace

// What goes back for one request.
struct Server::Outgoing {
  bool send = false;
  bool close = false;
  bool reset = false;  // close with a reset (RST), not the orderly FIN
  std::vector<std::uint8_t> frame;
  int copies = 1;
  std::uint32_t delayMs = 0;
  std::size_t splitAt = 0;
  std::uint32_t splitGapMs = 0;
};

std::string FormatLogEntry(const LogEntry& entry)
{
  std::time_t seconds = std::chrono::system_clock::to_time_t(entry.time);
  auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(entry.time.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::string text = Format("%s.%03d %s conn=%u tid=%u unit=%u fn=0x%02X data=", stamp, static_cast<int>(millis),
                            LinkName(entry.link), entry.connection, entry.transactionId, entry.unit, entry.function);
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

std::string Server::OpenRtu()
{
  pty_ = std::make_unique<PseudoTerminal>();
  return pty_->SlavePath();
}

SerialLineSettings Server::RtuLineSettings() const { return pty_ ? pty_->SlaveSettings() : SerialLineSettings{}; }

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
  faults_.push_back(fault);
}

void Server::ClearFaults()
{
  std::lock_guard lock(mutex_);
  faults_.clear();
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

void Server::Run()
{
  std::vector<pollfd> fds;
  std::vector<std::uint32_t> ids;  // connection of each fds entry past the fixed ones
  for (;;) {
    fds.clear();
    ids.clear();
    fds.push_back({stop_.Fd(), POLLIN, 0});
    fds.push_back({tcpListener_.IsValid() ? tcpListener_.Fd() : -1, POLLIN, 0});
    fds.push_back({udp_.IsValid() ? udp_.Fd() : -1, POLLIN, 0});
    fds.push_back({pty_ ? pty_->MasterFd() : -1, POLLIN, 0});
    for (auto& [id, connection] : connections_) {
      fds.push_back({connection.socket.Fd(), POLLIN, 0});
      ids.push_back(id);
    }
    int timeout = rtuBuffer_.empty() ? 1000 : static_cast<int>(kRtuFrameSilence.count());
    if (::poll(fds.data(), fds.size(), timeout) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents) return;
    try {
      if (fds[1].revents & POLLIN) {
        Socket accepted = tcpListener_.Accept();
        if (accepted.IsValid()) connections_[nextConnection_++] = Connection{std::move(accepted), {}};
      }
      if (fds[2].revents & POLLIN) ServeUdp();
      if (fds[3].revents & POLLIN) ServeRtu();
      for (std::size_t i = 0; i < ids.size(); ++i) {
        if (!fds[4 + i].revents) continue;
        auto it = connections_.find(ids[i]);
        bool close = false;
        ServeTcp(it->first, it->second, close);
        if (close) connections_.erase(it);
      }
    } catch (const EOSError&) {
      // A client that vanished mid-exchange costs its request, not the server.
    }
    if (!rtuBuffer_.empty() && Clock::now() - rtuLastByte_ >= kRtuFrameSilence) rtuBuffer_.clear();
  }
}

void Server::ServeTcp(std::uint32_t id, Connection& connection, bool& close)
{
  std::uint8_t chunk[4096];
  IoResult got;
  try {
    got = connection.socket.Recv(chunk, sizeof chunk);
  } catch (const EOSError&) {
    close = true;
    return;
  }
  if (got.wouldBlock) return;
  if (got.bytes == 0) {
    close = true;
    return;
  }
  connection.buffer.insert(connection.buffer.end(), chunk, chunk + got.bytes);
  auto& buffer = connection.buffer;
  while (buffer.size() >= 6) {
    std::size_t length = Be16(&buffer[4]);
    if (length < 2 || length > kMaxAduBody) {
      close = true;
      return;
    }
    if (buffer.size() < 6 + length) return;
    Request request;
    request.link = Link::Tcp;
    request.connection = id;
    request.transactionId = Be16(&buffer[0]);
    request.unit = buffer[6];
    request.function = buffer[7];
    request.data.assign(buffer.begin() + 8, buffer.begin() + 6 + static_cast<std::ptrdiff_t>(length));
    buffer.erase(buffer.begin(), buffer.begin() + 6 + static_cast<std::ptrdiff_t>(length));
    Outgoing out = Process(std::move(request));
    if (out.close) {
      if (out.reset) {
        // A zero linger time makes the close send a reset and drop what is unsent.
        const linger abort{1, 0};
        ::setsockopt(connection.socket.Fd(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
      }
      close = true;
      return;
    }
    Socket& socket = connection.socket;
    Send(Link::Tcp, out, [&](const std::uint8_t* data, std::size_t size) {
      while (size > 0) {
        IoResult sent = socket.Send(data, size);
        if (sent.wouldBlock) {
          if (socket.Wait(WaitFor::Write, 1000, &stop_) != WaitResult::Ready) return;
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
  std::uint8_t datagram[1600];
  SocketAddress peer;
  IoResult got = udp_.RecvFrom(datagram, sizeof datagram, &peer);
  if (got.wouldBlock || got.truncated || got.bytes < 8) return;
  std::size_t length = Be16(datagram + 4);
  if (length < 2 || length > kMaxAduBody || got.bytes != 6 + length) return;
  auto key = std::make_pair(peer.address, peer.port);
  auto [it, added] = udpPeers_.emplace(key, nextConnection_);
  if (added) ++nextConnection_;
  Request request;
  request.link = Link::Udp;
  request.connection = it->second;
  request.transactionId = Be16(datagram);
  request.unit = datagram[6];
  request.function = datagram[7];
  request.data.assign(datagram + 8, datagram + got.bytes);
  Outgoing out = Process(std::move(request));
  Send(Link::Udp, out, [&](const std::uint8_t* data, std::size_t size) { udp_.SendTo(data, size, peer); });
}

void Server::ServeRtu()
{
  std::uint8_t chunk[512];
  for (;;) {
    ssize_t rc = ::read(pty_->MasterFd(), chunk, sizeof chunk);
    if (rc < 0 && errno == EINTR) continue;
    if (rc <= 0) break;
    rtuBuffer_.insert(rtuBuffer_.end(), chunk, chunk + rc);
    rtuLastByte_ = Clock::now();
  }
  DrainRtuFrames();
}

void Server::DrainRtuFrames()
{
  // A request is whole when its CRC checks; one longer than any frame is noise.
  if (rtuBuffer_.size() > kMaxRtuFrame) {
    rtuBuffer_.clear();
    return;
  }
  if (rtuBuffer_.size() < 4 || !ModbusMaster::CheckRtuFrameCrc(rtuBuffer_.data(), rtuBuffer_.size())) return;
  Request request;
  request.link = Link::Rtu;
  request.unit = rtuBuffer_[0];
  request.function = rtuBuffer_[1];
  request.data.assign(rtuBuffer_.begin() + 2, rtuBuffer_.end() - 2);
  rtuBuffer_.clear();
  Outgoing out = Process(std::move(request));
  int fd = pty_->MasterFd();
  Send(Link::Rtu, out, [&](const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
      ssize_t rc = ::write(fd, data, size);
      if (rc < 0 && errno == EINTR) continue;
      if (rc < 0 && errno == EAGAIN) {
        if (WaitFd(fd, WaitFor::Write, 1000, &stop_) != WaitResult::Ready) return;
        continue;
      }
      if (rc <= 0) return;
      data += rc;
      size -= static_cast<std::size_t>(rc);
    }
  });
}

Server::Outgoing Server::Process(Request request)
{
  Outgoing out;
  Response response;
  std::vector<Fault> active;
  std::uint16_t staleId;
  bool answerBroadcast;
  {
    std::lock_guard lock(mutex_);
    LogEntry entry{std::chrono::system_clock::now(), request.link, request.connection, request.transactionId,
                   request.unit, request.function, request.data};
    if (sink_) sink_(entry);
    log_.push_back(std::move(entry));
    logged_.notify_all();

    // A serial line carries every device's traffic: only ours and broadcasts count.
    if (request.link == Link::Rtu && request.unit != device_.unit && request.unit != 0) return out;

    for (auto& fault : faults_) {
      if (fault.times == 0 || (fault.function >= 0 && fault.function != request.function)) continue;
      if (fault.skip > 0) {
        --fault.skip;
        continue;
      }
      if (fault.times > 0) --fault.times;
      active.push_back(fault);
    }
    std::erase_if(faults_, [](const Fault& fault) { return fault.times == 0; });

    const Handler* handler = handlers_.Find(request.function);
    try {
      response = handler ? (*handler)(device_, request) : Response::Exception(kIllegalFunction);
    } catch (const std::exception&) {
      // A handler that trips over a request answers as a failing device would,
      // instead of taking the whole simulator down.
      response = Response::Exception(kServerFailure);
    }
    // The previous request's id; before any, one that came just before this one.
    staleId = haveLastTransaction_ && lastTransactionId_ != request.transactionId
                  ? lastTransactionId_
                  : static_cast<std::uint16_t>(request.transactionId - 1);
    lastTransactionId_ = request.transactionId;
    haveLastTransaction_ = true;
    answerBroadcast = device_.answerBroadcast;
  }

  if (request.link == Link::Rtu && request.unit == 0 && !answerBroadcast) return out;
  std::uint8_t function = request.function;
  std::uint8_t unit = request.unit;
  std::uint16_t transactionId = request.transactionId;
  for (const auto& fault : active) {
    switch (fault.kind) {
      case Fault::Kind::Silence: return out;
      case Fault::Kind::CloseConnection: out.close = true; return out;
      case Fault::Kind::ResetConnection: out.close = out.reset = true; return out;
      case Fault::Kind::ExceptionReply: response = Response::Exception(fault.code); break;
      case Fault::Kind::WrongUnit: unit = static_cast<std::uint8_t>(unit + 1); break;
      case Fault::Kind::WrongFunction: function = static_cast<std::uint8_t>(function ^ 0x01); break;
      case Fault::Kind::StaleTransactionId: transactionId = staleId; break;
      case Fault::Kind::WrongTransactionId: transactionId = static_cast<std::uint16_t>(transactionId ^ 0x8000); break;
      default: break;
    }
  }
  if (response.kind == Response::Kind::Silence) return out;
  std::vector<std::uint8_t> pdu;
  if (response.kind == Response::Kind::Exception) {
    pdu = {static_cast<std::uint8_t>(function | 0x80), response.exceptionCode};
  } else {
    pdu.push_back(function);
    pdu.insert(pdu.end(), response.data.begin(), response.data.end());
  }

  ByteAppender frame(out.frame);
  if (request.link == Link::Rtu) {
    frame.u8(unit);
    frame.bytes(pdu);
    frame.u16(ModbusMaster::ModbusCRC16(out.frame.data(), out.frame.size()));  // low byte first
  } else {
    frame.u16be(transactionId);
    frame.u16be(0);
    frame.u16be(static_cast<std::uint16_t>(pdu.size() + 1));
    frame.u8(unit);
    frame.bytes(pdu);
  }

  for (const auto& fault : active) {
    switch (fault.kind) {
      case Fault::Kind::BadCrc:
        if (request.link == Link::Rtu) out.frame.back() ^= 0xFF;
        break;
      case Fault::Kind::RawReply:
        out.frame = fault.raw;
        if (request.link == Link::Rtu && fault.appendCrc) {
          std::uint16_t crc = ModbusMaster::ModbusCRC16(out.frame.data(), out.frame.size());
          ByteAppender(out.frame).u16(crc);
        }
        break;
      case Fault::Kind::Truncate: out.frame.resize(std::min(fault.bytes, out.frame.size())); break;
      case Fault::Kind::Oversize: out.frame.insert(out.frame.end(), fault.bytes, 0xA5); break;
      case Fault::Kind::Duplicate: out.copies = 2; break;
      case Fault::Kind::Delay: out.delayMs += fault.milliseconds; break;
      case Fault::Kind::SplitReply:
        out.splitAt = fault.bytes;
        out.splitGapMs = fault.milliseconds;
        break;
      default: break;
    }
  }
  out.send = true;
  return out;
}

void Server::Send(Link, const Outgoing& out, const std::function<void(const std::uint8_t*, std::size_t)>& write)
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
