#include "modbus/CModbusRTU.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "modbus/ModbusChecksum.h"
#include "platform/LoadStr.h"
#include "platform/OSError.h"

namespace ModbusMaster {
namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsUntil(Clock::time_point deadline)
{
  auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return static_cast<int>((left + 999) / 1000);  // round up: a wait never ends early
}

std::uint32_t MillisecondsSince(Clock::time_point start)
{
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

constexpr std::uint32_t kBitsPerChar = 11;  // start, 8 data, parity or a second stop, stop

}  // namespace

CModbusRTU::CModbusRTU(LineOpener opener) : opener_(std::move(opener))
{
  if (!opener_) opener_ = [](const std::string& path) -> std::unique_ptr<SerialLine> { return SerialPort::Open(path); };
}

CModbusRTU::~CModbusRTU() { Close(); }

std::uint32_t CModbusRTU::CharTimeoutFor(std::uint32_t baudRate)
{
  if (baudRate == 0) return 0;
  std::uint32_t floor = baudRate < 19200 ? 16 : baudRate < 115200 ? 12 : baudRate == 115200 ? 8 : 3;
  std::uint32_t fourChars = (baudRate + 43999) / baudRate;
  return std::max(fourChars, floor);
}

std::uint32_t CModbusRTU::FrameTimeFor(std::uint32_t baudRate)
{
  if (baudRate == 0) return 0;
  return static_cast<std::uint32_t>((std::uint64_t(baudRate) + 2815999) / baudRate);
}

std::string CModbusRTU::DevicePath(const std::string& portName)
{
  if (portName.find('/') != std::string::npos) return portName;
  return "/dev/" + portName;
}

void CModbusRTU::SetParams(const std::string& port, std::uint32_t baudRate, TMBParity parity, TMBStopBits stopBits)
{
  connectionName_ = port;
  baudRate_ = baudRate;
  parity_ = parity;
  stopBits_ = stopBits;
}

std::string CModbusRTU::Description(std::uint8_t unit) const
{
  return Format(LoadStr(kTextUnitAddress), connectionName_, unit);
}

void CModbusRTU::Open()
{
  if (IsOpen()) return;
  std::unique_ptr<SerialLine> line;
  try {
    line = opener_(DevicePath(connectionName_));
  } catch (const EOSError& e) {
    throw EMBSysError(connectionName_, kTextConnectError, e.Code());
  }
  if (parity_ > ParitySpace) throw EMBPramError(connectionName_, "Parity");
  try {
    line->Configure({baudRate_, static_cast<SerialParity>(parity_), stopBits_ == TwoStopBits});
    rs485_ = line->EnableRs485();
    line->Purge();
  } catch (const EOSError& e) {
    throw EMBSysError(connectionName_, kTextConnectError, e.Code());
  }
  if (baudRate_ != 0) {
    charTimeout_ = CharTimeoutFor(baudRate_);
    frameTime_ = FrameTimeFor(baudRate_);
  }
  line_ = std::move(line);
}

void CModbusRTU::Close() { line_.reset(); }

void CModbusRTU::PurgeQuietly() noexcept
{
  try {
    if (line_) line_->Purge();
  } catch (const EOSError&) {
    // The purge only cleans up after a failure that is being reported already.
  }
}

void CModbusRTU::RaiseCancel(std::uint8_t unit)
{
  PurgeQuietly();
  throw EMBCancelError(Description(unit));
}

void CModbusRTU::Execute(std::uint8_t unit, TBaseModbusMessage& message)
{
  if (!IsOpen()) Open();
  std::uint32_t timeout = std::max(TimeoutOf(message), frameTime_);
  int writeWait = static_cast<int>(std::max<std::uint32_t>(timeout, 1000));

  message.Request.SetUnit(unit);
  std::size_t length = message.Request.Length();
  if (length > kMaxFrame || length < 2) throw EMBPramError(Description(unit), "Incorrect request length");
  std::array<std::uint8_t, kMaxFrame + 2> frame;
  std::copy_n(message.Request.UnitPtr(), length, frame.begin());
  std::uint16_t crc = ModbusCRC16(frame.data(), length);
  frame[length] = static_cast<std::uint8_t>(crc);  // low byte first
  frame[length + 1] = static_cast<std::uint8_t>(crc >> 8);

  message.Attempts = 0;
  for (;;) {
    // Each attempt starts clean: a late reply to an earlier request must not be read
    // as this one's, and a line error of an earlier attempt must not fail this one.
    try {
      line_->PurgeInput();
      line_->TakeLineErrors();
    } catch (const EOSError& e) {
      throw EMBSysError(connectionName_, kTextWriteError, e.Code());
    }
    WriteFrame(unit, frame.data(), length + 2, writeWait);

    if (unit == 0) {
      // Nobody answers a broadcast; give the devices time to act on it. A cancel only
      // shortens the pause.
      try {
        WaitCancel(CancelEvent(), kBroadcastPauseMs);
      } catch (const EOSError&) {
      }
      return;
    }

    ReadOutcome read = ReadReply(unit, message, static_cast<int>(timeout));
    int code;
    if (read.marks.overrun)
      code = kTextOverrun;
    else if (read.marks.frame)
      code = kTextFrameError;
    else if (read.marks.parity)
      code = kTextParityError;
    else if (read.received == 0)
      code = kTextReplyTimeout;
    else if (read.received < 4)
      code = kTextNotModbus;
    else if (read.crcGood || CheckRtuFrameCrc(message.Reply.UnitPtr(), read.received)) {
      message.Reply.SetTransactionId(message.Request.TransactionId());
      message.Reply.SetProtocolId(0);
      message.Reply.SetLength(static_cast<std::uint16_t>(read.received - 2));
      if (CheckReplyFrame(unit, message) == ReplyVerdict::Accepted) return;
      code = kTextWrongReply;
    } else {
      code = kTextCrcError;
    }

    ++message.Attempts;
    if (code != kTextReplyTimeout && message.Attempts <= message.MaxRetries) {
      // A device that answered wrongly may still be talking: let it finish before the
      // purge below drops what it sent.
      int pause = static_cast<int>(message.Attempts * charTimeout_ + timeout);
      bool cancelled;
      try {
        cancelled = WaitCancel(CancelEvent(), pause);
      } catch (const EOSError& e) {
        throw EMBSysError(connectionName_, kTextReadError, e.Code());
      }
      if (cancelled) RaiseCancel(unit);
    }
    PurgeQuietly();
    if (message.Attempts > message.MaxRetries) RaiseByCode(unit, code, read.received);
  }
}

void CModbusRTU::RaiseByCode(std::uint8_t unit, int code, std::size_t received)
{
  std::string source = Description(unit);
  auto count = static_cast<std::uint32_t>(received);
  switch (code) {
    case kTextReplyTimeout: throw EMBReplyTimeoutError(source, count);
    case kTextFrameError: throw EMBReplyFrameError(source, count);
    case kTextParityError: throw EMBReplyParityError(source, count);
    case kTextCrcError: throw EMBReplyCRCError(source, count);
    default: throw EMBCommError(source, code, {count});
  }
}

void CModbusRTU::WriteFrame(std::uint8_t unit, const std::uint8_t* frame, std::size_t size, int writeWaitMs)
{
  auto deadline = Clock::now() + std::chrono::milliseconds(writeWaitMs);
  auto txTimeout = [&] {
    PurgeQuietly();
    throw EMBCommError(Description(unit), kTextWriteError, {"Tx Timeout"});
  };
  std::size_t written = 0;
  try {
    while (written < size) {
      WaitResult waited = line_->Wait(WaitFor::Write, MillisecondsUntil(deadline), &CancelEvent());
      if (waited == WaitResult::Cancelled) RaiseCancel(unit);
      if (waited == WaitResult::TimedOut) txTimeout();
      IoResult result = line_->Write(frame + written, size - written);
      if (result.wouldBlock) continue;
      if (result.bytes == 0) break;
      written += result.bytes;
    }
    if (written < size) txTimeout();
    // The reply cannot begin before the request has left the line, and at low rates
    // that takes longer than the reply timeout: wait for the driver to send it all.
    while (std::size_t pending = line_->OutputPending()) {
      int left = MillisecondsUntil(deadline);
      if (left == 0) txTimeout();
      int drain = baudRate_ ? static_cast<int>(pending * kBitsPerChar * 1000 / baudRate_ + 1) : 1;
      if (WaitCancel(CancelEvent(), std::min(left, drain))) RaiseCancel(unit);
    }
  } catch (const EOSError& e) {
    throw EMBSysError(connectionName_, kTextWriteError, e.Code());
  }
}

CModbusRTU::ReadOutcome CModbusRTU::ReadReply(std::uint8_t unit, TBaseModbusMessage& message, int timeoutMs)
{
  ReadOutcome outcome;
  std::uint8_t* buffer = message.Reply.UnitPtr();
  auto start = Clock::now();
  auto gap = std::chrono::milliseconds(charTimeout_);
  try {
    bool ended = false;
    while (!ended && outcome.received < kMaxFrame) {
      // One read: it completes when the line has been silent for the character
      // timeout after at least one byte, or when its room is full; the wait for its
      // completion lasts at most the reply timeout.
      std::size_t room = kMaxFrame - outcome.received;
      std::size_t got = 0;
      auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
      Clock::time_point lastByte;
      bool completed = false;
      for (;;) {
        auto until = got == 0 ? deadline : std::min(deadline, lastByte + gap);
        WaitResult waited = line_->Wait(WaitFor::Read, MillisecondsUntil(until), &CancelEvent());
        if (waited == WaitResult::Cancelled) RaiseCancel(unit);
        if (waited == WaitResult::Ready) {
          IoResult result = line_->Read(buffer + outcome.received + got, room - got);
          if (result.wouldBlock) continue;
          if (result.bytes == 0) {
            completed = true;
            break;
          }
          got += result.bytes;
          lastByte = Clock::now();
          if (got == room) {
            completed = true;
            break;
          }
          continue;
        }
        if (got > 0 && Clock::now() >= lastByte + gap) {
          completed = true;
          break;
        }
        if (Clock::now() >= deadline) break;
      }
      if (!completed) break;  // bytes of a read still in progress when time ran out are not counted
      SerialLineErrors errors = line_->TakeLineErrors();
      outcome.marks.overrun |= errors.overrun;
      outcome.marks.parity |= errors.parity;
      outcome.marks.frame |= errors.frame;
      if (got == 0) break;
      message.ReplyTime = MillisecondsSince(start);
      outcome.received += got;
      if (outcome.received >= 4 && CheckRtuFrameCrc(buffer, outcome.received)) {
        outcome.crcGood = true;
        ended = true;
      }
    }
  } catch (const EOSError& e) {
    throw EMBSysError(connectionName_, kTextReadError, e.Code());
  }
  return outcome;
}

}  // namespace ModbusMaster
