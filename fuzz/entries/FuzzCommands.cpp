#include "FuzzCommands.h"

#include <utility>

#include "FuzzTargets.h"
#include "modbus/MBCommand.h"
#include "platform/Stream.h"
#include "recorder/access/RegCommands.h"

namespace fuzzing {
namespace {

using namespace ModbusMaster;
using namespace Registrator;

// A decoder's view must lie within the data that arrived (the reply buffer holds stale
// bytes of earlier attempts behind it, which no sanitizer would flag).
void ExpectWithinReply(const TModbusAdu& reply, std::span<const std::uint8_t> view, const char* what)
{
  if (view.empty()) return;
  const std::uint8_t* begin = reply.Data();
  const std::uint8_t* end = begin + reply.DataLength();
  if (view.data() < begin || view.data() + view.size() > end) Finding(what);
  Touch(view);
}

template <typename Command>
class Holder final : public FuzzCommand {
public:
  using Reader = void (*)(Command&);

  template <typename... Args>
  explicit Holder(Reader reader, Args&&... args) : command_(std::forward<Args>(args)...), reader_(reader)
  {
  }
  TBaseModbusMessage& Message() override { return command_; }
  void ReadAccepted() override { reader_(command_); }
  Command& Get() { return command_; }

private:
  Command command_;
  Reader reader_;
};

template <typename Command, typename... Args>
std::unique_ptr<FuzzCommand> Make(typename Holder<Command>::Reader reader, Args&&... args)
{
  return std::make_unique<Holder<Command>>(reader, std::forward<Args>(args)...);
}

void ReadRecords(TModbusReadRecordCommand& command)
{
  if (command.Results.size() != command.Count) Finding("an accepted record reply lost records");
  std::size_t used = 0;
  for (const TModbusRecord& record : command.Results) {
    Touch(record.Data);
    used += 2 + record.Data.size();
  }
  if (used > command.Reply.DataLength()) Finding("an accepted record reply holds more than arrived");
}

void ReadRecordFile(TRegReadConfigRecordCommand& command)
{
  auto delivered = command.DeliveredData();
  ExpectWithinReply(command.Reply, delivered, "record-file data lies outside the reply");
  if (delivered.size() != command.Reply.DataReader().u8(1))
    Finding("an accepted record-file reply delivers other than it announces");
  TMemoryStream stream;
  if (command.SaveData(stream) != delivered.size() || stream.Data().size() != delivered.size())
    Finding("record-file SaveData wrote other than it delivers");
}

template <typename Upgrade>
void ReadUpgradeStatus(Upgrade& command)
{
  (void)command.Status;
}

void ReadRegisters(TModbusCommand4& command)
{
  for (std::size_t i = 0; i < command.Quantity(); ++i) (void)command.Register(i);
}

void ReadDeviceId(TModbusCommand43ReadDeviceID& command)
{
  (void)command.ObjectCount();
  // The objects the identification takes, and an id no object has.
  for (std::uint8_t id : {0, 1, 2, 0xFF})
    if (GetDeviceIdObject(command, id).size() > 0xFF) Finding("an identification object is longer than its length byte says");
}

template <typename Blob>
void ReadBlobChunk(Blob& command)
{
  auto chunk = command.Chunk();
  ExpectWithinReply(command.Reply, chunk, "a blob chunk lies outside the reply");
  if (chunk.size() > command.ChunkSize()) Finding("a blob chunk is larger than the command allows");
  if (command.ChunkCount() >= TRegConfigBlobHeader::kSize) {
    auto header = command.Header();
    if constexpr (requires { header.Fits(); }) (void)header.Fits();
    (void)header.TotalSize();
  } else {
    // Callers test the count first; the header's own refusal must still be an error.
    try {
      (void)command.Header();
      Finding("a blob header was read from a chunk shorter than it");
    } catch (const Exception& e) {
      Refused(e);
    }
  }
}

void ReadLogin(TBaseModbusMessage& message) { (void)message.Reply.Data()[0]; }

std::uint32_t U24(std::uint8_t a, std::uint8_t b, std::uint8_t c) { return a | b << 8 | std::uint32_t(c) << 16; }
std::uint32_t U32(const CommandParams& p) { return U24(p[0], p[1], p[2]) | std::uint32_t(p[3]) << 24; }

std::unique_ptr<FuzzCommand> MakeUpgradeChunk(const CommandParams& p)
{
  auto holder = std::make_unique<Holder<TUpgradeWriteCommand>>(ReadUpgradeStatus<TUpgradeWriteCommand>);
  std::vector<std::uint8_t> payload(p[3] % (TUpgradeWriteCommand::kMaxChunk + 1));
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i);
  TMemoryStream stream;
  stream.WriteBuffer(payload.data(), payload.size());
  stream.SetPosition(0);
  holder->Get().LoadChunk(U24(p[0], p[1], p[2]), stream);
  return holder;
}

std::unique_ptr<FuzzCommand> MakeRecordFile(const CommandParams& p)
{
  auto holder = std::make_unique<Holder<TRegReadConfigRecordCommand>>(ReadRecordFile, p[0]);
  holder->Get().SetPosition(p[1] | p[2] << 8);
  holder->Get().SetRequestedCount(p[3]);
  return holder;
}

std::unique_ptr<FuzzCommand> MakeLogin(const CommandParams& p)
{
  auto holder = std::make_unique<Holder<TBaseModbusMessage>>(ReadLogin);
  // Enable, step, the level as U, then the number images: 134 data bytes.
  std::array<std::uint8_t, 134> data{};
  data[0] = 1;
  data[1] = p[0] & 1;
  data[2] = p[1];
  holder->Get().SetRequest(0x6E, data);
  return holder;
}

}  // namespace

