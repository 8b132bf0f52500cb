#include "recorder/info/DeviceNames.h"

#include <algorithm>
#include <iterator>

#include "platform/Format.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/ValueSource.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

const char* BrandText(std::uint8_t deviceLine)
{
  switch (deviceLine) {
  case 0:
  case 2: return "Corvane-Tovi";
  case 1: return "Pelkar-740";
  default: return nullptr;
  }
}

const char* ModelText(std::uint32_t modelCode, unsigned check)
{
  switch (modelCode) {
  case 21: return "318K";
  case 50: return "L7С";  // the last letter is Cyrillic
  case 51: return "L7";
  default: throw EVantorInvalid(check);
  }
}

// Suffix of the model designation by the code of one module slot.
constexpr const char* kModuleSuffixes[22] = {
    "",      "-4АВ",  "-4АП",  "-8ДВ",  "-8ЧВ",  "-1АВ1АЕ1ИП", "-4АЕ",  "-4Р",
    "-8Р",   "-16Р",  "-8РП",  "-16РП", "-4ИП",  "-8С",        "-16С",  "-2АВ",
    "-2АВП", "-8РС",  "-16РС", "-8РТ",  "-16РТ", "-4ДВ",
};

std::string BrandAndModel(const TRegInfo& info, unsigned check)
{
  const char* model = ModelText(info.ModelCode, check);
  const char* brand = BrandText(info.DeviceLine);
  return brand ? Format("%s-%s", brand, model) : std::string(model);
}

constexpr const char* kKindNames[] = {"X", "AI", "AO", "DI", "DO", "TTL", "CTL"};

// The name of entry index of a channel vector, or nothing when the vector (built in
// steps, the extension outputs last) does not reach that far.
template <typename Channels>
const std::string* NameIn(const Channels& channels, std::uint32_t index)
{
  return index < channels.size() ? &channels[index].Name : nullptr;
}

const std::string* NameIn(const TStringList& names, std::uint32_t index)
{
  return index < names.Count() ? &names.Strings(index) : nullptr;
}

}  // namespace

const std::string kValueSourceNoneText = " нет";

std::string GetDeviceShortName(const TRegInfo& info)
{
  if (info.SwVersion < kSecondLineFrom) {
    const char* brand = BrandText(info.DeviceLine);
    return brand ? brand : "";
  }
  return BrandAndModel(info, 6108);
}

std::string GetModelDesignation(const TRegInfo& info)
{
  if (info.SwVersion < kSecondLineFrom) {
    const char* brand = BrandText(info.DeviceLine);
    return brand ? Format("%s-%d-%d", brand, info.PhysAICount, info.DOCount)
                 : Format("%d-%d", info.PhysAICount, info.DOCount);
  }
  std::string designation = BrandAndModel(info, 6177);
  // One unknown module code makes the whole list unreliable, so none is shown.
  const bool known = std::all_of(info.ModuleSlots.begin(), info.ModuleSlots.end(),
                                 [](std::uint8_t code) { return code < std::size(kModuleSuffixes); });
  if (known)
    for (std::uint8_t code : info.ModuleSlots) designation += kModuleSuffixes[code];
  return designation;
}

std::uint32_t TRegInfo::ChannelCountOfKind(std::uint8_t kind) const
{
  switch (kind) {
  case ValueSource::AI: return static_cast<std::uint32_t>(AIChannels.size());
  case ValueSource::AO: return AOCount + ExtAOCount;
  case ValueSource::DI: return static_cast<std::uint32_t>(DIChannels.size());
  case ValueSource::DO: return DOCount + ExtDOCount;
  case ValueSource::TTL: return TTLCount;
  case ValueSource::Regulator: return CtlCount;
  default: return 0;
  }
}

std::string GetValueSourceName(const TRegInfo& info, const ValueSource& source)
{
  if (source.Kind == ValueSource::None) return kValueSourceNoneText;
  if (source.Kind > ValueSource::Regulator) return Format("<%u>[%u]", source.Kind, source.Index);

  const std::string* name = nullptr;
  if (source.Index < info.ChannelCountOfKind(source.Kind)) {
    switch (source.Kind) {
    case ValueSource::AI: name = NameIn(info.AIChannels, source.Index); break;
    case ValueSource::AO: name = NameIn(info.AOChannels, source.Index); break;
    case ValueSource::DI: name = NameIn(info.DIChannels, source.Index); break;
    case ValueSource::DO: name = NameIn(info.DOChannels, source.Index); break;
    case ValueSource::TTL: name = NameIn(info.TTLNames, source.Index); break;
    case ValueSource::Regulator: name = NameIn(info.CtlNames, source.Index); break;
    }
  }
  return name ? *name : Format("%s[%u]", kKindNames[source.Kind], source.Index);
}

ValueSource TRegInfo::FixValueSource(const ValueSource& source) const
{
  if (source.Kind == ValueSource::None) return source;
  if (source.Kind > ValueSource::Regulator) return {};
  const std::uint32_t count = ChannelCountOfKind(source.Kind);
  if (count == 0) return {};
  return {source.Kind, source.Index < count ? source.Index : 0};
}

bool TRegInfo::HasSignalSupport(std::uint8_t signalCode) const { return IndexOfSignalSupport(signalCode) >= 0; }

int TRegInfo::IndexOfSignalSupport(std::uint8_t signalCode) const
{
  for (std::size_t i = 0; i < AISignalSupport.size(); ++i)
    if (AISignalSupport[i].SignalCode == signalCode) return static_cast<int>(i);
  return -1;
}

double TRegInfo::RtdR0At(unsigned index) const
{
  if (RtdR0List.empty()) throw EVantorInvalid(7344);
  if (index >= RtdR0List.size()) throw EVantorInvalid(7360);
  return RtdR0List[index];
}

int TRegInfo::IndexOfRtdR0(std::int32_t mantissa) const
{
  if (RtdR0List.empty()) throw EVantorInvalid(7373);
  for (std::size_t i = 0; i < RtdR0List.size(); ++i)
    if (static_cast<std::int64_t>(RtdR0List[i]) == mantissa) return static_cast<int>(i);
  throw EVantorInvalid(7382);
}

bool TRegInfo::HasRtdR0(std::int32_t mantissa) const
{
  if (RtdR0List.empty()) throw EVantorInvalid(7395);
  for (std::uint32_t value : RtdR0List)
    if (static_cast<std::int64_t>(value) == mantissa) return true;
  return false;
}
