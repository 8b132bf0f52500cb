// info_records: the device information record, the general information record and the
// channel information records of the information model, for a firmware version of
// every band, stored as the information reads store them.

#include "FuzzBytes.h"
#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

namespace fuzzing {
namespace {

constexpr std::uint32_t kBandVersions[] = {
    MakeVersion(1, 2, 0),        MakeVersion(1, 3, 0),       MakeVersion(1, 4, 2),      MakeVersion(1, 5, 3),
    MakeVersion(1, 6, 3),        MakeVersion(1, 6, 16),      MakeVersion(1, 7, 0),      MakeVersion(1, 7, 16),
    MakeVersion(1, 8, 1),        MakeVersion(1, 9, 0),       MakeVersion(1, 10, 6),     kFirstLineUpTo,
    MakeVersion(1, 11, 0),       kSecondLineFrom,            MakeVersion(2, 0, 16),     MakeVersion(2, 1, 53),
    MakeVersion(2, 1, 70),       MakeVersion(2, 1, 80),      MakeVersion(2, 1, 100),    MakeVersion(2, 1, 128, 90),
    MakeVersion(2, 1, 129),      MakeVersion(2, 1, 132),     MakeVersion(2, 1, 150),    MakeVersion(2, 1, 158),
    MakeVersion(2, 1, 159),      kSecondLineUpTo,            MakeVersion(2, 1, 161),    kBranchFrom,
    kBranchUpTo,                 MakeVersion(2, 2, 4),       MakeVersion(3, 0, 0),
};

std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

// A record that was read and written again must read back to itself: whatever the
// first read drops or normalises, a second round changes nothing.
template <typename Write, typename ReadFresh>
void ExpectStableRewrite(Write write, ReadFresh readFresh, const char* what)
{
  std::vector<std::uint8_t> first;
  try {
    write(first);
  } catch (const Exception& e) {
    Refused(e);  // a record form the writer refuses (a channel its layout cannot hold)
    return;
  }
  std::vector<std::uint8_t> second;
  try {
    readFresh(first, second);
  } catch (const Exception& e) {
    Finding(std::string(what) + ": the written record does not read back: " + e.Message());
  }
  if (first != second) Finding(std::string(what) + ": the written record reads back as another");
}

// The discrete input and relay records: read and written by the general part's version.
template <typename Channel>
void ExpectStableChannelRewrite(const Channel& channel, std::uint32_t gen, const char* what)
{
  ExpectStableRewrite([&](auto& out) { channel.WriteRecord(gen, out); },
                      [&](const auto& in, auto& out) {
                        Channel fresh;
                        fresh.ReadRecord(gen, in);
                        fresh.WriteRecord(gen, out);
                      },
                      what);
}

void StoreChannel(TRegInfo& info, const InfoRecordsCase::ChannelRecord& record)
{
  using Member = TRegInfo::StoreMember;
  static constexpr Member kStores[] = {&TRegInfo::StoreAISignalSupportRecord, &TRegInfo::StoreAIChannelRecord,
                                       &TRegInfo::StoreDIChannelRecord, &TRegInfo::StoreDOChannelRecord};
  const auto kind = static_cast<InfoRecordsCase::Kind>(record.kind % InfoRecordsCase::KindCount);
  const std::uint32_t index = record.index;
  info.StoreEvent(kStores[kind])(index, record.bytes.data(), static_cast<std::uint32_t>(record.bytes.size()));

  const std::uint32_t gen = info.GenSwVersion;
  switch (kind) {
  case InfoRecordsCase::SignalSupport: {
    const auto& entry = info.AISignalSupport[index];
    ExpectStableRewrite([&](auto& out) { entry.WriteRecord(gen, out); },
                        [&](const auto& in, auto& out) {
                          TRegInfo::TRegAIChannelSignalSupportInfo fresh;
                          fresh.ReadRecord(gen, index, in);
                          fresh.WriteRecord(gen, out);
                        },
                        "signal-support record");
    break;
  }
  case InfoRecordsCase::AIChannel: {
    auto& channel = info.AIChannels[index];
    const TRegVersionPair versions = info.VersionPair();
    ExpectStableRewrite([&](auto& out) { channel.WriteRecord(versions, out); },
                        [&](const auto& in, auto& out) {
                          TRegInfo::TRegAIChannelInfo fresh;
                          fresh.ReadRecord(versions, in);
                          fresh.WriteRecord(versions, out);
                        },
                        "AI channel record");
    channel.MakeName();
    for (std::size_t position = 0; position <= TRegInfo::TRegAIChannelInfo::kMaxSignals; ++position)
      (void)info.AISignalAt(index, position);
    break;
  }
  case InfoRecordsCase::DIChannel: {
    auto& channel = info.DIChannels[index];
    ExpectStableChannelRewrite(channel, gen, "DI channel record");
    channel.BuildModes(gen, index);
    for (std::size_t position = 0; position <= channel.Modes.size(); ++position) (void)info.DIModeAt(index, position);
    break;
  }
  case InfoRecordsCase::DOChannel:
  case InfoRecordsCase::KindCount: {
    auto& channel = info.DOChannels[index];
    ExpectStableChannelRewrite(channel, gen, "relay record");
    channel.MakeName(index);
    break;
  }
  }
}

// What a general information record of the band would have left, for reaching the
// channel records when the fuzzer's own general record was refused.
void PresetChannels(TRegInfo& info, std::uint32_t version)
{
  constexpr std::size_t kChannels = 4;
  info.GenSwVersion = version;
  info.AISignalSupport.assign(kChannels, {});
  info.AIChannels.assign(kChannels, {});
  info.DIChannels.assign(kChannels, {});
  info.DOCount = kChannels;
  info.ExtDOCount = 0;
  info.DOChannels.assign(kChannels, TRegInfo::TRegDOChannelInfo());
}

}  // namespace

std::span<const std::uint32_t> InfoRecordsCase::BandVersions() { return kBandVersions; }

std::uint32_t InfoRecordsCase::Version() const
{
  return band < std::size(kBandVersions) ? kBandVersions[band] : version;
}

InfoRecordsCase InfoRecordsCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  InfoRecordsCase c;
  c.band = in.u8();
  if (c.band >= std::size(kBandVersions)) c.version = in.u32();
  c.device = Bytes(in.take(in.u8()));
  c.general = Bytes(in.take(in.u8()));
  while (!in.empty()) {
    ChannelRecord record;
    record.kind = in.u8();
    record.index = in.u8();
    record.bytes = Bytes(in.take(in.u8()));
    c.channels.push_back(std::move(record));
  }
  return c;
}

