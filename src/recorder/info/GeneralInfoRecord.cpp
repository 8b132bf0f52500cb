// Information record 0, the general information record, and the store callbacks of the
// channel information records. The band is chosen by SwVersion from record 1; it names
// the record's form: the byte offsets of its layout, its checks and how it finds the
// model code.

#include <optional>
#include <span>
#include <utility>

#include "platform/Bytes.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr int kNone = -1;

// Byte offsets of the fields in one layout of record 0; kNone: the layout lacks it.
struct GeneralLayout {
  int genFlags = kNone;
  int genHwVersion = kNone;
  int genSwVersion = kNone;
  int timeBase = kNone;
  int timeBaseWidth = 1;      // bytes, not an offset
  int signalCount = kNone;
  int signalEntries = kNone;  // the embedded signal-support entries
  int aux1 = kNone;
  int aux2 = kNone;
  int optionMask = kNone;
  int rtdTypeMask = kNone;
  int rtdR0Mask = kNone;
  int aux3 = kNone;
  int aux4 = kNone;
  int aiCount = kNone;
  int physAICount = kNone;
  int aux5 = kNone;
  int diCount = kNone;
  int aux6 = kNone;
  int doCount = kNone;
  int aux7 = kNone;
  int aux8 = kNone;
  int modelCode = kNone;
};

// 1.3-1.5: nine embedded entries of 18 bytes, then the masks and counts.
constexpr GeneralLayout kG188{.genFlags = 0,
                              .genHwVersion = 1,
                              .genSwVersion = 5,
                              .timeBase = 9,
                              .timeBaseWidth = 2,
                              .signalCount = 11,
                              .signalEntries = 12,
                              .aux1 = 174,
                              .aux2 = 175,
                              .optionMask = 177,
                              .rtdTypeMask = 178,
                              .rtdR0Mask = 179,
                              .aux4 = 180,
                              .aiCount = 181,
                              .physAICount = 182,
                              .aux5 = 183,
                              .diCount = 184,
                              .aux6 = 185,
                              .doCount = 186,
                              .aux7 = 187};

// 1.6-1.7 and 1.9: a tenth entry and the pyrometer mask.
constexpr GeneralLayout kG207{.genFlags = 0,
                              .genHwVersion = 1,
                              .genSwVersion = 5,
                              .timeBase = 9,
                              .timeBaseWidth = 2,
                              .signalCount = 11,
                              .signalEntries = 12,
                              .aux1 = 192,
                              .aux2 = 193,
                              .optionMask = 195,
                              .rtdTypeMask = 196,
                              .rtdR0Mask = 197,
                              .aux3 = 198,
                              .aux4 = 199,
                              .aiCount = 200,
                              .physAICount = 201,
                              .aux5 = 202,
                              .diCount = 203,
                              .aux6 = 204,
                              .doCount = 205,
                              .aux7 = 206};

// 1.8: 28 bytes, the entries come as records of their own.
constexpr GeneralLayout kG28of1_8{.genFlags = 9,
                                  .genHwVersion = 0,
                                  .genSwVersion = 4,
                                  .timeBase = 10,
                                  .signalCount = 11,
                                  .aux1 = 12,
                                  .aux2 = 14,
                                  .optionMask = 13,
                                  .rtdTypeMask = 16,
                                  .rtdR0Mask = 17,
                                  .aux3 = 18,
                                  .aux4 = 19,
                                  .aiCount = 20,
                                  .physAICount = 21,
                                  .aux5 = 22,
                                  .diCount = 23,
                                  .aux6 = 24,
                                  .doCount = 25,
                                  .aux7 = 26,
                                  .modelCode = 8};

// 1.10: as 1.8 without the three aux counts, with one more byte at the end.
constexpr GeneralLayout Layout28Of1_10()
{
  GeneralLayout layout = kG28of1_8;
  layout.aux5 = layout.aux6 = layout.aux7 = kNone;
  layout.aux8 = 27;
  return layout;
}
constexpr GeneralLayout kG28of1_10 = Layout28Of1_10();

// The second line; the fields only it has are read by their offsets in the decoder.
constexpr GeneralLayout kG48{.genFlags = 9,
                             .genHwVersion = 0,
                             .genSwVersion = 4,
                             .timeBase = 10,
                             .signalCount = 12,
                             .aux1 = 13,
                             .aux2 = 14,
                             .optionMask = 16,
                             .rtdTypeMask = 18,
                             .rtdR0Mask = 20,
                             .aux3 = 17,
                             .aux4 = 22,
                             .aiCount = 40,
                             .physAICount = 38,
                             .diCount = 44,
                             .doCount = 45,
                             .aux8 = 11,
                             .modelCode = 8};

