#pragma once

#include <cstdint>
#include <functional>

// Receives one record read from the device (its index in the caller's numbering, its
// bytes and length) and stores it into the model. The record transfers of the access
// layer call it once per record in request order; the return value is ignored. An
// empty function counts as unset.
using TRegRecordStoreEvent = std::function<int(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)>;
