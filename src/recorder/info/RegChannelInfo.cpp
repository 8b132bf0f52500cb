#include "recorder/info/RegChannelInfo.h"

#include <iterator>

#include "platform/Format.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t kV1_1 = MakeVersion(1, 1, 0);
constexpr std::uint32_t kV1_8 = MakeVersion(1, 8, 0);
constexpr std::uint32_t kV1_9 = MakeVersion(1, 9, 0);
constexpr std::uint32_t kV1_10 = MakeVersion(1, 10, 0);
constexpr std::uint32_t kV2_1_129 = MakeVersion(2, 1, 129);

// Between the end of the first line and 2.0 no format exists.
bool IsBetweenLines(std::uint32_t sw) { return sw > kFirstLineUpTo && sw < kSecondLineFrom; }
bool IsTooNewForSecondLine(std::uint32_t sw) { return sw > kSecondLineUpTo && !IsInBranch(sw); }

// Mode names of second-line discrete inputs by physical signal type; type 5 was
// renamed from 2.1.129 on.
constexpr const char* kDIModeNames2x[8] = {"нет", "дискретный", "RS-485", "RNet", "CAN", "вручную", "Ethernet",
                                           "математический"};
constexpr const char* kDIModeNameExternal = "внешний";

constexpr const char* kRelayPrefixes[] = {"Р", "С", "РВ", "РС", "РП", "РТ"};

}  // namespace

void TRegInfo::TRegAOChannelInfo::MakeName(std::uint32_t index)
{
  if (Kind == 0)
    Name = Format("АЕ%u", index + 1);
  else if (Kind == 1)
    Name = Format("ВЕ%u", index + 1);
}

// ---------------------------------------------------------------------------------

void TRegInfo::TRegDIChannelInfo::ReadRecord(std::uint32_t swVersion, std::span<const std::uint8_t> record)
{
  const std::uint32_t sw = swVersion;
  if (sw < kV1_1) throw EVantorUnsupportedOldVer(sw);
  if (sw <= kFirstLineUpTo) {
    if (record.empty()) throw EVantorInvalid(sw < kV1_8 ? 1032 : sw < kV1_9 ? 1042 : sw < kV1_10 ? 1052 : 1061);
    Caps1 = record[0];
    Caps2 = 0;
  } else if (sw < kSecondLineFrom) {
    throw EVantorUnsupportedNewVer(sw, kFirstLineUpTo);
  } else if (!IsTooNewForSecondLine(sw)) {
    if (record.empty()) throw EVantorInvalid(1075);
    Caps1 = 0;
    Caps2 = record[0];
  } else {
    throw EVantorUnsupportedNewVer(sw, kSecondLineUpTo);
  }
  RecordByte = record[0];
}

std::uint32_t TRegInfo::TRegDIChannelInfo::RecordSize(std::uint32_t swVersion)
{
  if (IsBetweenLines(swVersion)) throw EVantorUnsupportedNewVer(swVersion, kFirstLineUpTo);
  return 1;
}

std::uint32_t TRegInfo::TRegDIChannelInfo::WriteRecord(std::uint32_t swVersion, std::vector<std::uint8_t>& out) const
{
  if (IsBetweenLines(swVersion)) throw EVantorUnsupportedNewVer(swVersion, kFirstLineUpTo);
  out.push_back(swVersion <= kFirstLineUpTo ? Caps1 : Caps2);
  return 1;
}

void TRegInfo::TRegDIChannelInfo::AddMode(TDIPhysSignalType mode, const char* name)
{
  Modes.push_back(mode);
  ModeNames.emplace_back(name);
}

void TRegInfo::TRegDIChannelInfo::BuildModes(std::uint32_t swVersion, std::uint32_t index)
{
  const std::uint32_t sw = swVersion;
  MakeName(index);
  if (IsBetweenLines(sw)) throw EVantorUnsupportedNewVer(sw, kFirstLineUpTo);
  Modes.clear();
  ModeNames.clear();
  auto caps1 = [this](unsigned bit) { return (Caps1 >> bit) & 1u; };
  if (sw < kV1_8 || (sw >= kV1_9 && sw < kV1_10)) {
    if (caps1(0)) AddMode(9, "реле");
    if (caps1(1)) AddMode(10, "логический");
  } else if (sw < kV1_9) {
    if (caps1(0)) AddMode(0, "нет");
    if (caps1(0)) AddMode(9, "реле");
    if (caps1(1)) AddMode(10, "логический");
    if (caps1(5)) AddMode(11, "modbus");
  } else if (sw <= kFirstLineUpTo) {
    if (caps1(0)) AddMode(9, "реле");
    if (caps1(1)) AddMode(10, "логический");
    if (caps1(2)) AddMode(0, "нет");
    if (caps1(3)) AddMode(11, "Modbus");
  } else {
    // Below 2.1.30 and up to 2.1.128 the names are the same; the 2.2 branch predates
    // the rename, like every "from 2.1.x on" change.
    const bool external = IsFirmwareFrom(sw, kV2_1_129);
    for (unsigned i = 0; i < 8; ++i)
      if ((Caps2 >> i) & 1u) AddMode(static_cast<TDIPhysSignalType>(i), i == 5 && external ? kDIModeNameExternal : kDIModeNames2x[i]);
  }
}

void TRegInfo::TRegDIChannelInfo::MakeName(std::uint32_t index) { Name = Format("ДВ%u", index + 1); }

int TRegInfo::TRegDIChannelInfo::IndexOfMode(TDIPhysSignalType mode) const
{
  for (std::size_t i = 0; i < Modes.size(); ++i)
    if (Modes[i] == mode) return static_cast<int>(i);
  return -1;
}

// ---------------------------------------------------------------------------------

void TRegInfo::TRegDOChannelInfo::ReadRecord(std::uint32_t swVersion, std::span<const std::uint8_t> record)
{
  if (swVersion < kV1_1) throw EVantorUnsupportedOldVer(swVersion);
  if (IsTooNewForSecondLine(swVersion)) throw EVantorUnsupportedNewVer(swVersion, kSecondLineUpTo);
  if (record.empty()) throw EVantorInvalid(1332);
  if (record[0] >= std::size(kRelayPrefixes)) throw EVantorInvalid(1348);
  Type = record[0];
}

std::uint32_t TRegInfo::TRegDOChannelInfo::RecordSize(std::uint32_t) { return 1; }

std::uint32_t TRegInfo::TRegDOChannelInfo::WriteRecord(std::uint32_t, std::vector<std::uint8_t>& out) const
{
  out.push_back(Type);
  return 1;
}

void TRegInfo::TRegDOChannelInfo::MakeName(std::uint32_t index)
{
  if (Type < std::size(kRelayPrefixes))
    Name = Format("%s%u", kRelayPrefixes[Type], index + 1);
  else
    Name = Format("DO%u", index + 1);
}

void TRegInfo::TRegIPChannelInfo::MakeName(std::uint32_t index) { Name = Format("ИП%u", index + 1); }
