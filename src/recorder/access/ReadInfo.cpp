// The full information read: the device and general information records, then every
// channel information record in numbered blocks, then the list builder. The blocks sit
// at fixed record numbers; a channel count from the device that would run a block past
// the last record number or into the next block is refused before anything of the
// block is asked for, since a record number is one byte and the neighbouring records
// would otherwise be read as channels of the wrong kind.

#include <algorithm>

#include "platform/Format.h"
#include "platform/LoadStr.h"
#include "recorder/access/RecordTransfers.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/access/ReadSteps.h"
#include "recorder/access/RegErrors.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

namespace Registrator {
namespace {

// Captions of the channel blocks, put in front of whatever failed inside one.
constexpr int kTextBlockSignals = 1415;  // "Инфо/АВ т|\n"
constexpr int kTextBlockAI = 1416;       // "Инфо/АВ\n"
constexpr int kTextBlockDI = 1417;       // "Инфо/ДВ\n"
constexpr int kTextBlockRelays = 1418;   // "Инфо/Р\n"

// Record numbers of the blocks. The first-line firmware keeps its discrete inputs and
// relays lower; the discrete inputs beyond 32 and the signal types sit at the top.
constexpr std::uint32_t kBaseAI = 0x10;
constexpr std::uint32_t kBaseDIFirstLine = 0x30;
constexpr std::uint32_t kBaseRelaysFirstLine = 0x50;
constexpr std::uint32_t kBaseDI = 0x50;
constexpr std::uint32_t kBaseRelays = 0x70;
constexpr std::uint32_t kBaseDISecondRun = 0xB0;
constexpr std::uint32_t kBaseSignals = 0xD0;
constexpr std::uint32_t kRecordNumberEnd = 0x100;

constexpr std::uint32_t kDIPerRun = 32;
constexpr std::uint32_t kMaxDI = 64;

constexpr std::uint32_t kFirstLineVersion = MakeVersion(1, 3, 0);
constexpr std::uint32_t kSignalRecordsFrom = MakeVersion(1, 10, 0);

unsigned Bit(std::uint32_t word, unsigned bit) { return (word >> bit) & 1u; }

// The steps this read and the configuration read after it will report, by firmware.
std::uint32_t ProgressTotalOf(const TRegInfo& info, const std::string& source)
{
  const std::uint32_t sw = info.SwVersion;
  const std::uint32_t f = info.Features;
  const auto ais = static_cast<std::uint32_t>(info.AISignalSupport.size());
  const auto ai = static_cast<std::uint32_t>(info.AIChannels.size());
  const auto di = static_cast<std::uint32_t>(info.DIChannels.size());
  const std::uint32_t relays = info.HasDOInfoRecords() ? info.DOCount + info.ExtDOCount : 0;
  const std::uint32_t common = info.PageCount + info.SMCount + info.CTCount;

  if (sw < MakeVersion(1, 6, 0)) return 2 * ai + 2 * di + info.DOCount + common + 4;
  if (sw < MakeVersion(1, 8, 0)) return 2 * ai + 2 * di + info.DOCount + common + info.TMRCount + 5;
  if (sw < MakeVersion(1, 9, 0)) throw EMBUnsupportedVersion(source, sw);
  if (sw < MakeVersion(1, 10, 0))
    return 2 * ai + 2 * di + info.DOCount + common + info.TTLCount + info.TMRCount + Bit(f, 10) + 5;
  if (sw < kSecondLineFrom)
    return relays + ais + 2 * ai + 2 * di + info.DOCount + common + info.TTLCount + info.TMRCount + Bit(f, 10) + 5;
  if (sw < MakeVersion(2, 1, 0)) return relays + 2 * ai + di + common + info.TMRCount + 7;
  if (sw <= kSecondLineUpTo || IsInBranch(sw)) {
    return relays + ais + 2 * ai + 2 * di + info.DOCount + info.ExtDOCount + info.AOCount + info.ExtAOCount +
           info.IPCount + info.PageCount + Bit(f, 8) + info.SMCount + info.CTCount + info.TTLCount + info.TMRCount +
           info.CtlCount + Bit(f, 10) + (Bit(f, 24) | Bit(f, 27)) + Bit(f, 15) + Bit(f, 19) + Bit(f, 14) +
           (Bit(f, 13) ? info.TagFieldCount : 0) + 5;
  }
  throw EMBUnsupportedNewVersion(source, sw, kSecondLineUpTo);
}


}  // namespace

bool TRegConfigOp::ReadInfo(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, const TRegProgressEvent& progress,
                            TRegInfo* info)
{
  if (!info) return false;
  // A read that fails half way must not leave the lists of an earlier read looking
  // complete.
  info->InfoIncomplete = true;
  auto step = [this, &progress] { return ProgressStep(progress, ProgressDone, ProgressTotal); };

  ReadDeviceInfo(transport, unit, info);
  if (!step()) return false;

  const std::string source = transport.Description(unit);
  if (IdSwVersion < kFirstLineVersion) throw EMBUnsupportedOldVersion(source, IdSwVersion, kFirstLineVersion);
  if (IdSwVersion > kFirstLineUpTo && IdSwVersion < kSecondLineFrom)
    throw EMBUnsupportedNewVersion(source, IdSwVersion, kFirstLineUpTo);
  if (IdSwVersion >= kSecondLineFrom && !IsSecondLine(IdSwVersion) && !IsInBranch(IdSwVersion))
    throw EMBUnsupportedNewVersion(source, IdSwVersion, kSecondLineUpTo);
  if (!step()) return false;

  ReadGeneralInfo(transport, unit, *info);
  ProgressTotal = ProgressTotalOf(*info, source);
  if (!step()) return false;

  const std::uint32_t sw = info->SwVersion;
  const bool secondLine = sw >= kSecondLineFrom;
  const std::uint32_t baseDI = secondLine ? kBaseDI : kBaseDIFirstLine;
  const std::uint32_t baseRelays = secondLine ? kBaseRelays : kBaseRelaysFirstLine;
  const bool signalRecords = sw >= kSignalRecordsFrom;
  const auto ais = static_cast<std::uint32_t>(info->AISignalSupport.size());
  const auto ai = static_cast<std::uint32_t>(info->AIChannels.size());
  const auto di = static_cast<std::uint32_t>(info->DIChannels.size());
  const std::uint32_t relays = info->DOCount + info->ExtDOCount;
  auto records = [&](std::uint32_t base, std::uint32_t offset, std::uint32_t size, std::uint32_t count,
                     TRegInfo::StoreMember store) {
    return ReadInfoRecords(transport, unit, base, offset, size, count, ProgressDone, ProgressTotal, progress, nullptr,
                           info->StoreEvent(store));
  };

  if (signalRecords && !Guarded(kTextBlockSignals, [&] {
        CheckBlockFits(kBaseSignals, ais, kRecordNumberEnd, "AI signal");
        return records(kBaseSignals, 0, TRegInfo::TRegAIChannelSignalSupportInfo::RecordSize(sw), ais,
                       &TRegInfo::StoreAISignalSupportRecord);
      }))
    return false;

  if (!Guarded(kTextBlockAI, [&] {
        CheckBlockFits(kBaseAI, ai, baseDI, "AI channel");
        return records(kBaseAI, 0, TRegInfo::TRegAIChannelInfo::RecordSize(info->VersionPair()), ai,
                       &TRegInfo::StoreAIChannelRecord);
      }))
    return false;

  if (!Guarded(kTextBlockDI, [&] {
        const std::uint32_t size = TRegInfo::TRegDIChannelInfo::RecordSize(sw);
        if (!records(baseDI, 0, size, std::min(di, kDIPerRun), &TRegInfo::StoreDIChannelRecord)) return false;
        if (di <= kDIPerRun) return true;
        if (di > kMaxDI) throw Exception(Format("Unsupported DI channel count (%d)", di));
        return records(kBaseDISecondRun, kDIPerRun, size, di - kDIPerRun, &TRegInfo::StoreDIChannelRecord);
      }))
    return false;

  if (!Guarded(kTextBlockRelays, [&] {
        std::uint32_t limit = signalRecords ? kBaseSignals : kRecordNumberEnd;
        if (di > kDIPerRun) limit = kBaseDISecondRun;
        CheckBlockFits(baseRelays, relays, limit, "relay");
        const std::uint32_t size = TRegInfo::TRegDOChannelInfo::RecordSize(sw);
        if (info->HasDOInfoRecords()) return records(baseRelays, 0, size, relays, &TRegInfo::StoreDOChannelRecord);
        // Firmware said to lack the relay records may still have them; a recorder that
        // lacks them refuses the first request, and the relays take their defaults (not
        // what an earlier read into this model found).
        bool absent = false;
        if (!ReadInfoRecordsIfPresent(transport, unit, baseRelays, 0, size, relays, ProgressDone, ProgressTotal,
                                      progress, nullptr, info->StoreEvent(&TRegInfo::StoreDOChannelRecord), absent))
          return false;
        if (absent) std::fill(info->DOChannels.begin(), info->DOChannels.end(), TRegInfo::TRegDOChannelInfo());
        return true;
      }))
    return false;

  info->BuildLists();
  return true;
}

}  // namespace Registrator
