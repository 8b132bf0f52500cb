#include "recsim/UploadHandlers.h"

#include <algorithm>

#include "platform/Bytes.h"
#include "recsim/Device.h"

namespace recsim {
namespace {

// No recorder's flash is larger; a wild offset must not make the simulator allocate.
constexpr std::size_t kMaxImage = 64u << 20;

}  // namespace

Response HandleUpload(Device& device, const Request& request)
{
  if (request.data.empty()) return Response::Exception(kIllegalDataValue);
  ByteReader in(request.data);
  UploadState& upload = device.upload;
  switch (in.u8(0)) {
    case 1: {  // sub-function (0), offset u32 (1), length u8 (5), bytes (6)
      if (request.data.size() < 6) return Response::Exception(kIllegalDataValue);
      std::uint32_t offset = in.u32(1);
      std::size_t length = in.u8(5);
      if (request.data.size() != 6 + length || std::size_t(offset) + length > kMaxImage)
        return Response::Exception(kIllegalDataValue);
      if (upload.image.size() < offset + length) upload.image.resize(offset + length);
      std::copy_n(request.data.begin() + 6, length, upload.image.begin() + offset);
      int index = static_cast<int>(upload.chunks++);
      return Response::Reply({index == upload.failChunk ? upload.failStatus : upload.chunkStatus});
    }
    case 2: {  // sub-function (0), image size u32 (1)
      if (request.data.size() != 5) return Response::Exception(kIllegalDataValue);
      upload.installRequested = true;
      upload.installSize = in.u32(1);
      return Response::Reply({upload.installStatus});
    }
    default: return Response::Exception(kIllegalFunction);
  }
}

void RegisterUploadHandlers(HandlerTable& table) { table.Register(0x68, HandleUpload); }

}  // namespace recsim
