// Information record 1, the device information record. Its layout changed with the
// firmware; the decoder takes the firmware word from bytes 4-7, picks the band, checks
// the band's length rule, copies bytes 0-11 and then walks the band's field table: each
// row copies one field and, where it has a check number, range-checks it. What a band
// sets beyond its columns (fixed values, the brand line, the mnemonic-scheme screen) is
// in its preset list and its settle function.

#include <algorithm>
#include <array>
#include <span>

#include "platform/Bytes.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

using CountField = std::uint32_t TRegInfo::*;

enum class Length { Exactly, AtLeast, ExactlyEither };

struct LengthRule {
  Length rule;
  std::size_t size;
  std::size_t otherSize;  // ExactlyEither only
  unsigned check;

  bool Accepts(std::size_t length) const
  {
    switch (rule) {
    case Length::Exactly: return length == size;
    case Length::AtLeast: return length >= size;
    case Length::ExactlyEither: return length == size || length == otherSize;
    }
    return false;
  }
};

// A row is read only when its feature bit is set and the firmware is at least
// fromVersion (outside the 2.2 branch); otherwise the field becomes 0.
struct Condition {
  int featureBit = -1;
  std::uint32_t fromVersion = 0;
};

constexpr Condition kAlways{};
constexpr Condition kWithTagFields{13, MakeVersion(2, 1, 53)};
constexpr Condition kWithRegulators{25, 0};

struct FieldRow {
  CountField field;
  std::size_t offset;
  unsigned width;              // 1, 2 or 4 bytes
  std::uint32_t min = 0;
  unsigned minCheck = 0;       // 0: no lower bound
  std::uint32_t max = 0;
  unsigned maxCheck = 0;       // 0: no upper bound
  unsigned typeCodeCheck = 0;  // non-zero: the value must be a recorder type code
  Condition when = kAlways;
};

constexpr FieldRow Plain(CountField field, std::size_t offset, unsigned width, Condition when = kAlways)
{
  return {field, offset, width, 0, 0, 0, 0, 0, when};
}
constexpr FieldRow AtMost(CountField field, std::size_t offset, std::uint32_t max, unsigned check,
                          Condition when = kAlways)
{
  return {field, offset, 1, 0, 0, max, check, 0, when};
}
constexpr FieldRow Within(CountField field, std::size_t offset, std::uint32_t min, unsigned minCheck,
                          std::uint32_t max, unsigned maxCheck)
{
  return {field, offset, 1, min, minCheck, max, maxCheck, 0, kAlways};
}

struct Preset {
  CountField field;
  std::uint32_t value;
};

using Settle = void (*)(TRegInfo&, const ByteReader&);

struct DeviceInfoBand {
  std::uint32_t from;
  std::uint32_t upTo;
  std::uint32_t newestSupported;  // non-zero: the band is refused as too new
  LengthRule length;
  std::span<const FieldRow> fields;
  unsigned finalCheck;            // first line: both page counts at least 1
  std::size_t serialOffset;
  std::size_t hardwareIdOffset;   // 0: the band has none
  bool hardwareIdReversed;        // 1.3-1.4 store each 4-byte group backwards
  std::span<const Preset> presets;
  Settle settle;
};

// ---------------------------------------------------------------------------------
// Field tables, rows in the order of their checks

constexpr FieldRow kFields13[] = {
    AtMost(&TRegInfo::PageCount, 12, 4, 4200),
    AtMost(&TRegInfo::PageChannelCount, 13, 6, 4204),
};

constexpr FieldRow kFields15[] = {
    Plain(&TRegInfo::DevAuxWord, 12, 4),
    AtMost(&TRegInfo::PageCount, 16, 4, 4266),
    AtMost(&TRegInfo::PageChannelCount, 17, 6, 4270),
    AtMost(&TRegInfo::SMCount, 18, 4, 4278),
    AtMost(&TRegInfo::CTCount, 19, 4, 4282),
};

constexpr FieldRow kFields16[] = {
    Plain(&TRegInfo::DevAuxWord, 12, 4),
    AtMost(&TRegInfo::PageCount, 16, 4, 4318),
    AtMost(&TRegInfo::PageChannelCount, 17, 6, 4322),
    AtMost(&TRegInfo::SMCount, 18, 4, 4330),
    AtMost(&TRegInfo::CTCount, 19, 4, 4334),
    AtMost(&TRegInfo::TMRCount, 20, 8, 4341),
};

