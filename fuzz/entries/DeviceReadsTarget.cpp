// device_reads: the identification and the two information reads of the recorder
// access layer, as the update workflow makes them, over a transport that answers each
// request with the next scripted reply.

#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "ScriptedTransport.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/info/RegInfo.h"

namespace fuzzing {

DeviceReadsCase DeviceReadsCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  return {DecodeReplies(in)};
}

std::vector<std::uint8_t> DeviceReadsCase::Encode() const
{
  FuzzWriter out;
  EncodeReplies(out, replies);
  return out.bytes();
}

bool FuzzDeviceReads(std::span<const std::uint8_t> input)
{
  ScriptedTransport transport(ScriptedTransport::InOrder(DeviceReadsCase::Decode(input).replies));
  Registrator::TRegConfigOp operations;
  TRegInfo info;
  constexpr std::uint8_t kUnit = 1;
  // In the workflow's order; a refusal ends the update there.
  try {
    operations.Identify(transport, kUnit);
    operations.ReadDeviceInfo(transport, kUnit, &info);
    operations.ReadGeneralInfo(transport, kUnit, info);
  } catch (const Exception& e) {
    return Refused(e);
  }
  return true;
}

}  // namespace fuzzing
