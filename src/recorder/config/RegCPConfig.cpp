// The CP record: four header bytes, then items packed one after another, each as long
// as its text, within 246 bytes.

#include "recorder/config/RegCPConfig.h"

#include <algorithm>

#include "platform/Exception.h"
#include "platform/LoadStr.h"
#include "recorder/config/FieldConventions.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class CPForm : std::uint8_t { None, Record };

constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kItemOverhead = 5;  // three codes, the length byte, the closing zero

// 1.5 reads nothing and writes nothing; only the writer refuses older firmware.
constexpr VersionBand<CPForm> kReadingBands[] = {
    Served(0, MakeVersion(1, 5, 255, 255), CPForm::None, LengthRule{}),
    Served(MakeVersion(1, 6, 0), kSecondLineUpTo, CPForm::Record, LengthAtLeast(kHeaderSize, 12254)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, CPForm::Record, LengthAtLeast(kHeaderSize, 12254)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr VersionBand<CPForm> kWritingBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 5, 255, 255), CPForm::None, LengthRule{}),
    Served(MakeVersion(1, 6, 0), kSecondLineUpTo, CPForm::Record, LengthRule{}).Sized(TRegCPConfig::kRecordSize),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, CPForm::Record, LengthRule{}).Sized(TRegCPConfig::kRecordSize),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

// This block alone reports bad contents with the plain error of the string table.
[[noreturn]] void InvalidConfiguration() { throw Exception(LoadStr(1711)); }

template <class IO, class Item>
void TransferCodes(IO& io, std::size_t at, Item& item)
{
  io.u8(at, item.FirstCode);
  io.u8(at + 1, item.SecondCode);
  io.u8(at + 2, item.Kind);
}

}  // namespace

std::uint32_t TRegCPConfig::RecordSize(std::uint32_t version) { return RecordSizeOf<kWritingBands>(version); }

void TRegCPConfig::ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record)
{
  SetDefaults();
  if (BandForReading<kReadingBands>(version, record.size()).form == CPForm::None) return;
  const RecordReading io(record, version);
  Format = 1;
  if (io.Bytes().u8(0) != 1) return;

  std::size_t total = 0;  // payload bytes taken so far; the item starts at 4 + total
  for (unsigned n = io.Bytes().u8(2); n > 0; --n) {
    const std::size_t at = kHeaderSize + total;
    // The text's length lies in the item's own header: that has to be there first.
    if (total + kItemOverhead > kPayloadSize || at + kHeaderSize > record.size()) InvalidConfiguration();
    const std::size_t length = io.Bytes().u8(at + 3);
    const std::size_t itemSize = length + kItemOverhead;
    if (total + itemSize > kPayloadSize || at + itemSize > record.size()) InvalidConfiguration();
    if (io.Bytes().u8(at + 2) > 2 || io.Bytes().u8(at + kHeaderSize + length) != 0) InvalidConfiguration();

    TRegCPConfigItem item;
    TransferCodes(io, at, item);
    FieldToAnsiString(io.Bytes().span(at + kHeaderSize, length), static_cast<int>(length), item.Text);
    Items.push_back(std::move(item));
    total += itemSize;
  }
}

std::size_t TRegCPConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kWritingBands>(targetVersion);
  if (band.form == CPForm::None) return 0;
  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) {
    io.u8(0, Format);
    io.u8(2, Items.size());
    std::size_t total = 0;
    for (const TRegCPConfigItem& item : Items) {
      const std::size_t length = item.Text.size();
      if (total + length + kItemOverhead > kPayloadSize) InvalidConfiguration();
      const std::size_t at = kHeaderSize + total;
      TransferCodes(io, at, item);
      io.u8(at + 3, length);
      // A zero inside the text ends what is copied; the length byte still counts it all.
      const auto text = std::span(reinterpret_cast<const std::uint8_t*>(item.Text.data()), length);
      io.Bytes().bytes(at + kHeaderSize, text.first(std::find(text.begin(), text.end(), 0) - text.begin()));
      total += length + kItemOverhead;
    }
  });
}
