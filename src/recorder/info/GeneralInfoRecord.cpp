// Information record 0, the general information record, and the store callbacks of the
// channel information records. The band is chosen by SwVersion from record 1; each band
// names its layout (the byte offsets), its checks and how it finds the model code.

#include <optional>
#include <span>
#include <utility>

#include "platform/Bytes.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr int kNone = -1;

// Byte offsets of the fields in one layout of record 0; kNone: the layout lacks it.
struct GeneralLayout {
  int genFlags, genHwVersion, genSwVersion, timeBase, timeBaseWidth, signalCount, signalEntries;
  int aux1, aux2, optionMask, rtdTypeMask, rtdR0Mask, aux3, aux4;
  int aiCount, physAICount, aux5, diCount, aux6, doCount, aux7, aux8, modelCode;
};

// clang-format off
//                                 flags hw sw  tb w sig entries aux1 aux2 opt rtdT rtdR0 aux3  aux4 ai   phys aux5  di   aux6  do   aux7  aux8   model
constexpr GeneralLayout kG188  = {0,    1, 5,  9, 2, 11, 12,     174, 175, 177, 178, 179, kNone, 180, 181, 182, 183,  184, 185,  186, 187,  kNone, kNone};
constexpr GeneralLayout kG207  = {0,    1, 5,  9, 2, 11, 12,     192, 193, 195, 196, 197, 198,   199, 200, 201, 202,  203, 204,  205, 206,  kNone, kNone};
constexpr GeneralLayout kG28a  = {9,    0, 4, 10, 1, 11, kNone,  12,  14,  13,  16,  17,  18,    19,  20,  21,  22,   23,  24,   25,  26,   kNone, 8};
constexpr GeneralLayout kG28b  = {9,    0, 4, 10, 1, 11, kNone,  12,  14,  13,  16,  17,  18,    19,  20,  21,  kNone, 23, kNone, 25,  kNone, 27,   8};
constexpr GeneralLayout kG48   = {9,    0, 4, 10, 1, 12, kNone,  13,  14,  16,  18,  20,  17,    22,  40,  38,  kNone, 44, kNone, 45,  kNone, 11,   8};
// clang-format on

constexpr std::size_t kSignalEntrySize = 18;

enum class ModelRule {
  ByCounts,      // from (PhysAICount, DOCount): the 1.3-1.5 pairs
  ByCounts16,    // as ByCounts, but (4, 8) is model 8 from 1.7 on
  ByCounts19,    // as ByCounts, plus the models without physical inputs, 6 and 7
  Byte6Or7,      // byte 8, which must be 6 or 7
  Byte1To7,      // byte 8, which must be 1..7
  Byte,          // byte 8 as it is
};

struct GeneralBand {
  std::uint32_t from;
  std::uint32_t upTo;
  const GeneralLayout* layout;
  std::size_t size;
  unsigned shortCheck;        // length below size
  unsigned notExactCheck;     // length above size (0: longer records are accepted)
  unsigned zeroCheck;         // a version or the time base is 0, or (first line) the signal count
  ModelRule model;
  unsigned modelCheck;
  unsigned embeddedSignals;   // the count the embedded entries must have (0: entries come later)
  unsigned signalCheck;       // wrong embedded count, or later entries: too few
  unsigned signalMax;         // later entries: at most so many (0: no limit)
  unsigned signalMaxCheck;
  unsigned countsCheck;       // channel counts zero (first line) or PhysAICount above the AI count
  unsigned auxCheck;          // GenAux5 below 10, GenAux6 or GenAux7 zero (0: not checked)
  bool secondLine;            // 48-byte layout: floats, module slots, AO and IP counts
};

// Checks 3966 and 4088 are our own: these bands never tested that the physical inputs
// fit the AI channels, and a larger count would later index past the channel list.
// clang-format off
constexpr GeneralBand kBands[] = {
    // from       up to       layout  size short exact zero  model                 check embedded/check  max/check   counts aux   2.x
    {0x01030000, 0x0105FFFF, &kG188, 188, 3549, 0,    3558, ModelRule::ByCounts,   3575, 9,  3590,       0,  0,      3617, 3619, false},
    {0x01060000, 0x0107FFFF, &kG207, 207, 3646, 0,    3655, ModelRule::ByCounts16, 3677, 10, 3692,       0,  0,      3720, 3722, false},
    {0x01080000, 0x0108FFFF, &kG28a, 28,  3750, 3760, 3760, ModelRule::Byte6Or7,   3770, 0,  0,          0,  0,      3803, 3805, false},
    {0x01090000, 0x0109FFFF, &kG207, 207, 3830, 0,    3839, ModelRule::ByCounts19, 3859, 10, 3874,       0,  0,      3902, 3904, false},
    {0x010A0000, 0x010A14FF, &kG28b, 28,  3932, 3932, 3941, ModelRule::Byte1To7,   3957, 0,  3965,       0,  0,      3966, 0,    false},
    {0x02000000, 0x020195FF, &kG48,  48,  4014, 0,    4026, ModelRule::Byte,       0,    0,  0,          16, 4049,   4088, 0,    true},
    {0x02019600, 0x0201A0FF, &kG48,  48,  4014, 0,    4026, ModelRule::Byte,       0,    0,  0,          24, 4055,   4088, 0,    true},
    {0x02020000, 0x020203FF, &kG48,  48,  4014, 0,    4026, ModelRule::Byte,       0,    0,  0,          16, 4049,   4088, 0,    true},
};
// clang-format on

