#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "recsim/Profile.h"
#include "recsim/Wire.h"

namespace recsim {

class Device;

// The device's side of a firmware update beyond storing the chunks (Device::upload):
// an image is received in order, from offset 0, each chunk continuing the last (a
// retried chunk may come again); an install answered with status 0 whose size is that
// of the image received restarts the device (the levels a login opened close) as the
// firmware it was given.
struct FirmwareState {
  // The profile the device serves (ServeProfile), rebuilt after an install.
  std::optional<DeviceProfile> profile;
  // The firmware version the device runs after an install answered with status 0;
  // unset, it keeps its version.
  std::optional<std::uint32_t> versionAfterInstall;
  // Answered to a chunk that does not continue the image.
  std::uint8_t refusalStatus = 1;
  std::uint32_t chunksOutOfOrder = 0;
  // Installs whose size was not that of the image received (the firmware stayed).
  std::uint32_t installsMismatched = 0;
  std::uint32_t firmwareSwitches = 0;

  // Where the image stands: the next offset expected, the chunk that ended there.
  std::uint32_t nextOffset = 0;
  std::optional<std::uint32_t> lastOffset;
};

FirmwareState& Firmware(Device& device);

// Makes the device the profile (LoadProfile) and keeps it for the firmware switch.
void ServeProfile(Device& device, const DeviceProfile& profile);

// Takes over 0x68 from the upload handler (register after it): checks the order of the
// chunks before handing them on, and switches the firmware after an install.
void RegisterFirmwareHandlers(HandlerTable& table);

// Recorders of the first brand line on whose hardware the release's images fit, by
// name: the road of an update can be played with them.
const std::vector<ProfileDescription>& UpdateProfiles();
// A standard, an update or a configuration profile by name; nothing when there is no
// such profile.
std::optional<DeviceProfile> FindProfile(std::string_view name);
// Every profile name: the standard ones, the update ones, the configuration ones.
std::vector<std::string> ProfileNames();

// "2.1.160" or "2.1.160.115" as a version word; nothing for any other text.
std::optional<std::uint32_t> ParseFirmwareVersion(std::string_view text);

}  // namespace recsim
