#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "modbus/CBaseModbus.h"
#include "platform/SerialPort.h"

namespace ModbusMaster {

// Parity and stop-bit codes as the settings store them.
enum TMBParity : std::uint8_t { ParityNone = 0, ParityOdd = 1, ParityEven = 2, ParityMark = 3, ParitySpace = 4 };
enum TMBStopBits : std::uint8_t { OneStopBit = 0, TwoStopBits = 1 };

// Modbus RTU over a serial line: unit and PDU framed with a CRC-16, the reply read
// until the line falls silent for the character timeout or a frame with a good CRC
// has arrived; line errors from the driver's counters; up to MaxRetries retries with
// growing pauses; RS-485 direction by the driver where it has it.
class CModbusRTU : public CBaseModbus {
public:
  // Opens the line for a device path; tests put a fake line in its place.
  using LineOpener = std::function<std::unique_ptr<SerialLine>(const std::string& path)>;

  explicit CModbusRTU(LineOpener opener = {});
  ~CModbusRTU() override;

  bool IsOpen() const override { return line_ != nullptr; }
  void Open() override;
  void Close() override;
  void Execute(std::uint8_t unit, TBaseModbusMessage& message) override;
  const char* ProtocolName() const override { return "Modbus RTU"; }
  std::string Description(std::uint8_t unit) const override;
  bool ResolveAddress(const std::string&, std::uint32_t&) override { return false; }

  // Keeps the four values; an open port keeps its settings until it is reopened.
  virtual void SetParams(const std::string& port, std::uint32_t baudRate, TMBParity parity, TMBStopBits stopBits);

  // The serial scan sets these one by one, then opens: Open takes the baud rate it
  // finds then for its timeouts.
  void SetPortName(const std::string& port) { connectionName_ = port; }
  void SetBaudRate(std::uint32_t baudRate) { baudRate_ = baudRate; }
  void SetParity(TMBParity parity) { parity_ = parity; }
  void SetStopBits(TMBStopBits stopBits) { stopBits_ = stopBits; }
  const std::string& PortName() const { return connectionName_; }
  std::uint32_t BaudRate() const { return baudRate_; }
  TMBParity Parity() const { return parity_; }
  TMBStopBits StopBits() const { return stopBits_; }

  // Computed by Open from the baud rate.
  std::uint32_t CharTimeout() const { return charTimeout_; }
  std::uint32_t FrameTime() const { return frameTime_; }
  bool Rs485Active() const { return rs485_; }

  // The silence that ends a reply: four characters of 11 bits, but never below what
  // the serial drivers and converters of the field can keep (16 ms below 19200 baud,
  // 12 ms below 115200, 8 ms at 115200, 3 ms above).
  static std::uint32_t CharTimeoutFor(std::uint32_t baudRate);
  // The time the largest frame (256 characters of 11 bits) takes on the line.
  static std::uint32_t FrameTimeFor(std::uint32_t baudRate);
  // A port name is a device path; a bare name (ttyUSB0) lives under /dev.
  static std::string DevicePath(const std::string& portName);

  static constexpr std::size_t kMaxFrame = 256;  // unit, PDU and CRC
  static constexpr int kBroadcastPauseMs = 200;

private:
  struct ReadOutcome {
    std::size_t received = 0;
    SerialLineErrors marks;
    bool crcGood = false;
  };

  void WriteFrame(std::uint8_t unit, const std::uint8_t* frame, std::size_t size, int writeWaitMs);
  ReadOutcome ReadReply(std::uint8_t unit, TBaseModbusMessage& message, int timeoutMs);
  [[noreturn]] void RaiseCancel(std::uint8_t unit);
  [[noreturn]] void RaiseByCode(std::uint8_t unit, int code, std::size_t received);
  void PurgeQuietly() noexcept;

  LineOpener opener_;
  std::uint32_t baudRate_ = 9600;
  TMBParity parity_ = ParityNone;
  TMBStopBits stopBits_ = OneStopBit;
  std::uint32_t charTimeout_ = 0;
  std::uint32_t frameTime_ = 0;
  std::unique_ptr<SerialLine> line_;
  bool rs485_ = false;
};

}  // namespace ModbusMaster
