#pragma once

#include "recsim/Wire.h"

namespace recsim {

// Record reads 0x64, 0x65 and 0x6B from Device::records, and record files 0x69
// (size query and 248-byte blocks) from Device::recordFiles.
void RegisterRecordHandlers(HandlerTable& table);

Response HandleRecordRead(Device& device, const Request& request);
Response HandleRecordFileRead(Device& device, const Request& request);

}  // namespace recsim
