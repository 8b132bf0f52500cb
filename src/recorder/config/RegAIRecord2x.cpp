// The analog input record of second-line firmware, 248 bytes in three forms: F (2.0),
// G (2.1 up to 2.1.158, and the 2.2 branch) and H (2.1.159-2.1.160). From 2.0 on the
// middle of the record carries what the channel's signal needs; from 2.1 on the
// transfer function decides what the large byte area holds.

#include <algorithm>

#include "recorder/config/RegAIRecordCodec.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

namespace sig = ai_signal;

// Transfer functions that decide the byte area of forms G and H.
constexpr std::uint8_t kTransferInputRangeFirst = 1;
constexpr std::uint8_t kTransferInputRangeLast = 3;
constexpr std::uint8_t kTransferExpression = 4;
constexpr std::uint8_t kTransferTable = 5;
constexpr std::uint8_t kTransferArgument = 6;

constexpr std::uint8_t kProtocolOne = 1;

// The CAN flag travels as 0 or 1: 2 stands for 1, anything larger for 0.
std::uint32_t CanFlag(std::uint32_t value) { return value <= 1 ? value : value == 2 ? 1 : 0; }

template <class IO, class Block>
void TransferCanFlag(IO& io, Block& ai, std::size_t offset)
{
  io.u8via(offset, [&] { return CanFlag(ai.Source.CanParam3); }, [&](auto b) { ai.Source.CanParam3 = CanFlag(b); });
}

// The RS-485 source of forms F and G at 48-55: address, port, then the protocol's
// fields.
template <class IO, class Source>
void TransferRs485(IO& io, Source& s, int protocol)
{
  io.u32(48, s.Address);
  io.u8(52, s.Port);
  switch (protocol) {
  case 0:
    io.bits8(53, 0, 2, s.RegisterKind);
    io.bits8(53, 2, 6, s.ValueType);
    io.u16(54, s.Register);
    break;
  case 1:
    io.u8(53, s.Proto1Param1);
    io.u8(54, s.Proto1Param2);
    io.bits8(55, 0, 4, s.Proto1Param3);
    io.bits8(55, 4, 4, s.Proto1Param4);
    break;
  case 2:
    io.u8(53, s.Proto2Param1);
    io.u16(54, s.Proto2Param2);
    break;
  case 3: io.u8(53, s.Proto3Param); break;
  default: break;
  }
}

// A protocol the record cannot hold: reading names the channel, writing the device's
// firmware.
template <class IO, class Block>
void CheckProtocol(const Block& ai, std::uint8_t protocol)
{
  if (protocol <= 3) return;
  if constexpr (IO::kReading)
    throw EVantorInvalid(StringId{1632}, AIRecordCodec::Channel(ai).Name, static_cast<std::uint32_t>(protocol));
  else
    throw EVantorVersion(AIRecordCodec::Info(ai).SwVersion);
}

void CheckSensorSelections(TRegAIConfig& ai, std::uint8_t s)
{
  const TRegInfo& info = AIRecordCodec::Info(ai);
  auto check = [](std::uint8_t& field, const TStringList& list) {
    field = static_cast<std::uint8_t>(CheckEnumValue(field, list));
  };
  switch (s) {
  case sig::kResistance: check(ai.RtdWiring, info.RtdWiringNames); break;
  case sig::kPyrometer: check(ai.Pyrometer, info.PyrometerNames); break;
  case sig::kThermocouple:
    check(ai.TcType, info.ThermocoupleNames);
    check(ai.CjcMode, info.ColdJunctionModes);
    break;
  case sig::kRtd:
    check(ai.RtdWiring, info.RtdWiringNames);
    check(ai.RtdType, info.RtdTypeNames);
    break;
  default: break;
  }
}

// What every second-line form resets before it reads (the settings of the signals it
// does not name keep their values).
void ResetSecondLine(TRegAIConfig& ai)
{
  ai.Source.SetDefaults();
  AIRecordCodec::ResetInputSettings(ai);
  ai.Expression.clear();
  ai.TransferTable.fill(0);
}

