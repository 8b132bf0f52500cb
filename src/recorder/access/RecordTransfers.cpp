#include "recorder/access/RecordTransfers.h"

#include <algorithm>

#include "platform/Format.h"
#include "platform/LoadStr.h"
#include "recorder/access/RegErrors.h"
#include "recorder/info/VantorException.h"

namespace Registrator {
namespace {

constexpr int kTextFrameFormatError = 1413;  // "Конфигурация "%s":\nОшибка %s"
constexpr int kTextFrameError = 1414;        // "Конфигурация "%s":\n%s"

// One reply carries 252 bytes of records, each behind its number and length.
constexpr std::uint32_t kFrameRecordBytes = 252;
constexpr std::uint32_t kRecordHeaderBytes = 2;
constexpr std::uint32_t kFileBlockSize = 248;

bool Report(const TRegProgressEvent& progress, std::uint32_t done, std::uint32_t total)
{
  if (!progress) return true;
  bool cancel = false;
  progress(done, total, cancel);
  return !cancel;
}

void Write(TStream& stream, std::span<const std::uint8_t> bytes)
{
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), bytes.size());
}

// Reads one frame and stores it; false on cancel.
bool ReadFrame(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint8_t function, std::uint32_t base,
               std::uint32_t indexOffset, std::uint32_t first, std::uint32_t n, std::uint32_t& done,
               std::uint32_t total, const TRegProgressEvent& progress, const TRegRecordStoreEvent& store,
               std::uint32_t& received)
{
  ModbusMaster::TModbusReadRecordCommand command(function, static_cast<std::int32_t>(base),
                                                 static_cast<std::int32_t>(first), n);
  transport.Execute(unit, command);
  received = static_cast<std::uint32_t>(command.Results.size());
  if (progress) {
    done += received;
    if (!Report(progress, done, total)) return false;
  }
  for (std::uint32_t i = 0; i < received; ++i) {
    const auto& data = command.Results[i].Data;
    store(indexOffset + first + i, data.data(), static_cast<std::uint32_t>(data.size()));
  }
  return true;
}

template <typename Command>
bool ReadBlob(const TRegConfigBlobHeader& header, const char* tag, Command& command,
              ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint32_t& done, std::uint32_t& total,
              const TRegProgressEvent& progress, TStream& stream)
{
  // The size is the device's word: counted in 64 bits, a size near 2^32 cannot wrap
  // into a small one, and one beyond what the progress counters hold is refused
  // before anything is read or stored.
  std::uint64_t remaining = header.TotalSize();
  if (remaining > UINT32_MAX) throw EMBInternalError(transport.Description(unit), tag);
  total = static_cast<std::uint32_t>(remaining);
  done = 0;
  if (!Report(progress, done, total)) return false;

  std::uint32_t c = command.ChunkCount();
  for (;;) {
    // A chunk of no bytes would ask for the same offset again without end.
    if (c == 0) throw EMBInternalError(transport.Description(unit), tag);
    // Bytes past the announced end are not part of the blob.
    std::uint32_t taken = static_cast<std::uint32_t>(std::min<std::uint64_t>(c, remaining));
    remaining -= taken;
    command.SetOffset(command.Offset() + c);
    Write(stream, command.Chunk().first(taken));
    done += taken;
    if (!Report(progress, done, total)) return false;
    if (remaining == 0) break;
    transport.Execute(unit, command);
    c = command.ChunkCount();
  }
  return true;
}

}  // namespace

std::uint32_t RecordsPerFrame(std::uint32_t first, std::uint32_t count, std::uint32_t recordSize)
{
  if (recordSize == 0) return 1;
  // A record of more than 250 bytes still travels, one per frame.
  std::uint32_t fit = std::max<std::uint32_t>(1, kFrameRecordBytes / (recordSize + kRecordHeaderBytes));
  std::uint32_t left = count > first ? count - first : 0;
  return std::min(fit, left);
}

std::string SectionCaption(const TRegCaptions* captions, std::uint32_t index)
{
  if (captions && index < captions->size()) return (*captions)[index];
  return Format("%u", index + 1);
}

