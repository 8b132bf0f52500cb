// The list builder: turns the raw capabilities of a filled TRegInfo (versions, feature
// bits, masks, counts, channel records) into the values a user may choose for each
// setting of this recorder, the channel names and modes, and the limits the
// configuration blocks check against. Every member is cleared before it is refilled,
// so building twice gives the same lists.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>

#include "platform/Format.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/SensorRangeTables.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

bool Bit(std::uint32_t word, unsigned bit) { return (word >> bit) & 1u; }

// --- Texts ------------------------------------------------------------------------

constexpr const char* kInterfaceNames[] = {"нет", "RS-485 №1", "RS-485 №2", "Ethernet"};
constexpr const char* kAOControlTypeNames[] = {"внешн.", "матем.", "вручную", "RS-485", "Ethernet", "CAN", "Регулятор"};
constexpr const char* kDOControlTypeNames[] = {"уставки", "мат. выражение", "внешнее", "вручную", "регулятор"};
constexpr const char* kDOModeNamesOld[] = {"дискретный", "ШИМ", "МЭО"};
constexpr const char* kDOModeNamesNew[] = {"дискретный", "ШИМ/нагр", "МЭО/откр",  "ШИМ/хол",
                                           "МЭО/закр",   "дискр/нагр", "дискр/хол"};
constexpr const char* kRtdWiringNames[] = {"3х пров.", "2х пров.", "4х пров.", "4х пров.+дет. обр."};
constexpr const char* kThermocoupleNames[] = {"ТПП13 (R)", "ТПП10 (S)", "ТПР (B)",  "ТЖК (J)",  "ТМК (T)",
                                              "ТХКн (E)",  "ТХА (K)",   "ТНН (N)",  "ТВР (A1)", "ТВР (A2)",
                                              "ТВР (A3)",  "ТХК (L)",   "ТМК (M)"};
constexpr const char* kRtdTypeNames[] = {"Pt 1.391 (П)", "Pt 1.385", "Cu 1.428 (М)", "Cu 1.426", "Ni 1.617 (Н)"};
constexpr const char* kRtdR0Names[] = {"10 Ом", "50 Ом", "53 Ом", "100 Ом", "200 Ом", "500 Ом", "1000 Ом"};
constexpr std::uint32_t kRtdR0Values[] = {10, 50, 53, 100, 200, 500, 1000};
constexpr const char* kPyrometerNames[] = {"РК-15", "РК-20", "РС-20", "РС-25"};

// Signal names by code; the first three take the upper end of the signal's range.
// Code 10 (the fieldbus input) and code 11 (the value set from outside) were renamed.
constexpr const char* kSignalNames[19] = {"нет",     "%u мА",   "%u В",     "%u мВ",  "%u Ом",    "пирометр", "ТП",
                                          "ТС",      "матем.",  "расход",   "modbus", "вручную",  "CAN",      "частота",
                                          "импульс", "Ethernet", "частота", "импульс", "счётчик"};
constexpr std::uint8_t kSignalCodeCount = std::size(kSignalNames);

constexpr unsigned kPeriodMultipliers[] = {1, 5, 10, 25, 50, 150, 300, 600};
constexpr const char* kFilterNames[] = {"нет", "мед.", "эксп.", "ск.ср.", "средн."};
constexpr const char* kAIMBValueTypeNames[] = {
    "signed 16bit",   "unsigned 16bit", "signed 32bit:c",   "unsigned 32bit:c", "float 32bit:a",
    "float 32bit:b",  "float 32bit:c",  "float 32bit:d",    "float dah",        "signed 32bit:a",
    "signed 32bit:b", "signed 32bit:d", "unsigned 32bit:a", "unsigned 32bit:b", "unsigned 32bit:d"};
constexpr const char* kFlowMediumNames[] = {"природный газ",   "вода",    "перегретый пар",
                                            "насыщенный пар", "воздух", "газ МР 118-05"};
constexpr const char* kValueModeNames[] = {"вручную", "Modbus Slave", "программа"};
constexpr const char* kReportIntervalNames[] = {"час", "день", "неделя", "месяц", "год"};
constexpr const char* kPageViewNames[] = {"тренд", "шкала", "числа", "тренд+шкала", "циферблат", "мнемосхема"};
constexpr const char* kPageLayoutNames[] = {"совмещенный", "раздельный"};
constexpr const char* kPenNames[20] = {"синий",      "зеленый",    "голубой", "красный",   "фиолетовый",
                                       "желтый",     "т. зеленый", "коричневый", "т. синий", "т. красный",
                                       "серый",      "малиновый",  "13",      "14",        "15",
                                       "16",         "17",         "18",      "19",        "20"};
