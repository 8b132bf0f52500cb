#include "recsim/Profile.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "platform/Format.h"
#include "recorder/info/VersionWord.h"

namespace recsim {
namespace {

constexpr std::uint32_t V(unsigned major, unsigned minor, unsigned build = 0) { return MakeVersion(major, minor, build); }

// "2.1.150" (or with a fourth number) as a version word.
std::uint32_t ParseFirmware(std::string_view text)
{
  unsigned parts[4] = {0, 0, 0, 0};
  std::size_t count = 0;
  const char* p = text.data();
  const char* end = text.data() + text.size();
  while (p < end && count < 4) {
    auto [next, ec] = std::from_chars(p, end, parts[count]);
    if (ec != std::errc() || parts[count] > 255) throw std::invalid_argument("bad firmware text");
    ++count;
    p = next;
    if (p < end && *p == '.') ++p;
  }
  if (count < 3) throw std::invalid_argument("bad firmware text");
  return MakeVersion(parts[0], parts[1], parts[2], parts[3]);
}

// Signal codes a typical device offers, in its own order: current, voltage, millivolt,
// resistance, pyrometer, thermocouple, RTD, mathematical, flow, manual, then the rest.
constexpr std::uint8_t kTypicalSignalCodes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 10, 0};

bool ListLayout(std::uint32_t sw, std::uint32_t gen)
{
  if (sw >= V(2, 1, 150) && !IsInBranch(sw)) return false;
  return gen < V(1, 10);
}

}  // namespace

