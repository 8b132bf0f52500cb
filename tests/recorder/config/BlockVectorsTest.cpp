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

namespace {

using Fields = std::map<std::string, std::string>;

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

// --- The model's fields, flattened as the script writes them ---

std::string HexOf(const void* data, std::size_t size)
{
  std::string out;
  char digits[3];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(digits, sizeof digits, "%02X", static_cast<const std::uint8_t*>(data)[i]);
    out += digits;
  }
  return out;
}

class Flat {
public:
  Fields fields;

  Flat& Int(const std::string& key, long long value)
  {
    fields[key] = std::to_string(value);
    return *this;
  }
  Flat& Text(const std::string& key, const std::string& value)
  {
    fields[key] = value;
    return *this;
  }
  Flat& Bytes(const std::string& key, const std::string& value) { return Text(key, HexOf(value.data(), value.size())); }
  template <std::size_t N>
  Flat& Bytes(const std::string& key, const std::array<std::uint8_t, N>& value)
  {
    return Text(key, HexOf(value.data(), N));
  }
  Flat& Single(const std::string& key, float value)
  {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return Text(key, text);
  }
  // A decimal with its own precision: "mantissa/decimals".
  Flat& Decimal(const std::string& key, const fixed::TValBase<int>& value)
  {
    return Text(key, std::to_string(value.GetMantissa()) + "/" + std::to_string(value.GetPrec()));
  }
  Flat& Source(const std::string& key, const ValueSource& source)
  {
    return Int(key + ".Kind", source.Kind).Int(key + ".Index", source.Index);
  }
  template <std::size_t N>
  Flat& Codes(const std::string& key, const std::array<std::uint16_t, N>& codes)
  {
    for (std::size_t i = 0; i < N; ++i) Int(key + "[" + std::to_string(i) + "]", codes[i]);
    return *this;
  }
};

std::string At(const std::string& key, std::size_t i) { return key + "[" + std::to_string(i) + "]"; }

Fields FieldsOf(const TRegDIConfig& di)
{
  Flat f;
  f.Int("ModeIndex", di.ModeIndex).Text("Name", di.Name);
  f.Int("Param0", di.Param0.GetMantissa()).Int("ParamA", di.ParamA.GetMantissa()).Int("ParamB", di.ParamB.GetMantissa());
  f.Int("BusMode", di.BusMode).Int("BusByte", di.BusByte).Int("BusWord", di.BusWord).Int("FieldA2", di.FieldA2);
  f.Int("Number16", di.Number16).Int("FieldB6", di.FieldB6).Int("AltByte1", di.AltByte1).Int("AltByte2", di.AltByte2);
  f.Int("AltNibble1", di.AltNibble1).Int("AltNibble2", di.AltNibble2).Int("Alt2Byte", di.Alt2Byte);
  f.Int("Alt2Word", di.Alt2Word).Int("EthByte", di.EthByte).Int("EthIPv4", di.EthIPv4).Int("EthFieldA2", di.EthFieldA2);
  f.Int("EthNumber16", di.EthNumber16).Int("EthFieldB6", di.EthFieldB6).Int("CanByte1", di.CanByte1);
  f.Int("CanByte2", di.CanByte2).Int("CanFlag", di.CanFlag).Int("CanNumber16", di.CanNumber16);
  f.Int("ExternalByte", di.ExternalByte).Int("InputByte", di.InputByte).Bytes("Text", di.Text);
  for (std::size_t i = 0; i < di.Events.size(); ++i) {
    const auto& e = di.Events[i];
    const std::string key = At("Events", i);
    f.Int(key + ".Header", e.Header).Int(key + ".Params[0]", e.Params[0]).Int(key + ".Params[1]", e.Params[1]);
    f.Codes(key + ".Codes", e.Codes);
  }
  return f.fields;
}