constexpr std::uint32_t kPenColors[20] = {0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0x2AA52A,
                                          0x2A2AA5, 0x800000, 0x000080, 0x404040, 0x800080, 0x608080, 0x006000,
                                          0xD06030, 0x00E050, 0xF0A000, 0x0000A0, 0xA00060, 0x0060A0};
constexpr const char* kDIEventConditions[] = {"В", "Н", "Н->В", "В->Н", "Н<->В", "обрыв", "замыкание", "обрыв|замык."};

// Module-slot codes that hold discrete inputs, and the checks of a taken channel that
// is no discrete input after all.
struct ModuleSlotKind {
  std::uint8_t code;
  std::uint32_t channels;
  std::uint8_t moduleKind;
  unsigned check;
};
constexpr ModuleSlotKind kDIModules[] = {
    {3, 8, 1, 2700},   // eight discrete inputs
    {21, 4, 1, 2710},  // four discrete inputs
    {4, 8, 2, 2720},   // eight inputs with line break and short-circuit detection
};

// --- Helpers ----------------------------------------------------------------------

template <std::size_t N>
void AddFirst(TStringList& list, const char* const (&names)[N], std::size_t count, bool withObjects = true)
{
  list.Clear();
  for (std::size_t i = 0; i < count && i < N; ++i) list.Add(names[i], withObjects ? static_cast<std::intptr_t>(i) : 0);
}

template <std::size_t N>
void AddCodes(TStringList& list, const char* const (&names)[N], const std::vector<std::uint8_t>& codes)
{
  list.Clear();
  for (std::uint8_t code : codes) list.Add(names[code], code);
}

void AddNumbered(TStringList& list, const char* pattern, std::uint32_t count)
{
  list.Clear();
  for (std::uint32_t i = 1; i <= count; ++i) list.Add(Format(pattern, i));
}

template <typename Channel>
void AddChannelNames(TStringList& list, const std::vector<Channel>& channels)
{
  list.Clear();
  for (const auto& channel : channels) list.Add(channel.Name);
}

// A device float as a count for a name: truncated towards zero, and saturated where
// the conversion would be undefined (NaN and negatives give 0).
std::uint32_t SaturatingUInt(float value)
{
  if (!(value > 0.0f)) return 0;
  if (value >= 4294967296.0f) return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(value);
}

// --- Steps ------------------------------------------------------------------------

// Ethernet as a source: its own bit, and the bit that switched it on in the firmware.
bool EthernetOffered(const TRegInfo& info)
{
  const bool late = IsFirmwareFrom(info.SwVersion, MakeVersion(2, 1, 110));
  return Bit(info.Features, 6) && Bit(info.Features, late ? 17 : 15);
}

void ClearBit7OnSinglePort(TRegInfo& info)
{
  const std::uint32_t sw = info.SwVersion;
  const bool window = IsInBranch(sw) || (sw >= kSecondLineFrom && sw <= MakeVersion(2, 1, 160, 5));
  if (Bit(info.Features, 7) && info.RS485Count <= 1 && window) info.Features &= ~(1u << 7);
}

void BuildPortLists(TRegInfo& info)
{
  const std::uint32_t features = info.Features;
  info.RS485PortNames.Clear();
  if (info.SwVersion < MakeVersion(1, 9, 0)) {
    info.RS485PortNames.Add("RS-485", 0);
  } else {
    if (!Bit(features, 4)) info.RS485PortNames.Add("RS-485 №1", 0);
    if (!Bit(features, 5)) info.RS485PortNames.Add("RS-485 №2", 1);
  }

  TStringList& names = info.InterfaceNames;
  names.Clear();
  names.Add(kInterfaceNames[0], 0);
  if (!Bit(features, 30)) return;
  const std::uint8_t mask = info.InterfaceMask;
  const bool byMask = mask != 0;
  if ((!byMask || Bit(mask, 1)) && !Bit(features, 4)) names.Add(kInterfaceNames[1], 1);
  if ((!byMask || Bit(mask, 2)) && !Bit(features, 5)) names.Add(kInterfaceNames[2], 2);
  if (byMask && Bit(mask, 3) && EthernetOffered(info)) names.Add(kInterfaceNames[3], 3);
}

