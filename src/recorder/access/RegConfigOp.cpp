#include "recorder/access/RegConfigOp.h"

#include <algorithm>
#include <string_view>

#include "platform/Bytes.h"
#include "platform/Format.h"
#include "recorder/access/RegCommands.h"
#include "recorder/access/RegErrors.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

namespace Registrator {
namespace {

bool BeginsWith(const std::string& text, std::string_view prefix) { return text.starts_with(prefix); }

// The device information record's length rule and serial position by firmware band.
struct DeviceInfoBand {
  std::uint32_t from, upTo;
  std::size_t minimumLength;  // also the bytes kept in InfoRecordCopy
  const char* tag;            // detail of EMBUnsupportedDevice when shorter
  std::size_t serialOffset;
  enum class Line { Unchanged, FromFeatures, FromByte23 } line;
};

constexpr DeviceInfoBand kBands[] = {
    {MakeVersion(1, 3, 0, 0), MakeVersion(1, 4, 255, 255), 34, "13", 14, DeviceInfoBand::Line::Unchanged},
    {MakeVersion(1, 5, 0, 0), MakeVersion(1, 5, 255, 255), 40, "15", 20, DeviceInfoBand::Line::Unchanged},
    {MakeVersion(1, 6, 0, 0), MakeVersion(1, 6, 255, 255), 44, "16", 24, DeviceInfoBand::Line::FromFeatures},
    {MakeVersion(1, 7, 0, 0), MakeVersion(1, 7, 255, 255), 44, "17", 24, DeviceInfoBand::Line::FromFeatures},
    {MakeVersion(1, 8, 0, 0), MakeVersion(1, 8, 255, 255), 44, "18", 24, DeviceInfoBand::Line::FromFeatures},
    {MakeVersion(1, 9, 0, 0), kFirstLineUpTo, 44, "19", 24, DeviceInfoBand::Line::FromFeatures},
    {kSecondLineFrom, kSecondLineUpTo, 28, "20", 24, DeviceInfoBand::Line::FromByte23},
    {kBranchFrom, kBranchUpTo, 28, "20", 24, DeviceInfoBand::Line::FromByte23},
};

constexpr std::uint32_t kLowestHardware = MakeVersion(1, 4, 0, 0);

const DeviceInfoBand* FindBand(std::uint32_t version)
{
  for (const auto& band : kBands)
    if (version >= band.from && version <= band.upTo) return &band;
  return nullptr;
}

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
  std::string detail;
  for (unsigned id = 0; id < count; ++id) detail += "\n" + GetDeviceIdObject(command, static_cast<std::uint8_t>(id));
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
  if (IdSwVersion < kFirstLineFrom)
    throw EMBUnsupportedOldVersion(transport.Description(unit), IdSwVersion, kFirstLineFrom);
  const DeviceInfoBand* band = FindBand(IdSwVersion);
  if (!band) {
    std::uint32_t highest = IdSwVersion < kSecondLineFrom ? kFirstLineUpTo : kSecondLineUpTo;
    throw EMBUnsupportedNewVersion(transport.Description(unit), IdSwVersion, highest);
  }
  if (bytes.size() < band->minimumLength) throw EMBUnsupportedDevice(transport.Description(unit), band->tag);

  std::copy_n(bytes.begin(), band->minimumLength, InfoRecordCopy.begin());
  IdSerial = record.u32(band->serialOffset);
  switch (band->line) {
  case DeviceInfoBand::Line::Unchanged: break;
  case DeviceInfoBand::Line::FromFeatures: IdLine = LineFromFeatures(record.u8(9)); break;
  case DeviceInfoBand::Line::FromByte23: IdLine = record.u8(23); break;
  }

  std::uint32_t hardware = record.u32(0);
  if (hardware < kLowestHardware)
    throw EMBUnsupportedDevice(transport.Description(unit),
                               Format("hw %u.%u.%u", hardware >> 24, hardware >> 16 & 0xFF, hardware >> 8 & 0xFF));

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
