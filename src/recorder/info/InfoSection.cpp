// The device information a configuration backup file carries: the general information
// record (record 0), the device information record (record 1) and the channel
// information records, rebuilt from the fields of TRegInfo in the layout of a target
// firmware. The old file layout (1.3-1.8) takes them as one raw area:
//
//   u16 length, [1.8: u16 0], general record, [1.8: signal types], AI, DI and relay
//   records, [u16 closing word], device record (not counted by the length)
//
// and the sectioned layout (from 1.9) as short block sections:
//
//   tag  content                    count × item size
//   16   general information record 1 × 207 (1.9), 28 (1.10), 48 (2.x)
//   17   device information record  1 × 44 (1.x), 28 / 32 / 44 / 64 (2.x)
//   18   AI signal types            signal-support entries × 14 (from 1.10)
//   19   AI channels                AI channels × the pair's record size
//   21   DI channels                DI channels × 1
//   22   relays of the base unit    min(DOCount, relays) × 1
//
// Section 17 comes first on 1.10.16-1.10.20 and 2.1.131-2.1.160, last elsewhere.

#include <algorithm>
#include <span>
#include <vector>

#include "platform/Bytes.h"
#include "recorder/info/BlockSection.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr unsigned kCheckZeroVersion = 5491;

enum class GeneralForm : std::uint8_t { G188, G207, G28a, G28b, G48 };
enum class DeviceForm : std::uint8_t { D34, D40, D44a, D44b, D44c, D28, D32, D44, D64 };

// What the device information looks like for one band of target versions.
struct InfoLayout {
  GeneralForm general = GeneralForm::G48;
  DeviceForm device = DeviceForm::D28;
  bool area = false;              // the old layout's raw area, not sections
  bool leadingZeroWord = false;   // 1.8: a u16 0 after the length word
  std::uint16_t closingWord = 0;  // after the relay records of the area; 0: none
  unsigned embeddedSignals = 0;   // entries the general record carries; 0: records of their own
  unsigned signalCheck = 0;       // a signal-support list of another size is refused with this
  bool signalSection = false;     // section 18
  bool deviceFirst = false;       // section 17 before section 16
};

// The device record's size is the band's size; nothing reads these records back, so no
// length rule is ever checked.
constexpr LengthRule DeviceRecord(std::size_t size) { return LengthExactly(size, 0); }

