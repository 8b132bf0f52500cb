// The configuration read: the general record, every channel and function block as
// numbered records, the single records, and the stream blocks as record files or, on
// older firmware, as chunked blobs, each handed to the configuration's store entry
// points. Which blocks exist and where they sit follows the firmware version and the
// feature bits of the information the full information read left in the
// configuration.
//
// The record runs are laid out before anything is asked: a record number is one byte,
// and a count from the device that would carry a run past record 0xFF would wrap to
// the records of other blocks (the general record read as an IP channel, say), and one
// that carries a run into the records another block of this read asks for by the same
// function (more than 64 analog outputs by 0x6B reach the relays' 0x80) reads that
// block's records as its own. Either way the backup would hold another block's
// settings under this block's name. Such a device, and one whose firmware keeps
// totalizers or counters in a form no backup can hold, is refused before the first
// request.

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/LoadStr.h"
#include "platform/Stream.h"
#include "recorder/access/RecordTransfers.h"
#include "recorder/access/RegCommands.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/access/ReadSteps.h"
#include "recorder/access/RegErrors.h"
#include "recorder/config/RegConfig.h"
#include "recorder/config/RegSMConfig.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

namespace Registrator {
namespace {

// Captions of the steps, put in front of whatever failed inside one.
constexpr int kTextPages = 1419;       // "Конфигурация "Страница ":\n"
constexpr int kTextTablo = 1420;       // "Конфигурация "Страница "Табло":\n"
constexpr int kTextSchedule = 1421;    // "Конфигурация "Расписание":\n"
constexpr int kTextCP = 1422;          // "Конфигурация "Табло":\n"
constexpr int kTextTagFields = 1423;   // "Конфигурация "Метки":\n"
constexpr int kTextMS = 1424;          // "Конфигурация "Мнемосхемы":\n"
constexpr int kTextAMX = 1425;         // "Конфигурация "Программа":\n"
constexpr int kTextUserTables = 1426;  // "Конфигурация "Таблицы":\n"
constexpr int kTextBoards = 1427;      // "Конфигурация "Табло":\n"

// Feature bits of the blocks that are there only when the device says so.
constexpr unsigned kBitSchedule = 0;
constexpr unsigned kBitTablo = 8;
constexpr unsigned kBitCP = 10;
constexpr unsigned kBitTagFields = 13;
constexpr unsigned kBitMS = 14;
constexpr unsigned kBitAMX = 15;
constexpr unsigned kBitUserTables = 19;
constexpr unsigned kBitBoardsV1 = 24;
constexpr unsigned kBitBoardsV2 = 27;

// The single configuration records.
constexpr std::uint8_t kRecordGeneral = 0;
constexpr std::uint8_t kRecordBoardsV1 = 6;
constexpr std::uint8_t kRecordCP = 7;
constexpr std::uint8_t kRecordSchedule = 10;
constexpr std::uint8_t kRecordTablo = 127;

// Record files of the stream blocks.
constexpr std::uint8_t kFileMS = 1;
constexpr std::uint8_t kFileUserTables = 2;
constexpr std::uint8_t kFileAMX = 3;
constexpr std::uint8_t kFileBoardsV2 = 4;

// Up to this many items a block travels in 0x65 frames; a larger block has its records
// elsewhere, asked for by 0x6B.
constexpr std::uint32_t kShortBlockItems = 32;
constexpr std::uint32_t kRecordNumberEnd = 0x100;

constexpr std::uint32_t kScheduleFrom = MakeVersion(1, 6, 1);
// The summary board's record exists from 2.1 on (the 2.2 branch has it as well); a
// 2.0 device that sets its feature bit has none.
constexpr std::uint32_t kTabloFrom = MakeVersion(2, 1, 0);

bool Bit(std::uint32_t features, unsigned bit) { return (features >> bit & 1u) != 0; }

// One run of numbered records of a block.
struct RecordRun {
  const char* what;  // the block's items, for the refusal of a count that does not fit
  std::uint8_t function;
  std::uint32_t base;
  std::uint32_t recordSize;  // 0: one record per request
  std::uint32_t count;
  const TStringList* names;  // captions of the records; none: by number
  TRegConfig::StoreMember store;
};

struct ReadPlan {
  std::vector<RecordRun> channels;  // AI, AO, DI, DO, IP
  RecordRun pages;
  std::vector<RecordRun> functions;  // totalizers, counters, TTL, timers, regulators
  std::optional<RecordRun> tagFields;
  std::vector<std::uint8_t> singles;  // the single records asked for by 0x65

