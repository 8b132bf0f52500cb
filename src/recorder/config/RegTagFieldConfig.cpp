// The tag field record, 248 bytes: 0 Type, 1-3 zero, 4 ShortArea (24 bytes), 28
// LongArea (220 bytes).

#include "recorder/config/RegTagFieldConfig.h"

#include "recorder/config/FieldConventions.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class TagForm : std::uint8_t { None, F248 };

constexpr VersionBand<TagForm> kTagReadBands[] = {
    RefusedAsOld(0, MakeVersion(2, 1, 52, 255)),
    Served(MakeVersion(2, 1, 53), kSecondLineUpTo, TagForm::F248, LengthAtLeast(248, 12116)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, TagForm::F248, LengthAtLeast(248, 12116)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

// Unlike the other blocks, RecordSize refuses below 1.5 rather than say 0.
constexpr VersionBand<TagForm> kTagWriteBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), MakeVersion(2, 1, 52, 255), TagForm::None, LengthExactly(0, 12116)),
    Served(MakeVersion(2, 1, 53), kSecondLineUpTo, TagForm::F248, LengthAtLeast(248, 12116)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo).Sized(248),
    Served(kBranchFrom, kBranchUpTo, TagForm::F248, LengthAtLeast(248, 12116)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo).Sized(248),
};

template <class IO, class Tag>
void TransferTag(IO& io, Tag& tag)
{
  io.u8(0, tag.Type);
  io.raw(4, tag.ShortArea);
  io.raw(28, tag.LongArea);
}

}  // namespace

void TRegTagFieldConfig::SetDefaults()
{
  Type = 0;
  ShortArea.fill(0);
  LongArea.fill(0);
}

std::uint32_t TRegTagFieldConfig::RecordSize(std::uint32_t version)
{
  const auto& band = BandOf<kTagWriteBands>(version);
  if (band.outcome == BandOutcome::TooOld) band.RefuseUnlessServed(version);
  return band.size;
}

void TRegTagFieldConfig::ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record)
{
  BandForReading<kTagReadBands>(version, record.size());
  // A signed comparison: bytes 0x80-0xFF pass.
  if (SignedByteAbove(record[0], 3)) throw EVantorInvalid(12120);
  RecordReading io(record, version);
  TransferTag(io, *this);
}

std::size_t TRegTagFieldConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kTagWriteBands>(targetVersion);
  if (band.form == TagForm::None) return 0;
  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) { TransferTag(io, *this); });
}