constexpr VersionBand<InfoLayout> kInfoBands[] = {
    RefusedAsOld(0, MakeVersion(1, 2, 255, 255)),
    Served(MakeVersion(1, 3, 0), MakeVersion(1, 4, 255, 255),
           InfoLayout{.general = GeneralForm::G188, .device = DeviceForm::D34, .area = true, .closingWord = 0xD0B9,
                      .embeddedSignals = 9, .signalCheck = 5518},
           DeviceRecord(34)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 5, 255, 255),
           InfoLayout{.general = GeneralForm::G188, .device = DeviceForm::D40, .area = true, .closingWord = 0x2E1A,
                      .embeddedSignals = 9, .signalCheck = 5619},
           DeviceRecord(40)),
    Served(MakeVersion(1, 6, 0), MakeVersion(1, 6, 255, 255),
           InfoLayout{.general = GeneralForm::G207, .device = DeviceForm::D44a, .area = true, .closingWord = 0x2E1A,
                      .embeddedSignals = 10, .signalCheck = 5703},
           DeviceRecord(44)),
    RefusedAsOld(MakeVersion(1, 7, 0), MakeVersion(1, 7, 255, 255)),
    Served(MakeVersion(1, 8, 0), MakeVersion(1, 8, 255, 255),
           InfoLayout{.general = GeneralForm::G28a, .device = DeviceForm::D44b, .area = true, .leadingZeroWord = true},
           DeviceRecord(44)),
    Served(MakeVersion(1, 9, 0), MakeVersion(1, 9, 255, 255),
           InfoLayout{.general = GeneralForm::G207, .device = DeviceForm::D44c, .embeddedSignals = 10,
                      .signalCheck = 5859},
           DeviceRecord(44)),
    Served(MakeVersion(1, 10, 0), MakeVersion(1, 10, 15, 255),
           InfoLayout{.general = GeneralForm::G28b, .device = DeviceForm::D44c, .signalSection = true},
           DeviceRecord(44)),
    Served(MakeVersion(1, 10, 16), kFirstLineUpTo,
           InfoLayout{.general = GeneralForm::G28b, .device = DeviceForm::D44c, .signalSection = true,
                      .deviceFirst = true},
           DeviceRecord(44)),
    RefusedAsNew(kFirstLineUpTo + 1, MakeVersion(1, 255, 255, 255), kFirstLineUpTo),
    Served(kSecondLineFrom, MakeVersion(2, 1, 24, 255), InfoLayout{.device = DeviceForm::D28, .signalSection = true},
           DeviceRecord(28)),
    Served(MakeVersion(2, 1, 25), MakeVersion(2, 1, 99, 255),
           InfoLayout{.device = DeviceForm::D32, .signalSection = true}, DeviceRecord(32)),
    Served(MakeVersion(2, 1, 100), MakeVersion(2, 1, 130, 255),
           InfoLayout{.device = DeviceForm::D44, .signalSection = true}, DeviceRecord(44)),
    Served(MakeVersion(2, 1, 131), MakeVersion(2, 1, 149, 255),
           InfoLayout{.device = DeviceForm::D44, .signalSection = true, .deviceFirst = true}, DeviceRecord(44)),
    // Always the 64-byte record, even for a device that sent the 44-byte form of this band.
    Served(MakeVersion(2, 1, 150), kSecondLineUpTo,
           InfoLayout{.device = DeviceForm::D64, .signalSection = true, .deviceFirst = true}, DeviceRecord(64)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, InfoLayout{.device = DeviceForm::D32, .signalSection = true}, DeviceRecord(32)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

bool Bit(const TRegInfo& info, unsigned bit) { return (info.Features >> bit & 1u) != 0; }

std::uint8_t Low(std::size_t count) { return static_cast<std::uint8_t>(count); }

// ---------------------------------------------------------------------------------
// Device information record, by form (bytes not written are 0)

void PutHead(ByteWriter& w, const TRegInfo& info)
{
  w.u32(0, info.HwVersion);
  w.u32(4, info.SwVersion);
  w.u32(8, info.Features);
}

void PutHardwareId(ByteWriter& w, std::size_t at, const TRegInfo& info, bool reversed)
{
  for (std::size_t i = 0; i < info.HardwareId.size(); ++i) {
    // 1.3-1.4 keep each 4-byte group backwards: HardwareId 0..3 go to bytes 21..18.
    const std::size_t target = reversed ? (i / 4) * 4 + (3 - i % 4) : i;
    w.u8(at + target, info.HardwareId[i]);
  }
}

void PutD34(ByteWriter& w, const TRegInfo& info)
{
  PutHead(w, info);
  w.u8(12, Low(info.PageCount));
  w.u8(13, Low(info.PageChannelCount));
  w.u32(14, info.SerialNumber);
  PutHardwareId(w, 18, info, true);
}

// 1.5 and, up to byte 19, 1.6-1.10.
void PutD40Counts(ByteWriter& w, const TRegInfo& info)
{
  PutHead(w, info);
  w.u32(12, info.DevAuxWord);
  w.u8(16, Low(info.PageCount));
  w.u8(17, Low(info.PageChannelCount));
  w.u8(18, Low(info.SMCount));
  w.u8(19, Low(info.CTCount));
}

void PutD40(ByteWriter& w, const TRegInfo& info)
{
  PutD40Counts(w, info);
  w.u32(20, info.SerialNumber);
  PutHardwareId(w, 24, info, false);
}

void PutD44a(ByteWriter& w, const TRegInfo& info)
{
  PutD40Counts(w, info);
  w.u8(20, Low(info.TMRCount));
  w.u32(24, info.SerialNumber);
  PutHardwareId(w, 28, info, false);
}

void PutD28(ByteWriter& w, const TRegInfo& info)
{
  PutD40Counts(w, info);
  w.u8(20, Low(info.TMRCount));
  w.u8(21, Low(info.RS485Count));
  w.u8(22, Low(info.DevFilterParam));
  w.u8(23, info.DeviceLine);
  w.u32(24, info.SerialNumber);
}

// From D32 on some bytes follow the device's own firmware and features, whatever the
// target: a field the device never reported is written 0.
void PutD32(ByteWriter& w, const TRegInfo& info)
{
  PutD28(w, info);
  w.u8(28, Low(info.TTLCount));
  if (IsSwAtLeast2_1_53(info.SwVersion) && Bit(info, 13)) {
    w.u8(29, Low(info.TagFieldCount));
    w.u16(30, static_cast<std::uint16_t>(info.TagFieldAux));
  }
}

void PutD44(ByteWriter& w, const TRegInfo& info)
{
  PutD32(w, info);
  w.u8(32, Low(info.ModelCode));
  w.u8(33, Low(info.ModelVariant));
  if (IsSwAtLeast2_1_110(info.SwVersion)) {
    w.u8(34, Low(info.ExtAOCount));
    w.u8(35, Low(info.ExtDOCount));
  }
  if (IsSwAtLeast2_1_127(info.SwVersion) && Bit(info, 19)) {
    w.u16(36, static_cast<std::uint16_t>(info.UserTableLimit1));
    w.u16(38, static_cast<std::uint16_t>(info.UserTableLimit2));
    w.u8(40, Low(info.UserTableCount));
  }
  w.u8(41, Low(info.MSCapacity));
  w.u16(42, static_cast<std::uint16_t>(info.MSAuxWord));
}

void PutD64(ByteWriter& w, const TRegInfo& info)
{
  PutD44(w, info);
  w.u8(44, Low(info.CtlCount));
  w.u16(46, static_cast<std::uint16_t>(info.ScreenWidth));
  w.u16(48, static_cast<std::uint16_t>(info.ScreenHeight));
  w.u8(50, info.InterfaceMask);
}

std::vector<std::uint8_t> DeviceInfoRecord(const TRegInfo& info, DeviceForm form, std::size_t size)
{
  std::vector<std::uint8_t> record(size, 0);
  ByteWriter w(record, "device information record");
  switch (form) {
  case DeviceForm::D34: PutD34(w, info); break;
  case DeviceForm::D40: PutD40(w, info); break;
  case DeviceForm::D44a: PutD44a(w, info); break;
  case DeviceForm::D44b:
    PutD44a(w, info);
    w.u8(21, Low(info.RS485Count));
    break;
  case DeviceForm::D44c:
    PutD44a(w, info);
    w.u8(21, Low(info.ScheduleCount));
    w.u8(22, Low(info.ModelCode));
    w.u8(23, Low(info.TTLCount));
    break;
  case DeviceForm::D28: PutD28(w, info); break;
  case DeviceForm::D32: PutD32(w, info); break;
  case DeviceForm::D44: PutD44(w, info); break;
  case DeviceForm::D64: PutD64(w, info); break;
  }
  return record;
}

// ---------------------------------------------------------------------------------
// General information record, by form

constexpr std::size_t kSignalEntrySize = 18;

// The 1.x records embed the signal types as 18-byte entries: the four ranges through
// their getters (an entry never read raises {411}..{444}), then AuxParam and Decimals.
void PutSignalEntries(ByteWriter& w, std::size_t at, const TRegInfo& info)
{
  for (const auto& entry : info.AISignalSupport) {
    w.f32(at, entry.Range1Low());
    w.f32(at + 4, entry.Range1High());
    w.f32(at + 8, entry.Range2Low());
    w.f32(at + 12, entry.Range2High());
    w.u8(at + 16, static_cast<std::uint8_t>(entry.AuxParam));
    w.u8(at + 17, static_cast<std::uint8_t>(entry.Decimals));
    at += kSignalEntrySize;
  }
}

// Where the fields after the embedded entries of G188 and G207 stand; G207 adds GenAux3.
struct EmbeddedTail {
  std::size_t aux1, aux2, optionMask, rtdTypeMask, rtdR0Mask, aux3, aux4, counts;
};
constexpr std::size_t kAbsent = 0;
constexpr EmbeddedTail kTail188{174, 175, 177, 178, 179, kAbsent, 180, 181};
constexpr EmbeddedTail kTail207{192, 193, 195, 196, 197, 198, 199, 200};

void PutEmbeddedGeneral(ByteWriter& w, const TRegInfo& info, const EmbeddedTail& at)
{
  w.u8(0, info.GenFlags);
  w.u32(1, info.GenHwVersion);
  w.u32(5, info.GenSwVersion);
  w.u16(9, static_cast<std::uint16_t>(info.GenTimeBase));
  w.u8(11, Low(info.AISignalSupport.size()));
  PutSignalEntries(w, 12, info);
  w.u8(at.aux1, info.GenAux1);
  w.u16(at.aux2, info.GenAux2);
  w.u8(at.optionMask, info.GenOptionMask);
  w.u8(at.rtdTypeMask, info.RtdTypeMask);
  w.u8(at.rtdR0Mask, info.RtdR0Mask);
  if (at.aux3 != kAbsent) w.u8(at.aux3, info.GenAux3);
  w.u8(at.aux4, info.GenAux4);
  // AI, physical AI, 10, DI, 1, relays, 1.
  w.u8(at.counts, Low(info.AIChannels.size()));
  w.u8(at.counts + 1, Low(info.PhysAICount));
  w.u8(at.counts + 2, 10);
  w.u8(at.counts + 3, Low(info.DIChannels.size()));
  w.u8(at.counts + 4, 1);
  w.u8(at.counts + 5, info.DOCount);
  w.u8(at.counts + 6, 1);
}

// The 28-byte records of 1.8 (G28a) and 1.10 (G28b): the same fields, but 1.10 reports
// its own model code and has the three fixed bytes 0 and GenAux8 last.
void PutGeneral28(ByteWriter& w, const TRegInfo& info, bool of1_10)
{
  w.u32(0, info.GenHwVersion);
  w.u32(4, info.GenSwVersion);
  w.u8(8, Low(of1_10 ? info.GenModelCode : info.ModelCode));
  w.u8(9, info.GenFlags);
  w.u8(10, Low(info.GenTimeBase));
  w.u8(11, Low(info.AISignalSupport.size()));
  w.u8(12, info.GenAux1);
  w.u8(13, info.GenOptionMask);
  w.u16(14, info.GenAux2);
  w.u8(16, info.RtdTypeMask);
  w.u8(17, info.RtdR0Mask);
  w.u8(18, info.GenAux3);
  w.u8(19, info.GenAux4);
  w.u8(20, Low(info.AIChannels.size()));
  w.u8(21, Low(info.PhysAICount));
  w.u8(22, of1_10 ? 0 : 12);
  w.u8(23, Low(info.DIChannels.size()));
  w.u8(24, of1_10 ? 0 : 1);
  w.u8(25, info.DOCount);
  w.u8(26, of1_10 ? 0 : 1);
  w.u8(27, of1_10 ? info.GenAux8 : 0);
}

void PutGeneral48(ByteWriter& w, const TRegInfo& info)
{
  w.u32(0, info.GenHwVersion);
  w.u32(4, info.GenSwVersion);
  w.u8(8, Low(info.ModelCode));
  w.u8(9, info.GenFlags);
  w.u8(10, Low(info.GenTimeBase));
  w.u8(11, info.GenAux8);
  w.u8(12, Low(info.AISignalSupport.size()));
  w.u8(13, info.GenAux1);
  w.u16(14, info.GenAux2);
  w.u8(16, info.GenOptionMask);
  w.u8(17, info.GenAux3);
  w.u16(18, info.RtdTypeMask);
  w.u8(20, info.RtdR0Mask);
  w.u8(22, info.GenAux4);
  w.f32(24, info.GenValue1);
  w.f32(28, info.GenValue2);
  w.bytes(32, info.ModuleSlots);
  w.u8(38, Low(info.PhysAICount));
  w.u8(39, info.GenCount1);
  w.u8(40, Low(info.AIChannels.size()));
  w.u8(41, info.GenCount2);
  w.u8(42, info.GenCount3);
  w.u8(43, info.AOCount);
  w.u8(44, Low(info.DIChannels.size()));
  w.u8(45, info.DOCount);
  w.u8(46, Low(info.IPCount));
}

std::size_t GeneralRecordSize(GeneralForm form)
{
  switch (form) {
  case GeneralForm::G188: return 188;
  case GeneralForm::G207: return 207;
  case GeneralForm::G28a:
  case GeneralForm::G28b: return 28;
  case GeneralForm::G48: return 48;
  }
  return 0;
}

std::vector<std::uint8_t> GeneralInfoRecord(const TRegInfo& info, const InfoLayout& layout)
{
  if (layout.embeddedSignals && info.AISignalSupport.size() != layout.embeddedSignals)
    throw EVantorInvalid(layout.signalCheck);
  std::vector<std::uint8_t> record(GeneralRecordSize(layout.general), 0);
  ByteWriter w(record, "general information record");
  switch (layout.general) {
  case GeneralForm::G188: PutEmbeddedGeneral(w, info, kTail188); break;
  case GeneralForm::G207: PutEmbeddedGeneral(w, info, kTail207); break;
  case GeneralForm::G28a: PutGeneral28(w, info, false); break;
  case GeneralForm::G28b: PutGeneral28(w, info, true); break;
  case GeneralForm::G48: PutGeneral48(w, info); break;
  }
  return record;
}

// ---------------------------------------------------------------------------------
// Channel information records

// The relays of the base unit: extension relays have no place in these records.
std::span<const TRegInfo::TRegDOChannelInfo> BaseRelays(const TRegInfo& info)
{
  return {info.DOChannels.data(), std::min<std::size_t>(info.DOCount, info.DOChannels.size())};
}

template <typename Channel, typename Version>
void AppendChannelRecords(std::vector<std::uint8_t>& out, std::span<const Channel> channels, const Version& version)
{
  for (const Channel& channel : channels) channel.WriteRecord(version, out);
}

// One section of channel records, collected in a scratch vector and framed with their
// count and the version's record size.
template <typename Channel, typename Version>
void WriteChannelSection(std::vector<std::uint8_t>& out, std::uint8_t tag, std::span<const Channel> channels,
                         const Version& version, std::size_t itemSize)
{
  std::vector<std::uint8_t> records;
  AppendChannelRecords(records, channels, version);
  WriteRecordsBlock(out, tag, channels.size(), itemSize, records);
}

void WriteAISignalSupportSection(std::vector<std::uint8_t>& out, const TRegInfo& info, std::uint32_t version)
{
  using Entry = TRegInfo::TRegAIChannelSignalSupportInfo;
  WriteChannelSection<Entry>(out, 18, info.AISignalSupport, version, Entry::RecordSize(version));
}

void WriteAIInfoSection(std::vector<std::uint8_t>& out, const TRegInfo& info, const TRegVersionPair& pair)
{
  using Channel = TRegInfo::TRegAIChannelInfo;
  WriteChannelSection<Channel>(out, 19, info.AIChannels, pair, Channel::RecordSize(pair));
}

void WriteDIInfoSection(std::vector<std::uint8_t>& out, const TRegInfo& info, std::uint32_t version)
{
  using Channel = TRegInfo::TRegDIChannelInfo;
  WriteChannelSection<Channel>(out, 21, info.DIChannels, version, Channel::RecordSize(version));
}

void WriteDOInfoSection(std::vector<std::uint8_t>& out, const TRegInfo& info, std::uint32_t version)
{
  using Channel = TRegInfo::TRegDOChannelInfo;
  WriteChannelSection<Channel>(out, 22, BaseRelays(info), version, Channel::RecordSize(version));
}

// The old layout's area. Its length word counts from itself to the end of the closing
// word (or of the last relay record), which the bytes appended tell exactly.
void WriteInfoArea(std::vector<std::uint8_t>& out, const TRegInfo& info, const TRegVersionPair& pair,
                   const InfoLayout& layout, std::size_t deviceRecordSize)
{
  const std::size_t start = out.size();
  ByteAppender append(out);
  append.u16(0);
  if (layout.leadingZeroWord) append.u16(0);
  append.bytes(GeneralInfoRecord(info, layout));
  if (!layout.embeddedSignals)
    AppendChannelRecords<TRegInfo::TRegAIChannelSignalSupportInfo>(out, info.AISignalSupport, pair.SwVersion);
  AppendChannelRecords<TRegInfo::TRegAIChannelInfo>(out, info.AIChannels, pair);
  AppendChannelRecords<TRegInfo::TRegDIChannelInfo>(out, info.DIChannels, pair.SwVersion);
  AppendChannelRecords<TRegInfo::TRegDOChannelInfo>(out, info.DOChannels, pair.SwVersion);
  if (layout.closingWord) append.u16(layout.closingWord);
  ByteWriter(std::span(out).subspan(start, 2), "information area").u16(0, static_cast<std::uint16_t>(out.size() - start));
  append.bytes(DeviceInfoRecord(info, layout.device, deviceRecordSize));
}

void WriteDeviceSection(std::vector<std::uint8_t>& out, const TRegInfo& info, const InfoLayout& layout,
                        std::size_t size)
{
  WriteBufferBlock(out, 17, DeviceInfoRecord(info, layout.device, size));
}

}  // namespace

