#include "recorder/config/RegIPConfig.h"

#include "recorder/config/EventItemCodes.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class IPForm : std::uint8_t { Event8 };

// The codes are 16-bit in every version: the first line's one-byte forms never occur.
constexpr VersionBand<IPForm> kIPReadBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)).Sized(8),
    Served(MakeVersion(1, 5, 0), kSecondLineUpTo, IPForm::Event8, LengthAtLeast(8, 8315)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo).Sized(8),
    Served(kBranchFrom, kBranchUpTo, IPForm::Event8, LengthAtLeast(8, 8315)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo).Sized(8),
};
// The writer checks no version.
constexpr VersionBand<IPForm> kIPWriteBands[] = {
    Served(0, 0xFFFFFFFF, IPForm::Event8, LengthAtLeast(8, 8315)),
};

template <class IO, class E>
void TransferIPEvent(IO& io, E& event)
{
  io.u8(0, event.Header);
  io.u8(1, event.Params[0]);
  io.u8(2, event.Params[1]);
  io.u16(3, event.Codes[0]);
  io.u16(5, event.Codes[1]);
  io.u8(7, event.Spare);
}

}  // namespace

std::uint32_t TRegIPConfig::RecordSize(std::uint32_t version) { return RecordSizeOf<kIPWriteBands>(version); }

void TRegIPConfig::ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record)
{
  BandForReading<kIPReadBands>(version, record.size());
  RecordReading io(record, version);
  TransferIPEvent(io, Event);
}

std::size_t TRegIPConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kIPWriteBands>(targetVersion);
  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) {
    TransferIPEvent(io, Event);
    if (IsSwAbove2_1_80_0(targetVersion)) ConvertWrittenEventCodes(io, 0, 3, 5);
  });
}