constexpr FieldRow kFields17[] = {
    Plain(&TRegInfo::DevAuxWord, 12, 4),
    AtMost(&TRegInfo::PageCount, 16, 4, 4400),
    AtMost(&TRegInfo::PageChannelCount, 17, 6, 4404),
    AtMost(&TRegInfo::SMCount, 18, 4, 4412),
    AtMost(&TRegInfo::CTCount, 19, 4, 4416),
    AtMost(&TRegInfo::TMRCount, 20, 8, 4423),
};

constexpr FieldRow kFields18[] = {
    Plain(&TRegInfo::DevAuxWord, 12, 4),
    Plain(&TRegInfo::RS485Count, 21, 1),
    AtMost(&TRegInfo::PageCount, 16, 4, 4470),
    AtMost(&TRegInfo::PageChannelCount, 17, 6, 4474),
    AtMost(&TRegInfo::SMCount, 18, 4, 4482),
    AtMost(&TRegInfo::CTCount, 19, 4, 4486),
    AtMost(&TRegInfo::TMRCount, 20, 8, 4493),
};

constexpr FieldRow kFields19[] = {
    Plain(&TRegInfo::DevAuxWord, 12, 4),
    AtMost(&TRegInfo::PageCount, 16, 4, 4547),
    AtMost(&TRegInfo::PageChannelCount, 17, 6, 4551),
    AtMost(&TRegInfo::SMCount, 18, 4, 4559),
    AtMost(&TRegInfo::CTCount, 19, 4, 4563),
    AtMost(&TRegInfo::TMRCount, 20, 8, 4568),
    AtMost(&TRegInfo::ScheduleCount, 21, 12, 4600),
    Within(&TRegInfo::ModelCode, 22, 1, 4613, 7, 4613),
    AtMost(&TRegInfo::TTLCount, 23, 4, 4618),
};

constexpr FieldRow kFields20[] = {
    Plain(&TRegInfo::DevAuxWord, 12, 4),
    Plain(&TRegInfo::RS485Count, 21, 1),
    Plain(&TRegInfo::DevFilterParam, 22, 1),
    AtMost(&TRegInfo::PageCount, 16, 8, 4652),
    Within(&TRegInfo::PageChannelCount, 17, 1, 4657, 12, 4657),
    AtMost(&TRegInfo::SMCount, 18, 4, 4670),
    AtMost(&TRegInfo::CTCount, 19, 4, 4674),
    AtMost(&TRegInfo::TMRCount, 20, 8, 4681),
};

template <std::size_t A, std::size_t B>
constexpr std::array<FieldRow, A + B> Join(const std::array<FieldRow, A>& a, const std::array<FieldRow, B>& b)
{
  std::array<FieldRow, A + B> rows{};
  for (std::size_t i = 0; i < A; ++i) rows[i] = a[i];
  for (std::size_t i = 0; i < B; ++i) rows[A + i] = b[i];
  return rows;
}

// From 2.1.53 with feature bit 13 the record carries exactly four tag fields.
constexpr std::array<FieldRow, 2> TagFieldRows(unsigned check)
{
  return {{
      {&TRegInfo::TagFieldCount, 29, 1, 4, check, 4, check, 0, kWithTagFields},
      Plain(&TRegInfo::TagFieldAux, 30, 2, kWithTagFields),
  }};
}

// The 32-byte layout (2.1.25-2.1.99 and the 2.2 branch); only the channels-per-page
// limit differs between its three windows.
constexpr auto Fields2125(std::uint32_t maxPageChannels, unsigned tooManyCheck)
{
  return Join(std::array<FieldRow, 9>{{
                  Plain(&TRegInfo::DevAuxWord, 12, 4),
                  Plain(&TRegInfo::RS485Count, 21, 1),
                  Plain(&TRegInfo::DevFilterParam, 22, 1),
                  AtMost(&TRegInfo::PageCount, 16, 8, 4722),
                  Within(&TRegInfo::PageChannelCount, 17, 1, 4726, maxPageChannels, tooManyCheck),
                  AtMost(&TRegInfo::SMCount, 18, 4, 4757),
                  AtMost(&TRegInfo::CTCount, 19, 4, 4761),
                  AtMost(&TRegInfo::TTLCount, 28, 16, 4765),
                  AtMost(&TRegInfo::TMRCount, 20, 8, 4770),
              }},
              TagFieldRows(4777));
}

