// The analog input's limit events in their four device forms, and the flow computation
// in its two.

#include <algorithm>
#include <cmath>

#include "recorder/config/RegAIRecordCodec.h"
#include "recorder/config/RegConfig.h"
#include "recorder/config/SingleDecimal.h"
#include "recorder/info/DecimalWord.h"
#include "recorder/info/VantorException.h"

namespace {

// --- Flow computation -------------------------------------------------------------

constexpr std::uint8_t kMediumGas = 0;
constexpr std::uint8_t kMediumSteam = 3;
constexpr std::uint8_t kMediumAir = 4;
constexpr std::uint8_t kMediumMR118 = 5;

// What the 88-byte form holds where a medium supplies no value of its own.
constexpr float kOtherGasParam1 = 0.05f;
constexpr float kOtherGasParam2 = 0.01f;
constexpr float kOtherGasParam3 = 0.694f;
constexpr float kOtherSteamParam = 1.0f;

template <class IO, class Flow>
void TransferFlowCoefficients(IO& io, Flow& f, std::size_t coef1, std::size_t coef3, std::size_t sets)
{
  io.f32(coef1, f.FlowCoef1);
  io.f32(coef1 + 4, f.FlowCoef2);
  io.f32(coef3, f.FlowCoef3);
  for (std::size_t i = 0; i < 3; ++i) io.f32(sets + 4 * i, f.CoefSet1[i]);
  for (std::size_t i = 0; i < 3; ++i) io.f32(sets + 12 + 4 * i, f.CoefSet2[i]);
  io.f32(sets + 24, f.FlowCoef4);
  io.f32(sets + 28, f.FlowCoef5);
}

// The 100-byte form after its format flag.
template <class IO, class Flow>
void TransferFlow100(IO& io, Flow& f)
{
  io.u8(1, f.FlowByte1);
  io.u8(2, f.FlowByte2);
  io.u8(3, f.FlowByte3);
  io.u8(4, f.FlowByte4);
  io.u8(5, f.FlowByte5);
  io.u8(6, f.FlowByte6);
  io.u8(7, f.FlowByte7);
  io.u32(8, f.FlowWord1);
  io.u32(12, f.FlowWord2);
  io.u8(16, f.FlowByte8);
  io.u8(17, f.Medium);
  io.u8(18, f.FlowByte9);
  TransferFlowCoefficients(io, f, 20, 28, 32);
  switch (f.Medium) {
  case kMediumGas:
    io.f32(64, f.GasParam1);
    io.f32(68, f.GasParam2);
    io.f32(72, f.GasParam3);
    io.u8(76, f.GasOption);
    io.raw(77, f.GasSpare);
    break;
  case kMediumSteam:
    io.f32(64, f.SteamParam);
    io.u8(68, f.SteamOption);
    io.raw(69, f.SteamSpare);
    break;
  case kMediumMR118:
    for (std::size_t i = 0; i < f.Medium5Data.size(); ++i) io.u16(64 + 2 * i, f.Medium5Data[i]);
    break;
  default: break;
  }
}

// The 88-byte form after its magic word, less the medium's own values.
template <class IO, class Flow>
void TransferFlow88(IO& io, Flow& f)
{
  io.u8(75, f.Medium);
  TransferFlowCoefficients(io, f, 4, 16, 20);
  io.u8(68, f.FlowByte1);
  io.u8(69, f.FlowByte2);
  io.u8(70, f.FlowByte3);
  io.u8(71, f.FlowByte4);
  io.u8(72, f.FlowByte9);
  io.u8(73, f.FlowByte8);
  io.u8(76, f.FlowByte5);
  io.u8(77, f.FlowByte6);
  io.u8(78, f.FlowByte7);
  io.u32(80, f.FlowWord1);
  io.u32(84, f.FlowWord2);
  if (f.Medium == kMediumGas) {
    io.f32(52, f.GasParam1);
    io.f32(56, f.GasParam2);
    io.f32(60, f.GasParam3);
    io.u8(74, f.GasOption);
  } else if (f.Medium == kMediumSteam) {
    io.f32(64, f.SteamParam);
  }
}

// --- Event limits -------------------------------------------------------------------

const fixed::TFloatPrecEx<int>& LimitRange(const TRegInfo& info, int limit)
{
  return limit == 0 ? info.ValueLimitEx1 : info.ValueLimitEx2;
}

// A limit as the writer stores it: brought within the device's range.
fixed::DecimalPair NormalisedLimit(const fixed::TFloatPrecEx<int>& value, const fixed::TFloatPrecEx<int>& range)
{
  int mantissa = value.GetMantissa();
  int decimals = value.GetPrec();
  fixed::FixedNormalize(value, mantissa, decimals, range.GetMinPrec(), range.GetMaxPrec(), range.GetMin(),
                        range.GetMax());
  return {mantissa, decimals};
}

void SetLimitFromFloat(fixed::TFloatPrecEx<int>& limit, const fixed::TFloatPrecEx<int>& range, float x)
{
  limit.SetLimits(range);
  SetFromSingle(limit, x);
}

// The first-line event: kind, two float limits with their decimals (written, never
// read) and two one-byte actions.
struct OneByteEventLayout {
  std::size_t size;
  std::size_t kind;
  std::size_t limit1;
  std::size_t limit2;
  std::size_t decimals1;
  std::size_t decimals2;  // the same byte as decimals1: low nibble the first, high the second
  std::size_t action1;
  std::size_t action2;
};
constexpr OneByteEventLayout kEvent13{13, 0, 1, 6, 5, 10, 11, 12};
constexpr OneByteEventLayout kEvent12{12, 8, 0, 4, 9, 9, 10, 11};

const OneByteEventLayout& LayoutOf(AIRecordCodec::OneByteEvent form)
{
  return form == AIRecordCodec::OneByteEvent::Thirteen ? kEvent13 : kEvent12;
}

constexpr std::size_t kEventCount = 4;

// The first size bytes of a buffer, zeroed; EByteRange when it is shorter.
std::span<std::uint8_t> Checked(std::span<std::uint8_t> bytes, std::size_t size)
{
  ByteReader(bytes).span(0, size);
  std::fill_n(bytes.begin(), size, std::uint8_t{0});
  return bytes.first(size);
}

}  // namespace