void BuildCounterSources(TRegInfo& info)
{
  info.CounterSourceNames.Clear();
  info.CounterSources.clear();
  if (!info.IsSwAtLeast2_1_132()) return;
  info.CounterSourceNames.Add("счетчик", 0);
  info.CounterSourceNames.Add("канал", 1);
  info.CounterSourceNames.Add("мат. выражение", 2);
  info.CounterSources = {0, 1, 2};
  if (Bit(info.Features, 26)) {
    info.CounterSourceNames.Add("RS-485", 3);
    info.CounterSources.insert(3);
  }
}

void AddExtensionOutputs(TRegInfo& info)
{
  if (info.ExtAOCount > 0)
    info.AOChannels.resize(std::size_t(info.AOCount) + info.ExtAOCount, TRegInfo::TRegAOChannelInfo(1));
}

void BuildControlTypes(TRegInfo& info)
{
  const std::uint32_t sw = info.SwVersion;
  const std::uint32_t features = info.Features;
  auto& ao = info.AOControlTypes;
  ao = {0, 1};
  if (IsFirmwareFrom(sw, MakeVersion(2, 1, 60))) ao.push_back(2);
  if (IsFirmwareFrom(sw, MakeVersion(2, 1, 110))) {
    if (!(Bit(features, 4) && Bit(features, 5))) ao.push_back(3);
    if (EthernetOffered(info)) ao.push_back(4);
    if (Bit(features, 7)) ao.push_back(5);
    if (Bit(features, 25)) ao.push_back(6);
  }
  AddCodes(info.AOControlTypeNames, kAOControlTypeNames, ao);

  auto& dout = info.DOControlTypes;
  if (sw < MakeVersion(1, 10, 6))
    dout = {0};
  else if (sw < kSecondLineFrom)
    dout = {0, 2};
  else if (IsFirmwareBelow(sw, MakeVersion(2, 1, 54)))
    dout = {0};
  else if (sw < MakeVersion(2, 1, 151))
    dout = {0, 1, 2, 3};
  else {
    dout = {0, 1, 2, 3};
    if (Bit(features, 25)) dout.push_back(4);
  }
  AddCodes(info.DOControlTypeNames, kDOControlTypeNames, dout);
}

void BuildDOChannelModes(TRegInfo& info)
{
  // The heat/cool modes arrived in 2.1.160.50 and were in the 2.2 branch from its start.
  const std::uint32_t sw = info.SwVersion;
  const bool newer = sw >= MakeVersion(2, 1, 160, 50) || IsInBranch(sw);
  auto& modes = info.DOChannelModes;
  modes.Clear();
  const auto& names = newer ? kDOModeNamesNew : kDOModeNamesOld;
  modes.Add(names[0], TRegDOChannelMode::Discrete);
  if (!Bit(info.Features, 25)) return;
  modes.Add(names[1], TRegDOChannelMode::PwmHeat);
  modes.Add(names[2], TRegDOChannelMode::ServoOpen);
  if (!newer) return;
  for (std::uint8_t code = 3; code < std::size(kDOModeNamesNew); ++code)
    modes.Add(kDOModeNamesNew[code], static_cast<TRegDOChannelMode>(code));
}

const char* SignalName(std::uint8_t code, std::uint32_t sw)
{
  if (code == 10 && IsFirmwareFrom(sw, MakeVersion(2, 1, 30))) return "RS-485";
  if (code == 11 && IsFirmwareFrom(sw, MakeVersion(2, 1, 129))) return "внешний";
  return kSignalNames[code];
}

void NameSignalTypes(TRegInfo& info)
{
  for (auto& entry : info.AISignalSupport) {
    if (entry.SignalCode >= kSignalCodeCount) throw EVantorInvalid(2617);
    entry.Name = Format(SignalName(entry.SignalCode, info.SwVersion), SaturatingUInt(entry.Range1High()));
  }
}

void BuildSensorLists(TRegInfo& info)
{
  FillListFromMask8(info.GenAux1, info.RtdWiringNames, kRtdWiringNames);
  FillListFromMask16(info.GenAux2, info.ThermocoupleNames, kThermocoupleNames);
  info.ColdJunctionModes.Clear();
  if (Bit(info.GenOptionMask, 0)) info.ColdJunctionModes.Add("вручную", 0);
  if (Bit(info.GenFlags, 0) && Bit(info.GenOptionMask, 1)) info.ColdJunctionModes.Add("внутр. датчик", 1);
  FillListFromMask8(info.RtdTypeMask, info.RtdTypeNames, kRtdTypeNames);
  FillListFromMask8(info.RtdR0Mask, info.RtdR0Names, kRtdR0Names);
  info.RtdR0List.clear();
  for (unsigned bit = 0; bit < std::size(kRtdR0Values); ++bit)
    if (Bit(info.RtdR0Mask, bit)) info.RtdR0List.push_back(kRtdR0Values[bit]);
  FillListFromMask8(info.GenAux3, info.PyrometerNames, kPyrometerNames);
}