constexpr auto kFields2125 = Fields2125(12, 4730);
constexpr auto kFields2190 = Fields2125(16, 4740);
constexpr auto kFields22 = Fields2125(20, 4735);

struct ChecksFrom2100 {
  unsigned model, typeCode, pages, pageChannelsZero, pageChannelsMax, sm, ct, ttl, tmr;
};

// The 44- and 64-byte layouts from 2.1.100, up to the timers.
constexpr std::array<FieldRow, 17> FieldsFrom2100(const ChecksFrom2100& c)
{
  return {{
      Plain(&TRegInfo::DevAuxWord, 12, 4),
      Plain(&TRegInfo::RS485Count, 21, 1),
      Plain(&TRegInfo::DevFilterParam, 22, 1),
      Plain(&TRegInfo::ModelVariant, 33, 1),
      Plain(&TRegInfo::ExtAOCount, 34, 1),
      Plain(&TRegInfo::ExtDOCount, 35, 1),
      Plain(&TRegInfo::UserTableLimit1, 36, 2),
      Plain(&TRegInfo::UserTableLimit2, 38, 2),
      Plain(&TRegInfo::UserTableCount, 40, 1),
      Plain(&TRegInfo::MSAuxWord, 42, 2),
      // Above the highest model code, then not one of the recorder types.
      {&TRegInfo::ModelCode, 32, 1, 0, 0, 51, c.model, c.typeCode, kAlways},
      AtMost(&TRegInfo::PageCount, 16, 8, c.pages),
      Within(&TRegInfo::PageChannelCount, 17, 1, c.pageChannelsZero, 20, c.pageChannelsMax),
      AtMost(&TRegInfo::SMCount, 18, 4, c.sm),
      AtMost(&TRegInfo::CTCount, 19, 4, c.ct),
      AtMost(&TRegInfo::TTLCount, 28, 16, c.ttl),
      AtMost(&TRegInfo::TMRCount, 20, 8, c.tmr),
  }};
}

constexpr auto kFields2100 = Join(FieldsFrom2100({4850, 4855, 4863, 4867, 4876, 4891, 4895, 4899, 4904}), TagFieldRows(4911));
// With feature bit 25 the 64-byte record counts the regulators (byte 44).
constexpr auto kFields2150 =
    Join(Join(FieldsFrom2100({5032, 5037, 5045, 5049, 5058, 5073, 5077, 5081, 5086}),
              std::array<FieldRow, 1>{AtMost(&TRegInfo::CtlCount, 44, 16, 5093, kWithRegulators)}),
         TagFieldRows(5102));

// ---------------------------------------------------------------------------------
// Presets: fields a band sets to fixed values after its rows