// --- Flow ------------------------------------------------------------------------------

void TRegAIFlowConfig::ReadRecord100(std::span<const std::uint8_t> bytes)
{
  const RecordReading io(ByteReader(bytes).span(0, kSize100), 0);
  if (io.Bytes().u8(0) > 1) throw EVantorInvalid(4581);
  TransferFlow100(io, *this);
}

void TRegAIFlowConfig::WriteRecord100(std::span<std::uint8_t> bytes) const
{
  RecordWriting io(Checked(bytes, kSize100), 0);
  io.u8(0, 1);
  TransferFlow100(io, *this);
}

void TRegAIFlowConfig::ReadRecord88(std::span<const std::uint8_t> bytes)
{
  const RecordReading io(ByteReader(bytes).span(0, kSize88), 0);
  if (io.Bytes().u32(0) != kMagic88) throw EVantorInvalid(4687);
  TransferFlow88(io, *this);
  if (Medium == kMediumGas) GasSpare = {};
  if (Medium == kMediumSteam) SteamOption = 0;
}

void TRegAIFlowConfig::WriteRecord88(std::span<std::uint8_t> bytes) const
{
  RecordWriting io(Checked(bytes, kSize88), 0);
  io.u32(0, kMagic88);
  io.f32(52, kOtherGasParam1);
  io.f32(56, kOtherGasParam2);
  io.f32(60, Medium == kMediumAir ? SingleOfBits(kAirGasParam3Bits) : kOtherGasParam3);
  io.f32(64, kOtherSteamParam);
  TransferFlow88(io, *this);  // the medium's own values over the placeholders
}

// --- Events ----------------------------------------------------------------------------

void AIRecordCodec::ReadOneByteEvents(TRegAIConfig& ai, const RecordReading& io, std::size_t offset,
                                      OneByteEvent form)
{
  const TRegInfo& info = Info(ai);
  const OneByteEventLayout& layout = LayoutOf(form);
  const ByteReader& in = io.Bytes();
  for (std::size_t i = 0; i < kEventCount; ++i) {
    const std::size_t at = offset + i * layout.size;
    auto& event = ai.Events[i];
    SetLimitFromFloat(event.Limit1, LimitRange(info, 0), in.f32(at + layout.limit1));
    SetLimitFromFloat(event.Limit2, LimitRange(info, 1), in.f32(at + layout.limit2));
    event.Kind = in.u8(at + layout.kind);
    event.EventOption1 = 0;
    event.EventOption2 = 0;
    event.Actions[0] = DecodeEventJobCode(info.SwVersion, in.u8(at + layout.action1));
    event.Actions[1] = DecodeEventJobCode(info.SwVersion, in.u8(at + layout.action2));
  }
}

