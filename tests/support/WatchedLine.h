#pragma once

// A serial port on a pseudo-terminal that tells what the client set on it. Linux keeps
// a pseudo-terminal's baud rate and stop bits but always shows it without parity, so a
// test that needs the parity the client chose reads it here (and gives it to the
// simulated recorder with Server::SetRtuLineProbe). It can also hold back one answer
// until the client has been cancelled, and then read it all the same: an answer that was
// on its way as the user pressed Stop.

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "modbus/CModbusRTU.h"
#include "platform/Event.h"
#include "platform/SerialPort.h"
#include "platform/Wait.h"

struct WatchedLineState {
  std::mutex mutex;
  SerialLineSettings settings;  // as last configured
  int writes = 0;
  // The answer to this write (1 = the first) is read only after the cancel, which the
  // line then ignores; lateAnswerRead tells that it came.
  int lateAfterWrite = 0;
  bool lateAnswerRead = false;
  // This write (1 = the first) fails with an error no transport knows: a driver gone
  // wrong.
  int failWrite = 0;

  SerialLineSettings Settings()
  {
    std::lock_guard lock(mutex);
    return settings;
  }
  bool LateAnswerRead()
  {
    std::lock_guard lock(mutex);
    return lateAnswerRead;
  }
};

class WatchedLine final : public SerialLine {
public:
  WatchedLine(std::unique_ptr<SerialPort> port, std::shared_ptr<WatchedLineState> state)
      : port_(std::move(port)), state_(std::move(state))
  {
  }

  void Configure(const SerialLineSettings& settings) override
  {
    port_->Configure(settings);
    std::lock_guard lock(state_->mutex);
    state_->settings = settings;
  }
  bool EnableRs485() override { return port_->EnableRs485(); }
  void Purge() override { port_->Purge(); }
  void PurgeInput() override { port_->PurgeInput(); }
  WaitResult Wait(WaitFor what, int timeoutMs, const Event* cancel) override
  {
    if (what == WaitFor::Read && late_ && cancel) {
      // Until the client is cancelled; after that the answer is read as if the cancel
      // had come a moment too late.
      WaitCancel(*cancel, 10000);
      return port_->Wait(what, timeoutMs, nullptr);
    }
    return port_->Wait(what, timeoutMs, cancel);
  }
  IoResult Read(std::uint8_t* data, std::size_t size) override
  {
    IoResult result = port_->Read(data, size);
    if (late_ && result.bytes > 0) {
      std::lock_guard lock(state_->mutex);
      state_->lateAnswerRead = true;
    }
    return result;
  }
  IoResult Write(const std::uint8_t* data, std::size_t size) override
  {
    {
      std::lock_guard lock(state_->mutex);
      late_ = ++state_->writes == state_->lateAfterWrite;
      if (state_->writes == state_->failWrite) throw std::runtime_error("the adapter's driver went away");
    }
    return port_->Write(data, size);
  }
  // The held answer's request is out once written: no wait for the driver to send it,
  // which would see the cancel first.
  std::size_t OutputPending() override { return late_ ? 0 : port_->OutputPending(); }
  SerialLineErrors TakeLineErrors() override { return port_->TakeLineErrors(); }

private:
  std::unique_ptr<SerialPort> port_;
  std::shared_ptr<WatchedLineState> state_;
  bool late_ = false;
};

inline ModbusMaster::CModbusRTU::LineOpener WatchedLineOpener(std::shared_ptr<WatchedLineState> state)
{
  return [state](const std::string& path) -> std::unique_ptr<SerialLine> {
    return std::make_unique<WatchedLine>(SerialPort::Open(path), state);
  };
}
