#include "modbus/CModbusEth.h"

#include <algorithm>
#include <cerrno>

#include "modbus/UrlParser.h"
#include "platform/LoadStr.h"
#include "platform/OSError.h"

namespace ModbusMaster {
namespace {

// The request may take the whole buffer less the header: a request of more than 1452
// bytes with its header is refused.
constexpr std::size_t kMaxRequestWithHeader = kMaxAduBody;
constexpr std::size_t kDatagramRoom = kMbapHeaderSize + kMaxAduBody;

bool ParsePort(const std::string& text, std::uint32_t& port)
{
  if (text.empty() || text.size() > 5) return false;
  std::uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = value;
  return true;
}

}  // namespace

CModbusEth::~CModbusEth() { Close(); }

void CModbusEth::SetParams(const std::string& url)
{
  TUrlParts parts = ParseUrl(url);
  TMode mode;
  if (parts.Scheme.empty() || parts.Scheme == "mbtcp")
    mode = ModeTcp;
  else if (parts.Scheme == "mbudp")
    mode = ModeUdp;
  else
    throw EMBSysError(url, kTextBadScheme, std::string_view(parts.Scheme));
  std::uint32_t port = 502;
  if (!parts.Port.empty() && !ParsePort(parts.Port, port)) throw EMBPramError(url, "Port " + parts.Port);
  mode_ = mode;
  connectionName_ = url;
  host_ = parts.Host;
  port_ = port;
}

std::uint32_t CModbusEth::ResolveHostAddress(const std::string& host)
{
  std::string name = host.empty() ? LocalHostName() : host;
  if (name.empty()) return 0;
  std::uint32_t address = 0;
  return ResolveIPv4(name, address) == 0 ? address : 0;
}

bool CModbusEth::ResolveAddress(const std::string& url, std::uint32_t& address)
{
  std::uint32_t found = ResolveHostAddress(ParseUrl(url).Host);
  if (found == 0) return false;
  address = found;
  return true;
}

const char* CModbusEth::ProtocolName() const { return mode_ == ModeTcp ? "Modbus TCP" : "Modbus UDP"; }

std::string CModbusEth::Description(std::uint8_t unit) const
{
  if (unit != 0) return connectionName_;
  return Format(LoadStr(kTextUnitAddress), connectionName_, 0u);
}

void CModbusEth::Open()
{
  if (IsOpen()) return;
  // An unresolvable host must not become 0.0.0.0: connecting there reaches this
  // computer, and whatever listens on the port would be taken for the recorder.
  std::string name = host_.empty() ? LocalHostName() : host_;
  std::uint32_t address = 0;
  std::string resolveError;
  int rc = ResolveIPv4(name, address, &resolveError);
  if (rc != 0) throw EMBSysError(connectionName_, kTextConnectError, rc, resolveError);
  if (address == 0) throw EMBSysError(connectionName_, kTextConnectError, EADDRNOTAVAIL);
  peer_ = {address, static_cast<std::uint16_t>(port_)};

  try {
    socket_ = Socket::Create(mode_ == ModeTcp ? Socket::Type::Tcp : Socket::Type::Udp);
    if (socket_.Connect(peer_)) return;
  } catch (const EOSError& e) {
    socket_.Close();
    throw EMBSysError(connectionName_, kTextConnectError, e.Code());
  }

  WaitResult waited;
  try {
    waited = socket_.Wait(WaitFor::Write, static_cast<int>(std::max<std::uint32_t>(replyTimeout_, 100)), &CancelEvent());
  } catch (const EOSError& e) {
    socket_.Close();
    throw EMBSysError(connectionName_, kTextConnectError, e.Code());
  }
  if (waited == WaitResult::Cancelled) {
    socket_.Close();
    throw EMBCancelError(host_);
  }
  if (waited == WaitResult::TimedOut) {
    socket_.Close();
    throw EMBSysError(connectionName_, kTextConnectError, ETIMEDOUT);
  }
  if (int error = socket_.PendingError()) {
    socket_.Close();
    throw EMBSysError(connectionName_, kTextConnectError, error);
  }
}

void CModbusEth::Close()
{
  streamStart_ = streamEnd_ = 0;
  if (!IsOpen()) return;
  if (mode_ == ModeTcp) socket_.ShutdownBoth();
  socket_.Close();
}

bool CModbusEth::Disconnect()
{
  if (mode_ != ModeTcp || !IsOpen()) return false;
  Close();
  return true;
}

void CModbusEth::Execute(std::uint8_t unit, TBaseModbusMessage& message)
{
  message.Request.SetProtocolId(0);
  message.Request.SetUnit(unit);
  std::size_t total = message.Request.Length() + kMbapHeaderSize;
  if (total > kMaxRequestWithHeader || message.Request.Length() < 2)
    throw EMBPramError(Description(unit), "Incorrect request length");

  message.Attempts = 0;
  AttemptCode code = 0;
  for (;;) {
    received_ = 0;
    message.Request.SetTransactionId(static_cast<std::uint16_t>(transactionCounter_++));
    if (!IsOpen()) Open();
    waitTimeout_ = TimeoutOf(message);
    code = mode_ == ModeTcp ? ExchangeTcp(unit, message, total) : ExchangeUdp(unit, message, total);
    if (code == 0) return;
    // A TCP stream may still hold the rest of a bad reply: start the next attempt on
    // a fresh connection. A datagram socket has no such leftovers.
    if (mode_ == ModeTcp) Close();
    if (++message.Attempts > message.MaxRetries) break;
    bool cancelled;
    try {
      cancelled = WaitCancel(CancelEvent(), kRetryPauseMs);
    } catch (const EOSError& e) {
      throw EMBSysError(connectionName_, kTextReadError, e.Code());
    }
    if (cancelled) throw EMBCancelError(Description(unit));
  }
  if (code == kTextReplyTimeout) throw EMBReplyTimeoutError(Description(unit), received_);
  throw EMBCommError(Description(unit), code, {received_});
}

CModbusEth::AttemptCode CModbusEth::ExchangeTcp(std::uint8_t unit, TBaseModbusMessage& message, std::size_t total)
{
  if (!SendAll(message.Request.Raw(), total)) {
    int error = errno;
    Close();
    throw EMBSysError(connectionName_, kTextWriteError, error);
  }
  TModbusAdu& reply = message.Reply;
  if (!ReceiveExactly(reply.Raw(), kMbapHeaderSize)) return kTextReplyTimeout;
  std::size_t length = reply.Length();
  if (length < 2 || length > kMaxAduBody) return kTextNotModbus;
  if (reply.TransactionId() != message.Request.TransactionId() || reply.ProtocolId() != message.Request.ProtocolId())
    return kTextNotModbus;
  if (!ReceiveExactly(reply.UnitPtr(), length)) return kTextReplyTimeout;
  return CheckReplyFrame(unit, message) == ReplyVerdict::Accepted ? 0 : kTextWrongReply;
}

CModbusEth::AttemptCode CModbusEth::ExchangeUdp(std::uint8_t unit, TBaseModbusMessage& message, std::size_t total)
{
  // A reply that came late, or twice, is still queued: read now it would answer this
  // attempt and fail it (and every attempt after it) as a stale transaction id.
  socket_.DiscardPending();
  try {
    for (;;) {
      IoResult sent = socket_.Send(message.Request.Raw(), total);
      if (!sent.wouldBlock) break;
      WaitSocket(WaitFor::Write, kTextWriteError);
    }
  } catch (const EOSError& e) {
    Close();
    throw EMBSysError(connectionName_, kTextWriteError, e.Code());
  }
  TModbusAdu& reply = message.Reply;
  std::size_t got = ReceiveOne(reply.Raw(), kDatagramRoom);
  if (got == 0) return kTextReplyTimeout;
  std::size_t length = reply.Length();
  if (got < kMbapHeaderSize || length < 2 || length > kMaxAduBody || got != length + kMbapHeaderSize)
    return kTextNotModbus;
  if (reply.TransactionId() != message.Request.TransactionId() || reply.ProtocolId() != message.Request.ProtocolId())
    return kTextNotModbus;
  return CheckReplyFrame(unit, message) == ReplyVerdict::Accepted ? 0 : kTextWrongReply;
}

void CModbusEth::FailSocket(int stringId, int code)
{
  Close();
  throw EMBSysError(connectionName_, stringId, code);
}

void CModbusEth::WaitSocket(WaitFor what, int stringId)
{
  WaitResult waited;
  try {
    waited = socket_.Wait(what, static_cast<int>(std::max<std::uint32_t>(waitTimeout_, 100)), &CancelEvent());
  } catch (const EOSError& e) {
    FailSocket(stringId, e.Code());
  }
  if (waited == WaitResult::Cancelled) {
    Close();
    throw EMBCancelError(host_);
  }
  if (waited == WaitResult::TimedOut) FailSocket(stringId, ETIMEDOUT);
}

bool CModbusEth::SendAll(const std::uint8_t* data, std::size_t size)
{
  while (size > 0) {
    IoResult sent;
    try {
      sent = socket_.Send(data, size);
    } catch (const EOSError& e) {
      FailSocket(kTextWriteError, e.Code());
    }
    if (sent.wouldBlock) {
      WaitSocket(WaitFor::Write, kTextWriteError);
      continue;
    }
    if (sent.bytes == 0) {
      errno = 0;
      return false;
    }
    data += sent.bytes;
    size -= sent.bytes;
  }
  return true;
}

bool CModbusEth::ReceiveExactly(std::uint8_t* data, std::size_t size)
{
  while (size > 0) {
    if (streamStart_ < streamEnd_) {
      std::size_t take = std::min(size, streamEnd_ - streamStart_);
      std::copy_n(stream_.begin() + static_cast<std::ptrdiff_t>(streamStart_), take, data);
      streamStart_ += take;
      received_ += static_cast<std::uint32_t>(take);
      data += take;
      size -= take;
      continue;
    }
    streamStart_ = streamEnd_ = 0;
    // Wait first: right after a send the reply is never there yet, and a set cancel
    // event is seen before anything is read.
    WaitSocket(WaitFor::Read, kTextReadError);
    IoResult got;
    try {
      got = socket_.Recv(stream_.data(), stream_.size());
    } catch (const EOSError& e) {
      FailSocket(kTextReadError, e.Code());
    }
    if (got.wouldBlock) continue;
    if (got.bytes == 0) return false;
    streamEnd_ = got.bytes;
  }
  return true;
}

std::size_t CModbusEth::ReceiveOne(std::uint8_t* data, std::size_t size)
{
  if (size == 0) return 0;
  for (;;) {
    WaitSocket(WaitFor::Read, kTextReadError);
    IoResult got;
    try {
      got = socket_.Recv(data, size);
    } catch (const EOSError& e) {
      FailSocket(kTextReadError, e.Code());
    }
    if (got.wouldBlock) continue;
    received_ += static_cast<std::uint32_t>(got.bytes);
    return got.bytes;
  }
}

}  // namespace ModbusMaster