template <class IO, class Block>
void TransferFlow(IO& io, Block& ai, std::size_t offset, bool form100)
{
  const std::size_t size = form100 ? TRegAIFlowConfig::kSize100 : TRegAIFlowConfig::kSize88;
  if constexpr (IO::kReading) {
    const auto area = io.Bytes().span(offset, size);
    if (form100) ai.Flow.ReadRecord100(area);
    else ai.Flow.ReadRecord88(area);
  } else {
    const auto area = io.Record().subspan(offset, size);
    if (form100) ai.Flow.WriteRecord100(area);
    else ai.Flow.WriteRecord88(area);
  }
}

// The old signal 11 of firmware below 2.1.30 is an RS-485 source of protocol 1; the
// model keeps it as signal 10 with protocol 1.
void ReadOldExternalSignal(TRegAIConfig& ai, unsigned noSignal10, unsigned notInChannel)
{
  ai.SignalIndex = AIRecordCodec::PositionOfSignalCode(ai, sig::kRs485, noSignal10, notInChannel);
  ai.Source.Protocol = kProtocolOne;
}

// A target below 2.1.30 knows a protocol-1 source only as signal 11, and a device below
// it read one that way: the record's signal byte names code 11 then.
bool WritesOldExternalSignal(const TRegAIConfig& ai, std::uint32_t target)
{
  return ai.Source.Protocol == kProtocolOne &&
         (!IsSwAtLeast2_1_30(AIRecordCodec::Info(ai).SwVersion) || !IsSwAtLeast2_1_30(target));
}

// --- Form F ------------------------------------------------------------------------------

template <class IO, class Block>
void TransferFormF(IO& io, Block& ai)
{
  io.text(0, 24, ai.Name);
  io.singleExact(24, ai.InputLow);
  io.singleExact(28, ai.InputHigh);
  io.u8(32, ai.SignalIndex);
  io.u8(33, ai.Option1);
  io.u8(34, ai.Option2);
  TransferFilterByte(io, ai, 35);
  io.u8(46, ai.TransferFunction);
  io.text(56, 8, ai.Units);
  io.singleExact(184, ai.ScaleLow);
  io.singleExact(188, ai.ScaleHigh);
  TransferScaleDecimalNibbles(io, ai, 47);
}

template <class IO, class Block>
void TransferSignalAreaF(IO& io, Block& ai, std::uint8_t s)
{
  switch (s) {
  case sig::kResistance: io.u8(36, ai.RtdWiring); break;
  case sig::kPyrometer: io.u8(37, ai.Pyrometer); break;
  case sig::kThermocouple:
    io.u8(38, ai.TcType);
    io.u8(39, ai.CjcMode);
    io.singleExact(40, ai.CjcTemperature);
    break;
  case sig::kRtd:
    io.u8(36, ai.RtdWiring);
    io.u8(44, ai.RtdType);
    break;
  case sig::kRs485: TransferRs485(io, ai.Source, ai.Source.Protocol == kProtocolOne ? 1 : 0); break;
  default: break;
  }
}

// --- Form G ------------------------------------------------------------------------------

template <class IO, class Block>
void TransferFormG(IO& io, Block& ai)
{
  io.text(0, 24, ai.Name);
  io.singleExact(24, ai.InputLow);
  io.singleExact(28, ai.InputHigh);
  io.bits8(32, 0, 7, ai.SignalIndex);
  io.bits8(32, 7, 1, ai.SignalFlag);
  io.u8(33, ai.Option1);
  io.u8(34, ai.Option2);
  TransferFilterByte(io, ai, 35);
  io.bits8(46, 0, 4, ai.TransferFunction);
  io.bits8(47, 0, 4, ai.ScaleDecimals);
  io.bits8(47, 4, 4, ai.ScaleAux);
  io.text(56, 8, ai.Units);
  io.singleExact(184, ai.ScaleLow);
  io.singleExact(188, ai.ScaleHigh);
  // Kept only by firmware 2.1.80-2.1.100, in the byte the older RTD index used.
  if (IsSw2_1_80To2_1_100(AIRecordCodec::Info(ai).SwVersion)) io.u8(45, ai.LegacyOption);
}

