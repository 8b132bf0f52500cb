// config_blocks: one record of a channel or function block of the configuration
// (discrete inputs and outputs, IP channels, display pages, the summary board,
// totalizers, counters, TTL channels, timers, regulators, tag fields, a schedule item)
// read at a firmware version of every band. What a reader accepts its writer must write
// for the same version without error, and that record must read back to itself.

#include <memory>
#include <string>

#include "FuzzBytes.h"
#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "platform/Bytes.h"
#include "platform/Stream.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace fuzzing {
namespace {

constexpr std::uint32_t kBandVersions[] = {
    MakeVersion(1, 2, 9),        MakeVersion(1, 3, 0),        MakeVersion(1, 4, 2),        MakeVersion(1, 5, 0),
    MakeVersion(1, 5, 3),        MakeVersion(1, 6, 0),        MakeVersion(1, 7, 0),        MakeVersion(1, 8, 3),
    MakeVersion(1, 9, 0),        MakeVersion(1, 10, 0),       MakeVersion(1, 10, 3),       MakeVersion(1, 10, 4),
    MakeVersion(1, 10, 6),       MakeVersion(1, 10, 16),      MakeVersion(1, 10, 17),      kFirstLineUpTo,
    MakeVersion(1, 10, 21),      kSecondLineFrom,             MakeVersion(2, 0, 20),       MakeVersion(2, 1, 0),
    MakeVersion(2, 1, 10),       MakeVersion(2, 1, 24),       MakeVersion(2, 1, 25),       MakeVersion(2, 1, 30),
    MakeVersion(2, 1, 40),       MakeVersion(2, 1, 51),       MakeVersion(2, 1, 53),       MakeVersion(2, 1, 54),
    MakeVersion(2, 1, 80),       MakeVersion(2, 1, 80, 1),    MakeVersion(2, 1, 90),       MakeVersion(2, 1, 91),
    MakeVersion(2, 1, 101),      MakeVersion(2, 1, 117),      MakeVersion(2, 1, 128, 50),  MakeVersion(2, 1, 128, 80),
    MakeVersion(2, 1, 128, 90),  MakeVersion(2, 1, 132),      MakeVersion(2, 1, 150),      MakeVersion(2, 1, 151),
    MakeVersion(2, 1, 157),      MakeVersion(2, 1, 159),      MakeVersion(2, 1, 160, 27),  MakeVersion(2, 1, 160, 28),
    kSecondLineUpTo,             MakeVersion(2, 1, 161),      kBranchFrom,                 MakeVersion(2, 2, 1),
    kBranchUpTo,                 MakeVersion(2, 2, 4),        MakeVersion(3, 0, 0),
};

std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

// The configuration of the case's device, fitted as the configuration read fits it.
std::unique_ptr<TRegConfig> Device(const ConfigBlocksCase& c, std::uint32_t version)
{
  auto config = std::make_unique<TRegConfig>();
  TRegInfo& info = config->RegInfo;
  info.SwVersion = info.GenSwVersion = version;
  info.AIChannels.resize(8);
  info.AOCount = 4;
  info.DIChannels.resize(8);
  info.DIChannels[0].Modes = c.diModes;
  info.DOCount = 8;
  info.DOChannels.assign(8, TRegInfo::TRegDOChannelInfo(0));
  if (c.flags & ConfigBlocksCase::kRelayExtension) info.DOChannels[0].Type = 2;
  info.DOControlTypes = c.doControlTypes;
  info.TTLCount = 4;
  info.CtlCount = 4;
  info.SMCount = info.CTCount = 1;
  info.PagePenCount = 20;
  info.PageGroupCount = 5;
  info.PageChannelCount = (c.flags & ConfigBlocksCase::kTwentyChannelsPerPage) ? 20 : 16;
  info.InfoIncomplete = false;
  config->ResizeToInfo();
  return config;
}

// A block that stands alone (not an item of the configuration), read by read.
template <typename Block, typename Reader>
Block Read(Reader read)
{
  Block block;
  read(block);
  return block;
}

// Reads a record into the case's block of a configuration and writes it again for the
// same version.
std::vector<std::uint8_t> ReadAndWrite(const ConfigBlocksCase& c, TRegConfig& config, std::uint32_t version,
                                       std::span<const std::uint8_t> record, bool& written)
{
  const TRegInfo& info = config.RegInfo;
  std::vector<std::uint8_t> out;
  written = false;
  auto write = [&](const auto& block) {
    written = true;
    block.WriteRecord(version, out);
  };
  switch (static_cast<ConfigBlocksCase::Block>(c.block % ConfigBlocksCase::BlockCount)) {
  case ConfigBlocksCase::DI: config.DI[0].ReadRecord(record); write(config.DI[0]); break;
  case ConfigBlocksCase::DO: config.DO[0].ReadRecord(version, record); write(config.DO[0]); break;
  case ConfigBlocksCase::SM: config.SM[0].ReadRecord(record); write(config.SM[0]); break;
  case ConfigBlocksCase::CT: config.CT[0].ReadRecord(record); write(config.CT[0]); break;
  case ConfigBlocksCase::TTL: config.TTL[0].ReadRecord(version, record); write(config.TTL[0]); break;
  case ConfigBlocksCase::Ctl: config.Ctl[0].ReadRecord(version, record); write(config.Ctl[0]); break;
  case ConfigBlocksCase::IP: write(Read<TRegIPConfig>([&](auto& ip) { ip.ReadRecord(version, record); })); break;
  case ConfigBlocksCase::Page:
    write(Read<TRegDisplayPageConfig>([&](auto& page) {
      page.ReadRecord(info, record);
      page.FixSources(info);
    }));
    break;
  case ConfigBlocksCase::Board:
    write(Read<TRegDisplayPageTabloConfig>([&](auto& board) { board.ReadRecord(info, record); }));
    break;
  case ConfigBlocksCase::TMR: write(Read<TRegTMRConfig>([&](auto& tmr) { tmr.ReadRecord(version, record); })); break;
  case ConfigBlocksCase::Tag: write(Read<TRegTagFieldConfig>([&](auto& tag) { tag.ReadRecord(version, record); })); break;
  case ConfigBlocksCase::Schedule:
  case ConfigBlocksCase::BlockCount: {
    TMemoryStream in;
    in.WriteBuffer(record.data(), record.size());
    in.Seek(0, SeekOrigin::Begin);
    TRegScheduleItemConfig item;
    item.ReadStream(info, in);
    written = true;
    TMemoryStream stream;
    item.WriteStream(info, version, stream);
    out = stream.Data();
    break;
  }
  }
  return out;
}

}  // namespace

