// The timer record:
//   44, first line   0 TmrByte, 4 TmrValue, 8 Name (32-byte field), 40 four one-byte codes
//   40, second line  0 TmrByte, 1 ActionA | ActionB << 2, 4 TmrValue, 8 Name (24-byte
//                    field), 32 four codes

#include "recorder/config/RegTMRConfig.h"

#include "recorder/config/EventItemCodes.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class TMRForm : std::uint8_t { None, FirstLine, SecondLine };

// Readers take the first line's form from 1.5, which has no record of its own. Its
// size is checked too, so that a short record is never read past its end.
constexpr unsigned kCheckFirstLineSize = 11287;
constexpr VersionBand<TMRForm> kTMRReadBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), kSecondLineFrom - 1, TMRForm::FirstLine, LengthAtLeast(44, kCheckFirstLineSize)),
    Served(kSecondLineFrom, kSecondLineUpTo, TMRForm::SecondLine, LengthAtLeast(40, 11309)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, TMRForm::SecondLine, LengthAtLeast(40, 11309)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr VersionBand<TMRForm> kTMRWriteBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 5, 255, 255), TMRForm::None, LengthExactly(0, kCheckFirstLineSize)),
    Served(MakeVersion(1, 6, 0), kFirstLineUpTo, TMRForm::FirstLine, LengthAtLeast(44, kCheckFirstLineSize)),
    RefusedAsNew(kFirstLineUpTo + 1, kSecondLineFrom - 1, kFirstLineUpTo),
    Served(kSecondLineFrom, kSecondLineUpTo, TMRForm::SecondLine, LengthAtLeast(40, 11309)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo).Sized(40),
    Served(kBranchFrom, kBranchUpTo, TMRForm::SecondLine, LengthAtLeast(40, 11309)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo).Sized(40),
};

template <class IO, class TMR>
void TransferTMRFirstLine(IO& io, TMR& tmr)
{
  io.u8(0, tmr.TmrByte);
  io.u32(4, tmr.TmrValue);
  io.text(8, 32, tmr.Name);
  for (std::size_t i = 0; i < 4; ++i) TransferCode8(io, 40 + i, tmr.Codes[i], io.Version());
}

template <class IO, class TMR>
void TransferTMRSecondLine(IO& io, TMR& tmr)
{
  io.u8(0, tmr.TmrByte);
  io.bits8(1, 0, 2, tmr.ActionA);
  io.bits8(1, 2, 2, tmr.ActionB);
  io.u32(4, tmr.TmrValue);
  io.text(8, 24, tmr.Name);
  for (std::size_t i = 0; i < 4; ++i) io.u16(32 + 2 * i, tmr.Codes[i]);
}

}  // namespace

void TRegTMRConfig::SetDefaults()
{
  TmrByte = 0;
  TmrValue = 0;
  Name.clear();
  ActionA = ActionB = 0;
  Codes = {};
}

std::uint32_t TRegTMRConfig::RecordSize(std::uint32_t version) { return RecordSizeOf<kTMRWriteBands>(version); }

void TRegTMRConfig::ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record)
{
  const auto& band = BandForReading<kTMRReadBands>(version, record.size());
  RecordReading io(record, version);
  if (band.form == TMRForm::FirstLine) {
    TransferTMRFirstLine(io, *this);
    ActionA = ActionB = 0;
  } else {
    TransferTMRSecondLine(io, *this);
  }
}

std::size_t TRegTMRConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kTMRWriteBands>(targetVersion);
  if (band.form == TMRForm::None) return 0;
  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) {
    if (band.form == TMRForm::FirstLine) {
      TransferTMRFirstLine(io, *this);
      return;
    }
    TransferTMRSecondLine(io, *this);
    if (!IsSwAbove2_1_80_0(targetVersion)) return;
    // The four codes share the fields of byte 1, each seeing what the one before set.
    std::uint32_t fieldA = ActionA & 3;
    std::uint32_t fieldB = ActionB & 3;
    for (std::size_t i = 0; i < 4; ++i) {
      std::uint16_t code = Codes[i];
      ConvertEventJobCodeAbove2_1_80(code, fieldA, fieldB);
      io.Bytes().u16(32 + 2 * i, code);
    }
    io.Bytes().u8(1, static_cast<std::uint8_t>((fieldB & 3) << 2 | (fieldA & 3)));
  });
}
