#include "recsim/ConfigProfiles.h"

#include <charconv>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>

#include "recorder/info/VersionWord.h"

namespace recsim {
namespace {

// The texts of tools/recsim/config/*.profile, as the build found them.
constexpr const char* kProfileTexts[] = {
#include "ConfigProfileTexts.inc"
    nullptr,
};

// A description holds its texts as views: the parsed texts live as long as the program.
std::string_view Keep(std::string text)
{
  static std::mutex mutex;
  static std::deque<std::string> kept;
  std::lock_guard lock(mutex);
  return kept.emplace_back(std::move(text));
}

[[noreturn]] void Refuse(std::size_t line, const std::string& what)
{
  throw std::invalid_argument("profile line " + std::to_string(line) + ": " + what);
}

unsigned long Number(std::string_view text, int base, unsigned long limit, std::size_t line)
{
  if (base == 16 && text.starts_with("0x")) text.remove_prefix(2);
  unsigned long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > limit)
    Refuse(line, "bad number " + std::string(text));
  return value;
}

std::vector<std::uint8_t> HexBytes(std::string_view text, std::size_t line)
{
  if (text.size() % 2) Refuse(line, "odd hex");
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(Number(text.substr(i, 2), 16, 0xFF, line)));
  return bytes;
}

std::uint32_t VersionOf(std::string_view text, std::size_t line)
{
  std::uint32_t parts[4] = {0, 0, 0, 0};
  std::size_t count = 0;
  for (std::size_t start = 0; count < 4 && start <= text.size(); ++count) {
    std::size_t dot = text.find('.', start);
    if (dot == std::string_view::npos) dot = text.size();
    parts[count] = static_cast<std::uint32_t>(Number(text.substr(start, dot - start), 10, 255, line));
    start = dot + 1;
  }
  if (count < 3) Refuse(line, "bad version " + std::string(text));
  return MakeVersion(parts[0], parts[1], parts[2], parts[3]);
}

}  // namespace

ProfileDescription ParseConfigProfile(std::string_view text)
{
  ProfileDescription d;
  d.ModuleSlots = {};
  auto configuration = std::make_shared<DeviceConfiguration>();
  using Setter = std::function<void(std::string_view, std::size_t)>;
  auto byte = [](std::uint8_t& field) {
    return [&field](std::string_view value, std::size_t line) {
      field = static_cast<std::uint8_t>(Number(value, 10, 0xFF, line));
    };
  };
  const std::map<std::string_view, Setter> fields = {
      {"name", [&](std::string_view v, std::size_t) { d.Name = Keep(std::string(v)); }},
      {"firmware",
       [&](std::string_view v, std::size_t line) {
         VersionOf(v, line);  // refused here rather than when the profile is built
         d.Firmware = Keep(std::string(v));
       }},
      {"brand",
       [&](std::string_view v, std::size_t line) {
         if (v == "corvane") d.BrandLine = Brand::Corvane;
         else if (v == "pelkar") d.BrandLine = Brand::Pelkar;
         else Refuse(line, "bad brand " + std::string(v));
       }},
      {"features",
       [&](std::string_view v, std::size_t line) {
         d.Features = static_cast<std::uint32_t>(Number(v, 16, 0xFFFFFFFF, line));
       }},
      {"serial",
       [&](std::string_view v, std::size_t line) {
         d.SerialNumber = static_cast<std::uint32_t>(Number(v, 10, 0xFFFFFFFF, line));
       }},
      {"hw", [&](std::string_view v, std::size_t line) { d.HwVersion = VersionOf(v, line); }},
      {"relayrecords", [&](std::string_view v, std::size_t line) { d.RelayRecords = Number(v, 10, 1, line) != 0; }},
      {"model", byte(d.Model)},
      {"ai", byte(d.AI)},
      {"physai", byte(d.PhysAI)},
      {"di", byte(d.DI)},
      {"do", byte(d.DO)},
      {"ao", byte(d.AO)},
      {"ip", byte(d.IP)},
      {"extao", byte(d.ExtAO)},
      {"extdo", byte(d.ExtDO)},
      {"signals", byte(d.Signals)},
      {"pages", byte(d.Pages)},
      {"pagechannels", byte(d.PageChannels)},
      {"sm", byte(d.SM)},
      {"ct", byte(d.CT)},
      {"tmr", byte(d.TMR)},
      {"ttl", byte(d.TTL)},
      {"ctl", byte(d.Ctl)},
  };

  std::istringstream in{std::string(text)};
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string key, a, b, c;
    words >> key >> a >> b >> c;
    if (key == "record") {
      auto function = static_cast<std::uint8_t>(Number(a, 16, 0xFF, number));
      auto record = static_cast<std::uint8_t>(Number(b, 16, 0xFF, number));
      configuration->records[{function, record}] = HexBytes(c, number);
    } else if (key == "file") {
      configuration->files[static_cast<std::uint8_t>(Number(a, 10, 4, number))] = HexBytes(b, number);
    } else if (key == "blob") {
      configuration->blobs[static_cast<std::uint8_t>(Number(a, 16, 0xFF, number))] = HexBytes(b, number);
    } else if (key == "slots") {
      std::istringstream slots(line.substr(key.size()));
      for (auto& slot : d.ModuleSlots) {
        std::string value;
        slots >> value;
        slot = static_cast<std::uint8_t>(Number(value, 10, 0xFF, number));
      }
    } else if (auto field = fields.find(key); field != fields.end() && !a.empty() && b.empty()) {
      field->second(a, number);
    } else {
      Refuse(number, "not understood: " + line);
    }
  }
  if (d.Name.empty() || d.Firmware.empty()) throw std::invalid_argument("profile without a name or a firmware");
  d.Configuration = std::move(configuration);
  return d;
}

const std::vector<ProfileDescription>& ConfigProfiles()
{
  static const std::vector<ProfileDescription> profiles = [] {
    std::vector<ProfileDescription> list;
    for (const char* text : kProfileTexts)
      if (text) list.push_back(ParseConfigProfile(text));
    return list;
  }();
  return profiles;
}

}  // namespace recsim
