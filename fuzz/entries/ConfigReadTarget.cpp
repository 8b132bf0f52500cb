// config_read: the configuration read of the recorder access layer after the full
// information read, as a backup runs the two, over a transport that answers each
// request with the next scripted reply; with its promises about the configuration
// checked.

#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "ScriptedTransport.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"

namespace fuzzing {
namespace {

constexpr std::uint8_t kUnit = 1;

template <typename Item>
void ExpectAttached(const TRegConfig& config, const std::vector<Item>& items, std::size_t count, const char* block)
{
  if (items.size() != count) Finding(std::string("the ") + block + " list does not fit the device");
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i].Owner != &config || items[i].Index != static_cast<int>(i))
      Finding(std::string("a ") + block + " item is not attached to its place");
}

// What a completed read promises the backup writer: every list fitted to the device and
// every item that needs its device context attached to it.
void ExpectFitted(const TRegConfig& config)
{
  const TRegInfo& info = config.RegInfo;
  ExpectAttached(config, config.AI, info.AIChannels.size(), "AI");
  ExpectAttached(config, config.AO, std::size_t(info.AOCount) + info.ExtAOCount, "AO");
  ExpectAttached(config, config.DI, info.DIChannels.size(), "DI");
  ExpectAttached(config, config.DO, std::size_t(info.DOCount) + info.ExtDOCount, "DO");
  ExpectAttached(config, config.TTL, info.TTLCount, "TTL");
  ExpectAttached(config, config.Ctl, info.CtlCount, "regulator");
  if (config.IP.size() != info.IPCount || config.Pages.size() != info.PageCount || config.TMR.size() != info.TMRCount ||
      config.SM.size() != info.SMCount || config.CT.size() != info.CTCount ||
      config.TagFields.size() != info.TagFieldCount)
    Finding("a list does not fit the device");
}

}  // namespace

bool RunConfigRead(ModbusMaster::CBaseModbus& transport, const ConfigReadCase& c)
{
  Registrator::TRegConfigOp operations;
  TRegConfig config;
  unsigned calls = 0;
  bool cancelled = false;
  auto progress = [&](std::uint32_t, std::uint32_t, bool& cancel) {
    if (++calls == c.cancelAt) cancel = cancelled = true;
  };
  const Registrator::TRegProgressEvent event = c.cancelAt ? Registrator::TRegProgressEvent(progress) : nullptr;
  bool completed;
  try {
    if (!operations.ReadInfo(transport, kUnit, event, &config.RegInfo)) {
      if (!cancelled) Finding("an information read ended early without a cancel");
      return true;
    }
    completed = operations.ReadConfig(transport, kUnit, event, config);
  } catch (const Exception& e) {
    return Refused(e);
  }
  if (completed && cancelled) Finding("a cancelled read reported that it completed");
  if (!completed) {
    if (!cancelled) Finding("a configuration read ended early without a cancel");
    return true;
  }
  ExpectFitted(config);
  return true;
}

bool FuzzConfigRead(std::span<const std::uint8_t> input)
{
  const ConfigReadCase c = ConfigReadCase::Decode(input);
  ScriptedTransport transport(ScriptedTransport::InOrder(c.replies));
  return RunConfigRead(transport, c);
}

}  // namespace fuzzing
