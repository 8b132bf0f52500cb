// The record vectors of vectors/blocks.py: every case's record is read into its block
// on a device the case describes, the decoded fields are compared with the ones the
// script expects (blocks_fields.txt), and the block is written again at the same
// version: byte for byte the record, or the rewrite the case names with its reason (a
// normalisation of the reading rules).

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "BlockTestSupport.h"
#include "ConfigTestSupport.h"
#include "platform/Stream.h"
#include "recorder/config/RegConfig.h"
#include "support/ConfigFields.h"

namespace {

using Fields = config_fields::Fields;

struct BlockCase {
  std::string name;
  std::string title;
  std::string block;
  std::uint32_t version = 0;
  std::map<std::string, std::string> context;
  std::string why;  // empty: the rewrite is the record itself
  Fields fields;
};

std::vector<BlockCase> LoadCases()
{
  const char* dir = std::getenv("KESTREL_TEST_DATA");
  const std::string path = std::string(dir ? dir : KESTREL_CONFIG_TEST_DATA) + "/vectors/blocks_fields.txt";
  std::ifstream in(path);
  if (!in) throw std::runtime_error("no expectations file " + path);
  std::vector<BlockCase> cases;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto space = line.find(' ');
    const std::string key = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (key == "case") {
      cases.push_back({});
      cases.back().name = rest;
    } else if (key == "title") {
      cases.back().title = rest;
    } else if (key == "block") {
      cases.back().block = rest;
    } else if (key == "version") {
      cases.back().version = static_cast<std::uint32_t>(std::stoul(rest, nullptr, 16));
    } else if (key == "context") {
      std::istringstream pairs(rest);
      std::string pair;
      while (pairs >> pair) {
        const auto eq = pair.find('=');
        cases.back().context[pair.substr(0, eq)] = pair.substr(eq + 1);
      }
    } else if (key == "why") {
      cases.back().why = rest;
    } else if (key == "field") {
      const auto eq = rest.find('=');
      cases.back().fields[rest.substr(0, eq)] = rest.substr(eq + 1);
    }
  }
  return cases;
}

const std::vector<BlockCase>& Cases()
{
  static const std::vector<BlockCase> cases = LoadCases();
  return cases;
}

std::vector<unsigned> Numbers(const std::string& list)
{
  std::vector<unsigned> out;
  std::istringstream in(list);
  std::string item;
  while (std::getline(in, item, ',')) out.push_back(static_cast<unsigned>(std::stoul(item)));
  return out;
}

// The model's fields, flattened as the script writes them (support/ConfigFields.h).
using config_fields::FieldsOf;
using config_fields::HexOf;

// --- The device a case runs against ---

DeviceCounts CountsOf(const BlockCase& c)
{
  auto count = [&](const char* key) { return static_cast<std::uint32_t>(std::stoul(c.context.at(key))); };
  auto bytes = [&](const char* key, std::vector<std::uint8_t> fallback) {
    if (!c.context.count(key)) return fallback;
    std::vector<std::uint8_t> out;
    for (auto n : Numbers(c.context.at(key))) out.push_back(static_cast<std::uint8_t>(n));
    return out;
  };
  DeviceCounts counts;
  counts.ai = count("ai");
  counts.ao = static_cast<std::uint8_t>(count("ao"));
  counts.di = count("di");
  counts.dout = static_cast<std::uint8_t>(count("do"));
  counts.ttl = count("ttl");
  counts.ctl = count("ctl");
  counts.pens = static_cast<std::uint8_t>(count("pens"));
  counts.groups = static_cast<std::uint8_t>(count("groups"));
  counts.pageChannels = count("page_channels");
  counts.diModes = bytes("di_modes", counts.diModes);
  counts.doControlTypes = bytes("do_control_types", counts.doControlTypes);
  if (c.context.count("do_info_type")) counts.doInfoType = static_cast<std::uint8_t>(count("do_info_type"));
  return counts;
}

// Reads the record into the case's block, keeps its fields, writes it again.
struct RoundTrip {
  Fields fields;
  std::vector<std::uint8_t> written;
};

