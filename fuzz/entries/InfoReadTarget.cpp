// info_read: the full information read of the recorder access layer (the device and
// general records, every channel information block, the list builder) over a transport
// that answers each request with the next scripted reply, with its promises about the
// information model checked.

#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "ScriptedTransport.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"

namespace fuzzing {
namespace {

constexpr std::uint8_t kUnit = 1;

// What a completed read promises the configuration blocks that size themselves and
// check their values by the model.
void ExpectCompleteModel(TRegInfo& info)
{
  if (info.InfoIncomplete) Finding("a completed read left the model incomplete");
  if (info.AINames.Count() != info.AIChannels.size() || info.DINames.Count() != info.DIChannels.size() ||
      info.DONames.Count() != info.DOChannels.size() || info.AONames.Count() != info.AOChannels.size())
    Finding("the name lists do not match the channels");
  if (info.SignalFormatMasks.size() != info.AISignalSupport.size()) Finding("a signal type without its mask");
  for (const auto& channel : info.DIChannels) {
    if (channel.Modes.size() != channel.ModeNames.size()) Finding("a discrete input mode without its name");
    if (channel.EventConditions.Count() < 5) Finding("a discrete input without its event conditions");
  }
  // Building again on the same model changes nothing the blocks read.
  const std::size_t outputs = info.AOChannels.size(), periods = info.PeriodNames.Count(), cold = info.ColdJunctionModes.Count();
  try {
    info.BuildLists();
  } catch (const Exception& e) {
    Finding("the lists built once fail the second time: " + e.Message());
  }
  if (info.AOChannels.size() != outputs || info.PeriodNames.Count() != periods || info.ColdJunctionModes.Count() != cold)
    Finding("building the lists again gives other lists");
}

}  // namespace

InfoReadCase InfoReadCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  InfoReadCase c;
  c.cancelAt = in.u8();
  c.replies = DecodeReplies(in);
  return c;
}

std::vector<std::uint8_t> InfoReadCase::Encode() const
{
  FuzzWriter out;
  out.u8(cancelAt);
  EncodeReplies(out, replies);
  return out.bytes();
}

bool RunInfoRead(ModbusMaster::CBaseModbus& transport, const InfoReadCase& c)
{
  Registrator::TRegConfigOp operations;
  TRegInfo info;
  unsigned calls = 0;
  bool cancelled = false;
  auto progress = [&](std::uint32_t, std::uint32_t, bool& cancel) {
    if (++calls == c.cancelAt) cancel = cancelled = true;
  };
  bool completed;
  try {
    completed = operations.ReadInfo(transport, kUnit, c.cancelAt ? Registrator::TRegProgressEvent(progress) : nullptr, &info);
  } catch (const Exception& e) {
    if (!info.InfoIncomplete) Finding("a failed read left the model looking complete");
    return Refused(e);
  }
  if (completed && cancelled) Finding("a cancelled read reported that it completed");
  if (!completed) {
    if (!cancelled) Finding("a read ended early without a cancel");
    if (!info.InfoIncomplete) Finding("a cancelled read left the model looking complete");
    return true;
  }
  ExpectCompleteModel(info);
  return true;
}

bool FuzzInfoRead(std::span<const std::uint8_t> input)
{
  const InfoReadCase c = InfoReadCase::Decode(input);
  ScriptedTransport transport(ScriptedTransport::InOrder(c.replies));
  return RunInfoRead(transport, c);
}

}  // namespace fuzzing