DeviceProfile BuildProfile(const ProfileDescription& d)
{
  DeviceProfile p;
  p.Name = d.Name;
  const std::uint32_t sw = ParseFirmware(d.Firmware);
  const bool secondLine = sw >= V(2, 0);

  switch (d.BrandLine) {
  case Brand::Corvane:
    p.Vendor = "Corvane";
    p.ProductCode = "Corvane-KX-318";
    break;
  case Brand::Pelkar:
    p.Vendor = "Pelkar";
    p.ProductCode = "Pelkar-740-L7";
    break;
  case Brand::Foreign:
    p.Vendor = "Lumetra";
    p.ProductCode = "Lumetra-R8";
    break;
  }
  if (!d.Vendor.empty()) p.Vendor = d.Vendor;
  if (!d.ProductCode.empty()) p.ProductCode = d.ProductCode;
  p.Revision = d.Revision.empty() ? Format("v%u.%u.%u", sw >> 24, (sw >> 16) & 0xFF, (sw >> 8) & 0xFF)
                                  : std::string(d.Revision);

  p.HwVersion = d.HwVersion ? d.HwVersion : secondLine ? V(2, 1) : V(1, 4);
  p.SwVersion = sw;
  p.GenHwVersion = p.HwVersion;
  p.GenSwVersion = sw;
  p.Features = d.Features;
  // From 1.6 the first-line firmware tells the brand line by feature bits 11 and 12.
  if (!secondLine && sw >= V(1, 6)) p.Features |= d.BrandLine == Brand::Corvane ? 1u << 12 : 1u << 11;
  p.DeviceLine = d.BrandLine == Brand::Corvane ? 0 : 1;
  p.ModelCode = d.Model;
  p.SerialNumber = d.SerialNumber;
  for (std::size_t i = 0; i < p.HardwareId.size(); ++i)
    p.HardwareId[i] = secondLine ? 0 : static_cast<std::uint8_t>(0xA0 + i);
  p.ExtendedDeviceInfo = d.ExtendedDeviceInfo;
  p.Configuration = d.Configuration;
  p.RelayRecords = d.RelayRecords;

  p.PageCount = d.Pages;
  p.PageChannelCount = d.PageChannels;
  p.SMCount = d.SM;
  p.CTCount = d.CT;
  p.TMRCount = d.TMR;
  p.TTLCount = d.TTL;
  p.CtlCount = (p.Features >> 25) & 1u ? d.Ctl : 0;
  p.ScheduleCount = p.Features & 1u ? 12 : 0;
  p.RS485Count = secondLine || sw >= V(1, 8) ? 2 : 0;
  p.DevFilterParam = secondLine ? 50 : 0;
  p.ExtAOCount = d.ExtAO;
  p.ExtDOCount = d.ExtDO;
  const bool tagFields = (p.Features >> 13) & 1u;
  if (tagFields && sw >= V(2, 1, 53) && !IsInBranch(sw)) {
    p.TagFieldCount = 4;
    p.TagFieldAux = 0x0102;
  }
  if ((p.Features >> 19) & 1u) {
    p.UserTableCount = 2;
    p.UserTableLimit1 = 64;
    p.UserTableLimit2 = 16;
  }
  if ((p.Features >> 14) & 1u) {
    p.MSCapacity = 128;
    p.ScreenWidth = d.Model == 51 ? 600 : 800;
    p.ScreenHeight = d.Model == 51 ? 768 : 568;
  }
  p.InterfaceMask = sw >= V(2, 1, 150) && !IsInBranch(sw) ? 0x0E : 0;

  p.GenAux1 = 0x0F;
  p.GenAux2 = 0x1FFF;
  p.GenOptionMask = 0x07;
  p.RtdTypeMask = 0x1F;
  p.RtdR0Mask = 0x7F;
  p.GenAux3 = 0x0F;
  p.ModuleSlots = d.ModuleSlots;
  p.PhysAICount = d.PhysAI;
  p.AOCount = secondLine ? d.AO : 0;
  p.DOCount = d.DO;
  p.IPCount = secondLine ? d.IP : 0;

  // The 18-byte entries of the older formats carry no code: the code is the position.
  const bool codeIsPosition = sw < V(1, 8) || (sw >= V(1, 9) && sw < V(1, 10));
  for (std::uint8_t i = 0; i < d.Signals; ++i) {
    SignalSupportEntry s;
    s.Code = codeIsPosition ? i : kTypicalSignalCodes[i % std::size(kTypicalSignalCodes)];
    s.Range1High = 20.0f + i;
    s.Decimals = static_cast<std::uint8_t>(i % 4);
    p.Signals.push_back(s);
  }
  const std::size_t maxSignals = ListLayout(sw, p.GenSwVersion) ? 9 : sw >= V(2, 1, 150) && !IsInBranch(sw) ? 24 : 16;
  for (std::uint8_t i = 0; i < d.AI; ++i) {
    AIChannelEntry channel;
    channel.Kind = i < d.PhysAI ? 0 : 3;
    channel.Number = i < d.PhysAI ? i : static_cast<std::uint8_t>(i - d.PhysAI);
    for (std::uint8_t s = 0; s < std::min<std::size_t>(d.Signals, maxSignals); ++s) channel.Signals.push_back(s);
    p.AIChannels.push_back(channel);
  }
  p.DICaps.assign(d.DI, 0x03);
  for (std::size_t i = 0; i < std::size_t(d.DO) + d.ExtDO; ++i) p.RelayTypes.push_back(static_cast<std::uint8_t>(i % 6));
  return p;
}

