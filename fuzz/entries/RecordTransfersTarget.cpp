// record_transfers: the long reads of the recorder access layer over a transport that
// answers each request with the next scripted reply, with their promises about what
// reaches the store or the stream checked.

#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "ScriptedTransport.h"
#include "platform/Stream.h"
#include "recorder/access/RecordTransfers.h"

namespace fuzzing {
namespace {

using namespace Registrator;

constexpr std::uint8_t kUnit = 1;

// Asks to cancel at the chosen call and remembers that it did.
struct Progress {
  explicit Progress(std::uint8_t cancelAt) : cancelAt(cancelAt) {}
  TRegProgressEvent Event()
  {
    return [this](std::uint32_t done, std::uint32_t total, bool& cancel) {
      if (done > total) Finding("progress counts past its total");
      if (++calls == cancelAt) cancel = cancelled = true;
    };
  }
  unsigned cancelAt, calls = 0;
  bool cancelled = false;
};

void ExpectCancelHonoured(bool completed, const Progress& progress)
{
  if (completed && progress.cancelled) Finding("a cancelled transfer reported that it completed");
}

bool Records(ModbusMaster::CBaseModbus& transport, const RecordTransfersCase& c, Progress& progress)
{
  static constexpr std::uint8_t kFunctions[] = {kFunctionReadInfo, kFunctionReadConfig, kFunctionReadConfigLong};
  const std::uint32_t indexOffset = 3, recordSize = c.params[2], count = 1 + c.params[3] % 64;
  const TRegCaptions captions = {"first", "second"};
  std::uint32_t next = indexOffset, done = 0, total = count;
  auto store = [&](std::uint32_t index, const std::uint8_t* data, std::uint32_t length) {
    if (index != next++) Finding("records reached the store out of order");
    Touch({data, length});
    return 0;
  };
  bool completed = ReadRecords(transport, kUnit, kFunctions[c.params[0] % 3], c.params[1], indexOffset, recordSize,
                               count, done, total, progress.Event(), &captions, store);
  ExpectCancelHonoured(completed, progress);
  if (completed && next != indexOffset + count) Finding("a completed read stored other than every record");
  return completed;
}

bool RecordFile(ModbusMaster::CBaseModbus& transport, const RecordTransfersCase& c, Progress& progress)
{
  TMemoryStream stream;
  std::uint32_t done = 0, total = 0;
  bool completed = ReadRecordFile(1 + c.params[0] % 4, transport, kUnit, done, total, progress.Event(), stream);
  ExpectCancelHonoured(completed, progress);
  if (stream.Data().size() != done || done > total) Finding("a record file wrote other than it counted");
  return completed;
}

template <typename Command, typename Read>
bool Blob(ModbusMaster::CBaseModbus& transport, Command& command, Read read, Progress& progress)
{
  transport.Execute(kUnit, command);
  // What the configuration read does before it goes on: a header, and a blob present.
  if (command.ChunkCount() < TRegConfigBlobHeader::kSize) return false;
  auto header = command.Header();
  if (header.Presence != 1) return false;
  if constexpr (requires { header.Fits(); }) {
    if (!header.Fits()) return false;
  }
  TMemoryStream stream;
  std::uint32_t done = 0, total = 0;
  bool completed = read(header, command, transport, kUnit, done, total, progress.Event(), stream);
  ExpectCancelHonoured(completed, progress);
  if (stream.Data().size() != done || done > total) Finding("a blob wrote other than it counted");
  if (completed && (done != total || total != header.TotalSize())) Finding("a completed blob is not the size it announced");
  return completed;
}

}  // namespace

RecordTransfersCase RecordTransfersCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  RecordTransfersCase c;
  c.operation = in.u8();
  for (auto& p : c.params) p = in.u8();
  c.cancelAt = in.u8();
  c.replies = DecodeReplies(in);
  return c;
}

std::vector<std::uint8_t> RecordTransfersCase::Encode() const
{
  FuzzWriter out;
  out.u8(operation);
  for (auto p : params) out.u8(p);
  out.u8(cancelAt);
  EncodeReplies(out, replies);
  return out.bytes();
}

bool FuzzRecordTransfers(std::span<const std::uint8_t> input)
{
  RecordTransfersCase c = RecordTransfersCase::Decode(input);
  ScriptedTransport transport(ScriptedTransport::InOrder(c.replies));
  return RunRecordTransfer(transport, c);
}

bool RunRecordTransfer(ModbusMaster::CBaseModbus& transport, const RecordTransfersCase& c)
{
  Progress progress(c.cancelAt);
  try {
    switch (static_cast<RecordTransfersCase::Operation>(c.operation % RecordTransfersCase::OperationCount)) {
    case RecordTransfersCase::Records: return Records(transport, c, progress);
    case RecordTransfersCase::RecordFile: return RecordFile(transport, c, progress);
    case RecordTransfersCase::AMXBlob: {
      TRegReadAMXConfigCommand command((c.params[0] & 1) ? kFunctionReadAMXConfig : kFunctionReadAMXConfigOld);
      return Blob(transport, command, ReadAMXConfigBlob, progress);
    }
    case RecordTransfersCase::MSBlob:
    case RecordTransfersCase::OperationCount: {
      TRegReadMSConfigCommand command;
      return Blob(transport, command, ReadMSConfigBlob, progress);
    }
    }
  } catch (const Exception& e) {
    return Refused(e);
  }
  return false;
}

}  // namespace fuzzing