void AIRecordCodec::WriteOneByteEvents(const TRegAIConfig& ai, RecordWriting& io, std::size_t offset,
                                       OneByteEvent form)
{
  const TRegInfo& info = Info(ai);
  const OneByteEventLayout& layout = LayoutOf(form);
  for (std::size_t i = 0; i < kEventCount; ++i) {
    const std::size_t at = offset + i * layout.size;
    const auto& event = ai.Events[i];
    const auto limit1 = NormalisedLimit(event.Limit1, LimitRange(info, 0));
    const auto limit2 = NormalisedLimit(event.Limit2, LimitRange(info, 1));
    io.u8(at + layout.kind, event.Kind);
    io.f32(at + layout.limit1, DecimalToFloat(limit1.mantissa, limit1.decimals));
    io.f32(at + layout.limit2, DecimalToFloat(limit2.mantissa, limit2.decimals));
    if (layout.decimals1 == layout.decimals2) {
      io.bits8(at + layout.decimals1, 0, 4, limit1.decimals);
      io.bits8(at + layout.decimals2, 4, 4, limit2.decimals);
    } else {
      io.u8(at + layout.decimals1, limit1.decimals);
      io.u8(at + layout.decimals2, limit2.decimals);
    }
    // First-line codes are packed at the device's own firmware, whatever the target.
    io.u8(at + layout.action1, EncodeEventJobCode(info.SwVersion, event.Actions[0]));
    io.u8(at + layout.action2, EncodeEventJobCode(info.SwVersion, event.Actions[1]));
  }
}

// The 14-byte event: 0-2 and 3-5 the limits' singles without their lowest byte, 6 the
// header (kind, action fields A and B), 7 the decimals nibbles (written, never read),
// 8-9 the options, 10-13 the two codes.
namespace {
constexpr std::size_t kEvent14 = 14;

std::uint32_t HighBytesAt(const ByteReader& in, std::size_t at)
{
  return std::uint32_t(in.u8(at)) << 8 | std::uint32_t(in.u8(at + 1)) << 16 | std::uint32_t(in.u8(at + 2)) << 24;
}

void SetLimitFromHighBytes(fixed::TFloatPrecEx<int>& limit, const fixed::TFloatPrecEx<int>& range,
                           std::uint32_t highBytes)
{
  limit.SetLimits(range);
  fixed::DecimalPair pair{};
  if (DecimalOfSingle(highBytes, 0xFFFFFF00u, range.GetMinPrec(), range.GetMaxPrec(), range.GetMin(), range.GetMax(),
                      pair)) {
    limit.SetRaw(pair.mantissa, pair.decimals);
    return;
  }
  // Erased flash (FF FF FF) stays a NaN, and fails the read as a NaN does.
  const std::uint32_t lowest = highBytes == 0xFFFFFF00u ? 0xFF : 0x00;
  limit.SetDouble(SingleOfBits(highBytes | lowest));
}

void WriteHighBytes(RecordWriting& io, std::size_t at, float x)
{
  const std::uint32_t bits = SingleBits(x);
  io.u8(at, bits >> 8);
  io.u8(at + 1, bits >> 16);
  io.u8(at + 2, bits >> 24);
}

std::uint8_t EventHeader(const TRegAIConfig::TRegAIEvent& event, bool withFields)
{
  const unsigned fields = withFields ? (event.ActionFieldA & 3) << 4 | (event.ActionFieldB & 3) << 6 : 0;
  return static_cast<std::uint8_t>((event.Kind & 0x0F) | fields);
}

void ReadEventHeader(TRegAIConfig::TRegAIEvent& event, std::uint8_t header, bool withFields)
{
  event.Kind = header & 0x0F;
  event.ActionFieldA = withFields ? header >> 4 & 3 : 0;
  event.ActionFieldB = withFields ? header >> 6 & 3 : 0;
}

// Header, options and codes, converted for a record above 2.1.80.0 (in the record only).
void WriteEventTail(RecordWriting& io, const TRegAIConfig::TRegAIEvent& event, std::size_t header,
                    std::size_t options, std::size_t codes, bool withFields, bool convert)
{
  std::uint8_t head = EventHeader(event, withFields);
  std::uint16_t first = event.Actions[0];
  std::uint16_t second = event.Actions[1];
  if (convert) ConvertEventJobCodesInHeader(head, first, second);
  io.u8(header, head);
  io.u8(options, event.EventOption1);
  io.u8(options + 1, event.EventOption2);
  io.u16(codes, first);
  io.u16(codes + 2, second);
}
}  // namespace