std::vector<std::uint8_t> InfoRecordsCase::Encode() const
{
  FuzzWriter out;
  out.u8(band);
  if (band >= std::size(kBandVersions)) out.u32(version);
  out.u8(static_cast<std::uint8_t>(device.size())).append(device);
  out.u8(static_cast<std::uint8_t>(general.size())).append(general);
  for (const auto& record : channels)
    out.u8(record.kind).u8(record.index).u8(static_cast<std::uint8_t>(record.bytes.size())).append(record.bytes);
  return out.bytes();
}

bool FuzzInfoRecords(std::span<const std::uint8_t> input)
{
  InfoRecordsCase c = InfoRecordsCase::Decode(input);
  const std::uint32_t version = c.Version();
  // The device information read takes the firmware word from bytes 4-7 and gives it to
  // the model before the record: the record carries the band's version.
  std::vector<std::uint8_t> device = c.device;
  if (device.size() >= 8) {
    for (std::size_t i = 0; i < 4; ++i) device[4 + i] = static_cast<std::uint8_t>(version >> (8 * i));
  }
  TRegInfo info;
  info.SwVersion = version;
  bool accepted = true;
  try {
    info.ReadDeviceInfoRecord(device);
  } catch (const Exception& e) {
    accepted = Refused(e);
    info.SwVersion = version;
  }
  try {
    info.ReadGeneralInfoRecord(c.general);
  } catch (const Exception& e) {
    accepted = Refused(e);
    PresetChannels(info, version);
  }
  for (const auto& record : c.channels) {
    try {
      StoreChannel(info, record);
    } catch (const Exception& e) {
      accepted = Refused(e);
    }
  }
  return accepted;
}

}  // namespace fuzzing