std::span<const std::uint32_t> ConfigBlocksCase::BandVersions() { return kBandVersions; }

std::uint32_t ConfigBlocksCase::Version() const
{
  return band < std::size(kBandVersions) ? kBandVersions[band] : version;
}

ConfigBlocksCase ConfigBlocksCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  ConfigBlocksCase c;
  c.block = in.u8();
  c.band = in.u8();
  if (c.band >= std::size(kBandVersions)) c.version = in.u32();
  c.flags = in.u8();
  c.diModes = Bytes(in.take(in.u8() % 9));
  c.doControlTypes = Bytes(in.take(in.u8() % 9));
  c.record = Bytes(in.rest());
  return c;
}

std::vector<std::uint8_t> ConfigBlocksCase::Encode() const
{
  FuzzWriter out;
  out.u8(block).u8(band);
  if (band >= std::size(kBandVersions)) out.u32(version);
  out.u8(flags);
  out.u8(static_cast<std::uint8_t>(diModes.size())).append(diModes);
  out.u8(static_cast<std::uint8_t>(doControlTypes.size())).append(doControlTypes);
  out.append(record);
  return out.bytes();
}

bool FuzzConfigBlocks(std::span<const std::uint8_t> input)
{
  const ConfigBlocksCase c = ConfigBlocksCase::Decode(input);
  const std::uint32_t version = c.Version();
  const std::string what = "config_blocks block " + std::to_string(c.block % ConfigBlocksCase::BlockCount) +
                           " at " + VersionToText(version);

  std::vector<std::uint8_t> first;
  {
    auto config = Device(c, version);
    bool written = false;
    try {
      first = ReadAndWrite(c, *config, version, c.record, written);
    } catch (const EByteRange& e) {
      // Every reader checks a record's size before its fields, every writer fills a
      // buffer of its form's size: neither may reach past the bytes.
      Finding(what + ": a field outside the record: " + e.Message());
    } catch (const EVantorUnsupportedOldVer& e) {
      return Refused(e);  // the writer has no form for some firmware its reader takes
    } catch (const EVantorUnsupportedNewVer& e) {
      return Refused(e);
    } catch (const Exception& e) {
      if (written) Finding(what + ": the writer refused what its reader took: " + e.Message());
      return Refused(e);
    }
  }
  if (first.empty()) return true;  // a form with no record at this version (a page of no layout)

  auto rewrite = [&](const std::vector<std::uint8_t>& record) {
    auto fresh = Device(c, version);
    std::vector<std::uint8_t> out;
    try {
      bool written = false;
      out = ReadAndWrite(c, *fresh, version, record, written);
    } catch (const Exception& e) {
      Finding(what + ": the written record does not read back: " + e.Message());
    }
    return out;
  };
  std::vector<std::uint8_t> second = rewrite(first);
  // A second-line counter record of 64 bytes sets one byte: the writer gives the
  // version's own form, which holds what the other form did only in part. That form
  // must then stay as it is. (A TTL record of the other form goes back in its own.)
  const auto block = static_cast<ConfigBlocksCase::Block>(c.block % ConfigBlocksCase::BlockCount);
  const bool otherForm =
      c.record.size() != first.size() && block == ConfigBlocksCase::CT && c.record.size() == 64;
  if (otherForm) {
    first = second;
    second = rewrite(first);
  }
  if (second != first) Finding(what + ": the written record reads back as another");
  return true;
}

}  // namespace fuzzing