void AIRecordCodec::ReadEvents14(TRegAIConfig& ai, const RecordReading& io, std::size_t offset, bool withFields)
{
  const TRegInfo& info = Info(ai);
  const ByteReader& in = io.Bytes();
  for (std::size_t i = 0; i < kEventCount; ++i) {
    const std::size_t at = offset + i * kEvent14;
    auto& event = ai.Events[i];
    SetLimitFromHighBytes(event.Limit1, LimitRange(info, 0), HighBytesAt(in, at));
    SetLimitFromHighBytes(event.Limit2, LimitRange(info, 1), HighBytesAt(in, at + 3));
    ReadEventHeader(event, in.u8(at + 6), withFields);
    event.EventOption1 = in.u8(at + 8);
    event.EventOption2 = in.u8(at + 9);
    event.Actions[0] = in.u16(at + 10);
    event.Actions[1] = in.u16(at + 12);
  }
}

void AIRecordCodec::WriteEvents14(const TRegAIConfig& ai, RecordWriting& io, std::size_t offset, bool withFields,
                                  bool convert)
{
  const TRegInfo& info = Info(ai);
  for (std::size_t i = 0; i < kEventCount; ++i) {
    const std::size_t at = offset + i * kEvent14;
    const auto& event = ai.Events[i];
    const auto limit1 = NormalisedLimit(event.Limit1, LimitRange(info, 0));
    const auto limit2 = NormalisedLimit(event.Limit2, LimitRange(info, 1));
    WriteHighBytes(io, at, DecimalToFloat(limit1.mantissa, limit1.decimals));
    WriteHighBytes(io, at + 3, DecimalToFloat(limit2.mantissa, limit2.decimals));
    io.bits8(at + 7, 0, 4, limit1.decimals);
    io.bits8(at + 7, 4, 4, limit2.decimals);
    WriteEventTail(io, event, at + 6, at + 8, at + 10, withFields, convert);
  }
}

// The 16-byte event: a word of the first limit's 25-bit mantissa and both decimals,
// the second limit's mantissa as u16, 8 the header, 10-11 the options, 12-15 the codes.
namespace {
constexpr std::size_t kEvent16 = 16;
}

void AIRecordCodec::ReadEvents16(TRegAIConfig& ai, const RecordReading& io, std::size_t offset)
{
  const TRegInfo& info = Info(ai);
  const ByteReader& in = io.Bytes();
  for (std::size_t i = 0; i < kEventCount; ++i) {
    const std::size_t at = offset + i * kEvent16;
    auto& event = ai.Events[i];
    const std::uint32_t word = in.u32(at);
    const int mantissa1 = static_cast<int>((word & 0x01FFFFFFu) ^ 0x01000000u) - 0x01000000;
    event.Limit1.SetLimits(LimitRange(info, 0));
    event.Limit1.SetValue(mantissa1, static_cast<int>(word >> 25 & 7));
    event.Limit2.SetLimits(LimitRange(info, 1));
    event.Limit2.SetValue(in.u16(at + 4), static_cast<int>(word >> 28 & 3));
    ReadEventHeader(event, in.u8(at + 8), true);
    event.EventOption1 = in.u8(at + 10);
    event.EventOption2 = in.u8(at + 11);
    event.Actions[0] = in.u16(at + 12);
    event.Actions[1] = in.u16(at + 14);
  }
}

void AIRecordCodec::WriteEvents16(const TRegAIConfig& ai, RecordWriting& io, std::size_t offset, bool convert)
{
  const TRegInfo& info = Info(ai);
  for (std::size_t i = 0; i < kEventCount; ++i) {
    const std::size_t at = offset + i * kEvent16;
    const auto& event = ai.Events[i];
    const auto limit1 = NormalisedLimit(event.Limit1, LimitRange(info, 0));
    const auto limit2 = NormalisedLimit(event.Limit2, LimitRange(info, 1));
    io.u32(at, (static_cast<std::uint32_t>(limit1.mantissa) & 0x01FFFFFFu) |
                   (static_cast<std::uint32_t>(limit1.decimals) & 7) << 25 |
                   (static_cast<std::uint32_t>(limit2.decimals) & 3) << 28);
    io.u16(at + 4, limit2.mantissa);
    WriteEventTail(io, event, at + 8, at + 10, at + 12, true, convert);
  }
}