constexpr std::size_t kSignalEntrySize = 18;

enum class ModelRule {
  ByCounts,      // from (PhysAICount, DOCount): the 1.3-1.5 pairs
  ByCounts16,    // as ByCounts, but (4, 8) is model 8 from 1.7 on
  ByCounts19,    // as ByCounts, plus the models without physical inputs, 6 and 7
  Byte6Or7,      // byte 8, which must be 6 or 7
  Byte1To7,      // byte 8, which must be 1..7
  Byte,          // byte 8 as it is
};

// One form of the record: its layout and its checks.
struct GeneralForm {
  const GeneralLayout* layout = nullptr;
  unsigned zeroCheck = 0;        // a version or the time base is 0, or (first line) the signal count
  ModelRule model = ModelRule::Byte;
  unsigned modelCheck = 0;
  unsigned embeddedSignals = 0;  // the count the embedded entries must have (0: entries come later)
  unsigned signalCheck = 0;      // wrong embedded count, or later entries: too few
  unsigned signalMax = 0;        // later entries: at most so many (0: no limit)
  unsigned signalMaxCheck = 0;
  unsigned countsCheck = 0;      // channel counts zero (first line) or PhysAICount above the AI count
  unsigned auxCheck = 0;         // GenAux5 below 10, GenAux6 or GenAux7 zero (0: not checked)
  bool secondLine = false;       // 48-byte layout: floats, module slots, AO and IP counts
};

constexpr GeneralForm kForm1_3{.layout = &kG188,
                               .zeroCheck = 3558,
                               .model = ModelRule::ByCounts,
                               .modelCheck = 3575,
                               .embeddedSignals = 9,
                               .signalCheck = 3590,
                               .countsCheck = 3617,
                               .auxCheck = 3619};
constexpr GeneralForm kForm1_6{.layout = &kG207,
                               .zeroCheck = 3655,
                               .model = ModelRule::ByCounts16,
                               .modelCheck = 3677,
                               .embeddedSignals = 10,
                               .signalCheck = 3692,
                               .countsCheck = 3720,
                               .auxCheck = 3722};
constexpr GeneralForm kForm1_8{.layout = &kG28of1_8,
                               .zeroCheck = 3760,
                               .model = ModelRule::Byte6Or7,
                               .modelCheck = 3770,
                               .countsCheck = 3803,
                               .auxCheck = 3805};
constexpr GeneralForm kForm1_9{.layout = &kG207,
                               .zeroCheck = 3839,
                               .model = ModelRule::ByCounts19,
                               .modelCheck = 3859,
                               .embeddedSignals = 10,
                               .signalCheck = 3874,
                               .countsCheck = 3902,
                               .auxCheck = 3904};
// Check 3966 is our own: these firmware never tested that the physical inputs fit the
// AI channels, and a larger count would later index past the channel list.
constexpr GeneralForm kForm1_10{.layout = &kG28of1_10,
                                .zeroCheck = 3941,
                                .model = ModelRule::Byte1To7,
                                .modelCheck = 3957,
                                .signalCheck = 3965,
                                .countsCheck = 3966};
// Check 4088 is our own, for the same reason as 3966.
constexpr GeneralForm kForm2_0{.layout = &kG48,
                               .zeroCheck = 4026,
                               .signalMax = 16,
                               .signalMaxCheck = 4049,
                               .countsCheck = 4088,
                               .secondLine = true};
constexpr GeneralForm kForm2_1_150{.layout = &kG48,
                                   .zeroCheck = 4026,
                                   .signalMax = 24,
                                   .signalMaxCheck = 4055,
                                   .countsCheck = 4088,
                                   .secondLine = true};

