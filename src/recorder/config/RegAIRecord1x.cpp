// The analog input record of first-line firmware: form A (1.3-1.5, 187 bytes), B (1.6,
// 1.7 and 1.9, 246 bytes), C (1.8, 244 bytes) and D (1.10, 248 bytes). These forms
// store the sensor selections of every channel whatever its signal; floats carry the
// decimal settings; event codes are packed into one byte at the device's firmware.

#include "recorder/config/RegAIRecordCodec.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VantorException.h"

namespace {

namespace sig = ai_signal;

// --- The plain fields of each form ---------------------------------------------------

template <class IO, class Block>
void TransferFormA(IO& io, Block& ai)
{
  io.text(0, 32, ai.Name);
  io.u8(32, ai.SignalIndex);
  io.singleExact(33, ai.InputLow);
  io.singleExact(37, ai.InputHigh);
  io.u8(41, ai.Option1);
  io.u8(42, ai.Option2);
  io.u8(43, ai.RtdWiring);
  io.u8(44, ai.TcType);
  io.u8(45, ai.CjcMode);
  io.singleExact(46, ai.CjcTemperature);
  io.u8(50, ai.RtdType);
  io.ansi(52, 63, ai.Expression);  // byte 115 stays 0
  io.u8(116, ai.TransferFunction);
  io.text(117, 8, ai.Units);
  io.singleExact(125, ai.ScaleLow);
  io.singleExact(130, ai.ScaleHigh);
  TransferScaleDecimals(io, ai, 129, 134);
}

template <class IO, class Block>
void TransferFormB(IO& io, Block& ai)
{
  io.text(0, 32, ai.Name);
  io.u8(32, ai.SignalIndex);
  io.singleExact(33, ai.InputLow);
  io.singleExact(37, ai.InputHigh);
  io.u8(41, ai.Option1);
  io.u8(42, ai.Option2);
  io.u8(43, ai.RtdWiring);
  io.u8(44, ai.TcType);
  io.u8(45, ai.CjcMode);
  io.u8(50, ai.RtdType);
  io.u8(52, ai.Pyrometer);
  io.u8(174, ai.TransferFunction);
  io.text(175, 8, ai.Units);
  io.singleExact(183, ai.ScaleLow);
  io.singleExact(188, ai.ScaleHigh);
  TransferScaleDecimals(io, ai, 187, 192);
  TransferFilterByte(io, ai, 193);
}

template <class IO, class Block>
void TransferFormC(IO& io, Block& ai)
{
  io.text(0, 32, ai.Name);
  io.singleExact(32, ai.InputLow);
  io.singleExact(36, ai.InputHigh);
  io.u8(40, ai.SignalIndex);
  io.u8(41, ai.Option1);
  io.u8(42, ai.Option2);
  TransferFilterByte(io, ai, 43);
  io.u8(44, ai.RtdWiring);
  io.u8(45, ai.Pyrometer);
  io.u8(46, ai.TcType);
  io.u8(47, ai.CjcMode);
  io.u8(52, ai.RtdType);
  io.u8(54, ai.TransferFunction);
  TransferScaleDecimals(io, ai, 55, 56);
  io.bits8(57, 0, 1, ai.Source.Port);
  io.bits8(57, 1, 7, ai.Source.Address);
  io.bits16(58, 0, 2, ai.Source.RegisterKind);
  io.bits16(58, 2, 10, ai.Source.Register);
  io.bits16(58, 12, 4, ai.Source.ValueType);
  io.text(60, 8, ai.Units);
  io.singleExact(188, ai.ScaleLow);
  io.singleExact(192, ai.ScaleHigh);
}

template <class IO, class Block>
void TransferFormD(IO& io, Block& ai)
{
  io.text(0, 32, ai.Name);
  io.singleExact(32, ai.InputLow);
  io.singleExact(36, ai.InputHigh);
  io.u8(40, ai.SignalIndex);
  TransferFilterByte(io, ai, 41);
  io.u8(42, ai.Option1);
  io.u8(43, ai.Option2);
  io.u8(44, ai.Source.Address);
  io.bits8(45, 0, 1, ai.Source.Port);
  io.bits8(45, 1, 2, ai.Source.RegisterKind);
  io.bits8(45, 3, 5, ai.Source.ValueType);
  io.u16(46, ai.Source.Register);
  io.u8(48, ai.RtdWiring);
  io.u8(49, ai.Pyrometer);
  io.u8(50, ai.TcType);
  io.u8(51, ai.CjcMode);
  io.u8(56, ai.RtdType);
  io.u8(58, ai.TransferFunction);
  TransferScaleDecimalNibbles(io, ai, 59);
  io.text(180, 8, ai.Units);
  io.singleExact(188, ai.ScaleLow);
  io.singleExact(192, ai.ScaleHigh);
}

// --- Rules of forms B, C and D ------------------------------------------------------

// Where forms B and D keep the thermocouple's compensation and the RTD's resistance:
// one 4-byte area holding either the float or two 16-bit mantissas, and (form B) the
// list position of the index form.
struct SensorArea {
  std::size_t area;            // CjcTemperature float, or RtdParam
  std::size_t rtdR0;           // RtdR0 mantissa
  std::size_t index;           // 0: the form has no index form
  unsigned notInListCheck;     // RtdR0Form 1 with a value the device does not offer
};
constexpr SensorArea kSensorB{46, 48, 51, 899};
constexpr SensorArea kSensorD{52, 54, 0, 1212};

void ReadSensorArea(TRegAIConfig& ai, const ByteReader& in, std::uint8_t s, const SensorArea& area)
{
  if (s == sig::kThermocouple) ai.CjcTemperature.SetDouble(in.f32(area.area));
  else ai.CjcTemperature.SetMantissa(0);
  ai.RtdParam.SetMantissa(0);
  if (s != sig::kRtd) {
    ai.RtdR0.SetMantissa(kDefaultRtdR0Mantissa);
    return;
  }
  const unsigned form = AIRecordCodec::Info(ai).RtdR0Form();
  if (form == 0 && area.index != 0) {
    AIRecordCodec::ReadRtdR0Index(ai, in.u8(area.index));
    return;
  }
  ai.RtdR0.SetMantissa(in.u16(area.rtdR0));
  if (form == 2) ai.RtdParam.SetMantissa(in.u16(area.area));
  else if (!AIRecordCodec::Info(ai).HasRtdR0(ai.RtdR0)) throw EVantorInvalid(area.notInListCheck);
}

void WriteSensorArea(const TRegAIConfig& ai, RecordWriting& io, std::uint8_t s, const SensorArea& area)
{
  if (s == sig::kThermocouple) io.singleExact(area.area, ai.CjcTemperature);
  if (s != sig::kRtd) return;
  if (area.index == 0 || TRegInfo::IsRtdR0ValueVersion(io.Version())) {
    io.mantissa16(area.area, ai.RtdParam);
    io.mantissa16(area.rtdR0, ai.RtdR0);
  } else {
    io.u8(area.index, AIRecordCodec::Info(ai).IndexOfRtdR0(ai.RtdR0));
  }
}

// The 120-byte area: the flow computation of a flow channel, else the expression.
void ReadByteArea(TRegAIConfig& ai, const RecordReading& io, std::uint8_t s, std::size_t offset, std::size_t n)
{
  ai.Expression.clear();
  if (s == sig::kFlow) ai.Flow.ReadRecord88(io.Bytes().span(offset, TRegAIFlowConfig::kSize88));
  else io.ansi(offset, n, ai.Expression);
}

void WriteByteArea(const TRegAIConfig& ai, RecordWriting& io, std::uint8_t s, std::size_t offset, std::size_t n)
{
  switch (s) {
  case sig::kFlow: ai.Flow.WriteRecord88(io.Record().subspan(offset, TRegAIFlowConfig::kSize88)); break;
  case sig::kCan:
  case sig::kEthernet: break;  // no expression, nothing
  default:
    if (s <= sig::kCounter) io.ansi(offset, n, ai.Expression);
    break;
  }
}

// What forms B, C and D do not carry.
void ResetForLaterForms(TRegAIConfig& ai, bool keepsRegisterSource)
{
  ai.TransferTable.fill(0);
  ai.ScaleAux = 0;
  ai.SignalFlag = 0;
  AIRecordCodec::ResetInputSettings(ai);
  TRegExtSource source;
  if (keepsRegisterSource) {
    source.Port = ai.Source.Port;
    source.Address = ai.Source.Address;
    source.RegisterKind = ai.Source.RegisterKind;
    source.Register = ai.Source.Register;
    source.ValueType = ai.Source.ValueType;
  }
  ai.Source = source;
}

void CheckSensorSelections(TRegAIConfig& ai, bool withPyrometer)
{
  const TRegInfo& info = AIRecordCodec::Info(ai);
  ai.RtdWiring = static_cast<std::uint8_t>(CheckEnumValue(ai.RtdWiring, info.RtdWiringNames));
  ai.TcType = static_cast<std::uint8_t>(CheckEnumValue(ai.TcType, info.ThermocoupleNames));
  ai.CjcMode = static_cast<std::uint8_t>(CheckEnumValue(ai.CjcMode, info.ColdJunctionModes));
  ai.RtdType = static_cast<std::uint8_t>(CheckEnumValue(ai.RtdType, info.RtdTypeNames));
  if (withPyrometer) ai.Pyrometer = static_cast<std::uint8_t>(CheckEnumValue(ai.Pyrometer, info.PyrometerNames));
}

}  // namespace