void TRegInfo::WriteInfoSection(const TRegVersionPair& target, std::vector<std::uint8_t>& out) const
{
  const std::uint32_t version = target.SwVersion;
  if (version == 0 || target.GenSwVersion == 0) throw EVantorInvalid(kCheckZeroVersion);
  const auto& band = BandForWriting<kInfoBands>(version);
  const InfoLayout& layout = band.form;
  if (layout.area) {
    WriteInfoArea(out, *this, target, layout, band.size);
    return;
  }
  if (layout.deviceFirst) WriteDeviceSection(out, *this, layout, band.size);
  WriteBufferBlock(out, 16, GeneralInfoRecord(*this, layout));
  if (layout.signalSection) WriteAISignalSupportSection(out, *this, version);
  WriteAIInfoSection(out, *this, target);
  WriteDIInfoSection(out, *this, version);
  WriteDOInfoSection(out, *this, version);
  if (!layout.deviceFirst) WriteDeviceSection(out, *this, layout, band.size);
}

void TRegInfo::WriteDeviceInfoSection1x(std::uint32_t version, std::vector<std::uint8_t>& out) const
{
  if (VersionBelow(version, MakeVersion(1, 9, 0))) throw EVantorUnsupportedOldVer(version);
  if (VersionAtLeast(version, kSecondLineFrom)) return;
  const auto& band = BandForWriting<kInfoBands>(version);
  WriteDeviceSection(out, *this, band.form, band.size);
}

void TRegInfo::WriteDeviceInfoSection2x(std::uint32_t version, std::vector<std::uint8_t>& out) const
{
  if (VersionBelow(version, kSecondLineFrom)) throw EVantorUnsupportedOldVer(version);
  const auto& band = BandForWriting<kInfoBands>(version);
  WriteDeviceSection(out, *this, band.form, band.size);
}