template <class IO, class Block>
void TransferSignalAreaG(IO& io, Block& ai, std::uint8_t s)
{
  const std::uint32_t device = AIRecordCodec::Info(ai).SwVersion;
  switch (s) {
  case sig::kResistance: io.u8(36, ai.RtdWiring); break;
  case sig::kPyrometer: io.u8(37, ai.Pyrometer); break;
  case sig::kThermocouple:
    io.u8(38, ai.TcType);
    io.u8(39, ai.CjcMode);
    // Degrees both ways, as forms F and H have them.
    io.singleExact(40, ai.CjcTemperature);
    break;
  case sig::kRtd:
    io.u8(36, ai.RtdWiring);
    io.u8(44, ai.RtdType);
    break;
  case sig::kMath:
    if (IsSwAtLeast2_1_131(device)) {
      io.u8(52, ai.ValueSource.Kind);
      io.u8(53, ai.ValueSource.Index);
    }
    break;
  case sig::kRs485: {
    int protocol = 0;
    if (IsSwAtLeast2_1_30(io.Version())) {
      io.bits8(46, 4, 4, ai.Source.Protocol);
      CheckProtocol<IO>(ai, ai.Source.Protocol);
      protocol = ai.Source.Protocol;
    } else if (ai.Source.Protocol == kProtocolOne) {
      protocol = 1;  // the old signal 11 (reading: set by the caller)
    }
    TransferRs485(io, ai.Source, protocol);
    break;
  }
  case sig::kExternal:
    // The device keeps the option from 2.1.128.90 on; a writer writes it for any target.
    if (!IO::kReading || IsSwAtLeast2_1_128_90(device)) io.u8(52, ai.ExternalOption);
    break;
  case sig::kCan:
    io.u8(48, ai.Source.CanParam1);
    io.u8(52, ai.Source.CanParam2);
    TransferCanFlag(io, ai, 53);
    io.u16(54, ai.Source.CanParam4);
    break;
  case sig::kFrequency:
    io.mantissa16(52, ai.FreqParam1);
    io.mantissa16(54, ai.FreqParam2);
    break;
  case sig::kPulse:
    io.singleExact(48, ai.PulseFactor);
    io.bits8(52, 0, 4, ai.PulseOption1);
    io.bits8(52, 4, 4, ai.PulseOption2);
    if constexpr (!IO::kReading) io.u8(53, ai.PulseFactor.GetPrec());  // never read
    io.mantissa16(54, ai.PulseParam);
    break;
  case sig::kEthernet:
    io.bits8(46, 4, 4, ai.Source.EthOption);
    io.u32(48, ai.Source.EthAddress);
    io.bits8(53, 0, 2, ai.Source.EthRegisterKind);
    io.bits8(53, 2, 6, ai.Source.EthValueType);
    io.u16(54, ai.Source.EthRegister);
    break;
  default: break;
  }
}

// Bytes 64-183 of form G.
template <class IO, class Block>
void TransferByteAreaG(IO& io, Block& ai, std::uint8_t s)
{
  const std::uint32_t v = io.Version();
  if (s == sig::kFlow) {
    TransferFlow(io, ai, 64, IsSwAtLeast2_1_156(v));
    return;
  }
  if constexpr (!IO::kReading) {
    if (s > sig::kCounter) return;
  }
  if (!IsSwAtLeast2_1_65(v)) {
    io.ansi(64, 119, ai.Expression);
    return;
  }
  switch (ai.TransferFunction) {
  case kTransferExpression: io.ansi(64, 119, ai.Expression); break;
  // The table as the device keeps it: its bytes mean nothing to this model.
  case kTransferTable: io.raw(64, ai.TransferTable); break;
  case kTransferArgument:
    if (IsFirmwareFromBranchIncluded(v, MakeVersion(2, 1, 131))) io.u16(64, ai.TransferArg);
    break;
  default: break;
  }
}