void FillEventConditions(TRegInfo::TRegDIChannelInfo& channel, std::size_t count)
{
  channel.EventConditions.Clear();
  for (std::size_t i = 0; i < count; ++i) channel.EventConditions.Add(kDIEventConditions[i], static_cast<std::intptr_t>(i));
}

// Which discrete inputs sit on plug-in modules. A walk that names more inputs than the
// recorder reported stops at the end of the vector, and a module kind from an earlier
// read never stays behind.
void AssignModules(TRegInfo& info)
{
  auto& channels = info.DIChannels;
  for (auto& channel : channels) channel.SetModule(0, 0);
  const std::uint32_t sw = info.SwVersion;

  if (sw >= kSecondLineFrom) {
    std::int32_t nextIndex[3] = {0, 0, 0};
    std::size_t di = 0;
    for (std::uint8_t slot : info.ModuleSlots) {
      for (const auto& module : kDIModules) {
        if (module.code != slot) continue;
        for (std::uint32_t i = 0; i < module.channels && di < channels.size(); ++i, ++di) {
          if (!Bit(channels[di].Caps2, 1)) throw EVantorInvalid(module.check);
          channels[di].SetModule(module.moduleKind, nextIndex[module.moduleKind]++);
        }
      }
    }
    for (auto& channel : channels) FillEventConditions(channel, channel.ModuleKind < 2 ? 6 : 8);
    return;
  }

  const std::uint8_t mask = sw >= MakeVersion(1, 8, 0) && sw < MakeVersion(1, 10, 0) ? 6 : 3;
  std::int32_t next = 0;
  for (auto& channel : channels) {
    if (channel.Caps1 & mask) channel.SetModule(1, next++);
    FillEventConditions(channel, 5);
  }
}

void AddColdJunctionChannels(TRegInfo& info)
{
  if (!Bit(info.GenOptionMask, 2)) return;
  const std::uint32_t sw = info.SwVersion;
  const bool physicalOnly = (sw >= MakeVersion(1, 6, 16) && sw <= MakeVersion(1, 6, 255, 255)) || sw >= kSecondLineFrom;
  // The general record of the second line does not promise as many AI channels as it
  // counts physical inputs.
  std::size_t count = info.AIChannels.size();
  if (physicalOnly) count = std::min<std::size_t>(count, info.PhysAICount);
  for (std::size_t i = 0; i < count; ++i)
    info.ColdJunctionModes.Add(info.AIChannels[i].Name, static_cast<std::intptr_t>(i + 2));
}

void NameOtherChannels(TRegInfo& info)
{
  for (std::uint32_t i = 0; i < info.AOChannels.size(); ++i) info.AOChannels[i].MakeName(i);
  for (std::uint32_t i = 0; i < info.DOChannels.size(); ++i) info.DOChannels[i].MakeName(i);
  for (std::uint32_t i = 0; i < info.IPChannels.size(); ++i) info.IPChannels[i].MakeName(i);
  for (std::uint32_t i = 0; i < info.DIChannels.size(); ++i) info.DIChannels[i].BuildModes(info.SwVersion, i);
}

void BuildSignalFormatMasks(TRegInfo& info)
{
  info.SignalFormatMasks.clear();
  for (const auto& entry : info.AISignalSupport)
    info.SignalFormatMasks.push_back("0." + std::string(static_cast<std::size_t>(std::max(entry.Decimals, 0)), '0'));
  info.FormatMasks[0] = "0.0#####";
}

