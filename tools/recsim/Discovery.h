#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "recsim/Profile.h"

namespace recsim {

class Device;

// The recorder's answer to the Ethernet discovery request, written from the device's
// side: a 40-byte head that tells its model and versions and echoes the request's tick,
// then up to two short texts in code page 1251.
//
//   offset  size  content
//    0      4     1
//    4      4     the datagram's length
//    8      4     model code
//   12      4     firmware version word
//   16      4     hardware version word
//   20      2     reply value
//   22      10    0
//   32      4     the request's tick
//   36      1     flags: bit 0 string A follows, bit 1 string B follows
//   37      3     0
//   40      ...   string A, then string B, as flagged: u8 length, then the bytes
//
// The request is 24 bytes of u32: 1, 24, 21, a version word, 3, the tick.

// How a reply is made wrong on request, one per discovery request in order.
enum class DiscoveryFault {
  Silence,        // no reply
  Short,          // only the first 39 bytes
  BadMagic,       // 2 in place of 1 at offset 0
  ShortLength,    // 39 in the length field
  NotARecorder,   // model code 22
  NoVersion,      // firmware version word 0
  StaleTick,      // the tick of the request before this one
  StringPastEnd,  // string A announces 200 bytes more than the datagram holds
  Oversize,       // 1600 bytes: the reply, then filler
};

// The device's discovery side: what it answers (from its profile; tests may change any
// of it) and the faults still to come.
struct DiscoveryState {
  std::uint32_t modelCode = 0;
  std::uint32_t firmwareVersion = 0;
  std::uint32_t hardwareVersion = 0;
  std::uint16_t replyValue = 502;
  bool sendA = true;
  bool sendB = true;
  std::string stringA;  // code page 1251 bytes: by default the serial number
  std::string stringB;  // by default the product code
  std::deque<DiscoveryFault> faults;
  // The tick of the last request heard (a stale reply echoes it).
  std::optional<std::uint32_t> lastTick;
};

DiscoveryState& Discovery(Device& device);

// The discovery answer of the profile (LoadProfile calls it).
void LoadDiscovery(Device& device, const DeviceProfile& profile);

// The tick of a discovery request; nothing for a datagram that is not one.
std::optional<std::uint32_t> ReadDiscoveryRequest(std::span<const std::uint8_t> datagram);

// The reply's bytes for the state, echoing `tick`, with no fault.
std::vector<std::uint8_t> EncodeDiscoveryReply(const DiscoveryState& state, std::uint32_t tick);

// What the device sends for a request with `tick`: the reply shaped by the next fault
// (empty: nothing is sent).
std::vector<std::uint8_t> AnswerDiscovery(Device& device, std::uint32_t tick);

}  // namespace recsim