constexpr Preset kPresets13[] = {
    {&TRegInfo::DevAuxWord, 0}, {&TRegInfo::SMCount, 0},        {&TRegInfo::CTCount, 0},
    {&TRegInfo::TTLCount, 0},   {&TRegInfo::TMRCount, 0},       {&TRegInfo::CtlCount, 0},
    {&TRegInfo::RS485Count, 0}, {&TRegInfo::DevFilterParam, 0}, {&TRegInfo::TagFieldCount, 0},
    {&TRegInfo::TagFieldAux, 0}, {&TRegInfo::ExtAOCount, 0},    {&TRegInfo::ExtDOCount, 0},
};
constexpr Preset kPresets15[] = {
    {&TRegInfo::TTLCount, 0},      {&TRegInfo::TMRCount, 0},    {&TRegInfo::CtlCount, 0},
    {&TRegInfo::RS485Count, 0},    {&TRegInfo::TagFieldCount, 0}, {&TRegInfo::TagFieldAux, 0},
    {&TRegInfo::ExtAOCount, 0},    {&TRegInfo::ExtDOCount, 0},  {&TRegInfo::DevFilterParam, 13},
};
constexpr Preset kPresets16[] = {
    {&TRegInfo::TTLCount, 0},   {&TRegInfo::CtlCount, 0},   {&TRegInfo::TagFieldCount, 0},
    {&TRegInfo::TagFieldAux, 0}, {&TRegInfo::ExtAOCount, 0}, {&TRegInfo::ExtDOCount, 0},
    {&TRegInfo::RS485Count, 0}, {&TRegInfo::DevFilterParam, 13},
};
constexpr Preset kPresets18[] = {  // as 1.6 and 1.7, with RS485Count from byte 21
    {&TRegInfo::TTLCount, 0},    {&TRegInfo::CtlCount, 0},   {&TRegInfo::TagFieldCount, 0},
    {&TRegInfo::TagFieldAux, 0}, {&TRegInfo::ExtAOCount, 0}, {&TRegInfo::ExtDOCount, 0},
    {&TRegInfo::DevFilterParam, 13},
};
constexpr Preset kPresets19[] = {
    {&TRegInfo::CtlCount, 0},   {&TRegInfo::TagFieldCount, 0}, {&TRegInfo::TagFieldAux, 0},
    {&TRegInfo::ExtAOCount, 0}, {&TRegInfo::ExtDOCount, 0},    {&TRegInfo::DevFilterParam, 13},
};
constexpr Preset kPresets20[] = {
    {&TRegInfo::ModelCode, 21},    {&TRegInfo::TTLCount, 0},    {&TRegInfo::CtlCount, 0},
    {&TRegInfo::TagFieldCount, 0}, {&TRegInfo::TagFieldAux, 0}, {&TRegInfo::ExtAOCount, 0},
    {&TRegInfo::ExtDOCount, 0},
};
constexpr Preset kPresets2125[] = {
    {&TRegInfo::ModelCode, 21}, {&TRegInfo::CtlCount, 0}, {&TRegInfo::ExtAOCount, 0}, {&TRegInfo::ExtDOCount, 0},
};
constexpr Preset kPresets2100[] = {{&TRegInfo::CtlCount, 0}};

// ---------------------------------------------------------------------------------
// Settle functions: what depends on feature bits, the model or other fields

constexpr std::uint32_t kV1_6_3 = MakeVersion(1, 6, 3);
constexpr std::uint32_t kV2_1_91 = MakeVersion(2, 1, 91);
constexpr std::uint32_t kV2_1_126 = MakeVersion(2, 1, 126);
constexpr std::uint32_t kV2_1_128 = MakeVersion(2, 1, 128);
constexpr std::uint32_t kV2_1_158 = MakeVersion(2, 1, 158);

bool Bit(const TRegInfo& info, unsigned bit) { return (info.Features >> bit) & 1u; }

void ScheduleByFeature(TRegInfo& info) { info.ScheduleCount = Bit(info, 0) ? 12 : 0; }

// Feature bit 11 names the second line, bit 12 the first; with neither, early 1.6
// firmware was only built for the second line.
void DeviceLineByFeatures(TRegInfo& info)
{
  if (Bit(info, 11))
    info.DeviceLine = 1;
  else if (Bit(info, 12))
    info.DeviceLine = 2;
  else
    info.DeviceLine = info.SwVersion < kV1_6_3 ? 1 : 2;
}

void ScreenByModel(TRegInfo& info)
{
  if (info.ModelCode == 21 || info.ModelCode == 50) {
    info.ScreenWidth = 800;
    info.ScreenHeight = 568;
  } else if (info.ModelCode == 51) {
    info.ScreenWidth = 600;
    info.ScreenHeight = 768;
  } else {
    info.ScreenWidth = 0;
    info.ScreenHeight = 0;
  }
}

void NoScreen(TRegInfo& info)
{
  info.ScreenWidth = 0;
  info.ScreenHeight = 0;
}

void MSCapacityFrom2100(TRegInfo& info, const ByteReader& r)
{
  if (info.SwVersion >= kV2_1_128)
    info.MSCapacity = r.u8(41);
  else if (info.SwVersion >= kV2_1_126)
    info.MSCapacity = 128;
  else
    info.MSCapacity = 64;
}

void Settle13(TRegInfo& info, const ByteReader&)
{
  info.DeviceLine = 1;
  // These devices report no model; an earlier general record may already have told it
  // by its input and relay counts.
  static constexpr std::pair<std::uint32_t, std::uint8_t> kModelOnePairs[] = {{4, 8}, {8, 8}, {8, 16}, {12, 8}, {12, 16}};
  for (const auto& [ai, dout] : kModelOnePairs)
    if (info.PhysAICount == ai && info.DOCount == dout) {
      info.ModelCode = 1;
      info.GenModelCode = 1;
    }
}

