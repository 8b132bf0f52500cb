// config_read: the configuration read of the recorder access layer after the full
// information read, as a backup runs the two, over a transport that answers each
// request with the next scripted reply; with its promises about the configuration
// checked, and the backup file of what it read written as the job writes it.

#include <algorithm>

#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "ScriptedTransport.h"
#include "modbus/ModbusChecksum.h"
#include "platform/Bytes.h"
#include "platform/Exception.h"
#include "platform/Stream.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/Crc32.h"
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

// Whether the sections of a sectioned backup image follow one another exactly as their
// heads say: items, checksum, the next head, and nothing after the last.
bool SectionsFramed(std::span<const std::uint8_t> image)
{
  static constexpr std::uint8_t kMagic[] = {'R', 'C', 'F', '2'};
  if (image.size() < 4 || !std::equal(image.begin(), image.begin() + 4, kMagic)) return false;
  const ByteReader bytes(image, "backup image");
  std::size_t at = 4;
  while (at < image.size()) {
    const std::uint8_t tag = image[at];
    const bool longForm = tag == 129 || tag == 130;  // the scheme and the program
    const std::size_t head = longForm ? 6 : 4;
    const std::size_t width = longForm ? 4 : 2;
    if (image.size() - at < head) return false;
    const std::size_t size = longForm ? bytes.u32(at + 2) : bytes.u16(at + 2);
    const std::size_t n = image[at + 1] * size;
    at += head;
    if (n == 0) continue;
    if (image.size() - at < n || image.size() - at - n < width) return false;
    const auto items = image.subspan(at, n);
    const bool checked = longForm ? bytes.u32(at + n) == Crc32Of(items)
                                  : bytes.u16(at + n) == ModbusMaster::ModbusCRC16(items);
    if (!checked) return false;
    at += n + width;
  }
  return true;
}

// The backup of a completed read: refused whole with nothing written, or a file whose
// every section is framed whole.
void ExpectBackupWhole(const TRegConfig& config)
{
  TMemoryStream stream;
  try {
    config.SaveToStream(stream);
  } catch (const Exception& e) {
    if (stream.GetSize() != 0) Finding("a refused backup wrote part of its file");
    Refused(e);
    return;
  }
  if (!SectionsFramed(stream.Data())) Finding("a backup section is not framed as its head says");
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
  ExpectBackupWhole(config);
  return true;
}

bool FuzzConfigRead(std::span<const std::uint8_t> input)
{
  const ConfigReadCase c = ConfigReadCase::Decode(input);
  ScriptedTransport transport(ScriptedTransport::InOrder(c.replies));
  return RunConfigRead(transport, c);
}

}  // namespace fuzzing
