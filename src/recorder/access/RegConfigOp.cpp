#include "recorder/access/RegConfigOp.h"

#include <algorithm>
#include <string_view>

#include "platform/Bytes.h"
#include "platform/Cp1251.h"
#include "platform/Format.h"
#include "recorder/access/RegCommands.h"
#include "recorder/access/RegErrors.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace Registrator {
namespace {

bool BeginsWith(const std::string& text, std::string_view prefix) { return text.starts_with(prefix); }

// What the context takes from the device information record, by layout. The context
// refuses a short record with its own error, naming the layout, so its length rules
// carry no check number.
struct DeviceInfoIdentity {
  const char* tag = "";  // detail of EMBUnsupportedDevice when the record is short
  std::size_t serialOffset = 24;
  enum class Line { Unchanged, FromFeatures, FromByte23 } line = Line::Unchanged;
};

using Line = DeviceInfoIdentity::Line;
constexpr DeviceInfoIdentity k13{.tag = "13", .serialOffset = 14};
constexpr DeviceInfoIdentity k15{.tag = "15", .serialOffset = 20};
constexpr DeviceInfoIdentity k16{.tag = "16", .line = Line::FromFeatures};
constexpr DeviceInfoIdentity k17{.tag = "17", .line = Line::FromFeatures};
constexpr DeviceInfoIdentity k18{.tag = "18", .line = Line::FromFeatures};
constexpr DeviceInfoIdentity k19{.tag = "19", .line = Line::FromFeatures};
constexpr DeviceInfoIdentity k20{.tag = "20", .line = Line::FromByte23};

// The minimum length is also the number of bytes kept in InfoRecordCopy.
constexpr VersionBand<const DeviceInfoIdentity*> kBands[] = {
    RefusedAsOld(0, MakeVersion(1, 2, 255, 255)),
    Served(MakeVersion(1, 3, 0), MakeVersion(1, 4, 255, 255), &k13, LengthAtLeast(34, 0)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 5, 255, 255), &k15, LengthAtLeast(40, 0)),
    Served(MakeVersion(1, 6, 0), MakeVersion(1, 6, 255, 255), &k16, LengthAtLeast(44, 0)),
    Served(MakeVersion(1, 7, 0), MakeVersion(1, 7, 255, 255), &k17, LengthAtLeast(44, 0)),
    Served(MakeVersion(1, 8, 0), MakeVersion(1, 8, 255, 255), &k18, LengthAtLeast(44, 0)),
    Served(MakeVersion(1, 9, 0), MakeVersion(1, 10, 20, 255), &k19, LengthAtLeast(44, 0)),
    RefusedAsNew(MakeVersion(1, 10, 21), MakeVersion(1, 255, 255, 255), kFirstLineUpTo),
    Served(MakeVersion(2, 0, 0), MakeVersion(2, 1, 160, 255), &k20, LengthAtLeast(28, 0)),
    RefusedAsNew(MakeVersion(2, 1, 161), MakeVersion(2, 1, 255, 255), kSecondLineUpTo),
    Served(MakeVersion(2, 2, 0), MakeVersion(2, 2, 3, 255), &k20, LengthAtLeast(28, 0)),
    RefusedAsNew(MakeVersion(2, 2, 4), MakeVersion(255, 255, 255, 255), kSecondLineUpTo),
};

constexpr std::uint32_t kLowestHardware = MakeVersion(1, 4, 0, 0);

// Feature byte 9 (bits 11 and 12 of the feature word) names the line from 1.6 on.
std::uint8_t LineFromFeatures(std::uint8_t byte9)
{
  if (byte9 & 0x08) return TRegConfigOp::kLineSecond;
  if (byte9 & 0x10) return TRegConfigOp::kLineFromInfo;
  return TRegConfigOp::kLineFirst;
}

}  // namespace

void TRegConfigOp::Identify(ModbusMaster::CBaseModbus& transport, std::uint8_t unit)
{
  ModbusMaster::TModbusCommand43ReadDeviceID command;
  transport.Execute(unit, command);
  unsigned count = command.ObjectCount();
  if (count > 2) {
    Vendor = GetDeviceIdObject(command, 0);
    ProductCode = GetDeviceIdObject(command, 1);
    Revision = GetDeviceIdObject(command, 2);
    if ((Vendor == "Corvane" || Vendor == "Nordwick") && BeginsWith(ProductCode, "Corvane-KX-")) {
      IdLine = kLineFirst;
      return;
    }
    if ((Vendor == "Pelkar" || Vendor == "Nordwick") && BeginsWith(ProductCode, "Pelkar-740")) {
      IdLine = kLineSecond;
      return;
    }
  }
  // The objects are texts in the ANSI code page; the message is UTF-8.
  std::string detail;
  for (unsigned id = 0; id < count; ++id)
    detail += "\n" + AnsiToUtf8(GetDeviceIdObject(command, static_cast<std::uint8_t>(id)));
  throw EMBUnsupportedDevice(transport.Description(unit), detail);
}

void TRegConfigOp::ReadDeviceInfo(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, TRegInfo* info)
{
  TModbusReadDeviceInfo command;
  transport.Execute(unit, command);
  if (command.Results.empty() || command.Results.front().Data.size() < 8)
    throw EMBUnsupportedDevice(transport.Description(unit), "13");
  const auto& bytes = command.Results.front().Data;
  ByteReader record(bytes, "device information record");

  IdSwVersion = record.u32(4);
  const auto& band = BandOf<kBands>(IdSwVersion);
  if (band.outcome == BandOutcome::TooOld)
    throw EMBUnsupportedOldVersion(transport.Description(unit), IdSwVersion, kFirstLineFrom);
  if (band.outcome == BandOutcome::TooNew)
    throw EMBUnsupportedNewVersion(transport.Description(unit), IdSwVersion, band.newest);
  const DeviceInfoIdentity& identity = *band.form;
  if (!band.length.Accepts(bytes.size())) throw EMBUnsupportedDevice(transport.Description(unit), identity.tag);

  std::copy_n(bytes.begin(), band.length.size, InfoRecordCopy.begin());
  IdSerial = record.u32(identity.serialOffset);
  switch (identity.line) {
  case Line::Unchanged: break;
  case Line::FromFeatures: IdLine = LineFromFeatures(record.u8(9)); break;
  case Line::FromByte23: IdLine = record.u8(23); break;
  }

  std::uint32_t hardware = record.u32(0);
  if (hardware < kLowestHardware)
    throw EMBUnsupportedDevice(transport.Description(unit), Format("hw %u.%u.%u", VersionByte(hardware, 0),
                                                                   VersionByte(hardware, 1), VersionByte(hardware, 2)));

  if (info) {
    info->SwVersion = IdSwVersion;
    info->ReadDeviceInfoRecord(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  }
}

bool TRegConfigOp::ReadGeneralInfo(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, TRegInfo& info)
{
  TModbusReadGeneralInfo command;
  transport.Execute(unit, command);
  const auto& bytes = command.Results.front().Data;
  info.ReadGeneralInfoRecord(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return true;
}

}  // namespace Registrator