void Settle15(TRegInfo& info, const ByteReader&) { info.DeviceLine = 1; }

void Settle16(TRegInfo& info, const ByteReader&)
{
  ScheduleByFeature(info);
  DeviceLineByFeatures(info);
}

void Settle19(TRegInfo& info, const ByteReader&)
{
  DeviceLineByFeatures(info);
  info.RS485Count = !Bit(info, 4) + !Bit(info, 5);  // bits 4 and 5 withdraw port 1 and 2
}

void Settle20(TRegInfo& info, const ByteReader& r)
{
  ScheduleByFeature(info);
  info.DeviceLine = r.u8(23);
}

void Settle2125(TRegInfo& info, const ByteReader& r)
{
  Settle20(info, r);
  if (info.SwVersion < kV2_1_91 || IsInBranch(info.SwVersion)) return;
  if (Bit(info, 14)) {
    info.MSAuxWord = 0;
    info.MSCapacity = 64;
    ScreenByModel(info);
  } else {
    NoScreen(info);
  }
}

void Settle2100(TRegInfo& info, const ByteReader& r)
{
  Settle20(info, r);
  if (Bit(info, 14)) {
    MSCapacityFrom2100(info, r);
    ScreenByModel(info);
  } else {
    info.MSCapacity = 0;
  }
  // Two individual devices of the first line carry a feature their firmware does not
  // announce.
  if ((info.DeviceLine == 0 || info.DeviceLine == 2) && info.ModelCode == 51 &&
      (info.SerialNumber == 7636 || info.SerialNumber == 7638))
    info.Features |= 1u << 20;
}

// The 64-byte record adds the regulators, the screen size and the interfaces at bytes
// 44-50. A 44-byte record of this band has none of them: they read as 0 and the screen
// comes from the model, as on older firmware.
void Settle2150(TRegInfo& info, const ByteReader& r)
{
  Settle20(info, r);
  const bool extended = r.size() >= 64;
  if (Bit(info, 14)) {
    MSCapacityFrom2100(info, r);
    if (info.SwVersion >= kV2_1_158 && extended) {
      info.ScreenWidth = r.u16(46);
      info.ScreenHeight = r.u16(48);
    } else {
      ScreenByModel(info);
    }
  } else {
    info.MSCapacity = 0;
    NoScreen(info);
  }
  info.InterfaceMask = extended ? r.u8(50) : 0;
}

// ---------------------------------------------------------------------------------
// The bands

constexpr DeviceInfoBand kBands[] = {
    // from, up to, refused as too new (newest supported), length rule, field rows,
    // final check, serial number offset, HardwareId offset, reversed, presets, settle
    {0x01030000, 0x0104FFFF, 0, {Length::Exactly, 34, 0, 4176}, kFields13, 4249, 14, 18, true, kPresets13, Settle13},
    {0x01050000, 0x0105FFFF, 0, {Length::AtLeast, 40, 0, 4257}, kFields15, 4301, 20, 24, false, kPresets15, Settle15},
    {0x01060000, 0x0106FFFF, 0, {Length::AtLeast, 44, 0, 4309}, kFields16, 4383, 24, 28, false, kPresets16, Settle16},
    {0x01070000, 0x0107FFFF, 0, {Length::AtLeast, 44, 0, 4391}, kFields17, 4453, 24, 28, false, kPresets16, Settle16},
    {0x01080000, 0x0108FFFF, 0, {Length::Exactly, 44, 0, 4461}, kFields18, 4530, 24, 28, false, kPresets18, Settle16},
    {0x01090000, 0x010A14FF, 0, {Length::AtLeast, 44, 0, 4538}, kFields19, 4625, 24, 28, false, kPresets19, Settle19},
    {0x010A1500, 0x01FFFFFF, kFirstLineUpTo, {}, {}, 0, 0, 0, false, {}, nullptr},
    {0x02000000, 0x020118FF, 0, {Length::AtLeast, 28, 0, 4637}, kFields20, 0, 24, 0, false, kPresets20, Settle20},
    {0x02011900, 0x020159FF, 0, {Length::AtLeast, 32, 0, 4707}, kFields2125, 0, 24, 0, false, kPresets2125, Settle2125},
    {0x02015A00, 0x020163FF, 0, {Length::AtLeast, 32, 0, 4707}, kFields2190, 0, 24, 0, false, kPresets2125, Settle2125},
    {0x02016400, 0x020195FF, 0, {Length::Exactly, 44, 0, 4836}, kFields2100, 0, 24, 0, false, kPresets2100, Settle2100},
    {0x02019600, 0x0201A0FF, 0, {Length::ExactlyEither, 44, 64, 5013}, kFields2150, 0, 24, 0, false, {}, Settle2150},
    {0x0201A100, 0x0201FFFF, kSecondLineUpTo, {}, {}, 0, 0, 0, false, {}, nullptr},
    {0x02020000, 0x020203FF, 0, {Length::AtLeast, 32, 0, 4707}, kFields22, 0, 24, 0, false, kPresets2125, Settle2125},
    {0x02020400, 0xFFFFFFFF, kSecondLineUpTo, {}, {}, 0, 0, 0, false, {}, nullptr},
};