constexpr VersionBand<const GeneralForm*> kBands[] = {
    RefusedAsOld(0, MakeVersion(1, 2, 255, 255)),
    Served(MakeVersion(1, 3, 0), MakeVersion(1, 5, 255, 255), &kForm1_3, LengthAtLeast(188, 3549)),
    Served(MakeVersion(1, 6, 0), MakeVersion(1, 7, 255, 255), &kForm1_6, LengthAtLeast(207, 3646)),
    Served(MakeVersion(1, 8, 0), MakeVersion(1, 8, 255, 255), &kForm1_8, LengthExactly(28, 3750).LongerRaises(3760)),
    Served(MakeVersion(1, 9, 0), MakeVersion(1, 9, 255, 255), &kForm1_9, LengthAtLeast(207, 3830)),
    Served(MakeVersion(1, 10, 0), MakeVersion(1, 10, 20, 255), &kForm1_10, LengthExactly(28, 3932)),
    RefusedAsNew(MakeVersion(1, 10, 21), MakeVersion(1, 255, 255, 255), kFirstLineUpTo),
    Served(MakeVersion(2, 0, 0), MakeVersion(2, 1, 149, 255), &kForm2_0, LengthAtLeast(48, 4014)),
    Served(MakeVersion(2, 1, 150), MakeVersion(2, 1, 160, 255), &kForm2_1_150, LengthAtLeast(48, 4014)),
    RefusedAsNew(MakeVersion(2, 1, 161), MakeVersion(2, 1, 255, 255), kSecondLineUpTo),
    Served(MakeVersion(2, 2, 0), MakeVersion(2, 2, 3, 255), &kForm2_0, LengthAtLeast(48, 4014)),
    RefusedAsNew(MakeVersion(2, 2, 4), MakeVersion(255, 255, 255, 255), kSecondLineUpTo),
};

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
  const GeneralForm& form = *BandForReading<kBands>(SwVersion, record.size()).form;
  const GeneralLayout& at = *form.layout;
  const ByteReader r(record, "general information record");

  const std::uint32_t hw = r.u32(at.genHwVersion);
  const std::uint32_t sw = r.u32(at.genSwVersion);
  const std::uint32_t timeBase = at.timeBaseWidth == 2 ? r.u16(at.timeBase) : r.u8(at.timeBase);
  const std::uint8_t signalCount = r.u8(at.signalCount);
  if (hw == 0 || sw == 0 || timeBase == 0 || (signalCount == 0 && !form.secondLine))
    throw EVantorInvalid(form.zeroCheck);

  GenFlags = r.u8(at.genFlags);
  GenHwVersion = hw;
  GenSwVersion = sw;

  switch (form.model) {
  case ModelRule::ByCounts:
  case ModelRule::ByCounts16:
  case ModelRule::ByCounts19: {
    auto model = ModelByCounts(form.model, SwVersion, r.u8(at.physAICount), r.u8(at.doCount));
    if (!model) throw EVantorInvalid(form.modelCheck);
    ModelCode = GenModelCode = *model;
    break;
  }
  case ModelRule::Byte6Or7:
  case ModelRule::Byte1To7: {
    const std::uint8_t model = r.u8(at.modelCode);
    const std::uint8_t lowest = form.model == ModelRule::Byte6Or7 ? 6 : 1;
    if (model < lowest || model > 7) throw EVantorInvalid(form.modelCheck);
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
  if (form.embeddedSignals) {
    if (signalCount != form.embeddedSignals) throw EVantorInvalid(form.signalCheck);
    AISignalSupport.assign(signalCount, {});
    for (std::size_t i = 0; i < signalCount; ++i)
      AISignalSupport[i].ReadRecord(SwVersion, static_cast<std::uint32_t>(i),
                                    r.span(at.signalEntries + kSignalEntrySize * i, kSignalEntrySize));
  } else {
    if (form.signalCheck && signalCount < 1) throw EVantorInvalid(form.signalCheck);
    if (form.signalMax && signalCount > form.signalMax) throw EVantorInvalid(form.signalMaxCheck);
    AISignalSupport.assign(signalCount, {});
  }

  GenAux1 = r.u8(at.aux1);
  GenAux2 = r.u16(at.aux2);
  GenOptionMask = r.u8(at.optionMask);
  RtdTypeMask = r.u8(at.rtdTypeMask);
  RtdR0Mask = r.u8(at.rtdR0Mask);
  CopyIfPresent(GenAux3, r, at.aux3);
  GenAux4 = r.u8(at.aux4);

  const bool secondLine = form.secondLine;
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
  const bool countsRequired = form.auxCheck != 0 || form.embeddedSignals != 0;
  const bool anyZero = aiCount < 1 || diCount < 1 || DOCount < 1 || PhysAICount < 1;
  if ((anyZero && countsRequired) || aiCount < PhysAICount) throw EVantorInvalid(form.countsCheck);
  if (form.auxCheck && (GenAux5 < 10 || GenAux6 < 1 || GenAux7 < 1)) throw EVantorInvalid(form.auxCheck);

  if (!secondLine) {
    GenCount1 = diCount;
    GenCount2 = 0;
    // The 28-byte layouts count the mathematical channels here; the others a fixed 2.
    GenCount3 = form.embeddedSignals ? 2 : static_cast<std::uint8_t>(aiCount - PhysAICount);
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
