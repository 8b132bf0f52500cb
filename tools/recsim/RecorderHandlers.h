#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "recsim/Profile.h"
#include "recsim/Wire.h"

namespace recsim {

class Device;

// What the recorder side of the simulated device holds beyond the records and record
// files of Device: its identification objects, input registers and blobs, with the
// knobs tests turn to make it misbehave at the application level (the wire faults
// are the server's).
struct RecorderState {
  // Identification objects in the order they are answered (id, text); any number.
  std::vector<std::pair<std::uint8_t, std::string>> identification;
  // Input registers (0x04) by address; a register not here is an illegal address.
  std::map<std::uint16_t, std::uint16_t> inputRegisters;
  // Blobs by function (0x69 mnemonic scheme, 0x6B or 0x6F AMX program): the 12-byte
  // header and the payload. A 0x69 request is a blob chunk only while a 0x69 blob is
  // held; otherwise it is a record-file block.
  std::map<std::uint8_t, std::vector<std::uint8_t>> blobs;
  std::uint32_t blobChunkSize = 246;          // bytes per chunk at most
  std::optional<std::uint32_t> blobEmptyFrom;  // chunks from this offset on carry no bytes
  // Answered to a record file's size query in place of its 4-byte size.
  std::optional<std::vector<std::uint8_t>> fileSizeReply;
};

RecorderState& Recorder(Device& device);

// Identification (0x2B/0x0E), input registers (0x04), blob chunks (0x69, 0x6B, 0x6F)
// on top of the record and record-file handlers the table already has (register
// after them).
void RegisterRecorderHandlers(HandlerTable& table);

// Makes the device the profile: its identification objects, every information record
// (0x64) its firmware answers, input registers 75 and 76 clear (no password), its
// answer to the Ethernet discovery, and the configuration records (0x65, 0x6B), record
// files and blobs of its configuration (none when the profile has no configuration).
void LoadProfile(Device& device, const DeviceProfile& profile);
// The same by the name of any profile (FindProfile); false when there is none.
bool LoadProfile(Device& device, std::string_view name);

// A blob as the device keeps it: the header (presence, payload size) and the payload.
std::vector<std::uint8_t> MakeBlob(std::uint8_t presence, const std::vector<std::uint8_t>& payload);

}  // namespace recsim
