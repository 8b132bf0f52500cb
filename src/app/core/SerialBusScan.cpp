#include "app/core/SerialBusScan.h"

#include <algorithm>

#include "platform/Format.h"
#include "platform/LoadStr.h"

namespace {

constexpr int kTextNoPort = 1601;
constexpr int kTextNoBaudRate = 1608;
constexpr int kTextNoParity = 1609;
constexpr int kTextNoStopBits = 1610;
constexpr int kTextFinished = 1611;
constexpr int kTextRowAddress = 1615;

}  // namespace

int UpDownPosition(std::string_view text, int position, int minimum, int maximum)
{
  bool digits = !text.empty();
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      digits = false;
      break;
    }
    // Past the range the exact number no longer matters; stop before it overflows.
    value = std::min<long long>(value * 10 + (c - '0'), 1LL << 40);
  }
  const long long number = digits ? value : position;
  return static_cast<int>(std::clamp<long long>(number, minimum, maximum));
}

std::optional<RSScanRefusal> CheckScanPlan(const RSScanPlan& plan)
{
  if (plan.Port.empty()) return RSScanRefusal{RSScanRefusal::Port, LoadStr(kTextNoPort)};
  if (plan.BaudRates.empty()) return RSScanRefusal{RSScanRefusal::BaudRates, LoadStr(kTextNoBaudRate)};
  if (plan.Parities.empty()) return RSScanRefusal{RSScanRefusal::Parities, LoadStr(kTextNoParity)};
  if (plan.StopBits.empty()) return RSScanRefusal{RSScanRefusal::StopBits, LoadStr(kTextNoStopBits)};
  return std::nullopt;
}

SerialBusScan::SerialBusScan(RSScanView& view, ModbusMaster::CModbusRTU::LineOpener opener)
    : view_(view), transport_(std::move(opener))
{
}

SerialBusScan::~SerialBusScan()
{
  if (thread_) thread_->Terminate();
  thread_.reset();
  retired_.reset();
}

std::string SerialBusScan::FinishedText() const { return Format(LoadStr(kTextFinished), found_); }

void SerialBusScan::Start(const RSScanPlan& plan)
{
  if (thread_) return;
  Reap();
  transport_.SetPortName(plan.Port);
  found_ = 0;
  total_ = plan.ProbeTotal();
  view_.ShowScanProgress(0, total_);
  auto thread = std::make_unique<TRSScanThread>(
      transport_, [this](TRSScanThread& sender, int kind, const std::string& text) { OnScanEvent(sender, kind, text); },
      plan);
  thread->Start();
  thread_ = std::move(thread);
}

void SerialBusScan::Stop()
{
  StopScan();
  view_.ShowScanStatus(FinishedText());
}

void SerialBusScan::StopScan()
{
  if (thread_) {
    thread_->Terminate();
    if (inEventOf_ == thread_.get()) {
      // Its event is on the stack below: it ends once the event returns.
      retired_ = std::move(thread_);
    } else {
      thread_->Wait();
      thread_.reset();
    }
  }
  view_.ScanStopped();
}

void SerialBusScan::Reap()
{
  if (retired_ && inEventOf_ != retired_.get()) retired_.reset();
}

void SerialBusScan::ClearRows()
{
  rows_.clear();
  found_ = 0;
}

void SerialBusScan::OnScanEvent(TRSScanThread& sender, int kind, const std::string& text)
{
  // A scan that was stopped or has ended may still deliver an event on its way out
  // (an answer that came in as it was stopped): it is no longer this scan's.
  if (&sender != thread_.get() || sender.IsTerminated()) return;
  const TRSScanThread* outer = inEventOf_;
  inEventOf_ = &sender;
  switch (kind) {
    case kScanProbing:
      view_.ShowScanStatus(text);
      view_.ShowScanProgress(sender.ProbeCount(), total_);
      break;
    case kScanEnded:
    case kScanFailed:
      view_.ShowScanStatus(FinishedText());
      view_.ShowScanProgress(sender.ProbeCount(), total_);
      StopScan();
      if (kind == kScanFailed) view_.ShowScanError(text);
      break;
    case kScanIdentified:
    case kScanException:
      AddRow(sender, kind, text);
      view_.ShowScanProgress(sender.ProbeCount(), total_);
      break;
    default: break;
  }
  inEventOf_ = outer;
}

void SerialBusScan::AddRow(const TRSScanThread& sender, int kind, const std::string& text)
{
  RSScanRow row;
  row.Item.Port = transport_.PortName();
  row.Item.BaudRate = sender.BaudRate();
  row.Item.Parity = sender.Parity();
  row.Item.StopBits = sender.StopBits();
  row.Item.Address = sender.Address();
  row.Item.Answered = kind == kScanIdentified;
  row.Item.Text = text;
  row.Number = std::to_string(rows_.size() + 1);
  row.AddressText = Format(LoadStr(kTextRowAddress), static_cast<unsigned>(row.Item.Address), row.Item.Port,
                           static_cast<unsigned>(row.Item.BaudRate), ScanParityName(row.Item.Parity),
                           ScanStopBitsNumber(row.Item.StopBits), sender.ReplyTime());
  rows_.push_back(row);
  ++found_;
  view_.AddScanRow(rows_.back());
}
