// A schedule item:
//   11 bytes, first line   0 Enabled, 1 ItemByte, 2-8 Time1-Time7, 9 and 10 one-byte codes
//   13 bytes, second line  the same, 9 and 11 the codes

#include "recorder/config/RegScheduleItemConfig.h"

#include <vector>

#include "platform/Stream.h"
#include "recorder/config/EventItemCodes.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class ItemForm : std::uint8_t { FirstLine, SecondLine };

constexpr VersionBand<ItemForm> kItemReadBands[] = {
    RefusedAsOld(0, MakeVersion(1, 5, 255, 255)),
    Served(MakeVersion(1, 6, 0), kSecondLineFrom - 1, ItemForm::FirstLine, LengthExactly(11, 0)),
    Served(kSecondLineFrom, kSecondLineUpTo, ItemForm::SecondLine, LengthExactly(13, 0)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, ItemForm::SecondLine, LengthExactly(13, 0)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr VersionBand<ItemForm> kItemWriteBands[] = {
    RefusedAsOld(0, MakeVersion(1, 5, 255, 255)),
    Served(MakeVersion(1, 6, 0), kFirstLineUpTo, ItemForm::FirstLine, LengthExactly(11, 0)),
    RefusedAsNew(kFirstLineUpTo + 1, kSecondLineFrom - 1, kFirstLineUpTo),
    Served(kSecondLineFrom, kSecondLineUpTo, ItemForm::SecondLine, LengthExactly(13, 0)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, ItemForm::SecondLine, LengthExactly(13, 0)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

// codeVersion: the firmware the first line's one-byte codes belong to.
template <class IO, class Item>
void TransferItem(IO& io, Item& item, ItemForm form, std::uint32_t codeVersion)
{
  io.flag(0, item.Enabled);
  io.u8(1, item.ItemByte);
  io.u8(2, item.Time1);
  io.u8(3, item.Time2);
  io.u8(4, item.Time3);
  io.u8(5, item.Time4);
  io.u8(6, item.Time5);
  io.u8(7, item.Time6);
  io.u8(8, item.Time7);
  if (form == ItemForm::FirstLine) {
    TransferCode8(io, 9, item.Codes[0], codeVersion);
    TransferCode8(io, 10, item.Codes[1], codeVersion);
  } else {
    io.u16(9, item.Codes[0]);
    io.u16(11, item.Codes[1]);
  }
}

}  // namespace

void TRegScheduleItemConfig::SetDefaults()
{
  Enabled = false;
  ItemByte = 0;
  Time1 = Time2 = Time3 = Time4 = Time5 = Time6 = Time7 = 0;
  Codes = {};
}

std::uint32_t TRegScheduleItemConfig::RecordSize(std::uint32_t version)
{
  return RecordSizeOf<kItemWriteBands>(version);
}

void TRegScheduleItemConfig::ReadStream(const TRegInfo& info, TStream& stream)
{
  const std::uint32_t version = info.SwVersion;
  const auto& band = BandOf<kItemReadBands>(version);
  band.RefuseUnlessServed(version);
  std::vector<std::uint8_t> record(band.size);
  stream.ReadBuffer(record.data(), record.size());
  RecordReading io(record, version);
  TransferItem(io, *this, band.form, version);
}

void TRegScheduleItemConfig::WriteStream(const TRegInfo& info, std::uint32_t targetVersion, TStream& stream) const
{
  const auto& band = BandForWriting<kItemWriteBands>(targetVersion);
  std::vector<std::uint8_t> record;
  AppendRecord(record, band.size, targetVersion,
               [&](RecordWriting& io) { TransferItem(io, *this, band.form, info.SwVersion); });
  stream.WriteBuffer(record.data(), record.size());
}
