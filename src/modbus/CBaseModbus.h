#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "modbus/MBErrors.h"
#include "modbus/ModbusMessage.h"
#include "platform/Event.h"

namespace ModbusMaster {

// The abstract Modbus master transport. The layers above call Execute(unit, message)
// without knowing whether a serial line (CModbusRTU) or a socket (CModbusEth) is
// behind it, the way libmodbus hides its backends. Every failure is an EMBError.
//
// Threads: one Execute at a time; only Cancel and ResetCancel may be called from
// another thread while it runs.
class CBaseModbus {
public:
  CBaseModbus();  // raises EMBSysError when the cancel event cannot be created
  CBaseModbus(const CBaseModbus&) = delete;
  CBaseModbus& operator=(const CBaseModbus&) = delete;

  virtual bool IsOpen() const = 0;
  virtual ~CBaseModbus();
  virtual void Open();
  virtual void Close();
  // Closes an open TCP connection and says so; false for every other kind.
  virtual bool Disconnect();
  // Opens when closed, sends the request, reads and checks the reply (retrying as the
  // transport does) or raises.
  virtual void Execute(std::uint8_t unit, TBaseModbusMessage& message) = 0;
  virtual const char* ProtocolName() const = 0;
  virtual std::string Description(std::uint8_t unit) const = 0;
  virtual bool ResolveAddress(const std::string& url, std::uint32_t& address) = 0;

  // Every wait of Open and Execute ends at once with EMBCancelError from now until
  // ResetCancel.
  void Cancel() { cancelEvent_.Set(); }
  void ResetCancel() { cancelEvent_.Reset(); }
  bool IsCancelled() const { return cancelEvent_.IsSet(); }

  const std::string& ConnectionName() const { return connectionName_; }
  std::uint32_t ReplyTimeout() const { return replyTimeout_; }
  void SetReplyTimeout(std::uint32_t milliseconds) { replyTimeout_ = milliseconds; }
  std::uint32_t TransactionCounter() const { return transactionCounter_; }

protected:
  enum class ReplyVerdict { Accepted, Wrong };
  // The reply check shared by both transports: an exception reply of the right unit
  // raises EMBServerException; another unit or function is a wrong reply; otherwise
  // the message's own CheckReply decides.
  ReplyVerdict CheckReplyFrame(std::uint8_t unit, TBaseModbusMessage& message) const;

  // The reply timeout of one message: its own, or the transport's default.
  std::uint32_t TimeoutOf(const TBaseModbusMessage& message) const
  {
    return message.ReplyTimeout ? message.ReplyTimeout : replyTimeout_;
  }

  const Event& CancelEvent() const { return cancelEvent_; }

  std::string connectionName_;
  std::uint32_t replyTimeout_ = 1000;
  std::uint32_t transactionCounter_ = 0;

private:
  static Event MakeCancelEvent();

  Event cancelEvent_;
};

}  // namespace ModbusMaster