// --- Form A ------------------------------------------------------------------------------

void AIRecordCodec::ReadFormA(TRegAIConfig& ai, const RecordReading& io)
{
  const TRegInfo& info = Info(ai);
  TransferFormA(io, ai);
  ReadSignalPosition(ai, ai.SignalIndex);
  ai.RtdWiring = static_cast<std::uint8_t>(CheckEnumValue(ai.RtdWiring, info.RtdWiringNames));
  ai.RtdType = static_cast<std::uint8_t>(CheckEnumValue(ai.RtdType, info.RtdTypeNames));
  ReadRtdR0Index(ai, io.Bytes().u8(51));
  CheckTransferFunction(ai, ai.TransferFunction, 3, true);
  ai.RtdParam.SetMantissa(0);
  ai.TransferTable.fill(0);
  ai.ScaleAux = 0;
  ai.FilterType = 0;
  ai.FilterLength = 0;
  ai.Source.SetDefaults();
  ai.ExternalOption = 0;
  ai.SignalFlag = 0;
  ReadOneByteEvents(ai, io, 135, OneByteEvent::Thirteen);
}

void AIRecordCodec::WriteFormA(const TRegAIConfig& ai, RecordWriting& io)
{
  TransferFormA(io, ai);
  io.u8(51, Info(ai).IndexOfRtdR0(ai.RtdR0));
  WriteOneByteEvents(ai, io, 135, OneByteEvent::Thirteen);
}