template <typename Block, typename Read>
RoundTrip Run(Block& block, std::uint32_t version, Read read)
{
  read(block);
  RoundTrip out{FieldsOf(block), {}};
  const std::size_t size = block.WriteRecord(version, out.written);
  EXPECT_EQ(size, out.written.size());
  return out;
}

RoundTrip RunCase(const BlockCase& c, const std::vector<std::uint8_t>& record)
{
  BlockDevice device(c.version, CountsOf(c));
  TRegConfig& config = device.config;
  const TRegInfo& info = config.RegInfo;
  const std::uint32_t v = c.version;
  if (c.block == "DI") return Run(config.DI[0], v, [&](auto& b) { b.ReadRecord(record); });
  if (c.block == "DO") return Run(config.DO[0], v, [&](auto& b) { b.ReadRecord(v, record); });
  if (c.block == "SM") return Run(config.SM[0], v, [&](auto& b) { b.ReadRecord(record); });
  if (c.block == "CT") return Run(config.CT[0], v, [&](auto& b) { b.ReadRecord(record); });
  if (c.block == "TTL") return Run(config.TTL[0], v, [&](auto& b) { b.ReadRecord(v, record); });
  if (c.block == "Ctl") return Run(config.Ctl[0], v, [&](auto& b) { b.ReadRecord(v, record); });
  if (c.block == "IP") {
    TRegIPConfig ip;
    return Run(ip, v, [&](auto& b) { b.ReadRecord(v, record); });
  }
  if (c.block == "Page") {
    TRegDisplayPageConfig page;
    return Run(page, v, [&](auto& b) { b.ReadRecord(info, record); });
  }
  if (c.block == "Board") {
    TRegDisplayPageTabloConfig board;
    return Run(board, v, [&](auto& b) { b.ReadRecord(info, record); });
  }
  if (c.block == "TMR") {
    TRegTMRConfig tmr;
    return Run(tmr, v, [&](auto& b) { b.ReadRecord(v, record); });
  }
  if (c.block == "Tag") {
    TRegTagFieldConfig tag;
    return Run(tag, v, [&](auto& b) { b.ReadRecord(v, record); });
  }
  if (c.block == "Schedule") {
    TRegScheduleItemConfig item;
    TMemoryStream in;
    in.WriteBuffer(record.data(), record.size());
    in.Seek(0, SeekOrigin::Begin);
    item.ReadStream(info, in);
    TMemoryStream out;
    item.WriteStream(info, v, out);
    return {FieldsOf(item), out.Data()};
  }
  ADD_FAILURE() << "unknown block " << c.block;
  return {};
}

class BlockRecordVector : public testing::TestWithParam<std::size_t> {};

TEST_P(BlockRecordVector, DecodesTheExpectedFieldsAndWritesTheRecordBack)
{
  const BlockCase& c = Cases()[GetParam()];
  SCOPED_TRACE(c.title);
  const auto& record = RecordVector("blocks", c.name);
  const RoundTrip result = RunCase(c, record);

  for (const auto& [key, value] : c.fields) {
    const auto found = result.fields.find(key);
    if (found == result.fields.end()) {
      ADD_FAILURE() << "the block has no field " << key;
      continue;
    }
    EXPECT_EQ(found->second, value) << key;
  }
  const auto& expected = c.why.empty() ? record : RecordVector("blocks", c.name + ".rewrite");
  EXPECT_EQ(HexOf(result.written.data(), result.written.size()), HexOf(expected.data(), expected.size()))
      << (c.why.empty() ? "the same bytes" : c.why);
}

std::vector<std::size_t> CaseIndexes()
{
  std::vector<std::size_t> indexes(Cases().size());
  for (std::size_t i = 0; i < indexes.size(); ++i) indexes[i] = i;
  return indexes;
}

INSTANTIATE_TEST_SUITE_P(Blocks, BlockRecordVector, testing::ValuesIn(CaseIndexes()),
                         [](const testing::TestParamInfo<std::size_t>& info) {
                           std::string name = Cases()[info.param].name;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

}  // namespace
