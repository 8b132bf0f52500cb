#include "recsim/RecorderHandlers.h"

#include <algorithm>

#include "platform/Bytes.h"
#include "recsim/Device.h"
#include "recsim/Discovery.h"
#include "recsim/FirmwareUpdate.h"
#include "recsim/RecordHandlers.h"

namespace recsim {
namespace {

constexpr std::uint8_t kFunctionInputRegisters = 0x04;
constexpr std::uint8_t kFunctionIdentification = 0x2B;
constexpr std::uint8_t kMeiReadDeviceId = 0x0E;
constexpr std::uint8_t kFunctionMSBlob = 0x69;
constexpr std::uint8_t kFunctionAMXBlobOld = 0x6B;
constexpr std::uint8_t kFunctionAMXBlob = 0x6F;
constexpr std::uint16_t kRegisterLevelsProtected = 75;  // levels that want a password
constexpr std::uint16_t kRegisterLevelsOpen = 76;       // levels already logged in

Response HandleIdentification(Device& device, const Request& request)
{
  if (request.data.size() != 3 || request.data[0] != kMeiReadDeviceId) return Response::Exception(kIllegalDataValue);
  std::uint8_t readCode = request.data[1];
  if (readCode < 1 || readCode > 4) return Response::Exception(kIllegalDataValue);
  const auto& objects = Recorder(device).identification;
  std::vector<std::uint8_t> reply;
  ByteAppender out(reply);
  out.u8(kMeiReadDeviceId);
  out.u8(readCode);
  out.u8(0x01);  // conformity: basic identification, stream access
  out.u8(0x00);  // no more follows
  out.u8(0x00);  // next object id
  out.u8(static_cast<std::uint8_t>(objects.size()));
  for (const auto& [id, text] : objects) {
    out.u8(id);
    out.u8(static_cast<std::uint8_t>(text.size()));
    out.bytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  }
  return Response::Reply(std::move(reply));
}

Response HandleInputRegisters(Device& device, const Request& request)
{
  if (request.data.size() != 4) return Response::Exception(kIllegalDataValue);
  ByteReader in(request.data);
  std::uint16_t start = in.u16be(0);
  std::uint16_t quantity = in.u16be(2);
  if (quantity < 1 || quantity > 125) return Response::Exception(kIllegalDataValue);
  const auto& registers = Recorder(device).inputRegisters;
  std::vector<std::uint8_t> reply;
  ByteAppender out(reply);
  out.u8(static_cast<std::uint8_t>(2 * quantity));
  for (std::uint32_t address = start; address < std::uint32_t(start) + quantity; ++address) {
    auto it = registers.find(static_cast<std::uint16_t>(address));
    if (it == registers.end()) return Response::Exception(kIllegalDataAddress);
    out.u16be(it->second);
  }
  return Response::Reply(std::move(reply));
}

// Request: u32 offset. Reply: the offset, a u16 count, the chunk.
Response AnswerBlobChunk(const RecorderState& state, const std::vector<std::uint8_t>& blob, const Request& request)
{
  if (request.data.size() != 4) return Response::Exception(kIllegalDataValue);
  std::uint32_t offset = ByteReader(request.data).u32(0);
  std::size_t count = 0;
  if (offset < blob.size() && !(state.blobEmptyFrom && offset >= *state.blobEmptyFrom))
    count = std::min<std::size_t>({state.blobChunkSize, 246, blob.size() - offset});
  std::vector<std::uint8_t> reply;
  ByteAppender out(reply);
  out.u32(offset);
  out.u16(static_cast<std::uint16_t>(count));
  if (count) out.bytes({blob.data() + offset, count});
  return Response::Reply(std::move(reply));
}

// Record numbers of a read run upwards one by one; a blob offset (low byte first,
// high bytes 0) never does.
bool LooksLikeRecordRun(const std::vector<std::uint8_t>& data)
{
  for (std::size_t i = 1; i < data.size(); ++i)
    if (data[i] != data[i - 1] + 1) return false;
  return true;
}

// 0x6B carries both the long configuration record reads and, below 2.1.110, the AMX
// blob; 0x69 both record files and the mnemonic-scheme blob.
Handler BlobOr(std::uint8_t function, Handler fallback)
{
  return [function, fallback](Device& device, const Request& request) {
    RecorderState& state = Recorder(device);
    auto blob = state.blobs.find(function);
    bool isBlob = blob != state.blobs.end() && request.data.size() == 4 &&
                  (function == kFunctionMSBlob || !LooksLikeRecordRun(request.data));
    if (isBlob) return AnswerBlobChunk(state, blob->second, request);
    return fallback ? fallback(device, request) : Response::Exception(kIllegalFunction);
  };
}

// Record files with the size-query knob; the blocks as the record handlers serve them.
Response HandleRecordFile(Device& device, const Request& request)
{
  const RecorderState& state = Recorder(device);
  if (state.fileSizeReply && request.data.size() == 4 && request.data[1] == 0) {
    std::vector<std::uint8_t> reply;
    ByteAppender out(reply);
    out.u8(request.data[0]);
    out.u8(static_cast<std::uint8_t>(state.fileSizeReply->size()));
    out.u16(0);
    out.bytes(*state.fileSizeReply);
    return Response::Reply(std::move(reply));
  }
  return HandleRecordFileRead(device, request);
}

}  // namespace

RecorderState& Recorder(Device& device) { return device.Extension<RecorderState>(); }

void RegisterRecorderHandlers(HandlerTable& table)
{
  table.Register(kFunctionIdentification, HandleIdentification);
  table.Register(kFunctionInputRegisters, HandleInputRegisters);
  table.Register(kFunctionMSBlob, BlobOr(kFunctionMSBlob, HandleRecordFile));
  Handler longRecords = table.Register(kFunctionAMXBlobOld, {});
  table.Register(kFunctionAMXBlobOld, BlobOr(kFunctionAMXBlobOld, longRecords));
  table.Register(kFunctionAMXBlob, BlobOr(kFunctionAMXBlob, {}));
}

void LoadProfile(Device& device, const DeviceProfile& profile)
{
  RecorderState& state = Recorder(device);
  state.identification = {{0, profile.Vendor}, {1, profile.ProductCode}, {2, profile.Revision}};
  state.inputRegisters[kRegisterLevelsProtected] = 0;
  state.inputRegisters[kRegisterLevelsOpen] = 0;
  for (std::uint32_t number = 0; number < 256; ++number) {
    for (std::uint8_t function : {0x64, 0x65, 0x6B}) device.records.Remove(function, static_cast<std::uint8_t>(number));
  }
  for (auto& [number, bytes] : EncodeInfoRecords(profile))
    device.records.Set(0x64, static_cast<std::uint8_t>(number), std::move(bytes));
  device.recordFiles.clear();
  state.blobs.clear();
  if (const auto& configuration = profile.Configuration) {
    for (const auto& [key, bytes] : configuration->records) device.records.Set(key.first, key.second, bytes);
    device.recordFiles.insert(configuration->files.begin(), configuration->files.end());
    state.blobs = configuration->blobs;
  }
  LoadDiscovery(device, profile);
}

bool LoadProfile(Device& device, std::string_view name)
{
  auto profile = FindProfile(name);
  if (profile) LoadProfile(device, *profile);
  return profile.has_value();
}

std::vector<std::uint8_t> MakeBlob(std::uint8_t presence, const std::vector<std::uint8_t>& payload)
{
  std::vector<std::uint8_t> blob;
  ByteAppender out(blob);
  out.u8(presence);                                      // 0
  for (int i = 1; i < 8; ++i) out.u8(0);                 // 1-7: not read
  out.u32(static_cast<std::uint32_t>(payload.size()));  // 8-11
  out.bytes(payload);
  return blob;
}

}  // namespace recsim