// --- Form H ------------------------------------------------------------------------------

template <class IO, class Block>
void TransferFormH(IO& io, Block& ai)
{
  io.text(0, 24, ai.Name);
  io.u8(24, ai.SignalIndex);
  io.u8(25, ai.Option2);
  io.u8(26, ai.Option1);
  io.u8(27, ai.TransferFunction);
  io.bits8(31, 0, 1, ai.SignalFlag);
  io.bits8(31, 1, 3, ai.ScaleAux);
  io.bits8(31, 4, 4, ai.ScaleDecimals);
  io.packed(32, ai.ScaleLow);
  io.packed(36, ai.ScaleHigh);
  io.text(40, 8, ai.Units);
}

template <class IO, class Block>
void TransferSignalAreaH(IO& io, Block& ai, std::uint8_t s)
{
  switch (s) {
  case sig::kResistance: io.u8(48, ai.RtdWiring); break;
  case sig::kPyrometer: io.u8(48, ai.Pyrometer); break;
  case sig::kThermocouple:
    io.u8(48, ai.TcType);
    io.u8(49, ai.CjcMode);
    io.mantissaI16(50, ai.CjcTemperature);
    break;
  case sig::kRtd:
    io.u8(48, ai.RtdWiring);
    io.u8(49, ai.RtdType);
    break;
  case sig::kMath:
    if (IsSwAtLeast2_1_131(AIRecordCodec::Info(ai).SwVersion)) {
      io.u8(48, ai.ValueSource.Kind);
      io.u8(49, ai.ValueSource.Index);
    }
    break;
  case sig::kRs485:
    io.u8(48, ai.Source.Protocol);
    CheckProtocol<IO>(ai, ai.Source.Protocol);
    io.u8(49, ai.Source.Port);
    io.u8(50, ai.Source.Address);
    switch (ai.Source.Protocol) {
    case 0:
      io.bits8(51, 0, 2, ai.Source.RegisterKind);
      io.bits8(51, 2, 6, ai.Source.ValueType);
      io.u16(52, ai.Source.Register);
      break;
    case 1:
      io.u8(51, ai.Source.Proto1Param2);
      io.bits8(52, 0, 4, ai.Source.Proto1Param3);
      io.bits8(52, 4, 4, ai.Source.Proto1Param4);
      break;
    case 2:
      io.u8(51, ai.Source.Proto2Param1);
      io.u16(52, ai.Source.Proto2Param2);
      break;
    default: io.u8(51, ai.Source.Proto3Param); break;
    }
    break;
  case sig::kExternal: io.u8(48, ai.ExternalOption); break;
  case sig::kCan:
    io.u8(49, ai.Source.CanParam1);
    io.u8(50, ai.Source.CanParam2);
    TransferCanFlag(io, ai, 51);
    break;
  case sig::kFrequency:
    io.mantissa16(48, ai.FreqParam1);
    io.mantissa16(50, ai.FreqParam2);
    break;
  case sig::kPulse:
    io.u8(48, ai.PulseOption1);
    io.u8(49, ai.PulseOption2);
    io.mantissa16(50, ai.PulseParam);
    io.packed(52, ai.PulseFactor);
    break;
  case sig::kEthernet:
    io.u8(48, ai.Source.EthOption);
    io.bits8(49, 0, 2, ai.Source.EthRegisterKind);
    io.bits8(49, 2, 6, ai.Source.EthValueType);
    io.u16(50, ai.Source.EthRegister);
    io.u32(52, ai.Source.EthAddress);
    break;
  case sig::kFrequency2:
    io.u8(48, ai.FreqOption);
    io.mantissa16(50, ai.FreqParam2);
    break;
  case sig::kPulse2:
    io.u8(48, ai.PulseOption1);
    io.mantissa16(50, ai.PulseParam);
    break;
  case sig::kCounter:
    io.u8(49, ai.CounterOption);
    io.mantissa16(50, ai.PulseParam);
    break;
  default: break;
  }
}

