#pragma once

#include "recsim/Wire.h"

namespace recsim {

// Firmware upload 0x68: sub-function 1 stores a chunk into Device::upload.image at
// its offset, sub-function 2 records the install command; each answers the status
// the device was told to.
void RegisterUploadHandlers(HandlerTable& table);

Response HandleUpload(Device& device, const Request& request);

}  // namespace recsim