Fields FieldsOf(const TRegDOConfig& out)
{
  Flat f;
  f.Text("Name", out.Name).Int("ControlIndex", out.ControlIndex).Bytes("Text", out.Text).Int("Mode", out.Mode);
  f.Int("OptionA", out.OptionA).Int("OptionB", out.OptionB).Int("HasLevel", out.HasLevel);
  f.Int("Level", out.Level.GetMantissa()).Int("PwmOption", out.PwmOption).Int("PwmWordA", out.PwmWordA);
  f.Int("PwmWordB", out.PwmWordB).Int("ActuatorOption", out.ActuatorOption).Int("RegulatorIndex", out.RegulatorIndex);
  f.Int("ExtKind", out.ExtKind).Int("ExtByte", out.ExtByte).Int("ExtWord", out.ExtWord).Int("ExtA1", out.ExtA1);
  f.Int("ExtA2", out.ExtA2).Int("ExtA3", out.ExtA3).Int("ExtB1", out.ExtB1).Int("ExtB2", out.ExtB2);
  f.Int("ExtB3", out.ExtB3).Int("ExtC1", out.ExtC1).Int("ExtC2", out.ExtC2).Int("ExtC3", out.ExtC3);
  return f.fields;
}

Fields FieldsOf(const TRegIPConfig& ip)
{
  Flat f;
  f.Int("Event.Header", ip.Event.Header).Int("Event.Params[0]", ip.Event.Params[0]);
  f.Int("Event.Params[1]", ip.Event.Params[1]).Codes("Event.Codes", ip.Event.Codes).Int("Event.Spare", ip.Event.Spare);
  return f.fields;
}

Fields FieldsOf(const TRegDisplayPageConfig& page)
{
  Flat f;
  f.Int("Mode0", page.Mode0).Int("Mode1", page.Mode1).Int("Setting2", page.Setting2).Int("Setting3", page.Setting3);
  f.Int("Setting4", page.Setting4).Int("Setting8", page.Setting8).Int("Setting12", page.Setting12);
  f.Text("Name", page.Name).Int("Setting20", page.Setting20).Int("ChannelCount", static_cast<long long>(page.Channels.size()));
  for (std::size_t i = 0; i < page.Channels.size(); ++i) {
    const auto& s = page.Channels[i];
    const std::string key = At("Channels", i);
    f.Source(key + ".Source", s.Source).Int(key + ".Pen", s.Pen).Int(key + ".Group", s.Group);
    f.Single(key + ".ScaleMin", s.ScaleMin).Int(key + ".MinDecimals", s.MinDecimals);
    f.Single(key + ".ScaleMax", s.ScaleMax).Int(key + ".MaxDecimals", s.MaxDecimals);
  }
  return f.fields;
}

Fields FieldsOf(const TRegDisplayPageTabloConfig& board)
{
  Flat f;
  f.Int("Mode", board.Mode).Text("Name", board.Name);
  for (std::size_t i = 0; i < board.Slots.size(); ++i) f.Source(At("Slots", i), board.Slots[i].Source);
  return f.fields;
}

template <typename Event>
void SumEvents(Flat& f, const std::array<Event, 2>& events)
{
  for (std::size_t i = 0; i < events.size(); ++i) {
    const auto& e = events[i];
    const std::string key = At("Events", i);
    if constexpr (std::is_floating_point_v<decltype(e.Value)>) f.Single(key + ".Value", e.Value);
    else f.Int(key + ".Value", e.Value);
    f.Int(key + ".Setting", e.Setting).Int(key + ".Setting2", e.Setting2).Codes(key + ".Codes", e.Codes);
    f.Bytes(key + ".Reserved", e.Reserved);
  }
}

Fields FieldsOf(const TRegSMConfig& sm)
{
  Flat f;
  f.Int("SmByte0", sm.SmByte0).Int("SmByte1", sm.SmByte1).Int("SmByte2", sm.SmByte2).Int("SmByte3", sm.SmByte3);
  f.Int("SmWord", sm.SmWord).Text("ShortText", sm.ShortText).Text("Name", sm.Name);
  SumEvents(f, sm.Events);
  return f.fields;
}

Fields FieldsOf(const TRegCTConfig& ct)
{
  Flat f;
  f.Int("CtByte0", ct.CtByte0).Int("CtByte1", ct.CtByte1).Single("CtValue", ct.CtValue).Single("CtFactor", ct.CtFactor);
  f.Text("ShortText", ct.ShortText).Text("Name", ct.Name);
  SumEvents(f, ct.Events);
  return f.fields;
}

