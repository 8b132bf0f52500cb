#include "app/core/RSScanThread.h"

#include <algorithm>
#include <cstdlib>

#include "app/core/Synchronize.h"
#include "modbus/CModbusRTU.h"
#include "modbus/MBErrors.h"
#include "platform/Cp1251.h"
#include "platform/Format.h"
#include "platform/LoadStr.h"
#include "recorder/access/RegCommands.h"

namespace {

constexpr int kTextProbing = 1618;
constexpr int kTextServerException = 1617;

// The identification objects of a reply that holds more than the two a foreign device
// may give: ids 0 up to the count less one, in the 8-bit code page, joined by " / ".
std::string IdentificationText(const ModbusMaster::TModbusCommand43ReadDeviceID& request)
{
  std::string text;
  for (unsigned id = 0, count = request.ObjectCount(); id < count; ++id) {
    if (id) text += " / ";
    text += AnsiToUtf8(GetDeviceIdObject(request, static_cast<std::uint8_t>(id)));
  }
  return text;
}

}  // namespace

std::uint32_t RSScanPlan::ProbeTotal() const
{
  const auto addresses = static_cast<std::uint32_t>(std::abs(FirstAddress - LastAddress) + 1);
  return static_cast<std::uint32_t>(BaudRates.size() * Parities.size() * StopBits.size()) * addresses;
}

std::uint32_t ScanReplyTimeout(std::uint32_t baudRate, std::uint32_t timeoutMs)
{
  if (baudRate == 0) return timeoutMs;
  return std::max(timeoutMs, 704000 / baudRate + 1);
}

std::string ScanParityName(int parity)
{
  switch (parity) {
    case 0: return "нет";
    case 1: return "нечетный";
    case 2: return "четный";
  }
  return {};
}

TRSScanThread::TRSScanThread(ModbusMaster::CModbusRTU& transport, TScanEvent onEvent, RSScanPlan plan)
    : transport_(transport), onEvent_(std::move(onEvent)), plan_(std::move(plan))
{
}

TRSScanThread::~TRSScanThread()
{
  Terminate();
  Wait();
}

void TRSScanThread::Start()
{
  if (thread_.joinable()) return;
  transport_.ResetCancel();
  thread_ = std::thread([this] { Execute(); });
}

void TRSScanThread::Terminate()
{
  terminated_.store(true);
  transport_.Cancel();
}

void TRSScanThread::Wait()
{
  if (!thread_.joinable()) return;
  if (IsGuiThread()) ServeSynchronizeCallsUntil([this] { return ended_.load(); });
  thread_.join();
}

void TRSScanThread::PostEvent(int kind, const std::string& text)
{
  Synchronize([&] {
    if (onEvent_) onEvent_(*this, kind, text);
  });
}

void TRSScanThread::Execute()
{
  try {
    Sweep();
  } catch (const std::exception& e) {
    // Left open, the line would keep this setting: the next scan's Open would find it
    // open and probe at the old baud rate, parity and stop bits.
    transport_.Close();
    // A failure outside the probes' own handling still ends the scan with an event:
    // otherwise the dialog would show a scan running that is long over.
    try {
      PostEvent(kScanFailed, e.what());
    } catch (...) {
    }
  }
  ended_.store(true);
  WakeSynchronizeWaiters();
}

void TRSScanThread::Sweep()
{
  for (int baudRate : plan_.BaudRates) {
    for (int parity : plan_.Parities) {
      for (int stopBits : plan_.StopBits) {
        if (IsTerminated()) return;
        baudRate_.store(baudRate);
        parity_.store(parity);
        stopBits_.store(stopBits);
        transport_.SetBaudRate(static_cast<std::uint32_t>(baudRate));
        transport_.SetParity(static_cast<ModbusMaster::TMBParity>(parity));
        transport_.SetStopBits(static_cast<ModbusMaster::TMBStopBits>(stopBits));
        transport_.SetReplyTimeout(
            ScanReplyTimeout(static_cast<std::uint32_t>(baudRate), static_cast<std::uint32_t>(plan_.TimeoutMs)));
        try {
          transport_.Open();
        } catch (const ModbusMaster::EMBError& e) {
          PostEvent(kScanFailed, Format("Error connecting to %s:\n%s", plan_.Port, e.Message()));
          return;
        }
        const bool goOn = SweepAddresses();
        transport_.Close();
        if (!goOn) return;
      }
    }
  }
  if (IsTerminated()) return;
  PostEvent(kScanEnded, "");
}

bool TRSScanThread::SweepAddresses()
{
  ModbusMaster::TModbusCommand43ReadDeviceID request;
  request.MaxRetries = 0;
  const int step = plan_.LastAddress < plan_.FirstAddress ? -1 : 1;
  for (int address = plan_.FirstAddress;; address += step) {
    if (IsTerminated()) return false;
    address_.store(address);
    PostEvent(kScanProbing, Format(LoadStr(kTextProbing), plan_.Port, static_cast<unsigned>(baudRate_.load()),
                                   ScanParityName(parity_.load()), ScanStopBitsNumber(stopBits_.load()),
                                   static_cast<unsigned>(address)));
    try {
      transport_.Execute(static_cast<std::uint8_t>(address), request);
      if (IsTerminated()) return false;
      ++probeCount_;
      replyTime_.store(request.ReplyTime);
      if (request.ObjectCount() > 2) PostEvent(kScanIdentified, IdentificationText(request));
    } catch (const ModbusMaster::EMBServerException& e) {
      ++probeCount_;
      // The device did answer: its row shows this answer's time, not the last one's.
      replyTime_.store(request.ReplyTime);
      PostEvent(kScanException, Format(LoadStr(kTextServerException), static_cast<int>(e.Code())));
    } catch (const ModbusMaster::EMBError&) {
      ++probeCount_;
    }
    if (address == plan_.LastAddress) return true;
  }
}
