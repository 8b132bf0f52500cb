#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "modbus/CBaseModbus.h"
#include "platform/Stream.h"
#include "recorder/access/RegCommands.h"
#include "recorder/info/RecordStoreEvent.h"

namespace Registrator {

// Called after every step of a long transfer with the counters (records, or bytes for
// files and blobs). Setting `cancel` stops the transfer at once; it then returns false.
// An empty function counts as unset.
using TRegProgressEvent = std::function<void(std::uint32_t done, std::uint32_t total, bool& cancel)>;

// Names of records for error messages; none given means "by number".
using TRegCaptions = std::vector<std::string>;

// Records of `recordSize` bytes that fit one reply (252 bytes of record data, 2 header
// bytes per record), never more than remain from `first` to `count`; 1 when the size
// is not known (0) or a single record fills the frame on its own.
std::uint32_t RecordsPerFrame(std::uint32_t first, std::uint32_t count, std::uint32_t recordSize);

// Entry `index` of the list when there is one, else the record's number from 1.
std::string SectionCaption(const TRegCaptions* captions, std::uint32_t index);

// Reads records base + 0 ... base + count - 1 with `function` (0x64, 0x65, 0x6B) in as
// few requests as fit a frame, and hands each to `store` as indexOffset + its position.
// Progress (records) adds to `done` and leaves `total`. A failure inside a frame
// arrives as a plain Exception: text 1413 (a record-format error) or 1414 with the
// caption of the frame's first record and the failure's message. False on cancel;
// the cancelled frame is not stored.
bool ReadRecords(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint8_t function, std::uint32_t base,
                 std::uint32_t indexOffset, std::uint32_t recordSize, std::uint32_t count, std::uint32_t& done,
                 std::uint32_t& total, const TRegProgressEvent& progress, const TRegCaptions* captions,
                 const TRegRecordStoreEvent& store);

inline bool ReadInfoRecords(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint32_t base,
                            std::uint32_t indexOffset, std::uint32_t recordSize, std::uint32_t count,
                            std::uint32_t& done, std::uint32_t& total, const TRegProgressEvent& progress,
                            const TRegCaptions* captions, const TRegRecordStoreEvent& store)
{
  return ReadRecords(transport, unit, kFunctionReadInfo, base, indexOffset, recordSize, count, done, total, progress,
                     captions, store);
}

// ReadInfoRecords for records some firmware does not have: when the device answers the
// first request with a Modbus exception, `absent` is set, nothing is stored and the
// result is true. An exception to a later request fails the read as usual.
bool ReadInfoRecordsIfPresent(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint32_t base,
                              std::uint32_t indexOffset, std::uint32_t recordSize, std::uint32_t count,
                              std::uint32_t& done, std::uint32_t& total, const TRegProgressEvent& progress,
                              const TRegCaptions* captions, const TRegRecordStoreEvent& store, bool& absent);

// `function` is 0x65, or 0x6B for blocks of more than 32 items.
inline bool ReadConfigRecords(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint8_t function,
                              std::uint32_t base, std::uint32_t indexOffset, std::uint32_t recordSize,
                              std::uint32_t count, std::uint32_t& done, std::uint32_t& total,
                              const TRegProgressEvent& progress, const TRegCaptions* captions,
                              const TRegRecordStoreEvent& store)
{
  return ReadRecords(transport, unit, function, base, indexOffset, recordSize, count, done, total, progress, captions,
                     store);
}

// The largest record file: 65535 blocks of 248 bytes.
inline constexpr std::uint32_t kMaxRecordFileSize = 65535u * 248u;

// Appends record file `fileNumber` (1-4) to `stream` block by block (0x69) after asking
// its size; the stream receives exactly that many bytes (or fewer if the device ends
// early with a short block). `total` := the size, `done` counts bytes from 0. Errors
// reach the caller unchanged ("rec size 1", "rec size 2" as EMBInternalError).
bool ReadRecordFile(std::uint8_t fileNumber, ModbusMaster::CBaseModbus& transport, std::uint8_t unit,
                    std::uint32_t& done, std::uint32_t& total, const TRegProgressEvent& progress,
                    TStream& stream);

// Goes on with a blob read whose first chunk is already in `command`'s reply: writes the
// 12-byte header and the payload to `stream`, asking chunk after chunk. `total` := the
// blob's size, `done` counts bytes from 0. A blob too large to count, or a chunk of no
// bytes before the end, raises EMBInternalError with the blob's tag.
bool ReadAMXConfigBlob(const TRegAMXConfigHeader& header, TRegReadAMXConfigCommand& command,
                       ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint32_t& done,
                       std::uint32_t& total, const TRegProgressEvent& progress, TStream& stream);
bool ReadMSConfigBlob(const TRegMSConfigHeader& header, TRegReadMSConfigCommand& command,
                      ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::uint32_t& done,
                      std::uint32_t& total, const TRegProgressEvent& progress, TStream& stream);

}  // namespace Registrator