const std::vector<ProfileDescription>& StandardProfiles()
{
  constexpr std::uint32_t kSchedule = 1u << 0;
  constexpr std::uint32_t kTagFields = 1u << 13;
  constexpr std::uint32_t kMnemonic = 1u << 14;
  constexpr std::uint32_t kPassword = 1u << 16;
  constexpr std::uint32_t kRegulators = 1u << 25;

  static const std::vector<ProfileDescription> profiles = [] {
    std::vector<ProfileDescription> list;
    auto add = [&list](ProfileDescription d) { list.push_back(d); };
    // First line, one per band of record 1. The model of 1.3-1.7 follows from the
    // physical inputs and relays: (8, 8) is model 2.
    add({.Name = "corvane-1.4.2", .BrandLine = Brand::Corvane, .Firmware = "1.4.2", .Model = 2, .SerialNumber = 1402, .Signals = 9});
    add({.Name = "corvane-1.5.3", .BrandLine = Brand::Corvane, .Firmware = "1.5.3", .Model = 2, .SerialNumber = 1503, .Signals = 9, .SM = 2, .CT = 1});
    add({.Name = "corvane-1.6.3", .BrandLine = Brand::Corvane, .Firmware = "1.6.3", .Model = 2, .SerialNumber = 1603, .Signals = 10, .TMR = 4});
    add({.Name = "corvane-1.7.0", .BrandLine = Brand::Corvane, .Firmware = "1.7.0", .Model = 2, .SerialNumber = 1700, .Signals = 10, .TMR = 2});
    add({.Name = "corvane-1.8.1", .BrandLine = Brand::Corvane, .Firmware = "1.8.1", .Features = kSchedule, .Model = 6, .SerialNumber = 1801, .Signals = 10, .TMR = 2});
    add({.Name = "corvane-1.9.0", .BrandLine = Brand::Corvane, .Firmware = "1.9.0", .Features = kSchedule, .Model = 2, .SerialNumber = 1900, .Signals = 10, .TMR = 2, .TTL = 2});
    add({.Name = "corvane-1.10.6", .BrandLine = Brand::Corvane, .Firmware = "1.10.6", .Model = 3, .SerialNumber = 11006, .DO = 16, .Signals = 10, .TTL = 1});
    // Second line.
    add({.Name = "pelkar-2.0.20", .Firmware = "2.0.20", .Model = 21, .SerialNumber = 2020, .PageChannels = 12});
    add({.Name = "pelkar-2.1.20", .Firmware = "2.1.20", .Model = 21, .SerialNumber = 2120, .PageChannels = 12,
         .RelayRecords = false});
    add({.Name = "pelkar-2.1.70", .Firmware = "2.1.70", .Features = kTagFields, .Model = 51, .SerialNumber = 2170, .TTL = 4});
    // From 2.1.90 on a display page record exists for 16 or 20 channels per page only.
    add({.Name = "pelkar-2.1.100", .Firmware = "2.1.100", .Features = kTagFields | kMnemonic, .Model = 51, .SerialNumber = 21100,
         .DI = 8, .DO = 4, .ExtDO = 2, .PageChannels = 16, .ModuleSlots = {1, 0, 3, 0, 0, 12}});
    add({.Name = "corvane-2.1.120", .BrandLine = Brand::Corvane, .Firmware = "2.1.120", .Features = kTagFields, .Model = 21,
         .SerialNumber = 21120, .PageChannels = 20});
    add({.Name = "pelkar-2.1.150", .Firmware = "2.1.150", .Features = kTagFields | kMnemonic | kRegulators, .Model = 51,
         .SerialNumber = 21150, .AO = 2, .IP = 4, .Signals = 18, .PageChannels = 16, .Ctl = 4});
    add({.Name = "pelkar-2.1.150-short", .Firmware = "2.1.150", .Features = kMnemonic | kRegulators, .Model = 51,
         .SerialNumber = 21151, .Ctl = 4, .ExtendedDeviceInfo = false});
    add({.Name = "pelkar-2.1.160", .Firmware = "2.1.160", .Features = kTagFields | kMnemonic | kPassword | kRegulators, .Model = 51,
         .SerialNumber = 21160, .AO = 2, .Signals = 12, .PageChannels = 20, .Ctl = 2});
    add({.Name = "pelkar-2.1.161", .Firmware = "2.1.161", .Features = kMnemonic, .Model = 51, .SerialNumber = 21161});
    add({.Name = "pelkar-2.2.1", .Firmware = "2.2.1", .Features = kTagFields, .Model = 51, .SerialNumber = 2201, .PageChannels = 20});
    // Identification cases.
    add({.Name = "foreign-vendor", .BrandLine = Brand::Foreign, .Firmware = "2.1.100", .Model = 51, .SerialNumber = 9001});
    add({.Name = "nordwick-pelkar", .Firmware = "2.1.100", .Model = 51, .SerialNumber = 9002, .Vendor = "Nordwick"});
    add({.Name = "crossed-line", .Firmware = "2.1.100", .Model = 51, .SerialNumber = 9003, .ProductCode = "Corvane-KX-318"});
    add({.Name = "revision-two-numbers", .Firmware = "2.1.100", .Model = 51, .SerialNumber = 9004, .Revision = "v2.1"});
    add({.Name = "old-hardware", .Firmware = "2.1.0", .Model = 21, .SerialNumber = 9005, .HwVersion = MakeVersion(1, 3, 9)});
    return list;
  }();
  return profiles;
}

DeviceProfile StandardProfile(std::string_view name)
{
  for (const auto& d : StandardProfiles())
    if (d.Name == name) return BuildProfile(d);
  throw std::out_of_range("no recsim profile named " + std::string(name));
}

}  // namespace recsim
