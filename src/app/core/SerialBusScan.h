#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/RSScanThread.h"
#include "modbus/CModbusRTU.h"

// One device the serial scan found: where it answered and what it said.
struct RSScanResultItem {
  std::string Port;
  int BaudRate = 0;
  int Parity = 0;    // 0 none, 1 odd, 2 even
  int StopBits = 0;  // 0 one, 1 two
  int Address = 0;
  bool Answered = false;  // false: it answered with a Modbus exception
  std::string Text;       // its identification objects, or the exception

  bool operator==(const RSScanResultItem&) const = default;
};

// A list row: the item, its number ("1", "2", ...) and its "Адрес" column, the address,
// the line setting and the reply time ("5 @ /dev/ttyUSB0-9600-нет-1 / 12 мс").
struct RSScanRow {
  RSScanResultItem Item;
  std::string Number;
  std::string AddressText;
};

// The addresses a recorder can have on a serial line, and the reply timeouts offered.
inline constexpr int kScanMinAddress = 1;
inline constexpr int kScanMaxAddress = 247;
inline constexpr int kScanMinTimeoutMs = 1;
inline constexpr int kScanMaxTimeoutMs = 1000;

// The number an edit with an up-down stands for: the typed number brought into the
// range, or, when the text is not a number, the up-down's own position (in range too).
int UpDownPosition(std::string_view text, int position, int minimum, int maximum);

// Why a scan cannot start, and which of its boxes to show the user.
struct RSScanRefusal {
  enum Field { Port, BaudRates, Parities, StopBits };
  Field field;
  std::string text;
};
// In the order the dialog checks them: no port, no baud rate, no parity, no stop bits.
std::optional<RSScanRefusal> CheckScanPlan(const RSScanPlan& plan);

// What the serial scan dialog shows, told on the GUI thread.
class RSScanView {
public:
  virtual ~RSScanView() = default;
  virtual void ShowScanStatus(const std::string& text) = 0;
  virtual void ShowScanProgress(std::uint32_t position, std::uint32_t maximum) = 0;
  virtual void AddScanRow(const RSScanRow& row) = 0;
  // No scan runs any more (the port can be chosen, the button starts a scan again).
  virtual void ScanStopped() = 0;
  // The port failed: shown after ScanStopped.
  virtual void ShowScanError(const std::string& text) = 0;
};

// The serial scan without its window: the transport every scan uses, the scan thread the
// scan owns, and the rows found. All calls on the GUI thread.
//
// A scan's thread is waited for before the transport is used again or destroyed: a
// stopped scan ends (its wait cancelled) before StopScan returns, and an event that
// thread still delivers once the scan has let go of it is dropped.
class SerialBusScan {
public:
  explicit SerialBusScan(RSScanView& view, ModbusMaster::CModbusRTU::LineOpener opener = {});
  ~SerialBusScan();
  SerialBusScan(const SerialBusScan&) = delete;
  SerialBusScan& operator=(const SerialBusScan&) = delete;

  // Starts a scan of the plan (its checks passed): found count 0, progress 0 of the
  // plan's total. Raises Exception when it cannot start; nothing then runs.
  void Start(const RSScanPlan& plan);
  // The Stop button: StopScan, then the status tells what was found so far.
  void Stop();
  // Ends the scan that runs, if any, and tells the view.
  void StopScan();
  bool IsScanning() const { return thread_ != nullptr; }

  const std::vector<RSScanRow>& Rows() const { return rows_; }
  void ClearRows();
  std::uint32_t FoundCount() const { return found_; }

  ModbusMaster::CModbusRTU& Transport() { return transport_; }

  // "Сканирование завершено. Найдено %u устройств." with the found count.
  std::string FinishedText() const;

private:
  void OnScanEvent(TRSScanThread& sender, int kind, const std::string& text);
  void AddRow(const TRSScanThread& sender, int kind, const std::string& text);
  // Waits for a scan let go of from inside its own event, once that event is over.
  void Reap();

  RSScanView& view_;
  ModbusMaster::CModbusRTU transport_;
  std::unique_ptr<TRSScanThread> thread_;
  // A scan that ended from inside its own event: it cannot be waited for there.
  std::unique_ptr<TRSScanThread> retired_;
  const TRSScanThread* inEventOf_ = nullptr;
  std::uint32_t total_ = 0;
  std::vector<RSScanRow> rows_;
  std::uint32_t found_ = 0;
};