// --- Form B ------------------------------------------------------------------------------

void AIRecordCodec::ReadFormB(TRegAIConfig& ai, const RecordReading& io)
{
  ResetForLaterForms(ai, false);
  TransferFormB(io, ai);
  ReadSignalPosition(ai, ai.SignalIndex);
  const std::uint8_t s = SignalCode(ai);
  CheckSensorSelections(ai, true);
  ReadSensorArea(ai, io.Bytes(), s, kSensorB);
  ReadByteArea(ai, io, s, 53, 120);
  CheckTransferFunction(ai, ai.TransferFunction, 4, true);
  ReadOneByteEvents(ai, io, 194, OneByteEvent::Thirteen);
}

void AIRecordCodec::WriteFormB(const TRegAIConfig& ai, RecordWriting& io)
{
  const std::uint8_t s = SignalCode(ai);
  TransferFormB(io, ai);
  WriteSensorArea(ai, io, s, kSensorB);
  WriteByteArea(ai, io, s, 53, 120);
  WriteOneByteEvents(ai, io, 194, OneByteEvent::Thirteen);
}

// --- Form C ------------------------------------------------------------------------------

void AIRecordCodec::ReadFormC(TRegAIConfig& ai, const RecordReading& io)
{
  ResetForLaterForms(ai, true);
  TransferFormC(io, ai);
  ReadSignalPosition(ai, ai.SignalIndex);
  const std::uint8_t s = SignalCode(ai);
  CheckSensorSelections(ai, true);
  if (s == sig::kThermocouple) ai.CjcTemperature.SetDouble(io.Bytes().f32(48));
  else ai.CjcTemperature.SetMantissa(0);
  // Every signal: an unused position still names the list.
  ReadRtdR0Index(ai, io.Bytes().u8(53));
  ai.RtdParam.SetMantissa(0);
  CheckTransferFunction(ai, ai.TransferFunction, 4, true);
  // 120 bytes both ways: the area has room for them, as form B's has.
  ReadByteArea(ai, io, s, 68, 120);
  ReadOneByteEvents(ai, io, 196, OneByteEvent::Twelve);
}

void AIRecordCodec::WriteFormC(const TRegAIConfig& ai, RecordWriting& io)
{
  const std::uint8_t s = SignalCode(ai);
  TransferFormC(io, ai);
  if (s == sig::kThermocouple) io.singleExact(48, ai.CjcTemperature);
  if (s == sig::kRtd) io.u8(53, Info(ai).IndexOfRtdR0(ai.RtdR0));
  WriteByteArea(ai, io, s, 68, 120);
  WriteOneByteEvents(ai, io, 196, OneByteEvent::Twelve);
}

// --- Form D ------------------------------------------------------------------------------

void AIRecordCodec::ReadFormD(TRegAIConfig& ai, const RecordReading& io)
{
  ResetForLaterForms(ai, true);
  TransferFormD(io, ai);
  ReadSignalPosition(ai, ai.SignalIndex);
  const std::uint8_t s = SignalCode(ai);
  CheckSensorSelections(ai, true);
  ReadSensorArea(ai, io.Bytes(), s, kSensorD);
  CheckTransferFunction(ai, ai.TransferFunction, 4, true);
  ReadByteArea(ai, io, s, 60, 119);
  ReadOneByteEvents(ai, io, 196, OneByteEvent::Thirteen);
}

void AIRecordCodec::WriteFormD(const TRegAIConfig& ai, RecordWriting& io)
{
  const std::uint8_t s = SignalCode(ai);
  TransferFormD(io, ai);
  WriteSensorArea(ai, io, s, kSensorD);
  WriteByteArea(ai, io, s, 60, 119);
  WriteOneByteEvents(ai, io, 196, OneByteEvent::Thirteen);
}
