// discovery_reply: a datagram that came in on the Ethernet discovery's socket, from
// anyone on the segment. The tick it must echo is taken from the datagram itself, so the
// fuzzer gets past that check and on to the strings.

#include "FuzzTargets.h"
#include "app/core/EthDiscovery.h"
#include "platform/Bytes.h"

namespace fuzzing {

bool FuzzDiscoveryReply(std::span<const std::uint8_t> input)
{
  // The socket reads at most this much of a datagram.
  if (input.size() > kMaxDiscoveryDatagram) input = input.first(kMaxDiscoveryDatagram);
  const std::uint32_t tick = input.size() >= 36 ? ByteReader(input).u32(32) : 0;
  const auto reply = ParseDiscoveryReply(input, tick);
  if (!reply) return false;
  if (ParseDiscoveryReply(input, tick + 1)) Finding("a reply to another request was accepted");
  const std::string description = DescribeDiscoveryReply(*reply);
  if (description.find('v') == std::string::npos) Finding("a row without its version");
  // Each byte of code page 1251 takes at most three in UTF-8.
  if (reply->StringA.size() + reply->StringB.size() > 2 * 3 * 255) Finding("a string longer than its length byte allows");
  return true;
}

}  // namespace fuzzing