Fields FieldsOf(const TRegTTLConfig& ttl)
{
  Flat f;
  f.Int("TtlByte", ttl.TtlByte).Int("TtlSelA", ttl.TtlSelA).Int("TtlSelB", ttl.TtlSelB).Int("TtlSelC", ttl.TtlSelC);
  f.Int("TtlSelD", ttl.TtlSelD).Int("TtlSelE", ttl.TtlSelE).Single("TtlFactor", ttl.TtlFactor);
  f.Text("ShortText", ttl.ShortText).Text("Name", ttl.Name).Bytes("Text", ttl.Text).Int("TtlMode", ttl.TtlMode);
  f.Int("ModeByte", ttl.ModeByte).Int("ModeFlag", ttl.ModeFlag).Int("ModeWord", ttl.ModeWord);
  f.Int("ModeSignedA", ttl.ModeSignedA).Int("ModeSignedB", ttl.ModeSignedB).Int("ModeLong", ttl.ModeLong);
  for (std::size_t i = 0; i < ttl.Events.size(); ++i) {
    const auto& e = ttl.Events[i];
    const std::string key = At("Events", i);
    f.Int(key + ".Header", e.Header).Int(key + ".Setting", e.Setting).Int(key + ".Value", e.Value);
    f.Codes(key + ".Codes", e.Codes);
  }
  return f.fields;
}

Fields FieldsOf(const TRegTMRConfig& tmr)
{
  Flat f;
  f.Int("TmrByte", tmr.TmrByte).Int("TmrValue", tmr.TmrValue).Text("Name", tmr.Name);
  f.Int("ActionA", tmr.ActionA).Int("ActionB", tmr.ActionB).Codes("Codes", tmr.Codes);
  return f.fields;
}

Fields FieldsOf(const TRegCtlConfig& ctl)
{
  Flat f;
  f.Text("Name", ctl.Name).Int("Mode", ctl.Mode).Source("SourceA", ctl.SourceA).Int("ByteA", ctl.ByteA);
  f.Int("ByteB", ctl.ByteB).Int("WordA", ctl.WordA).Bytes("Text", ctl.Text);
  f.Decimal("ValueA", ctl.ValueA).Decimal("ValueB", ctl.ValueB).Decimal("ValueC", ctl.ValueC);
  f.Decimal("ValueD", ctl.ValueD).Decimal("ValueE", ctl.ValueE).Decimal("ValueF", ctl.ValueF);
  f.Decimal("ValueG", ctl.ValueG).Decimal("ValueH", ctl.ValueH).Decimal("ValueI", ctl.ValueI);
  f.Decimal("ValueL", ctl.ValueL).Decimal("ValueM", ctl.ValueM).Decimal("ValueN", ctl.ValueN);
  f.Int("FixedJ", ctl.FixedJ.GetMantissa()).Int("FixedK", ctl.FixedK.GetMantissa());
  f.Source("SourceB", ctl.SourceB).Int("FixedO", ctl.FixedO.GetMantissa()).Int("FixedP", ctl.FixedP.GetMantissa());
  f.Int("FixedQ", ctl.FixedQ.GetMantissa()).Int("FixedR", ctl.FixedR.GetMantissa()).Int("ByteC", ctl.ByteC);
  f.Int("ByteD", ctl.ByteD).Int("FixedS", ctl.FixedS.GetMantissa()).Int("FixedT", ctl.FixedT.GetMantissa());
  f.Int("FixedU", ctl.FixedU.GetMantissa()).Int("FixedV", ctl.FixedV.GetMantissa());
  f.Int("FixedW", ctl.FixedW.GetMantissa()).Source("SourceC", ctl.SourceC).Source("SourceD", ctl.SourceD);
  f.Int("ByteE", ctl.ByteE);
  return f.fields;
}

Fields FieldsOf(const TRegTagFieldConfig& tag)
{
  Flat f;
  f.Int("Type", tag.Type).Bytes("ShortArea", tag.ShortArea).Bytes("LongArea", tag.LongArea);
  return f.fields;
}

Fields FieldsOf(const TRegScheduleItemConfig& item)
{
  Flat f;
  f.Int("Enabled", item.Enabled).Int("ItemByte", item.ItemByte).Int("Time1", item.Time1).Int("Time2", item.Time2);
  f.Int("Time3", item.Time3).Int("Time4", item.Time4).Int("Time5", item.Time5).Int("Time6", item.Time6);
  f.Int("Time7", item.Time7).Codes("Codes", item.Codes);
  return f.fields;
}

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