// Bytes 64-183 of form H, for every signal but the flow signal.
template <class IO, class Block>
void TransferByteAreaH(IO& io, Block& ai)
{
  const std::uint8_t tf = ai.TransferFunction;
  if (tf >= kTransferInputRangeFirst && tf <= kTransferInputRangeLast) {
    io.packed(64, ai.InputLow);
    io.packed(68, ai.InputHigh);
  } else if (tf == kTransferExpression) {
    io.ansi(64, 119, ai.Expression);
  } else if (tf == kTransferArgument) {
    io.u16(64, ai.TransferArg);
  }
}

}  // namespace

// --- Form F ------------------------------------------------------------------------------

void AIRecordCodec::ReadFormF(TRegAIConfig& ai, const RecordReading& io)
{
  ResetSecondLine(ai);
  ai.ScaleAux = 0;
  ai.SignalFlag = 0;
  TransferFormF(io, ai);
  ReadSignalPosition(ai, ai.SignalIndex);
  CheckTransferFunction(ai, ai.TransferFunction, 4, true);
  std::uint8_t s = SignalCode(ai);
  if (s == sig::kExternal) {
    ReadOldExternalSignal(ai, 1431, 1434);
    s = sig::kRs485;
  }
  TransferSignalAreaF(io, ai, s);
  CheckSensorSelections(ai, s);
  if (s == sig::kRtd) {
    ReadRtdR0Index(ai, io.Bytes().u8(45));
    ai.RtdParam.SetMantissa(0);
  }
  if (s == sig::kFlow) TransferFlow(io, ai, 64, false);
  else io.ansi(64, 119, ai.Expression);
  ReadEvents14(ai, io, 192, false);
}

void AIRecordCodec::WriteFormF(const TRegAIConfig& ai, RecordWriting& io)
{
  const std::uint8_t s = SignalCode(ai);
  TransferFormF(io, ai);
  TransferSignalAreaF(io, ai, s);
  if (s == sig::kRtd) io.u8(45, Info(ai).IndexOfRtdR0(ai.RtdR0));
  if (s == sig::kRs485 && WritesOldExternalSignal(ai, io.Version()))
    io.u8(32, PositionOfSignalCode(ai, sig::kExternal, 2762, 2765));
  if (s == sig::kFlow) TransferFlow(io, ai, 64, false);
  else if (s != sig::kEthernet && s <= sig::kCounter) io.ansi(64, 119, ai.Expression);
  WriteEvents14(ai, io, 192, false, false);
}

// --- Form G ------------------------------------------------------------------------------

void AIRecordCodec::ReadFormG(TRegAIConfig& ai, const RecordReading& io)
{
  const std::uint32_t v = io.Version();
  ResetSecondLine(ai);
  ai.LegacyOption = 0;
  TransferFormG(io, ai);
  ReadSignalPosition(ai, ai.SignalIndex);
  CheckTransferFunction(ai, ai.TransferFunction, 6, false);
  std::uint8_t s = SignalCode(ai);
  if (s == sig::kExternal && !IsSwAtLeast2_1_30(v)) {
    ReadOldExternalSignal(ai, 1683, 1686);
    s = sig::kRs485;
  }
  TransferSignalAreaG(io, ai, s);
  CheckSensorSelections(ai, s);
  if (s == sig::kRtd) {
    const ByteReader& in = io.Bytes();
    ai.RtdParam.SetMantissa(0);
    switch (Info(ai).RtdR0Form()) {
    case 0: ReadRtdR0Index(ai, in.u8(45)); break;
    case 1: ai.RtdR0.SetMantissa(in.u16(42)); break;
    default:
      ai.RtdR0.SetMantissa(in.u16(42));
      ai.RtdParam.SetMantissa(in.u16(40));
      break;
    }
  }
  TransferByteAreaG(io, ai, s);
  ReadEvents14(ai, io, 192, true);
}

