// The analog output record: 160 bytes up to 2.1.109 and on the 2.2 branch, 248 bytes
// from 2.1.110 on. Each form is one transfer function; reading and writing wrap it with
// what differs between the directions.

#include "recorder/config/RegAOConfig.h"

#include <cmath>
#include <optional>

#include "recorder/config/RecordTransfer.h"
#include "recorder/config/RegConfig.h"
#include "recorder/config/SingleDecimal.h"
#include "recorder/info/DecimalWord.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class AOForm : std::uint8_t { Short160, Long248 };

// Readers accept 1.5, which has no record to write: RecordSize (and so the writer) says
// 0 there.
constexpr VersionBand<AOForm> kAOBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 5, 255, 255), AOForm::Short160, LengthAtLeast(160, 4913)).Sized(0),
    Served(MakeVersion(1, 6, 0), MakeVersion(2, 1, 109, 255), AOForm::Short160, LengthAtLeast(160, 4913)),
    Served(MakeVersion(2, 1, 110), kSecondLineUpTo, AOForm::Long248, LengthAtLeast(248, 4969)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo).Sized(248),
    Served(kBranchFrom, kBranchUpTo, AOForm::Short160, LengthAtLeast(160, 4913)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo).Sized(248),
};

// Control type codes (TRegInfo::AOControlTypes).
constexpr std::uint8_t kControlRs485 = 3;
constexpr std::uint8_t kControlEthernet = 4;
constexpr std::uint8_t kControlCan = 5;
constexpr std::uint8_t kControlRegulator = 6;

constexpr std::uint8_t kBaseOutput = 0;
constexpr std::uint8_t kExtensionOutput = 1;

constexpr std::size_t kEventOffset = 152;
constexpr const char* kBaseOutputUnits = "мА";

// Common to both forms: name, control type position, options, expression, event.
template <class IO, class Block>
void TransferAOCommon(IO& io, Block& ao)
{
  io.text(0, 24, ao.Name);
  io.u8(24, ao.ControlTypeIndex);
  io.u8(25, ao.Option1);
  io.u8(26, ao.Option2);
  io.ansi(32, 119, ao.Expression);
  io.raw(kEventOffset, ao.Event);
}

// The RS-485 source of control type 3: address, then port and protocol in the nibbles
// of 164, then the protocol's own fields. A protocol above 3 has none.
template <class IO, class Source>
void TransferRs485Source(IO& io, Source& s)
{
  io.u32(160, s.Address);
  io.bits8(164, 0, 4, s.Port);
  io.bits8(164, 4, 4, s.Protocol);
  switch (s.Protocol) {
  case 0:
    io.bits8(165, 0, 2, s.RegisterKind);
    io.bits8(165, 2, 6, s.ValueType);
    io.u16(166, s.Register);
    break;
  case 1:
    io.u8(165, s.Proto1Param1);
    io.u8(166, s.Proto1Param2);
    io.bits8(167, 0, 4, s.Proto1Param3);
    io.bits8(167, 4, 4, s.Proto1Param4);
    break;
  case 2:
    io.u8(165, s.Proto2Param1);
    io.u16(166, s.Proto2Param2);
    break;
  case 3: io.u8(165, s.Proto3Param); break;
  default: break;
  }
}

// The float output value of the short form: 8 significant digits, within the setting's
// limits.
void ReadShortOutputValue(float x, TRegAOConfig::Decimal& value)
{
  // The decimal whose single is the stored one keeps the float through a rewrite; 8
  // digits rounded one decimal at a time may not.
  fixed::DecimalPair pair{};
  if (DecimalOfSingle(SingleBits(x), 0xFFFFFFFFu, 1, 6, -9999999, 9999999, pair)) {
    value.SetValue(pair.mantissa, pair.decimals);
    return;
  }
  const std::uint32_t word = FloatToDecimalWordInRange(x, 1, 6, -9999999, 9999999);
  value.SetValue(DecimalWordMantissa(word), DecimalWordDecimals(word));
}

// The float output value of the long form below 2.1.159: as every float field. A float
// that is no finite number reads as in the short form (NaN as 0.0, an infinity as the
// largest value of its sign) rather than failing the whole read: one rule for both
// forms, and an output value is no reason to lose a backup.
void ReadOutputValueFloat(float x, TRegAOConfig::Decimal& value)
{
  if (std::isfinite(x)) SetFromSingle(value, x);
  else ReadShortOutputValue(x, value);
}

