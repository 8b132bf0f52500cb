// The counter record:
//   first line (64)   0 CtByte0, 4 CtValue (i32), 8 ShortText, 16 Name (32-byte field),
//                     48 and 56 the events: value (i32), setting byte, two one-byte codes
//   second line (68)  0 CtByte0, 1 CtByte1, 4 CtValue, 8 CtFactor (singles), 12 ShortText,
//                     20 Name (24-byte field), 44 and 56 the 12-byte events

#include "recorder/config/RegCTConfig.h"

#include <cstdint>
#include <limits>

#include "recorder/config/EventItemCodes.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class CTForm : std::uint8_t { FirstLine, SecondLine };

constexpr VersionBand<CTForm> kCTReadBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), kSecondLineFrom - 1, CTForm::FirstLine, LengthAtLeast(64, 10364)),
    Served(kSecondLineFrom, kSecondLineUpTo, CTForm::SecondLine, LengthEither(68, 64, 10440)),
    RefusedAsNew(kSecondLineUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo).Sized(68),
};

constexpr VersionBand<CTForm> kCTWriteBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 8, 255, 255), CTForm::FirstLine, LengthAtLeast(64, 10364)),
    RefusedAsNew(MakeVersion(1, 9, 0), kSecondLineFrom - 1, kFirstLineUpTo).Sized(64),
    Served(kSecondLineFrom, MakeVersion(2, 1, 24, 255), CTForm::SecondLine, LengthEither(68, 64, 10440)),
    RefusedAsNew(MakeVersion(2, 1, 25), 0xFFFFFFFF, kSecondLineUpTo).Sized(68),
};

// The first line keeps counter values as whole numbers. Toward zero, and saturating:
// a value beyond 32 bits or not a number at all must not become an arbitrary integer.
std::int32_t TruncatedToInt32(float value)
{
  const double x = value;
  if (!(x == x)) return 0;
  if (x >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (x <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(x);
}

template <class IO, class Value>
void TransferWholeValue(IO& io, std::size_t at, Value& value)
{
  if constexpr (IO::kReading) value = static_cast<float>(static_cast<double>(io.Bytes().i32(at)));
  else io.u32(at, static_cast<std::uint32_t>(TruncatedToInt32(value)));
}

template <class IO, class CT>
void TransferCTFirstLine(IO& io, CT& ct, std::uint32_t owner)
{
  io.u8(0, ct.CtByte0);
  TransferWholeValue(io, 4, ct.CtValue);
  io.text(8, 8, ct.ShortText);
  io.text(16, 32, ct.Name);
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t at = 48 + 8 * i;
    auto& event = ct.Events[i];
    TransferWholeValue(io, at, event.Value);
    io.u8(at + 4, event.Setting);
    TransferCode8(io, at + 5, event.Codes[0], owner);
    TransferCode8(io, at + 6, event.Codes[1], owner);
  }
}

template <class IO, class CT>
void TransferCTSecondLine(IO& io, CT& ct)
{
  io.u8(0, ct.CtByte0);
  io.u8(1, ct.CtByte1);
  io.f32(4, ct.CtValue);
  io.f32(8, ct.CtFactor);
  io.text(12, 8, ct.ShortText);
  io.text(20, 24, ct.Name);
  TransferSumEvent(io, 44, ct.Events[0]);
  TransferSumEvent(io, 56, ct.Events[1]);
}

}  // namespace

void TRegCTConfig::SetDefaults()
{
  CtByte0 = 0;
  CtByte1 = 1;
  CtValue = 0.0f;
  CtFactor = 1.0f;
  ShortText.clear();
  Name.clear();
  Events = {};
}

std::uint32_t TRegCTConfig::RecordSize(std::uint32_t version) { return RecordSizeOf<kCTWriteBands>(version); }

void TRegCTConfig::ReadRecord(std::span<const std::uint8_t> record)
{
  const std::uint32_t version = OwnerInfo(Owner, "TRegCTConfig").SwVersion;
  const auto& band = BandForReading<kCTReadBands>(version, record.size());
  RecordReading io(record, version);
  if (band.form == CTForm::FirstLine) {
    TransferCTFirstLine(io, *this, version);
    CtByte1 = 0;
    CtFactor = 1.0f;
    for (auto& event : Events) event.Setting2 = 0;
  } else if (record.size() == 64) {
    io.u8(0, CtByte0);
  } else {
    TransferCTSecondLine(io, *this);
  }
}

std::size_t TRegCTConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kCTWriteBands>(targetVersion);
  const std::uint32_t owner = OwnerInfo(Owner, "TRegCTConfig").SwVersion;
  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) {
    if (band.form == CTForm::FirstLine) TransferCTFirstLine(io, *this, owner);
    else TransferCTSecondLine(io, *this);
  });
}