void AIRecordCodec::WriteFormG(const TRegAIConfig& ai, RecordWriting& io)
{
  const std::uint32_t t = io.Version();
  const std::uint8_t s = SignalCode(ai);
  TransferFormG(io, ai);
  TransferSignalAreaG(io, ai, s);
  if (s == sig::kRtd) {
    if (TRegInfo::IsRtdR0ValueVersion(t)) {
      io.mantissa16(40, ai.RtdParam);
      io.mantissa16(42, ai.RtdR0);
    } else {
      io.u8(45, Info(ai).IndexOfRtdR0(ai.RtdR0));
    }
  }
  if (s == sig::kRs485 && WritesOldExternalSignal(ai, t)) {
    const std::uint8_t position = PositionOfSignalCode(ai, sig::kExternal, 2940, 2943);
    io.Bytes().u8(32, static_cast<std::uint8_t>((position & 0x7F) | (ai.SignalFlag & 1) << 7));
  }
  TransferByteAreaG(io, ai, s);
  WriteEvents14(ai, io, 192, IsSwAtLeast2_1_80(t), IsSwAbove2_1_80_0(t));
}

// --- Form H ------------------------------------------------------------------------------

void AIRecordCodec::ReadFormH(TRegAIConfig& ai, const RecordReading& io)
{
  const ByteReader& in = io.Bytes();
  ResetSecondLine(ai);
  ai.LegacyOption = 0;
  TransferFormH(io, ai);
  ReadSignalPosition(ai, ai.SignalIndex);
  CheckTransferFunction(ai, ai.TransferFunction, 6, true);
  // The filter type is checked here rather than when the backup is written: a type the
  // device does not list would otherwise fail the backup after the whole read.
  ai.FilterType = in.u8(30);
  ai.FilterLength = in.u16(28);
  if (ai.FilterType != 0 && !Info(ai).AIFilterTypes.contains(ai.FilterType)) throw EVantorInvalid(3200);
  ai.InputLow.SetRaw(0, 1);
  ai.InputHigh.SetRaw(0, 1);
  const std::uint8_t s = SignalCode(ai);
  TransferSignalAreaH(io, ai, s);
  CheckSensorSelections(ai, s);
  if (s == sig::kRtd) {
    ai.RtdR0.SetMantissa(in.u16(52));
    ai.RtdParam.SetMantissa(Info(ai).RtdR0Form() == 2 ? in.u16(50) : 0);
  }
  if (s == sig::kFlow) {
    TransferFlow(io, ai, 64, true);
  } else {
    TransferByteAreaH(io, ai);
    if (ai.TransferFunction == kTransferTable) ai.TransferFunction = 0;
  }
  ReadEvents16(ai, io, 184);
}

void AIRecordCodec::WriteFormH(const TRegAIConfig& ai, RecordWriting& io)
{
  const TRegInfo& info = Info(ai);
  const std::uint8_t s = SignalCode(ai);
  TransferFormH(io, ai);
  io.u8(30, ai.FilterType);
  if (ai.FilterType != 0) {
    const auto limit = info.AIFilterTypes.find(ai.FilterType);
    if (limit == info.AIFilterTypes.end()) throw EVantorInvalid(3200);
    io.u16(28, ai.FilterLength == 0 ? 1u : std::min<std::uint32_t>(ai.FilterLength, limit->second));
  }
  TransferSignalAreaH(io, ai, s);
  if (s == sig::kRtd) {
    io.mantissa16(50, ai.RtdParam);
    io.mantissa16(52, ai.RtdR0);
  }
  if (s == sig::kRs485 && WritesOldExternalSignal(ai, io.Version()))
    io.u8(24, PositionOfSignalCode(ai, sig::kExternal, 3247, 3250));
  if (IsSw2_1_80To2_1_100(info.SwVersion)) io.u16(64, ai.LegacyOption);
  if (s == sig::kFlow) {
    TransferFlow(io, ai, 64, true);
  } else if (s <= sig::kCounter) {
    TransferByteAreaH(io, ai);
    if (ai.TransferFunction == kTransferTable) io.u8(27, 0);  // a table the form cannot carry
  }
  WriteEvents16(ai, io, 184, IsSwAbove2_1_80_0(io.Version()));
}
