#include "recsim/FirmwareUpdate.h"


#include <charconv>

#include "platform/Bytes.h"
#include "platform/Format.h"
#include "recorder/info/VersionWord.h"
#include "recsim/ConfigProfiles.h"
#include "recsim/Device.h"
#include "recsim/LoginHandlers.h"
#include "recsim/RecorderHandlers.h"

namespace recsim {
namespace {

constexpr std::uint8_t kFunctionUpload = 0x68;
constexpr std::uint8_t kSubChunk = 1;
constexpr std::uint8_t kSubInstall = 2;

bool AnsweredOk(const Response& response) { return response.kind == Response::Kind::Reply && response.data == std::vector<std::uint8_t>{0}; }

// The recorder restarted with other firmware: it identifies and describes itself by
// the new version. Which levels want a password stays as it was.
void SwitchFirmware(Device& device, FirmwareState& state, std::uint32_t version)
{
  DeviceProfile& profile = *state.profile;
  profile.SwVersion = version;
  profile.GenSwVersion = version;
  profile.Revision = Format("v%u.%u.%u", version >> 24, (version >> 16) & 0xFFu, (version >> 8) & 0xFFu);
  auto& registers = Recorder(device).inputRegisters;
  const auto kept = registers;
  LoadProfile(device, profile);
  registers = kept;
  ++state.firmwareSwitches;
}

Response HandleChunk(Device& device, const Request& request, const Handler& store)
{
  FirmwareState& state = Firmware(device);
  if (request.data.size() < 6) return store(device, request);
  ByteReader in(request.data);
  const std::uint32_t offset = in.u32(1);
  const std::uint32_t length = in.u8(5);
  if (offset == 0) {
    // A new upload (or a retried job) starts the image afresh.
    device.upload.image.clear();
    state.nextOffset = 0;
    state.lastOffset.reset();
  }
  const bool continues = offset == state.nextOffset;
  const bool repeated = state.lastOffset && offset == *state.lastOffset && offset + length == state.nextOffset;
  if (!continues && !repeated) {
    ++state.chunksOutOfOrder;
    return Response::Reply({state.refusalStatus});
  }
  Response response = store(device, request);
  if (continues && AnsweredOk(response)) {
    state.lastOffset = offset;
    state.nextOffset = offset + length;
  }
  return response;
}

Response HandleInstall(Device& device, const Request& request, const Handler& store)
{
  Response response = store(device, request);
  if (!AnsweredOk(response)) return response;
  FirmwareState& state = Firmware(device);
  // Only an image received whole becomes the firmware; the status stays the one the
  // device was told to answer.
  if (device.upload.installSize != device.upload.image.size() || device.upload.installSize != state.nextOffset) {
    ++state.installsMismatched;
    return response;
  }
  // The recorder restarts to install: every level a login opened is closed again.
  Login(device).srp.CloseLevels();
  if (state.profile && state.versionAfterInstall) SwitchFirmware(device, state, *state.versionAfterInstall);
  return response;
}

}  // namespace

FirmwareState& Firmware(Device& device) { return device.Extension<FirmwareState>(); }

void ServeProfile(Device& device, const DeviceProfile& profile)
{
  LoadProfile(device, profile);
  Firmware(device).profile = profile;
}

void RegisterFirmwareHandlers(HandlerTable& table)
{
  Handler store = table.Register(kFunctionUpload, {});
  if (!store) store = [](Device&, const Request&) { return Response::Exception(kIllegalFunction); };
  table.Register(kFunctionUpload, [store](Device& device, const Request& request) {
    if (!request.data.empty() && request.data[0] == kSubChunk) return HandleChunk(device, request, store);
    if (!request.data.empty() && request.data[0] == kSubInstall) return HandleInstall(device, request, store);
    return store(device, request);
  });
}

const std::vector<ProfileDescription>& UpdateProfiles()
{
  constexpr std::uint32_t kTagFields = 1u << 13;
  constexpr std::uint32_t kVariantP = 1u << 29;
  // The recorder offered the 2.1.160.115 image, corvane-21-2.1.70-h2.5, and its -login
  // twin are configuration profiles: a backup can be tried wherever they are walked to.
  static const std::vector<ProfileDescription> profiles = {
      // Already at the newest image of its hardware.
      {.Name = "corvane-21-2.1.160.115-h2.5", .BrandLine = Brand::Corvane, .Firmware = "2.1.160.115",
       .Features = kTagFields, .Model = 21, .SerialNumber = 2160025, .HwVersion = MakeVersion(2, 5, 0)},
      // Model 51 from 2.1.158 tells its variant by feature bit 29: set "P", clear "A".
      {.Name = "corvane-51-2.1.158-h2.6-p", .BrandLine = Brand::Corvane, .Firmware = "2.1.158",
       .Features = kTagFields | kVariantP, .Model = 51, .SerialNumber = 5115826, .HwVersion = MakeVersion(2, 6, 0)},
      {.Name = "corvane-51-2.1.158-h2.6-a", .BrandLine = Brand::Corvane, .Firmware = "2.1.158", .Features = kTagFields,
       .Model = 51, .SerialNumber = 5115827, .HwVersion = MakeVersion(2, 6, 0)},
  };
  return profiles;
}

std::optional<DeviceProfile> FindProfile(std::string_view name)
{
  for (const auto* list : {&StandardProfiles(), &UpdateProfiles(), &ConfigProfiles()})
    for (const auto& description : *list)
      if (description.Name == name) return BuildProfile(description);
  return std::nullopt;
}

std::vector<std::string> ProfileNames()
{
  std::vector<std::string> names;
  for (const auto* list : {&StandardProfiles(), &UpdateProfiles(), &ConfigProfiles()})
    for (const auto& description : *list) names.emplace_back(description.Name);
  return names;
}

std::optional<std::uint32_t> ParseFirmwareVersion(std::string_view text)
{
  unsigned parts[4] = {0, 0, 0, 0};
  std::size_t count = 0;
  const char* p = text.data();
  const char* end = p + text.size();
  while (count < 4) {
    auto [next, ec] = std::from_chars(p, end, parts[count]);
    if (ec != std::errc() || parts[count] > 255) return std::nullopt;
    ++count;
    p = next;
    if (p == end || *p != '.') break;
    ++p;
  }
  if (p != end || count < 3) return std::nullopt;
  return MakeVersion(parts[0], parts[1], parts[2], parts[3]);
}

}  // namespace recsim
