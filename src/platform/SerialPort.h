#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/UniqueFd.h"
#include "platform/Wait.h"

// Parity codes as the serial settings store them (0 none ... 4 space).
enum class SerialParity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };

struct SerialLineSettings {
  std::uint32_t baudRate = 9600;
  SerialParity parity = SerialParity::None;
  bool twoStopBits = false;

  bool operator==(const SerialLineSettings&) const = default;
};

// Line errors the driver counted since the previous TakeLineErrors.
struct SerialLineErrors {
  bool overrun = false;  // receive overrun or input buffer overflow
  bool parity = false;
  bool frame = false;

  bool Any() const { return overrun || parity || frame; }
};

// What a Modbus RTU master needs of a serial line. SerialPort is the real one; tests
// put a fake in its place to report line errors a pseudo-terminal cannot produce.
class SerialLine {
public:
  virtual ~SerialLine() = default;

  // Raw 8-bit line with the given rate, parity and stop bits, no flow control, DTR
  // off. Raises EOSError when the driver refuses.
  virtual void Configure(const SerialLineSettings& settings) = 0;
  // Hardware RS-485 direction control (RTS raised while sending) where the driver has
  // it; false when it has not. Never fatal.
  virtual bool EnableRs485() = 0;
  // Drops what is queued in both directions.
  virtual void Purge() = 0;
  virtual void PurgeInput() = 0;

  virtual WaitResult Wait(WaitFor what, int timeoutMs, const Event* cancel) = 0;
  virtual IoResult Read(std::uint8_t* data, std::size_t size) = 0;
  virtual IoResult Write(const std::uint8_t* data, std::size_t size) = 0;
  // Bytes written but not yet sent on the line (0 when the driver cannot tell).
  virtual std::size_t OutputPending() = 0;
  virtual SerialLineErrors TakeLineErrors() = 0;
};

// A serial device opened non-blocking and exclusive (TIOCEXCL). Line settings through
// termios2, so any rate the driver takes works; line errors from the driver's
// TIOCGICOUNT counters (drivers without them report none).
class SerialPort final : public SerialLine {
public:
  // Raises EOSError when the device cannot be opened or is not a terminal.
  static std::unique_ptr<SerialPort> Open(const std::string& path);
  // Gives up the exclusive claim before closing, so the device can be opened again
  // while another holder (a pseudo-terminal's keeper) still has it open.
  ~SerialPort() override;

  int Fd() const { return fd_.Get(); }

  void Configure(const SerialLineSettings& settings) override;
  bool EnableRs485() override;
  void Purge() override;
  void PurgeInput() override;
  WaitResult Wait(WaitFor what, int timeoutMs, const Event* cancel) override { return WaitFd(Fd(), what, timeoutMs, cancel); }
  IoResult Read(std::uint8_t* data, std::size_t size) override;
  IoResult Write(const std::uint8_t* data, std::size_t size) override;
  std::size_t OutputPending() override;
  SerialLineErrors TakeLineErrors() override;

private:
  explicit SerialPort(UniqueFd fd) : fd_(std::move(fd)) {}

  struct Counters {
    int overrun = 0, bufOverrun = 0, parity = 0, frame = 0;
  };
  bool ReadCounters(Counters& out);

  UniqueFd fd_;
  Counters counters_;
  bool haveCounters_ = false;
};

// Settings of a terminal as its driver holds them (the settings a pseudo-terminal's
// slave got, read through its master).
SerialLineSettings ReadLineSettings(int fd);

// A pseudo-terminal pair for the simulated recorder and tests: the master side is
// ours, the slave side is opened by path like a serial port. The slave is kept open
// (raw, no echo) so the master neither sees a hang-up nor reads an echo while no
// client has it open.
class PseudoTerminal {
public:
  PseudoTerminal();  // raises EOSError

  int MasterFd() const { return master_.Get(); }
  const std::string& SlavePath() const { return slavePath_; }
  // The line settings the client last gave the slave (Linux keeps rate and stop bits
  // of a pseudo-terminal but always shows 8 data bits without parity).
  SerialLineSettings SlaveSettings() const { return ReadLineSettings(master_.Get()); }

private:
  UniqueFd master_;
  UniqueFd slave_;
  std::string slavePath_;
};