void BuildFilters(TRegInfo& info)
{
  auto& limits = info.AIFilterTypes;
  limits.clear();
  limits[0] = 0;
  if (info.IsSwAtLeast2_1_158()) {
    AddFirst(info.AIFilterNames, kFilterNames, std::size(kFilterNames));
    // Filter lengths in samples of the measurement cycle; a device without a time
    // base has no cycle to count.
    const std::uint64_t x64 =
        info.GenTimeBase ? std::uint64_t(info.DevFilterParam) * 1000u / info.GenTimeBase : 0;
    const auto x = static_cast<std::uint32_t>(std::min<std::uint64_t>(x64, UINT32_MAX));
    constexpr std::uint32_t kCap = 9999;
    limits[1] = std::min(x / 4, kCap);
    limits[2] = std::max(x, kCap);
    limits[3] = std::min(x, kCap);
    limits[4] = std::max(x, kCap);
    return;
  }
  AddFirst(info.AIFilterNames, kFilterNames, 2);
  info.FilterMaxList = {0, info.DevFilterParam - 1};
  limits[1] = info.DevFilterParam - 1;
}

void SetDecimalLimits(TRegInfo& info)
{
  info.ValueLimitEx1.SetLimits(1, 6, -9999999, 9999999);
  info.ValueLimitEx1.SetRaw(0, 1);
  // Packed decimal words from 2.1.159 on carry small unsigned counts in place of floats.
  if (IsFirmwareFrom(info.SwVersion, MakeVersion(2, 1, 159))) {
    info.ValueLimitEx2.SetLimits(0, 3, 0, 65535);
    info.ValueLimitEx2.SetRaw(0, 0);
  } else {
    info.ValueLimitEx2.SetLimits(1, 6, 0, 9999999);
    info.ValueLimitEx2.SetRaw(0, 1);
  }
}

void AddPeriods(TStringList& list, double baseMs, std::size_t multipliers, bool withNone)
{
  list.Clear();
  for (std::size_t i = 0; i < multipliers; ++i)
    list.Add(FormatDurationMs(baseMs * kPeriodMultipliers[i]), kPeriodMultipliers[i]);
  if (withNone) list.Add("нет", 0);
}

void BuildPeriods(TRegInfo& info)
{
  const double base = info.GenTimeBase;
  const std::uint32_t sw = info.SwVersion;
  constexpr std::size_t kAll = std::size(kPeriodMultipliers);
  AddPeriods(info.PeriodNames, base, kAll, true);
  if (sw >= kSecondLineFrom)
    AddPeriods(info.ShortPeriodNames, base, kAll, true);
  else
    AddPeriods(info.ShortPeriodNames, base, sw >= MakeVersion(1, 8, 0) && sw < MakeVersion(1, 9, 0) ? 3 : 2, false);
  AddPeriods(info.MinutePeriodNames, base * 60, kAll, false);
}

void BuildModeLists(TRegInfo& info)
{
  const std::uint32_t sw = info.SwVersion;
  AddFirst(info.ReportIntervalNames, kReportIntervalNames, sw < kSecondLineFrom ? 5 : 4);

  std::size_t valueModes = 0;
  if (info.IsSwAtLeast2_1_128_90()) valueModes = Bit(info.Features, 15) ? 3 : info.HasModbusSlave() ? 2 : 1;
  AddFirst(info.ValueModeNames, kValueModeNames, valueModes);

  AddFirst(info.FlowMediumNames, kFlowMediumNames, Bit(info.Features, 28) ? 6 : 5);

  auto& types = info.AIMBValueTypes;
  types.Clear();
  const std::size_t count = IsFirmwareFrom(sw, MakeVersion(2, 1, 160, 72)) ? 15 : 9;
  for (std::size_t code = 0; code < count; ++code)
    types.Add(kAIMBValueTypeNames[code], static_cast<TAIMBValueType>(code));

  info.HasTcOrPyrometer = info.HasSignalSupport(6) || info.HasSignalSupport(5);
}

void BuildPageLists(TRegInfo& info)
{
  const std::uint32_t sw = info.SwVersion;
  info.PageViewCount = IsFirmwareBelow(sw, MakeVersion(2, 1, 50)) ? 4 : Bit(info.Features, 14) ? 6 : 5;

  struct Limits {
    std::uint8_t layouts, groups, pens;
  } limits;
  if (sw < MakeVersion(1, 10, 4))
    limits = {1, 1, 6};
  else if (sw < kSecondLineFrom)
    limits = {1, 4, 6};
  else if (sw <= MakeVersion(2, 0, 2, 1))
    limits = {1, 3, 8};
  else if (sw < MakeVersion(2, 1, 0))
    limits = {2, 3, 8};
  else if (IsFirmwareBelow(sw, MakeVersion(2, 1, 90)))
    limits = {2, 5, 12};
  else
    limits = {2, 5, static_cast<std::uint8_t>(std::min<std::uint32_t>(info.PageChannelCount, std::size(kPenNames)))};
  info.PageLayoutCount = limits.layouts;
  info.PageGroupCount = limits.groups;
  info.PagePenCount = limits.pens;

  AddFirst(info.PageViewNames, kPageViewNames, info.PageViewCount, false);
  AddFirst(info.PageLayoutNames, kPageLayoutNames, info.PageLayoutCount, false);
  AddFirst(info.PenNames, kPenNames, info.PagePenCount, false);
  info.Colors.assign(std::begin(kPenColors), std::begin(kPenColors) + info.PagePenCount);
  info.PageGroupNames.Clear();
  for (unsigned group = 1; group <= info.PageGroupCount; ++group) info.PageGroupNames.Add(UIntText(group));
}