// The 248-byte form beyond the common fields. controlCode: the code the position
// names, none when the device offers no such position; kind: the channel's kind.
template <class IO, class Block>
void TransferAO248(IO& io, Block& ao, std::optional<std::uint8_t> controlCode, std::uint8_t kind)
{
  TransferAOCommon(io, ao);
  io.u8(27, ao.Option3);
  if (IsSwAtLeast2_1_159(io.Version())) io.packed(28, ao.OutputValue);
  else if constexpr (IO::kReading) ReadOutputValueFloat(io.Bytes().f32(28), ao.OutputValue);
  else io.singleExact(28, ao.OutputValue);

  switch (controlCode.value_or(0)) {
  case kControlRs485:
    if constexpr (IO::kReading) {
      io.bits8(164, 4, 4, ao.Source.Protocol);
      if (ao.Source.Protocol > 3) throw EVantorInvalid(5022);
    }
    TransferRs485Source(io, ao.Source);
    break;
  case kControlEthernet:
    io.u32(160, ao.Source.EthAddress);
    io.u8(164, ao.Source.EthOption);
    io.bits8(165, 0, 2, ao.Source.EthRegisterKind);
    io.bits8(165, 2, 6, ao.Source.EthValueType);
    io.u16(166, ao.Source.EthRegister);
    break;
  case kControlCan:
    io.u8(160, ao.Source.CanParam1);
    io.u8(164, ao.Source.CanParam2);
    io.u8(165, ao.Source.CanParam3);
    io.u16(166, ao.Source.CanParam4);
    break;
  case kControlRegulator:
    io.u8(164, ao.CtlParam1);
    io.u8(165, ao.CtlParam2);
    io.mantissaI16(172, ao.CtlLow);
    io.mantissaI16(174, ao.CtlHigh);
    io.packed(176, ao.CtlScaleLow);
    io.packed(180, ao.CtlScaleHigh);
    break;
  default: break;
  }
  if (kind == kExtensionOutput) {
    io.packed(184, ao.OutputLow);
    io.packed(188, ao.OutputHigh);
    io.text(192, 8, ao.Units);
    io.mantissa8(169, ao.OutputDecimals);
    io.u8(200, ao.ExtKind);
    io.u8(201, ao.ExtByte1);
    io.u16(202, ao.ExtWord1);
    switch (ao.ExtKind) {
    case 1:
    case 2:
      io.u8(204, ao.Ext12Byte1);
      io.u8(205, ao.Ext12Byte2);
      io.u16(206, ao.Ext12Word);
      io.u8(208, ao.Ext12Byte3);
      break;
    case 3:
      io.u8(204, ao.Ext3Byte1);
      io.u8(205, ao.Ext3Byte2);
      io.u16(206, ao.Ext3Word);
      io.u32(208, ao.Ext3Dword);
      break;
    case 4:
      io.u8(204, ao.Ext4Byte1);
      io.u8(205, ao.Ext4Byte2);
      io.u8(206, ao.Ext4Byte3);
      break;
    default: break;
    }
  }
}

}  // namespace

void TRegAOConfig::SetDefaults()
{
  Name.clear();
  ControlTypeIndex = 0;
  Option1 = 2;
  Option2 = 2;
  Option3 = 0;
  OutputValue.SetRaw(0, 1);
  Source.SetDefaults();
  CtlParam1 = 0;
  CtlParam2 = 0;
  CtlLow.SetMantissa(-1000);
  CtlHigh.SetMantissa(1000);
  CtlScaleLow.SetRaw(0, 1);
  CtlScaleHigh.SetRaw(200, 1);
  Expression.clear();
  OutputLow.SetRaw(0, 1);
  OutputHigh.SetRaw(10, 1);
  OutputDecimals.SetMantissa(1);
  Units.clear();
  ExtKind = ExtByte1 = 0;
  ExtWord1 = 0;
  Ext12Byte1 = Ext12Byte2 = Ext12Byte3 = 0;
  Ext12Word = 0;
  Ext3Byte1 = Ext3Byte2 = 0;
  Ext3Word = 0;
  Ext3Dword = 0;
  Ext4Byte1 = Ext4Byte2 = Ext4Byte3 = 0;
  Event.fill(0);
  OutputFlag = 0;
}

