// The summary board record:
//   36 bytes   0 Mode (bits 0-1), 4 + i slot i: kind (bits 0-2) | index << 3
//   200 bytes  0 Mode, 4 Name (24-byte text field), 36 + 2i slot i's kind, 37 + 2i its index

#include "recorder/config/RegDisplayPageTabloConfig.h"

#include <algorithm>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class TabloForm : std::uint8_t { None, F36, F200 };

constexpr VersionBand<TabloForm> kTabloReadBands[] = {
    RefusedAsOld(0, MakeVersion(2, 0, 255, 255)),
    Served(MakeVersion(2, 1, 0), kSecondLineUpTo, TabloForm::F36, LengthEither(36, 200, 9975)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, TabloForm::F36, LengthEither(36, 200, 9975)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

// No upper bound for writing.
constexpr VersionBand<TabloForm> kTabloWriteBands[] = {
    Served(0, MakeVersion(2, 0, 255, 255), TabloForm::None, LengthExactly(0, 9975)),
    Served(MakeVersion(2, 1, 0), MakeVersion(2, 1, 116, 255), TabloForm::F36, LengthExactly(36, 9975)),
    Served(MakeVersion(2, 1, 117), kBranchFrom - 1, TabloForm::F200, LengthExactly(200, 9975)),
    Served(kBranchFrom, kBranchUpTo, TabloForm::F36, LengthExactly(36, 9975)),
    Served(kBranchUpTo + 1, 0xFFFFFFFF, TabloForm::F200, LengthExactly(200, 9975)),
};

template <class IO, class Page>
void TransferTablo36(IO& io, Page& page, std::size_t slots)
{
  io.bits8(0, 0, 2, page.Mode);
  for (std::size_t i = 0; i < slots; ++i) {
    io.bits8(4 + i, 0, 3, page.Slots[i].Source.Kind);
    io.bits8(4 + i, 3, 5, page.Slots[i].Source.Index);
  }
}

template <class IO, class Page>
void TransferTablo200(IO& io, Page& page, std::size_t slots)
{
  io.u8(0, page.Mode);
  io.text(4, 24, page.Name);
  for (std::size_t i = 0; i < slots; ++i) {
    io.u8(36 + 2 * i, page.Slots[i].Source.Kind);
    io.u8(37 + 2 * i, page.Slots[i].Source.Index);
  }
}

}  // namespace

void TRegDisplayPageTabloConfig::SetDefaults()
{
  Mode = 0;
  Name.clear();
  Slots.clear();
  ReadSize = ReadVersion = 0;
}

std::uint32_t TRegDisplayPageTabloConfig::RecordSize(std::uint32_t version)
{
  return RecordSizeOf<kTabloWriteBands>(version);
}

void TRegDisplayPageTabloConfig::ReadRecord(const TRegInfo& info, std::span<const std::uint8_t> record)
{
  const std::uint32_t version = info.SwVersion;
  BandForReading<kTabloReadBands>(version, record.size());
  RecordReading io(record, version);
  Slots.assign(kSlots, {});
  if (record.size() == 36) {
    TransferTablo36(io, *this, kSlots);
    Name.clear();
  } else {
    TransferTablo200(io, *this, kSlots);
  }
  Mode = ClampToZero(Mode, 2);
  for (auto& slot : Slots) slot.Source = info.FixValueSource(slot.Source);
  ReadSize = static_cast<std::uint32_t>(record.size());
  ReadVersion = version;
}

std::size_t TRegDisplayPageTabloConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kTabloWriteBands>(targetVersion);
  if (band.form == TabloForm::None) return 0;
  TabloForm form = band.form;
  if (ReadVersion == targetVersion && ReadSize != 0) form = ReadSize == 36 ? TabloForm::F36 : TabloForm::F200;
  const std::size_t slots = std::min(Slots.size(), kSlots);

  return AppendRecord(output, form == TabloForm::F36 ? 36 : 200, targetVersion, [&](RecordWriting& io) {
    if (form == TabloForm::F36) TransferTablo36(io, *this, slots);
    else TransferTablo200(io, *this, slots);
  });
}
