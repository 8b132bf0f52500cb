// The device's side of the information records: what a recorder of a given firmware
// sends as record 1, record 0 and its channel records. Written from the device's point
// of view, apart from the program's decoders, so that a layout mistake made on one side
// shows up against the other (and both are checked against hand-written vectors).

#include <algorithm>

#include "platform/Bytes.h"
#include "recorder/info/VersionWord.h"
#include "recsim/Profile.h"

namespace recsim {
namespace {

constexpr std::uint32_t V(unsigned major, unsigned minor, unsigned build = 0) { return MakeVersion(major, minor, build); }

// Record 1 layouts, named by their size and the firmware that sends them.
enum class DeviceLayout { D34, D40, D44FirstLine, D44Late1x, D28, D32, D44, D64 };

DeviceLayout DeviceLayoutOf(const DeviceProfile& p)
{
  const std::uint32_t sw = p.SwVersion;
  if (sw < V(1, 5)) return DeviceLayout::D34;
  if (sw < V(1, 6)) return DeviceLayout::D40;
  if (sw < V(1, 9)) return DeviceLayout::D44FirstLine;
  if (sw < V(2, 0)) return DeviceLayout::D44Late1x;
  if (IsInBranch(sw)) return DeviceLayout::D32;
  if (sw < V(2, 1, 25)) return DeviceLayout::D28;
  if (sw < V(2, 1, 100)) return DeviceLayout::D32;
  if (sw < V(2, 1, 150)) return DeviceLayout::D44;
  return p.ExtendedDeviceInfo ? DeviceLayout::D64 : DeviceLayout::D44;
}

std::size_t SizeOf(DeviceLayout layout)
{
  switch (layout) {
  case DeviceLayout::D34: return 34;
  case DeviceLayout::D40: return 40;
  case DeviceLayout::D28: return 28;
  case DeviceLayout::D32: return 32;
  case DeviceLayout::D64: return 64;
  default: return 44;
  }
}

void WriteHardwareId(ByteWriter& w, std::size_t offset, const std::array<std::uint8_t, 16>& id, bool reversed)
{
  for (std::size_t i = 0; i < id.size(); ++i) {
    const std::size_t target = reversed ? (i / 4) * 4 + (3 - i % 4) : i;
    w.u8(offset + target, id[i]);
  }
}

bool SignalLayoutA(std::uint32_t sw) { return sw < V(1, 8) || (sw >= V(1, 9) && sw < V(1, 10)); }

void AppendSignalLayoutA(ByteAppender& out, const SignalSupportEntry& s)
{
  out.f32(s.Range1Low);
  out.f32(s.Range1High);
  out.f32(s.Range2Low);
  out.f32(s.Range2High);
  out.u8(static_cast<std::uint8_t>(s.AuxParam));
  out.u8(s.Decimals);
}

std::uint32_t MaskOf(const AIChannelEntry& channel)
{
  std::uint32_t mask = 0;
  for (std::uint8_t position : channel.Signals) mask |= 1u << position;
  return mask;
}

}  // namespace

std::vector<std::uint8_t> EncodeDeviceInfoRecord(const DeviceProfile& p)
{
  const DeviceLayout layout = DeviceLayoutOf(p);
  std::vector<std::uint8_t> record(SizeOf(layout), 0);
  ByteWriter w(record, "device information record");
  w.u32(0, p.HwVersion);
  w.u32(4, p.SwVersion);
  w.u32(8, p.Features);

  if (layout == DeviceLayout::D34) {
    w.u8(12, p.PageCount);
    w.u8(13, p.PageChannelCount);
    w.u32(14, p.SerialNumber);
    WriteHardwareId(w, 18, p.HardwareId, true);
    return record;
  }

  w.u32(12, p.DevAuxWord);
  w.u8(16, p.PageCount);
  w.u8(17, p.PageChannelCount);
  w.u8(18, p.SMCount);
  w.u8(19, p.CTCount);
  if (layout == DeviceLayout::D40) {
    w.u32(20, p.SerialNumber);
    WriteHardwareId(w, 24, p.HardwareId, false);
    return record;
  }

  w.u8(20, p.TMRCount);
  w.u32(24, p.SerialNumber);
  if (layout == DeviceLayout::D44FirstLine || layout == DeviceLayout::D44Late1x) {
    if (layout == DeviceLayout::D44Late1x) {
      w.u8(21, p.ScheduleCount);
      w.u8(22, p.ModelCode);
      w.u8(23, p.TTLCount);
    } else if (p.SwVersion >= V(1, 8)) {
      w.u8(21, p.RS485Count);
    }
    WriteHardwareId(w, 28, p.HardwareId, false);
    return record;
  }

  // Second line: 28 bytes and more.
  w.u8(21, p.RS485Count);
  w.u8(22, p.DevFilterParam);
  w.u8(23, p.DeviceLine);
  if (layout == DeviceLayout::D28) return record;
  w.u8(28, p.TTLCount);
  w.u8(29, p.TagFieldCount);
  w.u16(30, p.TagFieldAux);
  if (layout == DeviceLayout::D32) return record;
  w.u8(32, p.ModelCode);
  w.u8(33, p.ModelVariant);
  w.u8(34, p.ExtAOCount);
  w.u8(35, p.ExtDOCount);
  w.u16(36, p.UserTableLimit1);
  w.u16(38, p.UserTableLimit2);
  w.u8(40, p.UserTableCount);
  w.u8(41, p.MSCapacity);
  w.u16(42, p.MSAuxWord);
  if (layout == DeviceLayout::D44) return record;
  w.u8(44, p.CtlCount);
  w.u16(46, p.ScreenWidth);
  w.u16(48, p.ScreenHeight);
  w.u8(50, p.InterfaceMask);
  return record;
}

std::vector<std::uint8_t> EncodeGeneralInfoRecord(const DeviceProfile& p)
{
  const std::uint32_t sw = p.SwVersion;
  const auto ai = static_cast<std::uint8_t>(p.AIChannels.size());
  const auto di = static_cast<std::uint8_t>(p.DICaps.size());
  const auto signals = static_cast<std::uint8_t>(p.Signals.size());
  std::vector<std::uint8_t> record;
  ByteAppender out(record);

  const bool embedded = sw < V(1, 8) || (sw >= V(1, 9) && sw < V(1, 10));
  if (embedded) {
    // 188 bytes up to 1.5, 207 bytes on 1.6, 1.7 and 1.9 (one more entry and the
    // pyrometer mask).
    const bool long207 = sw >= V(1, 6);
    out.u8(p.GenFlags);
    out.u32(p.GenHwVersion);
    out.u32(p.GenSwVersion);
    out.u16(p.GenTimeBase);
    out.u8(signals);
    for (const auto& s : p.Signals) AppendSignalLayoutA(out, s);
    out.u8(p.GenAux1);
    out.u16(p.GenAux2);
    out.u8(p.GenOptionMask);
    out.u8(p.RtdTypeMask);
    out.u8(p.RtdR0Mask);
    if (long207) out.u8(p.GenAux3);
    out.u8(p.GenAux4);
    out.u8(ai);
    out.u8(p.PhysAICount);
    out.u8(p.GenAux5);
    out.u8(di);
    out.u8(p.GenAux6);
    out.u8(p.DOCount);
    out.u8(p.GenAux7);
    return record;
  }

  if (sw < V(2, 0)) {
    // 28 bytes: 1.8 and 1.10.
    const bool v18 = sw < V(1, 9);
    record.assign(28, 0);
    ByteWriter w(record, "general information record");
    w.u32(0, p.GenHwVersion);
    w.u32(4, p.GenSwVersion);
    w.u8(8, p.ModelCode);
    w.u8(9, p.GenFlags);
    w.u8(10, static_cast<std::uint8_t>(p.GenTimeBase));
    w.u8(11, signals);
    w.u8(12, p.GenAux1);
    w.u8(13, p.GenOptionMask);
    w.u16(14, p.GenAux2);
    w.u8(16, p.RtdTypeMask);
    w.u8(17, p.RtdR0Mask);
    w.u8(18, p.GenAux3);
    w.u8(19, p.GenAux4);
    w.u8(20, ai);
    w.u8(21, p.PhysAICount);
    w.u8(23, di);
    w.u8(25, p.DOCount);
    if (v18) {
      w.u8(22, p.GenAux5);
      w.u8(24, p.GenAux6);
      w.u8(26, p.GenAux7);
    } else {
      w.u8(27, p.GenAux8);
    }
    return record;
  }

  record.assign(48, 0);
  ByteWriter w(record, "general information record");
  w.u32(0, p.GenHwVersion);
  w.u32(4, p.GenSwVersion);
  w.u8(8, p.ModelCode);
  w.u8(9, p.GenFlags);
  w.u8(10, static_cast<std::uint8_t>(p.GenTimeBase));
  w.u8(11, p.GenAux8);
  w.u8(12, signals);
  w.u8(13, p.GenAux1);
  w.u16(14, p.GenAux2);
  w.u8(16, p.GenOptionMask);
  w.u8(17, p.GenAux3);
  w.u8(18, p.RtdTypeMask);
  w.u8(20, p.RtdR0Mask);
  w.u8(22, p.GenAux4);
  w.f32(24, p.GenValue1);
  w.f32(28, p.GenValue2);
  w.bytes(32, p.ModuleSlots);
  w.u8(38, p.PhysAICount);
  w.u8(39, p.GenCount1);
  w.u8(40, ai);
  w.u8(41, p.GenCount2);
  w.u8(42, p.GenCount3);
  w.u8(43, p.AOCount);
  w.u8(44, di);
  w.u8(45, p.DOCount);
  w.u8(46, p.IPCount);
  return record;
}

std::vector<std::uint8_t> EncodeSignalSupportRecord(const DeviceProfile& p, std::size_t index)
{
  const SignalSupportEntry& s = p.Signals.at(index);
  std::vector<std::uint8_t> record;
  ByteAppender out(record);
  if (SignalLayoutA(p.SwVersion)) {
    AppendSignalLayoutA(out, s);
    return record;
  }
  out.u8(s.Code);
  out.u8(static_cast<std::uint8_t>((s.AuxParam & 0x0F) | (s.Decimals & 0x0F) << 4));
  out.f32(s.Range1High);
  out.f32(s.Range2Low);
  out.f32(s.Range2High);
  return record;
}

std::vector<std::uint8_t> EncodeAIChannelRecord(const DeviceProfile& p, std::size_t index)
{
  const AIChannelEntry& channel = p.AIChannels.at(index);
  const std::uint32_t gen = p.GenSwVersion;
  std::vector<std::uint8_t> record;
  ByteAppender out(record);
  if (p.SwVersion >= V(2, 1, 150) && !IsInBranch(p.SwVersion)) {
    out.u8(channel.Kind);
    out.u8(channel.Number);
    out.u32(MaskOf(channel));
  } else if (gen >= V(1, 10)) {
    out.u8(channel.Kind);
    out.u8(channel.Number);
    out.u16(static_cast<std::uint16_t>(MaskOf(channel)));
  } else {
    // A count and positions, padded; the 1.8 general part puts kind and number first.
    const bool withKind = gen >= V(1, 8) && gen < V(1, 9);
    if (withKind) {
      out.u8(channel.Kind);
      out.u8(channel.Number);
    }
    out.u8(static_cast<std::uint8_t>(channel.Signals.size()));
    out.bytes(channel.Signals);
    record.resize(withKind ? 12 : 10, 0);
  }
  return record;
}

std::vector<std::uint8_t> EncodeDIChannelRecord(const DeviceProfile& p, std::size_t index) { return {p.DICaps.at(index)}; }

std::vector<std::uint8_t> EncodeRelayRecord(const DeviceProfile& p, std::size_t index) { return {p.RelayTypes.at(index)}; }

std::map<std::uint32_t, std::vector<std::uint8_t>> EncodeInfoRecords(const DeviceProfile& p)
{
  std::map<std::uint32_t, std::vector<std::uint8_t>> records;
  auto put = [&records](std::size_t number, std::vector<std::uint8_t> bytes) {
    if (number <= 0xFF) records.try_emplace(static_cast<std::uint32_t>(number), std::move(bytes));
  };
  put(0, EncodeGeneralInfoRecord(p));
  put(1, EncodeDeviceInfoRecord(p));
  const bool secondLine = p.SwVersion >= V(2, 0);
  const std::size_t aiBase = 0x10;
  const std::size_t diBase = secondLine ? 0x50 : 0x30;
  const std::size_t relayBase = secondLine ? 0x70 : 0x50;
  if (p.SwVersion >= V(1, 10))
    for (std::size_t i = 0; i < p.Signals.size(); ++i) put(0xD0 + i, EncodeSignalSupportRecord(p, i));
  for (std::size_t i = 0; i < p.AIChannels.size(); ++i) put(aiBase + i, EncodeAIChannelRecord(p, i));
  for (std::size_t i = 0; i < p.DICaps.size(); ++i) put(i < 32 ? diBase + i : 0xB0 + i - 32, EncodeDIChannelRecord(p, i));
  if (p.RelayRecords)
    for (std::size_t i = 0; i < p.RelayTypes.size(); ++i) put(relayBase + i, EncodeRelayRecord(p, i));
  return records;
}

}  // namespace recsim