static_assert(MakeVersion(2, 1, 25) == 0x02011900 && MakeVersion(2, 1, 90) == 0x02015A00);
static_assert(MakeVersion(2, 1, 100) == 0x02016400 && MakeVersion(2, 1, 150) == 0x02019600);

const DeviceInfoBand& BandOf(std::uint32_t sw)
{
  for (const auto& band : kBands)
    if (sw >= band.from && sw <= band.upTo) return band;
  throw EVantorUnsupportedOldVer(sw);  // below 1.3, which the caller has refused already
}

bool Holds(const Condition& when, const TRegInfo& info)
{
  if (when.featureBit >= 0 && !Bit(info, static_cast<unsigned>(when.featureBit))) return false;
  if (when.fromVersion != 0 && (info.SwVersion < when.fromVersion || IsInBranch(info.SwVersion))) return false;
  return true;
}

std::uint32_t ReadField(const ByteReader& r, std::size_t offset, unsigned width)
{
  switch (width) {
  case 1: return r.u8(offset);
  case 2: return r.u16(offset);
  default: return r.u32(offset);
  }
}

void ReadRow(TRegInfo& info, const ByteReader& r, const FieldRow& row)
{
  // Bytes past the record (only the short form of the 2.1.150 band has such rows) and
  // rows whose condition fails leave the field 0.
  if (!Holds(row.when, info) || row.offset + row.width > r.size()) {
    info.*row.field = 0;
    return;
  }
  const std::uint32_t value = ReadField(r, row.offset, row.width);
  info.*row.field = value;
  if (row.minCheck && value < row.min) throw EVantorInvalid(row.minCheck);
  if (row.maxCheck && value > row.max) throw EVantorInvalid(row.maxCheck);
  if (row.typeCodeCheck && !IsRecorderTypeCode(value)) throw EVantorInvalid(row.typeCodeCheck);
}

}  // namespace

void TRegInfo::ReadDeviceInfoRecord(std::span<const std::uint8_t> record)
{
  const ByteReader r(record, "device information record");
  if (record.size() < 12) throw EVantorInvalid(4154);
  SwVersion = r.u32(4);
  if (SwVersion < kFirstLineFrom) throw EVantorUnsupportedOldVer(SwVersion);

  const DeviceInfoBand& band = BandOf(SwVersion);
  if (band.newestSupported) throw EVantorUnsupportedNewVer(SwVersion, band.newestSupported);
  if (!band.length.Accepts(record.size())) throw EVantorInvalid(band.length.check);

  HwVersion = r.u32(0);
  Features = r.u32(8);
  for (const FieldRow& row : band.fields) ReadRow(*this, r, row);
  if (band.finalCheck && (PageCount < 1 || PageChannelCount < 1)) throw EVantorInvalid(band.finalCheck);

  SerialNumber = r.u32(band.serialOffset);
  if (band.hardwareIdOffset) {
    for (std::size_t i = 0; i < HardwareId.size(); ++i) {
      // Reversed: record bytes 18..21 become HardwareId 3..0, and so on per group.
      const std::size_t source = band.hardwareIdReversed ? (i / 4) * 4 + (3 - i % 4) : i;
      HardwareId[i] = r.u8(band.hardwareIdOffset + source);
    }
  }
  for (const Preset& preset : band.presets) this->*preset.field = preset.value;
  band.settle(*this, r);
}