void BuildNameLists(TRegInfo& info)
{
  AddChannelNames(info.AINames, info.AIChannels);
  AddChannelNames(info.AONames, info.AOChannels);
  AddChannelNames(info.DINames, info.DIChannels);
  AddChannelNames(info.DONames, info.DOChannels);
  AddChannelNames(info.IPNames, info.IPChannels);
  AddNumbered(info.SMNames, "СМ%u", info.SMCount);
  AddNumbered(info.CTNames, "СЧ%u", info.CTCount);
  AddNumbered(info.TTLNames, "СМ%u", info.TTLCount);
  AddNumbered(info.TMRNames, "Т%u", info.TMRCount);
  AddNumbered(info.CtlNames, "Рег%u", info.CtlCount);
}

void BuildPIDModes(TRegInfo& info)
{
  const std::uint32_t sw = info.SwVersion;
  auto& modes = info.PIDModes;
  modes.Clear();
  if (!Bit(info.Features, 25) || IsFirmwareBelow(sw, MakeVersion(2, 1, 150))) return;
  modes.Add("выкл.", TRegPIDMode::Off);
  modes.Add("ПИД (ШИМ/ЦАП)", TRegPIDMode::PidPwmDac);
  if (sw >= MakeVersion(2, 1, 151, 40)) modes.Add("ПДД (МЭО)", TRegPIDMode::PddServo);
}

// The run time's general floating format with precision 1 and no minimum exponent
// digits: one significant digit, halves rounded up; fixed notation while the number
// has at most one integer digit and is not below 0.00001, else "dEx".
std::string GeneralOneDigit(double value)
{
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  std::string sign = value < 0 ? "-" : "";
  // Rounded on its 15-digit decimal reading, so 2.5 and 0.15 round up as written.
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  int digit = buffer[0] - '0';
  int exponent = std::atoi(std::strchr(buffer, 'e') + 1);
  if (buffer[2] >= '5' && ++digit == 10) {
    digit = 1;
    ++exponent;
  }
  if (exponent <= 0 && exponent >= -5) {
    if (exponent == 0) return sign + char('0' + digit);
    return sign + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + char('0' + digit);
  }
  return sign + char('0' + digit) + "E" + std::to_string(exponent);
}

}  // namespace

std::string FormatDurationMs(double milliseconds)
{
  const double seconds = milliseconds * 0.001;
  const double minutes = seconds / 60;
  const double hours = minutes / 60;
  if (hours >= 1) return GeneralOneDigit(hours) + " час.";
  if (minutes >= 1) return GeneralOneDigit(minutes) + " мин.";
  return GeneralOneDigit(seconds) + " сек.";
}

void TRegInfo::BuildLists()
{
  InfoIncomplete = true;
  ClearBit7OnSinglePort(*this);
  SensorRangeTables = SelectSensorRangeTables(GenSwVersion);
  BuildPortLists(*this);
  BuildCounterSources(*this);
  AddExtensionOutputs(*this);
  BuildControlTypes(*this);
  BuildDOChannelModes(*this);
  NameSignalTypes(*this);
  BuildSensorLists(*this);
  AssignModules(*this);

  for (auto& channel : AIChannels) channel.MakeName();
  MakeExprNames();
  AddColdJunctionChannels(*this);
  NameOtherChannels(*this);
  BuildExprTables();

  BuildSignalFormatMasks(*this);
  BuildFilters(*this);
  SetDecimalLimits(*this);
  BuildPeriods(*this);
  BuildModeLists(*this);
  BuildPageLists(*this);
  BuildNameLists(*this);
  BuildPIDModes(*this);
  InfoIncomplete = false;
}