static_assert(MakeVersion(2, 1, 150) == 0x02019600);

std::optional<std::uint8_t> ModelByCounts(ModelRule rule, std::uint32_t sw, std::uint8_t physAI, std::uint8_t dout)
{
  static constexpr std::pair<std::pair<int, int>, std::uint8_t> kPairs[] = {
      {{4, 8}, 1}, {{8, 8}, 2}, {{8, 16}, 3}, {{12, 8}, 4}, {{12, 16}, 5}, {{0, 8}, 6}, {{0, 16}, 7}};
  const std::size_t pairs = rule == ModelRule::ByCounts19 ? std::size(kPairs) : 5;
  for (std::size_t i = 0; i < pairs; ++i) {
    if (kPairs[i].first != std::pair<int, int>{physAI, dout}) continue;
    if (rule == ModelRule::ByCounts16 && kPairs[i].second == 1 && sw >= MakeVersion(1, 7, 0)) return 8;
    return kPairs[i].second;
  }
  return std::nullopt;
}

void CopyIfPresent(std::uint8_t& field, const ByteReader& r, int offset)
{
  if (offset != kNone) field = r.u8(static_cast<std::size_t>(offset));
}

}  // namespace

void TRegInfo::ResizeChannelVectors(std::size_t ai, std::size_t di, std::size_t dout)
{
  AIChannels.resize(ai);
  AOChannels.resize(AOCount);
  DIChannels.resize(di);
  DOChannels.resize(dout);
  IPChannels.resize(IPCount);
}

