// config_streams: the configuration blocks whose device data is a packed list or a
// stream (CP items, display boards of both formats, mnemonic-scheme pages, AMX program,
// user tables), read at a firmware version of every edge of their bands. What a reader
// accepts, the writer must write for the same version, and what it wrote must read back
// and write again to the very same bytes.

#include <string>

#include "FuzzBytes.h"
#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace fuzzing {
namespace {

constexpr std::uint32_t kBandVersions[] = {
    MakeVersion(1, 4, 2),   MakeVersion(1, 5, 3),   MakeVersion(1, 6, 0),   kFirstLineUpTo,
    kSecondLineFrom,        MakeVersion(2, 0, 16),  MakeVersion(2, 1, 69),  MakeVersion(2, 1, 70),
    MakeVersion(2, 1, 91),  MakeVersion(2, 1, 100), MakeVersion(2, 1, 125), MakeVersion(2, 1, 126),
    MakeVersion(2, 1, 127), MakeVersion(2, 1, 128), kSecondLineUpTo,        MakeVersion(2, 1, 161),
    kBranchFrom,            kBranchUpTo,            MakeVersion(2, 2, 4),
};

constexpr unsigned kFeatureScheme = 14;
constexpr unsigned kFeatureUserTables = 19;

// The size the second-format board writer refuses: the device's stream may be longer
// than its 16-bit size field can say, since the reader never looks at that field.
constexpr std::string_view kBoardsBodyTooLong = "{13386}";

using Bytes = std::vector<std::uint8_t>;

// One block between the fuzzer's bytes and the configuration.
struct BlockIo {
  const char* what;
  void (*read)(TRegConfig&, std::uint32_t version, const Bytes& bytes);
  Bytes (*write)(const TRegConfig&, std::uint32_t version);
};

template <typename Read>
void ThroughStream(const Bytes& bytes, Read read)
{
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), bytes.size());
  stream.SetPosition(0);
  read(stream);
}

template <typename Write>
Bytes FromStream(Write write)
{
  TMemoryStream stream;
  write(stream);
  return stream.Data();
}

template <typename Block>
Bytes Record(const Block& block, std::uint32_t version)
{
  Bytes out;
  const std::size_t size = block.WriteRecord(version, out);
  if (size != out.size() || size != Block::RecordSize(version)) Finding("a record of another size than RecordSize");
  return out;
}

const BlockIo kBlocks[] = {
    {"CP items", [](TRegConfig& c, std::uint32_t v, const Bytes& b) { c.CP.ReadRecord(v, b); },
     [](const TRegConfig& c, std::uint32_t v) { return Record(c.CP, v); }},
    {"first-format boards", [](TRegConfig& c, std::uint32_t v, const Bytes& b) { c.TIM2v1.ReadRecord(v, b); },
     [](const TRegConfig& c, std::uint32_t v) { return Record(c.TIM2v1, v); }},
    {"second-format boards",
     [](TRegConfig& c, std::uint32_t v, const Bytes& b) { ThroughStream(b, [&](TStream& s) { c.TIM2v2.ReadStream(v, s); }); },
     [](const TRegConfig& c, std::uint32_t v) { return FromStream([&](TStream& s) { c.TIM2v2.WriteStream(v, s); }); }},
    {"scheme", [](TRegConfig& c, std::uint32_t v, const Bytes& b) { ThroughStream(b, [&](TStream& s) { c.MS.ReadStream(v, s); }); },
     [](const TRegConfig& c, std::uint32_t v) { return FromStream([&](TStream& s) { c.MS.WriteStream(v, s); }); }},
    {"program", [](TRegConfig& c, std::uint32_t v, const Bytes& b) { ThroughStream(b, [&](TStream& s) { c.AMX.ReadStream(v, s); }); },
     [](const TRegConfig& c, std::uint32_t v) { return FromStream([&](TStream& s) { c.AMX.WriteStream(v, s); }); }},
    {"user tables",
     [](TRegConfig& c, std::uint32_t v, const Bytes& b) {
       ThroughStream(b, [&](TStream& s) { c.UserTables.ReadStream(c.RegInfo, v, s); });
     },
     [](const TRegConfig& c, std::uint32_t v) {
       return FromStream([&](TStream& s) { c.UserTables.WriteStream(c.RegInfo, v, s); });
     }},
};
static_assert(std::size(kBlocks) == ConfigStreamsCase::BlockCount);

void Prepare(TRegConfig& config, const ConfigStreamsCase& c, std::uint32_t version)
{
  TRegInfo& info = config.RegInfo;
  info.SwVersion = version;
  info.GenSwVersion = version;
  info.Features = 1u << kFeatureScheme | 1u << kFeatureUserTables;
  info.PageCount = c.pages;
  info.MSCapacity = c.limit;
  info.UserTableCount = c.tables;
  info.UserTableLimit1 = c.limit1;
  // A device's per-table limit goes into the header of the tables written for it, and
  // no reader takes one above 2000.
  info.UserTableLimit2 = c.limit2 % 2001u;
  info.InfoIncomplete = false;
  config.ResizeToInfo();
}

}  // namespace

std::span<const std::uint32_t> ConfigStreamsCase::BandVersions() { return kBandVersions; }

std::uint32_t ConfigStreamsCase::Version() const
{
  return band < std::size(kBandVersions) ? kBandVersions[band] : version;
}

ConfigStreamsCase ConfigStreamsCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  ConfigStreamsCase c;
  c.block = in.u8();
  c.band = in.u8();
  if (c.band >= std::size(kBandVersions)) c.version = in.u32();
  c.pages = in.u8();
  c.limit = in.u8();
  c.tables = in.u8();
  c.limit1 = in.u16();
  c.limit2 = in.u16();
  const auto rest = in.rest();
  c.bytes.assign(rest.begin(), rest.end());
  return c;
}

std::vector<std::uint8_t> ConfigStreamsCase::Encode() const
{
  FuzzWriter out;
  out.u8(block).u8(band);
  if (band >= std::size(kBandVersions)) out.u32(version);
  out.u8(pages).u8(limit).u8(tables).u16(limit1).u16(limit2).append(bytes);
  return out.bytes();
}

bool FuzzConfigStreams(std::span<const std::uint8_t> input)
{
  const ConfigStreamsCase c = ConfigStreamsCase::Decode(input);
  const BlockIo& block = kBlocks[c.block % ConfigStreamsCase::BlockCount];
  const std::uint32_t version = c.Version();

  TRegConfig config;
  Prepare(config, c, version);
  try {
    block.read(config, version, c.bytes);
  } catch (const Exception& e) {
    return Refused(e);
  }

  Bytes first;
  try {
    first = block.write(config, version);
  } catch (const EVantorUnsupportedOldVer& e) {
    return Refused(e);  // a version whose reader reads nothing and whose writer refuses
  } catch (const Exception& e) {
    if (c.block % ConfigStreamsCase::BlockCount == ConfigStreamsCase::BoardsV2 && e.Message() == kBoardsBodyTooLong)
      return Refused(e);
    Finding(std::string(block.what) + ": what was read cannot be written: " + e.Message());
  }

  TRegConfig again;
  Prepare(again, c, version);
  Bytes second;
  try {
    block.read(again, version, first);
    second = block.write(again, version);
  } catch (const Exception& e) {
    Finding(std::string(block.what) + ": the written data does not read back: " + e.Message());
  }
  if (first != second) Finding(std::string(block.what) + ": the written data reads back as other data");
  return true;
}

}  // namespace fuzzing
