// The display page record: a header, the channel slots in one of three slot forms, and
// from 1.10 on a 16-byte name. Ten forms by firmware, from 81 to 248 bytes; the newest
// two are told apart by the device's channels per page.

#include "recorder/config/RegDisplayPageConfig.h"

#include "recorder/config/FieldConventions.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/info/DecimalWord.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

// Wide: the 204- and 248-byte forms of 2.1.90 on, chosen by the record's size when
// reading and by the page's slot count when writing.
enum class PageForm : std::uint8_t { F81, F83, F92a, F92b, F100, F164a, F164b, Wide, F204, F248, F248b };

constexpr VersionBand<PageForm> kPageReadBands[] = {
    RefusedAsOld(0, MakeVersion(1, 2, 255, 255)),
    Served(kFirstLineFrom, MakeVersion(1, 4, 255, 255), PageForm::F81, LengthAtLeast(81, 8763)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 9, 255, 255), PageForm::F83, LengthAtLeast(83, 8817)),
    Served(MakeVersion(1, 10, 0), MakeVersion(1, 10, 3, 255), PageForm::F92a, LengthExactly(92, 8870)),
    Served(MakeVersion(1, 10, 4), kSecondLineFrom - 1, PageForm::F92b, LengthAtLeast(92, 8923)),
    Served(kSecondLineFrom, MakeVersion(2, 0, 255, 255), PageForm::F100, LengthAtLeast(100, 8977)),
    Served(MakeVersion(2, 1, 0), MakeVersion(2, 1, 9, 255), PageForm::F164a, LengthAtLeast(164, 9005)),
    Served(MakeVersion(2, 1, 10), MakeVersion(2, 1, 89, 255), PageForm::F164b, LengthAtLeast(164, 9032)),
    Served(MakeVersion(2, 1, 90), kSecondLineUpTo, PageForm::Wide, LengthEither(204, 248, 9154)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, PageForm::F248b, LengthExactly(248, 9060)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

// The writer has no oldest form and refuses the late first line; RecordSize reads this
// table but for 2.1.90 on, where the device's channels per page decide.
constexpr VersionBand<PageForm> kPageWriteBands[] = {
    Served(0, MakeVersion(1, 4, 255, 255), PageForm::F81, LengthAtLeast(81, 8763)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 9, 255, 255), PageForm::F83, LengthAtLeast(83, 8817)),
    Served(MakeVersion(1, 10, 0), MakeVersion(1, 10, 3, 255), PageForm::F92a, LengthExactly(92, 8870)),
    Served(MakeVersion(1, 10, 4), kFirstLineUpTo, PageForm::F92b, LengthAtLeast(92, 8923)),
    RefusedAsNew(kFirstLineUpTo + 1, kSecondLineFrom - 1, kFirstLineUpTo).Sized(92),
    Served(kSecondLineFrom, MakeVersion(2, 0, 255, 255), PageForm::F100, LengthAtLeast(100, 8977)),
    Served(MakeVersion(2, 1, 0), MakeVersion(2, 1, 9, 255), PageForm::F164a, LengthAtLeast(164, 9005)),
    Served(MakeVersion(2, 1, 10), MakeVersion(2, 1, 89, 255), PageForm::F164b, LengthAtLeast(164, 9032)),
    Served(MakeVersion(2, 1, 90), kSecondLineUpTo, PageForm::Wide, LengthEither(204, 248, 9154)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, PageForm::F248b, LengthExactly(248, 9060)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

// Headers, by the bytes they pack:
//   H1  0 Mode0, 1 Setting2, 2 Setting3
//   H2  H1, then 3 Setting8, 4 Setting12
//   H3  0 Mode0 | Mode1 << 4, 1 Setting2, 2 Setting3, 3 Setting8 | Setting12 << 4
//   H4  H3 with byte 2 Setting3 | Setting4 << 4
//   H5  H3 with byte 2 Setting3 (3 bits) | Setting4 << 3
enum class Header : std::uint8_t { H1, H2, H3, H4, H5 };

// Slots:
//   S13  0 kind code, 1 index, 2 Pen, 3 ScaleMin (single), 7 MinDecimals, 8 ScaleMax,
//        12 MaxDecimals
//   S12  0 kind (first line: bits 0-3 a kind code), 1 index, 2 Pen (bits 0-4) | Group << 5
//        (92a: Pen, the whole byte), 3 MinDecimals | MaxDecimals << 4, 4 ScaleMin, 8 ScaleMax
//   S11  0 kind, 1 index, 2 Pen | Group << 5, 3 ScaleMin and 7 ScaleMax as packed words
enum class Slot : std::uint8_t { S13, S12, S11 };

struct PageLayout {
  std::uint8_t size;
  Header header;
  Slot slot;
  std::uint8_t slots;       // the slot count
  std::uint8_t slotsAt;
  std::uint8_t nameAt;      // 0: no name
  std::uint8_t setting20At; // 0: no Setting20
  bool firstLine;           // slots carry kind codes, not value-source kinds
  bool groups;              // the slots carry a group
  unsigned ttlCheck;        // a TTL code where the form has none (0: allowed)
  unsigned codeCheck;       // a code above 4
};

constexpr PageLayout Layout(PageForm form)
{
  switch (form) {
  case PageForm::F81: return {81, Header::H1, Slot::S13, 6, 3, 0, 0, true, false, 8794, 8798};
  case PageForm::F83: return {83, Header::H2, Slot::S13, 6, 5, 0, 0, true, false, 8848, 8852};
  case PageForm::F92a: return {92, Header::H1, Slot::S12, 6, 4, 76, 0, true, false, 8901, 8905};
  case PageForm::F92b: return {92, Header::H1, Slot::S12, 6, 4, 76, 0, true, true, 0, 8959};
  case PageForm::F100: return {100, Header::H3, Slot::S12, 8, 4, 0, 0, false, true, 0, 0};
  case PageForm::F164a: return {164, Header::H3, Slot::S12, 12, 4, 148, 0, false, true, 0, 0};
  case PageForm::F164b: return {164, Header::H4, Slot::S12, 12, 4, 148, 0, false, true, 0, 0};
  case PageForm::F204: return {204, Header::H5, Slot::S11, 16, 4, 180, 200, false, true, 0, 0};
  case PageForm::Wide:
  case PageForm::F248: return {248, Header::H5, Slot::S11, 20, 4, 224, 244, false, true, 0, 0};
  case PageForm::F248b: return {248, Header::H4, Slot::S11, 20, 4, 224, 0, false, true, 0, 0};
  }
  return {};
}

constexpr std::uint8_t kFirstLineCodes = 5;  // none, AI, DI, DO, TTL
constexpr std::uint8_t kKindOfCode[kFirstLineCodes] = {ValueSource::None, ValueSource::AI, ValueSource::DI,
                                                       ValueSource::DO, ValueSource::TTL};
constexpr std::uint8_t kTtlCode = 4;

template <class IO, class Page>
void TransferHeader(IO& io, Page& page, Header header)
{
  switch (header) {
  case Header::H1:
  case Header::H2:
    io.u8(0, page.Mode0);
    io.u8(1, page.Setting2);
    io.u8(2, page.Setting3);
    if (header == Header::H2) {
      io.u8(3, page.Setting8);
      io.u8(4, page.Setting12);
    }
    return;
  case Header::H3:
  case Header::H4:
  case Header::H5:
    io.bits8(0, 0, 4, page.Mode0);
    io.bits8(0, 4, 4, page.Mode1);
    io.u8(1, page.Setting2);
    if (header == Header::H3) {
      io.u8(2, page.Setting3);
    } else if (header == Header::H4) {
      io.bits8(2, 0, 4, page.Setting3);
      io.bits8(2, 4, 4, page.Setting4);
    } else {
      io.bits8(2, 0, 3, page.Setting3);
      io.bits8(2, 3, 5, page.Setting4);
    }
    io.bits8(3, 0, 4, page.Setting8);
    io.bits8(3, 4, 4, page.Setting12);
    return;
  }
}

// One scale end of an S11 slot. Reading keeps the word beside the float; writing puts
// it back while the end still is what it was read as, else packs the end anew.
template <class IO, class Value, class Decimals, class Word>
void TransferScaleWord(IO& io, std::size_t at, Value& value, Decimals& decimals, Word& kept)
{
  if constexpr (IO::kReading) {
    const std::uint32_t word = io.Bytes().u32(at);
    value = DecimalWordToFloat(word);
    decimals = static_cast<std::uint8_t>(DecimalWordDecimals(word));
    kept = word;
  } else {
    const bool unchanged = kept && DecimalWordToFloat(*kept) == value && DecimalWordDecimals(*kept) == decimals;
    io.u32(at, unchanged ? *kept & 0x7FFFFFFFu : FloatToDecimalWord(value, decimals));
  }
}

// Everything of a slot but its source.
template <class IO, class S>
void TransferSlotBody(IO& io, const PageLayout& layout, bool wholePen, std::size_t at, S& slot)
{
  switch (layout.slot) {
  case Slot::S13:
    io.u8(at + 2, slot.Pen);
    io.f32(at + 3, slot.ScaleMin);
    io.u8(at + 7, slot.MinDecimals);
    io.f32(at + 8, slot.ScaleMax);
    io.u8(at + 12, slot.MaxDecimals);
    return;
  case Slot::S12:
    if (wholePen) {
      io.u8(at + 2, slot.Pen);
    } else {
      io.bits8(at + 2, 0, 5, slot.Pen);
      io.bits8(at + 2, 5, 3, slot.Group);
    }
    io.bits8(at + 3, 0, 4, slot.MinDecimals);
    io.bits8(at + 3, 4, 4, slot.MaxDecimals);
    io.f32(at + 4, slot.ScaleMin);
    io.f32(at + 8, slot.ScaleMax);
    return;
  case Slot::S11:
    io.bits8(at + 2, 0, 5, slot.Pen);
    io.bits8(at + 2, 5, 3, slot.Group);
    TransferScaleWord(io, at + 3, slot.ScaleMin, slot.MinDecimals, slot.ScaleMinWord);
    TransferScaleWord(io, at + 7, slot.ScaleMax, slot.MaxDecimals, slot.ScaleMaxWord);
    return;
  }
}

std::size_t SlotWidth(Slot slot) { return slot == Slot::S13 ? 13 : slot == Slot::S12 ? 12 : 11; }

// A first-line slot's kind code. An index the device lacks leaves the slot's source
// as it was.
void ReadFirstLineSource(const PageLayout& layout, std::uint8_t code, std::uint8_t index, const TRegInfo& info,
                         ValueSource& source)
{
  if (code == kTtlCode && layout.ttlCheck != 0) throw EVantorInvalid(layout.ttlCheck);
  if (code >= kFirstLineCodes) throw EVantorInvalid(layout.codeCheck);
  if (code == 0) {
    source = {};
    return;
  }
  const std::uint8_t kind = kKindOfCode[code];
  if (index < info.ChannelCountOfKind(kind)) source = {kind, index};
}

// The slot's source as the form writes it: the first line's kind codes, the kinds the
// second line's older forms know, any kind in the newest two.
ValueSource WrittenSource(PageForm form, const ValueSource& source)
{
  if (form == PageForm::F204 || form == PageForm::F248) return source;
  const bool firstLine = Layout(form).firstLine;
  if (!firstLine) {
    // Every kind a device can have: a TTL slot of 2.1.25-2.1.89 survives the sources'
    // repair on reading and must not vanish from the backup.
    return source.Kind <= ValueSource::Regulator ? source : ValueSource{};
  }
  switch (source.Kind) {
  case ValueSource::None:
  case ValueSource::AI: return source;
  case ValueSource::DI: return {2, source.Index};
  case ValueSource::DO: return {3, source.Index};
  case ValueSource::TTL: return form == PageForm::F92b ? ValueSource{kTtlCode, source.Index} : ValueSource{};
  default: return {};
  }
}

const TRegDisplayPageChannelConfig& Filler()
{
  static const TRegDisplayPageChannelConfig filler = [] {
    TRegDisplayPageChannelConfig slot;
    slot.MinDecimals = slot.MaxDecimals = 3;
    return slot;
  }();
  return filler;
}

constexpr std::uint32_t PageRecordSize(std::uint32_t channelsPerPage)
{
  return channelsPerPage == 16 ? 204 : channelsPerPage == 20 ? 248 : 0;
}

}  // namespace

void TRegDisplayPageConfig::SetDefaults()
{
  Mode0 = Mode1 = Setting2 = Setting3 = 0;
  Setting4 = 5;
  Setting8 = Setting12 = 0;
  Name.clear();
  Setting20 = 0;
  for (auto& slot : Channels) slot.SetDefaults();
}

std::uint32_t TRegDisplayPageConfig::RecordSize(const TRegInfo& info, std::uint32_t version)
{
  if (IsFirmwareFrom(version, MakeVersion(2, 1, 90))) return PageRecordSize(info.PageChannelCount);
  return RecordSizeOf<kPageWriteBands>(version);
}

void TRegDisplayPageConfig::FixSources(const TRegInfo& info)
{
  for (auto& slot : Channels) slot.Source = info.FixValueSource(slot.Source);
}

void TRegDisplayPageConfig::ReadRecord(const TRegInfo& info, std::span<const std::uint8_t> record)
{
  const std::uint32_t version = info.SwVersion;
  PageForm form = BandForReading<kPageReadBands>(version, record.size()).form;
  if (form == PageForm::Wide) {
    form = record.size() == 204 ? PageForm::F204 : PageForm::F248;
    if (PageRecordSize(info.PageChannelCount) != record.size()) throw EVantorInvalid(form == PageForm::F204 ? 9100 : 9132);
  }
  const PageLayout layout = Layout(form);
  RecordReading io(record, version);
  const ByteReader& in = io.Bytes();

  TransferHeader(io, *this, layout.header);
  if (layout.header == Header::H1 || layout.header == Header::H2) Mode1 = 0;
  if (layout.header != Header::H4 && layout.header != Header::H5) Setting4 = 5;
  if (layout.header == Header::H1) Setting8 = Setting12 = 0;
  if (layout.nameAt == 0) Name.clear();
  if (form != PageForm::F164a) Setting20 = 0;

  Channels.resize(layout.slots);
  for (std::size_t i = 0; i < layout.slots; ++i) {
    auto& slot = Channels[i];
    const std::size_t at = layout.slotsAt + i * SlotWidth(layout.slot);
    if (layout.firstLine) {
      const std::uint8_t code = layout.slot == Slot::S13 ? in.u8(at) : in.u8(at) & 0x0F;
      ReadFirstLineSource(layout, code, in.u8(at + 1), info, slot.Source);
    } else {
      slot.Source = {in.u8(at), in.u8(at + 1)};
    }
    TransferSlotBody(io, layout, form == PageForm::F92a, at, slot);
    slot.Pen = ClampToLast(slot.Pen, info.PagePenCount);
    slot.Group = layout.groups ? ClampToLast(slot.Group, info.PageGroupCount) : 0;
  }
  if (layout.nameAt != 0) io.text(layout.nameAt, 16, Name);
  if (layout.setting20At != 0 && IsSwAtLeast2_1_91(version)) Setting20 = ClampToLast(in.u8(layout.setting20At), 8);
}

std::size_t TRegDisplayPageConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  PageForm form = BandForWriting<kPageWriteBands>(targetVersion).form;
  if (form == PageForm::Wide) {
    switch (Channels.size()) {
    case 8:
    case 12:
    case 16: form = PageForm::F204; break;
    case 20: form = PageForm::F248; break;
    default: return 0;
    }
  }
  const PageLayout layout = Layout(form);

  return AppendRecord(output, layout.size, targetVersion, [&](RecordWriting& io) {
    TransferHeader(io, *this, layout.header);
    for (std::size_t i = 0; i < layout.slots; ++i) {
      const auto& slot = i < Channels.size() ? Channels[i] : Filler();
      const std::size_t at = layout.slotsAt + i * SlotWidth(layout.slot);
      const ValueSource source = WrittenSource(form, slot.Source);
      io.u8(at, source.Kind);
      io.u8(at + 1, source.Index);
      TransferSlotBody(io, layout, form == PageForm::F92a, at, slot);
    }
    if (layout.nameAt != 0) io.text(layout.nameAt, 16, Name);
    if (layout.setting20At != 0 && IsSwAtLeast2_1_91(targetVersion)) io.u8(layout.setting20At, Setting20);
  });
}