void TRegInfo::ReadGeneralInfoRecord(std::span<const std::uint8_t> record)
{
  if (SwVersion < kFirstLineFrom) throw EVantorUnsupportedOldVer(SwVersion);
  const GeneralBand* band = nullptr;
  for (const auto& b : kBands)
    if (SwVersion >= b.from && SwVersion <= b.upTo) band = &b;
  if (!band) throw EVantorUnsupportedNewVer(SwVersion, SwVersion < kSecondLineFrom ? kFirstLineUpTo : kSecondLineUpTo);

  const GeneralLayout& at = *band->layout;
  const ByteReader r(record, "general information record");
  if (record.size() < band->size) throw EVantorInvalid(band->shortCheck);
  if (band->notExactCheck && record.size() != band->size) throw EVantorInvalid(band->notExactCheck);

  const std::uint32_t hw = r.u32(at.genHwVersion);
  const std::uint32_t sw = r.u32(at.genSwVersion);
  const std::uint32_t timeBase = at.timeBaseWidth == 2 ? r.u16(at.timeBase) : r.u8(at.timeBase);
  const std::uint8_t signalCount = r.u8(at.signalCount);
  if (hw == 0 || sw == 0 || timeBase == 0 || (signalCount == 0 && !band->secondLine))
    throw EVantorInvalid(band->zeroCheck);

  GenFlags = r.u8(at.genFlags);
  GenHwVersion = hw;
  GenSwVersion = sw;

  switch (band->model) {
  case ModelRule::ByCounts:
  case ModelRule::ByCounts16:
  case ModelRule::ByCounts19: {
    auto model = ModelByCounts(band->model, SwVersion, r.u8(at.physAICount), r.u8(at.doCount));
    if (!model) throw EVantorInvalid(band->modelCheck);
    ModelCode = GenModelCode = *model;
    break;
  }
  case ModelRule::Byte6Or7:
  case ModelRule::Byte1To7: {
    const std::uint8_t model = r.u8(at.modelCode);
    const std::uint8_t lowest = band->model == ModelRule::Byte6Or7 ? 6 : 1;
    if (model < lowest || model > 7) throw EVantorInvalid(band->modelCheck);
    ModelCode = GenModelCode = model;
    break;
  }
  case ModelRule::Byte:
    // On the second line record 0 has the last word on the model.
    ModelCode = GenModelCode = r.u8(at.modelCode);
    break;
  }
  GenTimeBase = timeBase;
  CopyIfPresent(GenAux8, r, at.aux8);

  // The signal-support list: embedded as 18-byte entries, or sized here and filled by
  // the separate records the full information read fetches.
  if (band->embeddedSignals) {
    if (signalCount != band->embeddedSignals) throw EVantorInvalid(band->signalCheck);
    AISignalSupport.assign(signalCount, {});
    for (std::size_t i = 0; i < signalCount; ++i)
      AISignalSupport[i].ReadRecord(SwVersion, static_cast<std::uint32_t>(i),
                                    r.span(at.signalEntries + kSignalEntrySize * i, kSignalEntrySize));
  } else {
    if (band->signalCheck && signalCount < 1) throw EVantorInvalid(band->signalCheck);
    if (band->signalMax && signalCount > band->signalMax) throw EVantorInvalid(band->signalMaxCheck);
    AISignalSupport.assign(signalCount, {});
  }

  GenAux1 = r.u8(at.aux1);
  GenAux2 = r.u16(at.aux2);
  GenOptionMask = r.u8(at.optionMask);
  RtdTypeMask = r.u8(at.rtdTypeMask);
  RtdR0Mask = r.u8(at.rtdR0Mask);
  CopyIfPresent(GenAux3, r, at.aux3);
  GenAux4 = r.u8(at.aux4);

  const bool secondLine = band->secondLine;
  if (secondLine) {
    GenValue1 = r.f32(24);
    GenValue2 = r.f32(28);
    for (std::size_t i = 0; i < ModuleSlots.size(); ++i) {
      ModuleSlots[i] = r.u8(32 + i);
      if (ModuleSlots[i] >= 22) throw EVantorInvalid(4077);
    }
  }

  const std::uint8_t aiCount = r.u8(at.aiCount);
  const std::uint8_t diCount = r.u8(at.diCount);
  PhysAICount = r.u8(at.physAICount);
  DOCount = r.u8(at.doCount);
  CopyIfPresent(GenAux5, r, at.aux5);
  CopyIfPresent(GenAux6, r, at.aux6);
  CopyIfPresent(GenAux7, r, at.aux7);
  if (secondLine) {
    GenCount1 = r.u8(39);
    GenCount2 = r.u8(41);
    GenCount3 = r.u8(42);
    AOCount = r.u8(43);
    IPCount = r.u8(46);
  }

  // 1.10 and the second line require no channel of any kind.
  const bool countsRequired = band->auxCheck != 0 || band->embeddedSignals != 0;
  const bool anyZero = aiCount < 1 || diCount < 1 || DOCount < 1 || PhysAICount < 1;
  if ((anyZero && countsRequired) || aiCount < PhysAICount) throw EVantorInvalid(band->countsCheck);
  if (band->auxCheck && (GenAux5 < 10 || GenAux6 < 1 || GenAux7 < 1)) throw EVantorInvalid(band->auxCheck);

  if (!secondLine) {
    GenCount1 = diCount;
    GenCount2 = 0;
    // The 28-byte layouts count the mathematical channels here; the others a fixed 2.
    GenCount3 = band->embeddedSignals ? 2 : static_cast<std::uint8_t>(aiCount - PhysAICount);
    AOCount = 0;
    IPCount = 0;
  }
  ResizeChannelVectors(aiCount, diCount, secondLine ? DOCount + ExtDOCount : DOCount);
}

// ---------------------------------------------------------------------------------
// Store callbacks

int TRegInfo::StoreAISignalSupportRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  if (index >= AISignalSupport.size()) throw EVantorInvalid(5190);
  AISignalSupport[index].ReadRecord(GenSwVersion, index, {data, length});
  return 0;
}

int TRegInfo::StoreAIChannelRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  if (index >= AIChannels.size()) throw EVantorInvalid(5202);
  TRegAIChannelInfo& channel = AIChannels[index];
  channel.ReadRecord(VersionPair(), {data, length});
  if (GenSwVersion < MakeVersion(1, 1, 0)) throw EVantorUnsupportedOldVer(GenSwVersion);
  // These general parts number their records straight through: the physical inputs
  // first, then the mathematical channels.
  const bool numberedByIndex = GenSwVersion < MakeVersion(1, 8, 0) ||
                               (GenSwVersion >= MakeVersion(1, 9, 0) && GenSwVersion < MakeVersion(1, 10, 0));
  if (numberedByIndex) {
    if (index < PhysAICount) {
      channel.Kind = 0;
      channel.Number = static_cast<std::uint8_t>(index);
    } else {
      channel.Kind = 3;
      channel.Number = static_cast<std::uint8_t>(index - PhysAICount);
    }
  }
  return 0;
}

int TRegInfo::StoreDIChannelRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  if (index >= DIChannels.size()) throw EVantorInvalid(5241);
  DIChannels[index].ReadRecord(GenSwVersion, {data, length});
  return 0;
}

int TRegInfo::StoreDOChannelRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  // The relay count may have changed since the vector was sized (record 1 read again),
  // so the vector's own size bounds the index too.
  if (index >= DOCount + ExtDOCount || index >= DOChannels.size()) throw EVantorInvalid(5253);
  DOChannels[index].ReadRecord(GenSwVersion, {data, length});
  return 0;
}
