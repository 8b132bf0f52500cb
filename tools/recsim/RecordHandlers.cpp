#include "recsim/RecordHandlers.h"

#include <algorithm>

#include "platform/Bytes.h"
#include "recsim/Device.h"

namespace recsim {
namespace {

constexpr std::size_t kMaxReplyData = 1450;

}  // namespace

Response HandleRecordRead(Device& device, const Request& request)
{
  if (request.data.empty()) return Response::Exception(kIllegalDataValue);
  std::vector<std::uint8_t> reply;
  ByteAppender out(reply);
  for (std::uint8_t number : request.data) {
    const auto* record = device.records.Find(request.function, number);
    if (!record || record->size() > 255) return Response::Exception(kIllegalDataAddress);
    out.u8(number);
    out.u8(static_cast<std::uint8_t>(record->size()));
    out.bytes(*record);
  }
  if (reply.size() > kMaxReplyData) return Response::Exception(kIllegalDataValue);
  return Response::Reply(std::move(reply));
}

// Request: type (0), bytes asked for (1), block position u16 (2). Asking for 0 bytes
// at position 0 asks for the file's size, answered as 4 bytes.
Response HandleRecordFileRead(Device& device, const Request& request)
{
  if (request.data.size() != 4) return Response::Exception(kIllegalDataValue);
  ByteReader in(request.data);
  std::uint8_t type = in.u8(0);
  std::uint8_t asked = in.u8(1);
  std::uint16_t position = in.u16(2);
  auto file = device.recordFiles.find(type);
  if (file == device.recordFiles.end()) return Response::Exception(kIllegalDataAddress);

  std::vector<std::uint8_t> reply;
  ByteAppender out(reply);
  out.u8(type);
  if (asked == 0) {
    if (position != 0) return Response::Exception(kIllegalDataValue);
    out.u8(4);
    out.u16(position);
    out.u32(static_cast<std::uint32_t>(file->second.size()));
    return Response::Reply(std::move(reply));
  }
  std::size_t block = std::min<std::size_t>(asked, 248);
  std::size_t offset = std::size_t(position) * block;
  std::size_t size = file->second.size();
  std::size_t delivered = offset < size ? std::min(block, size - offset) : 0;
  out.u8(static_cast<std::uint8_t>(delivered));
  out.u16(position);
  out.bytes({file->second.data() + std::min(offset, size), delivered});
  return Response::Reply(std::move(reply));
}

void RegisterRecordHandlers(HandlerTable& table)
{
  for (std::uint8_t function : {0x64, 0x65, 0x6B}) table.Register(function, HandleRecordRead);
  table.Register(0x69, HandleRecordFileRead);
}

}  // namespace recsim
