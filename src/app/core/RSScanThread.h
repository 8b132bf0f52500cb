#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ModbusMaster {
class CModbusRTU;
}

// What one serial bus scan tries: every ticked line setting (baud rate, then parity,
// then stop bits, each in list order) and, for each, every address from the first to
// the last (downwards when the last is below the first).
struct RSScanPlan {
  std::string Port;
  std::vector<int> BaudRates;
  std::vector<int> Parities;  // 0 none, 1 odd, 2 even
  std::vector<int> StopBits;  // 0 one, 1 two
  int FirstAddress = 1;
  int LastAddress = 1;
  int TimeoutMs = 100;

  // Line settings times addresses: the progress bar's maximum.
  std::uint32_t ProbeTotal() const;
};

// The events of a scan, as the thread posts them.
enum TRSScanEventKind : int {
  kScanProbing = 0,     // text: the port, the setting and the address about to be asked
  kScanEnded = 1,       // every probe made; text empty
  kScanFailed = 2,      // the port could not be opened; text: why
  kScanIdentified = 3,  // a device answered; text: its identification objects
  kScanException = 4,   // a device answered with a Modbus exception; text: its code
};

// The reply timeout of one probe: the user's, but never below what one identification
// reply (a few dozen characters) takes on the line at that baud rate: 587 ms at 1200,
// 74 ms at 9600, 4 ms at 230400.
std::uint32_t ScanReplyTimeout(std::uint32_t baudRate, std::uint32_t timeoutMs);

// "нет", "нечетный", "четный" (empty for another code).
std::string ScanParityName(int parity);
// The number of stop bits a code stands for: 2 for 1, else 1.
inline unsigned ScanStopBitsNumber(int stopBits) { return stopBits == 1 ? 2u : 1u; }

// One sweep of a serial bus on a thread of its own, asking each address for the device
// identification (no retries). Every event is a synchronous call into the GUI thread
// (Synchronize), so inside it the handler may read the setting being tried, the probe
// count and the last reply time while the thread waits.
//
// The owner starts it once, tells it to end with Terminate (which also cancels the
// transport's wait, so it ends quickly) and waits for it with Wait before it touches the
// transport again or destroys either. The destructor does both.
class TRSScanThread {
public:
  using TScanEvent = std::function<void(TRSScanThread& sender, int kind, const std::string& text)>;

  // The transport is the owner's and must outlive the thread.
  TRSScanThread(ModbusMaster::CModbusRTU& transport, TScanEvent onEvent, RSScanPlan plan);
  ~TRSScanThread();
  TRSScanThread(const TRSScanThread&) = delete;
  TRSScanThread& operator=(const TRSScanThread&) = delete;

  // Clears the transport's cancel and starts the sweep.
  void Start();
  // Any thread: the sweep ends at its next check, without an event; returns at once.
  void Terminate();
  // Waits for the thread to end; on the GUI thread it serves the thread's synchronous
  // calls meanwhile (the events of a terminated thread are the handler's to drop).
  void Wait();

  bool IsTerminated() const { return terminated_.load(); }
  bool HasEnded() const { return ended_.load(); }
  const RSScanPlan& Plan() const { return plan_; }

  // The setting and address being tried.
  int BaudRate() const { return baudRate_.load(); }
  int Parity() const { return parity_.load(); }
  int StopBits() const { return stopBits_.load(); }
  int Address() const { return address_.load(); }
  // Addresses asked so far, and the reply time of the last answer in ms.
  std::uint32_t ProbeCount() const { return probeCount_.load(); }
  std::uint32_t ReplyTime() const { return replyTime_.load(); }

private:
  void Execute();
  void Sweep();
  // False when the sweep is to end.
  bool SweepAddresses();
  void PostEvent(int kind, const std::string& text);

  ModbusMaster::CModbusRTU& transport_;
  TScanEvent onEvent_;
  const RSScanPlan plan_;

  std::atomic<bool> terminated_{false};
  std::atomic<bool> ended_{false};
  std::atomic<int> baudRate_{0};
  std::atomic<int> parity_{0};
  std::atomic<int> stopBits_{0};
  std::atomic<int> address_{0};
  std::atomic<std::uint32_t> probeCount_{0};
  std::atomic<std::uint32_t> replyTime_{0};

  std::thread thread_;
};
