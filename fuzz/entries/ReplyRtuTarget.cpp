// reply_rtu: a reply to every command class over the RTU transport, through its real
// framing (length by silence, CRC, line errors, retries) on a scripted serial line.

#include <deque>
#include <memory>

#include "FuzzBytes.h"
#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "modbus/CModbusRTU.h"
#include "modbus/ModbusChecksum.h"

namespace fuzzing {
namespace {

// A serial line whose input is a script of reads. A read delivers its bytes and then
// completes empty, which the transport takes for the silence after them; once the
// script is spent every read completes empty at once. Nothing waits on the clock, so
// a run takes microseconds whatever the script says.
class ScriptedSerialLine final : public SerialLine {
public:
  struct Chunk {
    std::vector<std::uint8_t> bytes;
    SerialLineErrors marks;
  };

  explicit ScriptedSerialLine(std::deque<Chunk> reads) : reads_(std::move(reads)) {}

  void Configure(const SerialLineSettings&) override {}
  bool EnableRs485() override { return false; }
  // The script is what arrives after each request: nothing is queued to drop.
  void Purge() override {}
  void PurgeInput() override {}
  WaitResult Wait(WaitFor, int, const Event*) override { return WaitResult::Ready; }
  IoResult Read(std::uint8_t* data, std::size_t size) override
  {
    if (reads_.empty()) return {};
    Chunk& read = reads_.front();
    if (offset_ == 0) pending_ = Merge(pending_, read.marks);
    std::size_t n = std::min(size, read.bytes.size() - offset_);
    if (n == 0) {
      reads_.pop_front();
      offset_ = 0;
      return {};
    }
    std::copy_n(read.bytes.begin() + static_cast<std::ptrdiff_t>(offset_), n, data);
    offset_ += n;
    return {n, false};
  }
  IoResult Write(const std::uint8_t*, std::size_t size) override { return {size, false}; }
  std::size_t OutputPending() override { return 0; }
  SerialLineErrors TakeLineErrors() override { return std::exchange(pending_, {}); }

private:
  static SerialLineErrors Merge(SerialLineErrors a, SerialLineErrors b)
  {
    return {a.overrun || b.overrun, a.parity || b.parity, a.frame || b.frame};
  }

  std::deque<Chunk> reads_;
  std::size_t offset_ = 0;
  SerialLineErrors pending_;
};

std::deque<ScriptedSerialLine::Chunk> Script(const RtuReplyCase& c)
{
  std::deque<ScriptedSerialLine::Chunk> reads;
  for (const auto& frame : c.frames) {
    std::vector<std::uint8_t> bytes;
    if (frame.control & RtuReplyCase::kPrependUnit) bytes.push_back(c.Unit());
    bytes.insert(bytes.end(), frame.bytes.begin(), frame.bytes.end());
    if (frame.control & RtuReplyCase::kAppendCrc) {
      std::uint16_t crc = ModbusMaster::ModbusCRC16(bytes.data(), bytes.size());
      bytes.push_back(static_cast<std::uint8_t>(crc));  // low byte first
      bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    }
    SerialLineErrors marks{(frame.control & RtuReplyCase::kOverrun) != 0, (frame.control & RtuReplyCase::kParity) != 0,
                           (frame.control & RtuReplyCase::kFraming) != 0};
    if (frame.control & RtuReplyCase::kSplit) {
      std::size_t half = bytes.size() / 2;
      reads.push_back({{bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(half)}, marks});
      reads.push_back({{bytes.begin() + static_cast<std::ptrdiff_t>(half), bytes.end()}, {}});
    } else {
      reads.push_back({std::move(bytes), marks});
    }
    reads.push_back({});  // the silence that ends this attempt's reply
  }
  return reads;
}

}  // namespace

RtuReplyCase RtuReplyCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  RtuReplyCase c;
  c.flags = in.u8();
  c.command = in.u8();
  for (auto& p : c.params) p = in.u8();
  while (!in.empty()) {
    std::size_t length = in.u16() % (kMaxFrame + 1);
    Frame frame;
    frame.control = in.u8();
    auto bytes = in.take(length);
    frame.bytes.assign(bytes.begin(), bytes.end());
    c.frames.push_back(std::move(frame));
  }
  return c;
}

std::vector<std::uint8_t> RtuReplyCase::Encode() const
{
  FuzzWriter out;
  out.u8(flags).u8(command);
  for (auto p : params) out.u8(p);
  for (const auto& frame : frames) out.u16(static_cast<std::uint16_t>(frame.bytes.size())).u8(frame.control).append(frame.bytes);
  return out.bytes();
}

bool FuzzReplyRtu(std::span<const std::uint8_t> input)
{
  RtuReplyCase c = RtuReplyCase::Decode(input);
  auto command = MakeFuzzCommand(c.command, c.params);
  auto script = Script(c);
  ModbusMaster::CModbusRTU transport(
      [&script](const std::string&) -> std::unique_ptr<SerialLine> { return std::make_unique<ScriptedSerialLine>(std::move(script)); });
  // No baud rate: the character time-out and the pauses between attempts become zero,
  // which changes when the transport looks at the line, never what it makes of it.
  transport.SetParams("fuzz", 0, ModbusMaster::ParityNone, ModbusMaster::OneStopBit);
  transport.SetReplyTimeout(0);
  if (!RunFuzzCommand(transport, c.Unit(), *command, c.Retries())) return false;
  const auto& reply = command->Message().Reply;
  if (!ModbusMaster::CheckRtuFrameCrc(reply.UnitPtr(), reply.Length() + 2u)) Finding("the transport accepted a frame with a bad CRC");
  return true;
}

}  // namespace fuzzing