namespace {

// `absent` given: a Modbus exception in answer to the first request means the device
// has no such records; it is set and nothing is stored.
bool ReadRecordRun(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint8_t function, std::uint32_t base,
                   std::uint32_t indexOffset, std::uint32_t recordSize, std::uint32_t count, std::uint32_t& done,
                   std::uint32_t& total, const TRegProgressEvent& progress, const TRegCaptions* captions,
                   const TRegRecordStoreEvent& store, bool* absent)
{
  std::uint32_t first = 0;
  while (first < count) {
    std::uint32_t n = RecordsPerFrame(first, count, recordSize);
    std::uint32_t received = 0;
    try {
      try {
        if (!ReadFrame(transport, unit, function, base, indexOffset, first, n, done, total, progress, store, received))
          return false;
      } catch (const ModbusMaster::EMBServerException&) {
        if (!absent || first != 0) throw;
        *absent = true;
        return true;
      }
    } catch (const EVantorInvalid& e) {
      throw Exception(Format(LoadStr(kTextFrameFormatError), SectionCaption(captions, indexOffset + first), e.Message()));
    } catch (const Exception& e) {
      throw Exception(Format(LoadStr(kTextFrameError), SectionCaption(captions, indexOffset + first), e.Message()));
    }
    first += received;
  }
  return true;
}

}  // namespace

bool ReadRecords(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint8_t function, std::uint32_t base,
                 std::uint32_t indexOffset, std::uint32_t recordSize, std::uint32_t count, std::uint32_t& done,
                 std::uint32_t& total, const TRegProgressEvent& progress, const TRegCaptions* captions,
                 const TRegRecordStoreEvent& store)
{
  return ReadRecordRun(transport, unit, function, base, indexOffset, recordSize, count, done, total, progress,
                       captions, store, nullptr);
}

bool ReadInfoRecordsIfPresent(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint32_t base,
                              std::uint32_t indexOffset, std::uint32_t recordSize, std::uint32_t count,
                              std::uint32_t& done, std::uint32_t& total, const TRegProgressEvent& progress,
                              const TRegCaptions* captions, const TRegRecordStoreEvent& store, bool& absent)
{
  absent = false;
  return ReadRecordRun(transport, unit, kFunctionReadInfo, base, indexOffset, recordSize, count, done, total,
                       progress, captions, store, &absent);
}

bool ReadRecordFile(std::uint8_t fileNumber, ModbusMaster::CBaseModbus& transport, std::uint8_t unit,
                    std::uint32_t& done, std::uint32_t& total, const TRegProgressEvent& progress,
                    TStream& stream)
{
  ModbusMaster::TRegReadConfigRecordCommand command(fileNumber);
  command.SetPosition(0);
  command.SetRequestedCount(0);  // block length 0 asks for the file's size
  transport.Execute(unit, command);
  auto sizeBytes = command.DeliveredData();
  if (sizeBytes.size() != 4) throw EMBInternalError(transport.Description(unit), "rec size 1");
  std::uint32_t size = ByteReader(sizeBytes, "record file size").u32(0);
  if (size > kMaxRecordFileSize) throw EMBInternalError(transport.Description(unit), "rec size 2");

  total = size;
  done = 0;
  if (!Report(progress, done, total)) return false;

  command.SetRequestedCount(kFileBlockSize);
  std::uint32_t remaining = size;
  std::uint32_t position = 0;
  while (remaining > 0) {
    transport.Execute(unit, command);
    auto block = command.DeliveredData();
    auto n = static_cast<std::uint32_t>(block.size());
    // A last block longer than what remains ends the file; the surplus is not the
    // file's (counting it down would wrap and never end).
    std::uint32_t taken = std::min(n, remaining);
    Write(stream, block.first(taken));
    remaining -= taken;
    done += taken;
    if (!Report(progress, done, total)) return false;
    if (n < kFileBlockSize || remaining == 0) break;
    command.SetPosition(++position);
  }
  return true;
}

bool ReadAMXConfigBlob(const TRegAMXConfigHeader& header, TRegReadAMXConfigCommand& command,
                       ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint32_t& done,
                       std::uint32_t& total, const TRegProgressEvent& progress, TStream& stream)
{
  return ReadBlob(header, TRegAMXConfigHeader::kTag, command, transport, unit, done, total, progress, stream);
}

bool ReadMSConfigBlob(const TRegMSConfigHeader& header, TRegReadMSConfigCommand& command,
                      ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint32_t& done,
                      std::uint32_t& total, const TRegProgressEvent& progress, TStream& stream)
{
  return ReadBlob(header, TRegMSConfigHeader::kTag, command, transport, unit, done, total, progress, stream);
}

}  // namespace Registrator