std::uint32_t TRegAOConfig::RecordSize(std::uint32_t version) { return RecordSizeOf<kAOBands>(version); }

bool TRegAOConfig::HasExtension() const
{
  const auto& channels = OwnerInfo(Owner, "TRegAOConfig").AOChannels;
  return Index >= 0 && static_cast<std::size_t>(Index) < channels.size() &&
         channels[static_cast<std::size_t>(Index)].Kind == kExtensionOutput;
}

void TRegAOConfig::ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record)
{
  const TRegInfo& info = OwnerInfo(Owner, "TRegAOConfig");
  const auto& band = BandForReading<kAOBands>(version, record.size());
  const bool shortForm = band.form == AOForm::Short160;
  const std::uint8_t position = record[24];
  if (position >= info.AOControlTypes.size()) throw EVantorInvalid(shortForm ? 4919 : 4975);
  RecordReading io(record, version);

  if (shortForm) {
    TransferAOCommon(io, *this);
    Option3 = 0;
    ReadShortOutputValue(io.Bytes().f32(28), OutputValue);
    Source.SetDefaults();
    OutputFlag = 0;
    return;
  }

  const std::uint8_t kind = static_cast<std::size_t>(Index) < info.AOChannels.size()
                                ? info.AOChannels[static_cast<std::size_t>(Index)].Kind
                                : std::uint8_t{0xFF};
  const std::uint8_t controlCode = info.AOControlTypes[position];
  TransferAO248(io, *this, controlCode, kind);
  Option3 = ClampToZero(Option3, 2);
  OutputFlag = record[168] != 0 ? 1 : 0;
  if (kind == kBaseOutput) {
    // A base output's range is the device's own, whatever the record says.
    const int decimals = static_cast<int>(info.AORangeDecimals);
    const auto low = fixed::FixedFromDouble(OutputLow, decimals, decimals, info.AORangeLow, -9999999, 9999999);
    const auto high = fixed::FixedFromDouble(OutputHigh, decimals, decimals, info.GenValue2, -9999999, 9999999);
    OutputLow.SetRaw(low.mantissa, low.decimals);
    OutputHigh.SetRaw(high.mantissa, high.decimals);
    Units = kBaseOutputUnits;
    OutputDecimals.SetMantissa(decimals);
  }
  if (kind == kExtensionOutput && ExtKind > 4) throw EVantorInvalid(5103);
}

std::size_t TRegAOConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandOf<kAOBands>(targetVersion);
  if (band.size == 0) return 0;
  band.RefuseUnlessServed(targetVersion);
  const TRegInfo& info = OwnerInfo(Owner, "TRegAOConfig");

  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) {
    if (band.form == AOForm::Short160) {
      TransferAOCommon(io, *this);
      io.singleExact(28, OutputValue);
    } else {
      // A position the device does not offer writes no control-type area.
      std::optional<std::uint8_t> controlCode;
      if (ControlTypeIndex < info.AOControlTypes.size()) controlCode = info.AOControlTypes[ControlTypeIndex];
      const std::uint8_t kind = static_cast<std::size_t>(Index) < info.AOChannels.size()
                                    ? info.AOChannels[static_cast<std::size_t>(Index)].Kind
                                    : std::uint8_t{0xFF};
      if (kind == kExtensionOutput && ExtKind > 4) throw EVantorInvalid(5320);
      TransferAO248(io, *this, controlCode, kind);
      io.u8(168, OutputFlag);
      if (kind == kBaseOutput) {
        const auto decimals = static_cast<std::uint8_t>(info.AORangeDecimals);
        io.Bytes().u32(184, FloatToDecimalWord(info.AORangeLow, decimals));
        io.Bytes().u32(188, FloatToDecimalWord(info.GenValue2, decimals));
        io.text(192, 8, std::string(kBaseOutputUnits));
        io.Bytes().u8(169, decimals);
      }
    }
    if (IsSwAbove2_1_80_0(targetVersion)) {
      auto record = io.Record();
      ByteReader event(record.subspan(kEventOffset, 8));
      std::uint8_t header = event.u8(0);
      std::uint16_t first = event.u16(4);
      std::uint16_t second = event.u16(6);
      ConvertEventJobCodesInHeader(header, first, second);
      io.Bytes().u8(kEventOffset, header);
      io.Bytes().u16(kEventOffset + 4, first);
      io.Bytes().u16(kEventOffset + 6, second);
    }
  });
}