std::unique_ptr<FuzzCommand> MakeFuzzCommand(std::uint8_t selector, const CommandParams& p)
{
  switch (static_cast<CommandClass>(selector % static_cast<std::uint8_t>(CommandClass::Count))) {
  case CommandClass::ReadRecords: {
    static constexpr std::uint8_t kFunctions[] = {kFunctionReadInfo, kFunctionReadConfig, kFunctionReadConfigLong};
    return Make<TModbusReadRecordCommand>(ReadRecords, kFunctions[p[0] % 3], p[1], p[2] % 4, 1u + p[3] % 8);
  }
  case CommandClass::RecordFile: return MakeRecordFile(p);
  case CommandClass::UpgradeChunk: return MakeUpgradeChunk(p);
  case CommandClass::UpgradeStart:
    return Make<TUpgradeStartCommand>(ReadUpgradeStatus<TUpgradeStartCommand>, U32(p));
  case CommandClass::InputRegisters:
    return Make<TModbusCommand4>(ReadRegisters, static_cast<std::uint16_t>(p[0] | p[1] << 8),
                                 static_cast<std::uint16_t>(p[2] % (TModbusCommand4::kMaxQuantity + 1)));
  case CommandClass::DeviceId: return Make<TModbusCommand43ReadDeviceID>(ReadDeviceId);
  case CommandClass::ConfigRecord:
    return Make<TMBRegReadConfigCommand>([](TMBRegReadConfigCommand& c) { ReadRecords(c); }, p[0]);
  case CommandClass::InfoRecord:
    switch (p[1] % 3) {
    case 0: return Make<TModbusCommandReadInfo>([](TModbusCommandReadInfo& c) { ReadRecords(c); }, p[0]);
    case 1: return Make<TModbusReadGeneralInfo>([](TModbusReadGeneralInfo& c) { ReadRecords(c); });
    default: return Make<TModbusReadDeviceInfo>([](TModbusReadDeviceInfo& c) { ReadRecords(c); });
    }
  case CommandClass::MSBlobChunk: {
    auto holder = std::make_unique<Holder<TRegReadMSConfigCommand>>(ReadBlobChunk<TRegReadMSConfigCommand>);
    holder->Get().SetOffset(U32(p));
    return holder;
  }
  case CommandClass::AMXBlobChunk: {
    std::uint8_t function = (p[0] & 1) ? kFunctionReadAMXConfig : kFunctionReadAMXConfigOld;
    auto holder = std::make_unique<Holder<TRegReadAMXConfigCommand>>(ReadBlobChunk<TRegReadAMXConfigCommand>, function);
    holder->Get().SetOffset(U24(p[1], p[2], p[3]));
    return holder;
  }
  case CommandClass::Login:
  case CommandClass::Count: break;
  }
  return MakeLogin(p);
}

bool RunFuzzCommand(CBaseModbus& transport, std::uint8_t unit, FuzzCommand& command, std::uint32_t maxRetries)
{
  TBaseModbusMessage& message = command.Message();
  message.MaxRetries = maxRetries;
  message.ReplyTimeout = 0;
  try {
    transport.Execute(unit, message);
  } catch (const Exception& e) {
    return Refused(e);
  }
  const TModbusAdu& request = message.Request;
  const TModbusAdu& reply = message.Reply;
  if (reply.Unit() != unit || reply.Function() != request.Function() || reply.TransactionId() != request.TransactionId())
    Finding("the transport accepted a reply to another request");
  try {
    command.ReadAccepted();
  } catch (const Exception& e) {
    Finding("an accessor refused an accepted reply: " + e.Message());
  }
  return true;
}

}  // namespace fuzzing
