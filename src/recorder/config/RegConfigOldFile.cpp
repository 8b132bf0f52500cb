// The backup file in the old layout "RLCF" of the first firmware line (1.3-1.6 and 1.8;
// the device-information writer refuses 1.7). All fields little-endian:
//
//   "RLCF"
//   header      u32 × 3: the info area's file offset (26, 32, 40), then
//               1.3-1.4: GenHwVersion, GenSwVersion; from 1.5: ModelCode, SwVersion
//   directory   u16 fields: the device record's offset in the info area, its size P
//               (34, 40, 44) and check; the data area's length and check; from 1.5 the
//               misc area's; from 1.6 the timer and schedule areas'; from 1.5 a zero
//   info area   TRegInfo::WriteInfoSection's area, the device record its last P bytes
//   data area   head (u32 size, u32 SerialNumber, then GenHwVersion and GenSwVersion on
//               1.3-1.4, the version from 1.5), general settings, AI, DI and page
//               records; from 1.5 zero-padded to a multiple of 4
//   misc area   from 1.5: totalizer records, then counter records
//   timer area  from 1.6: timer records
//   schedule    from 1.6: the schedule stream
//
// A length is the low 16 bits of an area's size, a check its CRC-16/MODBUS (0xFFFF for
// an empty area).

#include <span>

#include "modbus/ModbusChecksum.h"
#include "platform/Bytes.h"
#include "platform/Stream.h"
#include "recorder/config/RegConfig.h"
#include "recorder/config/RegConfigFile.h"
#include "recorder/info/BlockSection.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr char kMagic[4] = {'R', 'L', 'C', 'F'};

// Ours: a block list shorter than the device's count of that block. ResizeToInfo sizes
// every list before a configuration is read, so only a configuration never fitted to
// its device gets here.
constexpr unsigned kCheckListShorterThanDevice = 16700;

struct OldLayout {
  std::uint32_t infoOffset;  // header word 0: magic, header and directory
  std::size_t deviceRecord;  // P
  bool generalPartHead;      // the data head names the general part's versions
  bool padded;               // the data area is padded to a multiple of 4
  bool misc;                 // totalizers and counters
  bool timersAndSchedule;
};

constexpr OldLayout kLayout13{26, 34, true, false, false, false};
constexpr OldLayout kLayout15{32, 40, false, true, true, false};
constexpr OldLayout kLayout16{40, 44, false, true, true, true};

const OldLayout& OldLayoutFor(std::uint32_t version)
{
  if (version < MakeVersion(1, 5, 0)) return kLayout13;
  if (version < MakeVersion(1, 6, 0)) return kLayout15;
  return kLayout16;
}

// The first count items of a list sized to the device.
template <typename Item>
std::span<const Item> DeviceItems(const std::vector<Item>& items, std::size_t count)
{
  if (items.size() < count) throw EVantorInvalid(kCheckListShorterThanDevice);
  return {items.data(), count};
}

template <typename Item>
void AppendRecords(std::vector<std::uint8_t>& area, std::span<const Item> items, std::uint32_t version)
{
  for (const Item& item : items) item.WriteRecord(version, area);
}

std::vector<std::uint8_t> DataArea(const TRegConfig& config, const TRegVersionPair& target, const OldLayout& layout)
{
  const TRegInfo& info = config.RegInfo;
  const std::uint32_t version = target.SwVersion;
  std::vector<std::uint8_t> area;
  ByteAppender head(area);
  head.u32(0);  // the area's size, once known
  head.u32(info.SerialNumber);
  if (layout.generalPartHead) {
    head.u32(info.GenHwVersion);
    head.u32(info.GenSwVersion);
  } else {
    head.u32(version);
  }
  config.WriteGeneralRecord(version, area);
  AppendRecords(area, DeviceItems(config.AI, info.AIChannels.size()), version);
  AppendRecords(area, DeviceItems(config.DI, info.DIChannels.size()), version);
  AppendRecords(area, DeviceItems(config.Pages, info.PageCount), version);
  if (layout.padded) area.resize((area.size() + 3) / 4 * 4, 0);
  ByteWriter(area, "data area").u32(0, static_cast<std::uint32_t>(area.size()));
  return area;
}

// An area's directory entry: its length's low 16 bits and its check.
void PutAreaEntry(ByteAppender& directory, std::span<const std::uint8_t> area)
{
  directory.u16(static_cast<std::uint16_t>(area.size()));
  directory.u16(ModbusMaster::ModbusCRC16(area));
}

}  // namespace

std::vector<std::uint8_t> OldLayoutImage(const TRegConfig& config, const TRegVersionPair& target)
{
  const std::uint32_t version = target.SwVersion;
  const OldLayout& layout = OldLayoutFor(version);

  std::vector<std::uint8_t> info;
  config.RegInfo.WriteInfoSection(target, info);
  const std::size_t deviceOffset = info.size() - layout.deviceRecord;
  const std::vector<std::uint8_t> data = DataArea(config, target, layout);

  std::vector<std::uint8_t> misc;
  if (layout.misc) {
    AppendRecords<TRegSMConfig>(misc, config.SM, version);
    AppendRecords<TRegCTConfig>(misc, config.CT, version);
  }
  std::vector<std::uint8_t> timers;
  TMemoryStream schedule;
  if (layout.timersAndSchedule) {
    AppendRecords<TRegTMRConfig>(timers, config.TMR, version);
    config.WriteScheduleStream(version, schedule);
  }

  std::vector<std::uint8_t> image(kMagic, kMagic + sizeof kMagic);
  ByteAppender w(image);
  w.u32(layout.infoOffset);
  w.u32(layout.generalPartHead ? config.RegInfo.GenHwVersion : config.RegInfo.ModelCode);
  w.u32(layout.generalPartHead ? config.RegInfo.GenSwVersion : version);
  w.u16(static_cast<std::uint16_t>(deviceOffset));
  w.u16(static_cast<std::uint16_t>(layout.deviceRecord));
  w.u16(ModbusMaster::ModbusCRC16(std::span(info).subspan(deviceOffset)));
  PutAreaEntry(w, data);
  if (layout.misc) PutAreaEntry(w, misc);
  if (layout.timersAndSchedule) {
    PutAreaEntry(w, timers);
    PutAreaEntry(w, schedule.Data());
  }
  if (layout.misc) w.u16(0);

  w.bytes(info);
  w.bytes(data);
  w.bytes(misc);
  w.bytes(timers);
  w.bytes(schedule.Data());
  return image;
}