  bool Reads(std::uint8_t record) const { return std::find(singles.begin(), singles.end(), record) != singles.end(); }
};

// Base record numbers of the blocks that moved when the second line began.
struct Bases {
  std::uint32_t ai = 0x10, di, pages = 0x70, sm = 0x90, ct, tmr, tagFields, ctl;
};

Bases BasesOf(std::uint32_t sw)
{
  if (sw < kSecondLineFrom) return {.di = 0x30, .ct = 0xA0, .tmr = 0xB0, .tagFields = 0x00, .ctl = 0x00};
  return {.di = 0x50, .ct = 0x94, .tmr = 0x98, .tagFields = 0xB0, .ctl = 0x80};
}

// A block of more than 32 items: 0x6B from `longBase`; otherwise 0x65 from `base`.
RecordRun ChannelRun(const char* what, std::uint32_t count, std::uint32_t base, std::uint32_t longBase,
                     std::uint32_t recordSize, const TStringList& names, TRegConfig::StoreMember store)
{
  if (count > kShortBlockItems) return {what, kFunctionReadConfigLong, longBase, recordSize, count, &names, store};
  return {what, kFunctionReadConfig, base, recordSize, count, &names, store};
}

RecordRun ConfigRun(const char* what, std::uint32_t base, std::uint32_t recordSize, std::uint32_t count,
                    const TStringList* names, TRegConfig::StoreMember store)
{
  return {what, kFunctionReadConfig, base, recordSize, count, names, store};
}

ReadPlan PlanOf(const TRegInfo& info)
{
  const std::uint32_t sw = info.SwVersion;
  const Bases b = BasesOf(sw);
  ReadPlan plan;
  // Pages, AI and DI records have no size the read relies on: one per request.
  plan.channels.push_back(ChannelRun("AI channel", static_cast<std::uint32_t>(info.AIChannels.size()), b.ai, 0x00, 0,
                                     info.AINames, &TRegConfig::ReadAIRecord));
  plan.channels.push_back(ChannelRun("AO channel", info.AOCount + info.ExtAOCount, 0xC0, 0x40, 0, info.AONames,
                                     &TRegConfig::ReadAORecord));
  plan.channels.push_back(ChannelRun("DI channel", static_cast<std::uint32_t>(info.DIChannels.size()), b.di, 0xC0, 0,
                                     info.DINames, &TRegConfig::ReadDIRecord));
  // The relays have configuration records in the same firmware as their information
  // records; the 2.2 branch has none to read.
  if (HasDOInfoRecords(sw)) {
    const std::uint32_t relays = info.DOCount + info.ExtDOCount;
    const std::uint32_t size = TRegConfig::TRegDOConfig::RecordSize(sw);
    if (sw < kSecondLineFrom)
      plan.channels.push_back(ConfigRun("DO channel", 0x50, size, relays, &info.DONames, &TRegConfig::ReadDORecord));
    else
      plan.channels.push_back(
          ChannelRun("DO channel", relays, 0x30, 0x80, size, info.DONames, &TRegConfig::ReadDORecord));
  }
  plan.channels.push_back(ConfigRun("IP channel", 0xE0, TRegConfig::TRegIPConfig::RecordSize(sw), info.IPCount,
                                    &info.IPNames, &TRegConfig::ReadIPRecord));
  plan.pages = ConfigRun("display page", b.pages, 0, info.PageCount, nullptr, &TRegConfig::ReadDisplayPageRecord);

  plan.functions = {
      ConfigRun("totalizer", b.sm, TRegConfig::TRegSMConfig::RecordSize(sw), info.SMCount, &info.SMNames,
                &TRegConfig::ReadSMRecord),
      ConfigRun("counter", b.ct, TRegConfig::TRegCTConfig::RecordSize(sw), info.CTCount, &info.CTNames,
                &TRegConfig::ReadCTRecord),
      ConfigRun("TTL channel", 0xA0, TRegConfig::TRegTTLConfig::RecordSize(sw), info.TTLCount, &info.TTLNames,
                &TRegConfig::ReadTTLRecord),
      ConfigRun("timer", b.tmr, TRegConfig::TRegTMRConfig::RecordSize(sw), info.TMRCount, &info.TMRNames,
                &TRegConfig::ReadTMRRecord),
      ConfigRun("regulator", b.ctl, TRegConfig::TRegCtlConfig::RecordSize(sw), info.CtlCount, &info.CtlNames,
                &TRegConfig::ReadCtlRecord),
  };
  if (Bit(info.Features, kBitTagFields))
    plan.tagFields = ConfigRun("tag field", b.tagFields, TRegConfig::TRegTagFieldConfig::RecordSize(sw),
                               info.TagFieldCount, nullptr, &TRegConfig::ReadTagFieldRecord);

  plan.singles.push_back(kRecordGeneral);
  if (Bit(info.Features, kBitTablo) && sw >= kTabloFrom) plan.singles.push_back(kRecordTablo);
  if (Bit(info.Features, kBitSchedule) && sw >= kScheduleFrom) plan.singles.push_back(kRecordSchedule);
  if (Bit(info.Features, kBitCP)) plan.singles.push_back(kRecordCP);
  if (Bit(info.Features, kBitBoardsV1)) plan.singles.push_back(kRecordBoardsV1);
  return plan;
}

// Where the records of one block of the read begin, and the function that asks for them.
struct BlockStart {
  std::uint8_t function;
  std::uint32_t first;
};

// Every block the read asks anything of: the runs of at least one record, and the single
// records.
std::vector<BlockStart> StartsOf(const ReadPlan& plan)
{
  std::vector<BlockStart> starts;
  auto add = [&](const RecordRun& run) {
    if (run.count) starts.push_back({run.function, run.base});
  };
  for (const RecordRun& run : plan.channels) add(run);
  add(plan.pages);
  for (const RecordRun& run : plan.functions) add(run);
  if (plan.tagFields) add(*plan.tagFields);
  for (std::uint8_t record : plan.singles) starts.push_back({kFunctionReadConfig, record});
  return starts;
}

// A run ends below the first record of the next block this read asks for by the same
// function, or below the end of the record numbers. Blocks whose runs begin at the
// same record (the first line's counters and TTL channels at 0xA0) share it by design
// and bound each other no further.
void CheckFits(const RecordRun& run, const std::vector<BlockStart>& starts)
{
  std::uint32_t limit = kRecordNumberEnd;
  for (const BlockStart& other : starts)
    if (other.function == run.function && other.first > run.base) limit = std::min(limit, other.first);
  CheckBlockFits(run.base, run.count, limit, run.what);
}

// Everything the device reported that this read cannot take is refused here, before
// the first request.
void CheckPlan(const ReadPlan& plan, const TRegInfo& info)
{
  const std::vector<BlockStart> starts = StartsOf(plan);
  for (const RecordRun& run : plan.channels) CheckFits(run, starts);
  CheckFits(plan.pages, starts);
  for (const RecordRun& run : plan.functions) CheckFits(run, starts);
  if (plan.tagFields) CheckFits(*plan.tagFields, starts);

  RefuseUnwritableTotalizersAndCounters(info);
}

TRegCaptions Captions(const TStringList* names)
{
  TRegCaptions captions;
  if (names)
    for (const auto& item : names->Items()) captions.push_back(item.Text);
  return captions;
}

}  // namespace

bool TRegConfigOp::ReadConfig(ModbusMaster::CBaseModbus& transport, std::uint8_t unit,
                              const TRegProgressEvent& progress, TRegConfig& config)
{
  TRegInfo& info = config.RegInfo;
  const std::uint32_t sw = info.SwVersion;
  const std::uint32_t features = info.Features;
  const ReadPlan plan = PlanOf(info);
  CheckPlan(plan, info);

  auto step = [this, &progress] { return ProgressStep(progress, ProgressDone, ProgressTotal); };
  auto records = [&](const RecordRun& run) {
    const TRegCaptions captions = Captions(run.names);
    return ReadConfigRecords(transport, unit, run.function, run.base, 0, run.recordSize, run.count, ProgressDone,
                             ProgressTotal, progress, run.names ? &captions : nullptr, config.StoreEvent(run.store));
  };
  // One single record: read, a progress step, then stored. False on cancel.
  auto single = [&](std::uint8_t record, auto&& store) {
    TMBRegReadConfigCommand command(record);
    transport.Execute(unit, command);
    if (!step()) return false;
    const auto& data = command.Results.at(0).Data;
    store(data.data(), static_cast<std::uint32_t>(data.size()));
    return true;
  };
  auto singleStream = [&](std::uint8_t record, int (TRegConfig::*store)(TStream&)) {
    return single(record, [&](const std::uint8_t* data, std::uint32_t length) {
      TMemoryStream stream;
      if (length) stream.WriteBuffer(data, length);
      stream.SetPosition(0);
      (config.*store)(stream);
    });
  };
  auto file = [&](std::uint8_t number, int (TRegConfig::*store)(TStream&)) {
    TMemoryStream stream;
    if (!ReadRecordFile(number, transport, unit, ProgressDone, ProgressTotal, progress, stream)) return false;
    stream.SetPosition(0);
    (config.*store)(stream);
    return true;
  };
  // A blob's first chunk carries its header: absent, present with a size, or of a
  // kind this program does not know.
  auto blob = [&](auto& command, const char* tag, auto&& fits, auto&& readRest, int (TRegConfig::*store)(TStream&)) {
    TMemoryStream stream;
    transport.Execute(unit, command);
    if (command.ChunkCount() < TRegConfigBlobHeader::kSize) throw EMBInternalError(transport.Description(unit), tag);
    const auto header = command.Header();
    if (header.Presence > 1 || (header.Presence == 1 && !fits(header)))
      throw EMBUnsupportedVersion(transport.Description(unit), IdSwVersion);
    if (header.Presence == 1 && !readRest(header, command, stream)) return false;
    stream.SetPosition(0);
    (config.*store)(stream);
    return true;
  };

  config.ResizeToInfo();

  if (!single(kRecordGeneral, [&](const std::uint8_t* data, std::uint32_t length) {
        config.ReadGeneralRecord(data, length);
      }))
    return false;

  for (const RecordRun& run : plan.channels)
    if (!records(run)) return false;
  if (!Guarded(kTextPages, [&] { return records(plan.pages); })) return false;

  if (plan.Reads(kRecordTablo) &&
      !Guarded(kTextTablo, [&] {
        return single(kRecordTablo, [&](const std::uint8_t* data, std::uint32_t length) {
          config.ReadTabloRecord(data, length);
        });
      }))
    return false;

  for (const RecordRun& run : plan.functions)
    if (!records(run)) return false;

  if (plan.Reads(kRecordSchedule) &&
      !Guarded(kTextSchedule, [&] { return singleStream(kRecordSchedule, &TRegConfig::ReadScheduleStream); }))
    return false;

  if (plan.Reads(kRecordCP) && !Guarded(kTextCP, [&] {
        return single(kRecordCP,
                      [&](const std::uint8_t* data, std::uint32_t length) { config.ReadCPRecord(data, length); });
      }))
    return false;

  if (plan.Reads(kRecordBoardsV1) && !Guarded(kTextBoards, [&] {
        return single(kRecordBoardsV1,
                      [&](const std::uint8_t* data, std::uint32_t length) { config.ReadTIM2v1Record(data, length); });
      }))
    return false;

  if (Bit(features, kBitBoardsV2) &&
      !Guarded(kTextBoards, [&] { return file(kFileBoardsV2, &TRegConfig::ReadTIM2v2Stream); }))
    return false;

  if (plan.tagFields && !Guarded(kTextTagFields, [&] { return records(*plan.tagFields); })) return false;

  // The AMX program and the mnemonic scheme came as blobs before the record files; the
  // 2.2 branch keeps the blobs.
  const bool blobs = IsFirmwareBelow(sw, MakeVersion(2, 1, 127));
  if (Bit(features, kBitAMX) && !Guarded(kTextAMX, [&] {
        if (!blobs) return file(kFileAMX, &TRegConfig::ReadAMXStream);
        TRegReadAMXConfigCommand command(IsFirmwareFromBranchIncluded(sw, MakeVersion(2, 1, 110))
                                             ? kFunctionReadAMXConfig
                                             : kFunctionReadAMXConfigOld);
        return blob(
            command, TRegAMXConfigHeader::kTag, [](const TRegAMXConfigHeader& header) { return header.Fits(); },
            [&](const TRegAMXConfigHeader& header, TRegReadAMXConfigCommand& c, TStream& stream) {
              return ReadAMXConfigBlob(header, c, transport, unit, ProgressDone, ProgressTotal, progress, stream);
            },
            &TRegConfig::ReadAMXStream);
      }))
    return false;

  if (Bit(features, kBitUserTables) &&
      !Guarded(kTextUserTables, [&] { return file(kFileUserTables, &TRegConfig::ReadUserTablesStream); }))
    return false;

  if (Bit(features, kBitMS) && !Guarded(kTextMS, [&] {
        if (!blobs) return file(kFileMS, &TRegConfig::ReadMSStream);
        TRegReadMSConfigCommand command;
        return blob(
            command, TRegMSConfigHeader::kTag, [](const TRegMSConfigHeader&) { return true; },
            [&](const TRegMSConfigHeader& header, TRegReadMSConfigCommand& c, TStream& stream) {
              return ReadMSConfigBlob(header, c, transport, unit, ProgressDone, ProgressTotal, progress, stream);
            },
            &TRegConfig::ReadMSStream);
      }))
    return false;

  return true;
}

}  // namespace Registrator
