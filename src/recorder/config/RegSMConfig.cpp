// The totalizer record, 64 bytes:
//   first line   0-3 SmByte0-3, 4 SmWord, 8 ShortText, 16 Name (32-byte field),
//                48 and 56 the events: value, two setting bytes, two one-byte codes
//   second line  the same up to 16, 16 Name (24-byte field), 40 and 52 the 12-byte events

#include "recorder/config/RegSMConfig.h"

#include "platform/Format.h"
#include "recorder/config/EventItemCodes.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class SMForm : std::uint8_t { FirstLine, SecondLine };

// Readers take the records up to 2.1.160, the 2.2 branch not at all.
constexpr VersionBand<SMForm> kSMReadBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), kSecondLineFrom - 1, SMForm::FirstLine, LengthAtLeast(64, 10145)),
    Served(kSecondLineFrom, kSecondLineUpTo, SMForm::SecondLine, LengthAtLeast(64, 10168)),
    RefusedAsNew(kSecondLineUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo).Sized(64),
};

// Written only where the TTL block has no record: 1.5-1.8 and 2.0-2.1.24.
constexpr VersionBand<SMForm> kSMWriteBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 8, 255, 255), SMForm::FirstLine, LengthAtLeast(64, 10145)),
    RefusedAsNew(MakeVersion(1, 9, 0), kSecondLineFrom - 1, kFirstLineUpTo).Sized(64),
    Served(kSecondLineFrom, MakeVersion(2, 1, 24, 255), SMForm::SecondLine, LengthAtLeast(64, 10168)),
    RefusedAsNew(MakeVersion(2, 1, 25), 0xFFFFFFFF, kSecondLineUpTo).Sized(64),
};

template <class IO, class SM>
void TransferSMHead(IO& io, SM& sm)
{
  io.u8(0, sm.SmByte0);
  io.u8(1, sm.SmByte1);
  io.u8(2, sm.SmByte2);
  io.u8(3, sm.SmByte3);
  io.u32(4, sm.SmWord);
  io.text(8, 8, sm.ShortText);
}

template <class IO, class SM>
void TransferSMFirstLine(IO& io, SM& sm, std::uint32_t owner)
{
  TransferSMHead(io, sm);
  io.text(16, 32, sm.Name);
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t at = 48 + 8 * i;
    auto& event = sm.Events[i];
    io.u32(at, event.Value);
    io.u8(at + 4, event.Setting);
    io.u8(at + 5, event.Setting2);
    TransferCode8(io, at + 6, event.Codes[0], owner);
    TransferCode8(io, at + 7, event.Codes[1], owner);
  }
}

template <class IO, class SM>
void TransferSMSecondLine(IO& io, SM& sm)
{
  TransferSMHead(io, sm);
  io.text(16, 24, sm.Name);
  TransferSumEvent(io, 40, sm.Events[0]);
  TransferSumEvent(io, 52, sm.Events[1]);
}

}  // namespace

void TRegSMConfig::SetDefaults()
{
  SmByte0 = SmByte1 = SmByte2 = 0;
  SmByte3 = 1;
  SmWord = 0;
  ShortText.clear();
  Name.clear();
  Events = {};
}

std::uint32_t TRegSMConfig::RecordSize(std::uint32_t version) { return RecordSizeOf<kSMWriteBands>(version); }

void TRegSMConfig::ReadRecord(std::span<const std::uint8_t> record)
{
  const std::uint32_t version = OwnerInfo(Owner, "TRegSMConfig").SwVersion;
  const auto& band = BandForReading<kSMReadBands>(version, record.size());
  RecordReading io(record, version);
  if (band.form == SMForm::FirstLine) TransferSMFirstLine(io, *this, version);
  else TransferSMSecondLine(io, *this);
}

std::size_t TRegSMConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kSMWriteBands>(targetVersion);
  const std::uint32_t owner = OwnerInfo(Owner, "TRegSMConfig").SwVersion;
  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) {
    if (band.form == SMForm::FirstLine) TransferSMFirstLine(io, *this, owner);
    else TransferSMSecondLine(io, *this);
  });
}

void RefuseUnwritableTotalizersAndCounters(const TRegInfo& info)
{
  if (!IsSw2_1_25To2_1_156(info.SwVersion) || (info.SMCount == 0 && info.CTCount == 0)) return;
  throw EVantorVersion(info.SwVersion,
                       Format("Сумматоры и счётчики регистратора (СМ: %u, СЧ: %u) для версии ПО %u.%u.%u "
                              "не поддерживаются: резервную копию конфигурации сохранить нельзя.",
                              info.SMCount, info.CTCount, VersionByte(info.SwVersion, 0),
                              VersionByte(info.SwVersion, 1), VersionByte(info.SwVersion, 2)));
}
