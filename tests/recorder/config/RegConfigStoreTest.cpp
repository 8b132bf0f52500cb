// The entry points the configuration read stores through. Records come from the vector
// files of the blocks (vectors/*.txt); what they hold is each block's own test's matter,
// here only where a record lands and what the entry point adds.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "platform/Stream.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"
#include "support/ExpectThrowMsg.h"

namespace {

constexpr std::uint32_t kV2_1_100 = MakeVersion(2, 1, 100);

// A 2.1.100 device with two items in every list block.
struct TwoOfEach : ConfigFixture {
  TwoOfEach() : ConfigFixture(kV2_1_100)
  {
    TRegInfo& info = config.RegInfo;
    info.AIChannels.resize(2);
    info.AOCount = 2;
    info.AOControlTypes = {0, 1, 2};
    info.DIChannels.resize(2);
    info.DOCount = 2;
    info.DOChannels.assign(2, TRegInfo::TRegDOChannelInfo(0));
    info.IPCount = info.PageCount = info.SMCount = info.CTCount = info.TTLCount = info.TMRCount = 2;
    info.CtlCount = info.TagFieldCount = 2;
    Fit();
  }
};

TEST(RecordStore, AnIndexBeyondItsBlockIsRefusedWithTheBlocksCheck)
{
  struct Row {
    const char* block;
    TRegConfig::StoreMember store;
    unsigned check;
  };
  const Row rows[] = {
      {"AI", &TRegConfig::ReadAIRecord, 16416},      {"AO", &TRegConfig::ReadAORecord, 16429},
      {"DI", &TRegConfig::ReadDIRecord, 16442},      {"DO", &TRegConfig::ReadDORecord, 16455},
      {"IP", &TRegConfig::ReadIPRecord, 16468},      {"Pages", &TRegConfig::ReadDisplayPageRecord, 16481},
      {"SM", &TRegConfig::ReadSMRecord, 16511},      {"CT", &TRegConfig::ReadCTRecord, 16524},
      {"TTL", &TRegConfig::ReadTTLRecord, 16537},    {"TMR", &TRegConfig::ReadTMRRecord, 16550},
      {"Ctl", &TRegConfig::ReadCtlRecord, 16563},    {"Tags", &TRegConfig::ReadTagFieldRecord, 16576},
  };
  TwoOfEach device;
  const std::vector<std::uint8_t> record(248, 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.block);
    auto store = device.config.StoreEvent(row.store);
    EXPECT_THROW_MSG(store(2, record.data(), 248), EVantorInvalid, "{" + std::to_string(row.check) + "}");
    EXPECT_THROW_MSG(store(0xFFFFFFFF, record.data(), 248), EVantorInvalid, "{" + std::to_string(row.check) + "}");
  }
}

TEST(RecordStore, ARecordReachesTheItemOfItsIndexOnly)
{
  TwoOfEach device;
  TRegConfig& config = device.config;
  const auto& record = RecordVector("ai_ao", "ao160_v2_1_100");
  config.StoreEvent(&TRegConfig::ReadAORecord)(1, record.data(), static_cast<std::uint32_t>(record.size()));
  EXPECT_EQ(config.AO[1].Name, "АЕ2");
  EXPECT_EQ(config.AO[1].OutputValue.GetMantissa(), -1234);
  EXPECT_EQ(config.AO[0].Name, "");
}

// The version every reader gets is the device's, not one of the entry point's own.
TEST(RecordStore, EachReaderDecodesAtTheDevicesVersion)
{
  ConfigFixture device(MakeVersion(2, 2, 1));
  device.config.RegInfo.AOCount = 1;
  device.config.RegInfo.AOControlTypes = {0, 1};
  device.Fit();
  const auto& record = RecordVector("ai_ao", "ao160_v2_2_1");
  device.config.ReadAORecord(0, record.data(), static_cast<std::uint32_t>(record.size()));
  EXPECT_EQ(device.config.AO[0].Name, "Ветка");
  // The same 160 bytes are no record of a 2.1.110 device, whose records have 248.
  ConfigFixture newer(MakeVersion(2, 1, 110));
  newer.config.RegInfo.AOCount = 1;
  newer.config.RegInfo.AOControlTypes = {0, 1};
  newer.Fit();
  EXPECT_THROW(newer.config.ReadAORecord(0, record.data(), static_cast<std::uint32_t>(record.size())), EVantorInvalid);
}

// --- Display pages: Setting20 from the general settings where the record lacks it ---

struct PageRow {
  const char* vector;
  std::uint32_t version;
  std::uint32_t pageChannels;
  int setting20;
};

class PageStore : public testing::TestWithParam<PageRow> {};

TEST_P(PageStore, TakesSetting20FromTheRecordOnlyFrom2_1_91)
{
  const PageRow& row = GetParam();
  ConfigFixture device(row.version);
  TRegInfo& info = device.config.RegInfo;
  info.PageCount = 1;
  info.PageChannelCount = row.pageChannels;
  info.PagePenCount = 20;
  info.PageGroupCount = 5;
  info.AIChannels.resize(8);
  info.AOCount = 8;
  info.DIChannels.resize(8);
  info.DOCount = 8;
  info.TTLCount = info.CtlCount = 8;
  device.Fit();
  device.config.Selector1 = 6;
  const auto& record = RecordVector("blocks", row.vector);
  EXPECT_EQ(device.config.ReadDisplayPageRecord(0, record.data(), static_cast<std::uint32_t>(record.size())), 0);
  EXPECT_EQ(device.config.Pages[0].Setting20, row.setting20);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Versions, PageStore, testing::Values(
    PageRow{"page_204_at_2.1.90__no_Setting20",        MakeVersion(2, 1, 90),  16, 6},
    PageRow{"page_204_at_2.1.100__packed_scales_kept", MakeVersion(2, 1, 91),  16, 7},
    PageRow{"page_248b_at_2.2.1",                      MakeVersion(2, 2, 1),   20, 6}),
    [](const testing::TestParamInfo<PageRow>& info) {
      std::string name = "v" + VersionToText(info.param.version);
      for (char& c : name) c = c == '.' ? '_' : c;
      return name;
    });
// clang-format on

// A page slot naming a channel the device lacks is repaired as the page is stored.
TEST(RecordStore, APageIsFittedToTheDevicesChannels)
{
  ConfigFixture device(MakeVersion(2, 1, 100));
  TRegInfo& info = device.config.RegInfo;
  info.PageCount = 1;
  info.PageChannelCount = 16;
  info.PagePenCount = 20;
  info.PageGroupCount = 5;
  info.AIChannels.resize(1);
  device.Fit();
  const auto& record = RecordVector("blocks", "page_204_at_2.1.100__packed_scales_kept");
  device.config.ReadDisplayPageRecord(0, record.data(), static_cast<std::uint32_t>(record.size()));
  for (const auto& slot : device.config.Pages[0].Channels) {
    EXPECT_TRUE(slot.Source.Kind == 0 || (slot.Source.Kind == 1 && slot.Source.Index == 0))
        << int(slot.Source.Kind) << " " << slot.Source.Index;
  }
}

// --- The schedule: twelve items, their size checked before any is read ---

TMemoryStream StreamOf(std::size_t size, std::uint8_t fill = 0)
{
  TMemoryStream stream;
  const std::vector<std::uint8_t> bytes(size, fill);
  if (size) stream.WriteBuffer(bytes.data(), size);
  stream.SetPosition(0);
  return stream;
}

struct ScheduleRow {
  const char* name;
  std::uint32_t version;
  std::size_t size;
  const char* error;  // empty: read
};

class ScheduleStore : public testing::TestWithParam<ScheduleRow> {};

TEST_P(ScheduleStore, ChecksTheStreamsSizeByTheLine)
{
  const ScheduleRow& row = GetParam();
  ConfigFixture device(row.version);
  device.config.RegInfo.Features = 1;  // a schedule
  device.Fit();
  ASSERT_EQ(device.config.Schedule.size(), 12u);
  TMemoryStream stream = StreamOf(row.size, 3);
  if (*row.error) {
    try {
      device.config.ReadScheduleStream(stream);
      ADD_FAILURE() << "read";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), row.error);
    }
    EXPECT_FALSE(device.config.Schedule[0].Enabled) << "nothing is read before the check";
    return;
  }
  EXPECT_EQ(device.config.ReadScheduleStream(stream), 0);
  EXPECT_TRUE(device.config.Schedule[11].Enabled);
  EXPECT_EQ(device.config.Schedule[11].ItemByte, 3);
}

const std::string kNewerThan2_1_160 = EVantorUnsupportedNewVer(MakeVersion(2, 1, 161), kSecondLineUpTo).Message();
const std::string kOlderThan1_6 = EVantorUnsupportedOldVer(MakeVersion(1, 5, 9)).Message();

// clang-format off
INSTANTIATE_TEST_SUITE_P(Sizes, ScheduleStore, testing::Values(
    ScheduleRow{"first_line_132",  MakeVersion(1, 8, 0),   132, ""},
    ScheduleRow{"first_line_131",  MakeVersion(1, 8, 0),   131, "{16597}"},
    ScheduleRow{"second_line_156", MakeVersion(2, 1, 50),  156, ""},
    ScheduleRow{"second_line_155", MakeVersion(2, 1, 50),  155, "{16608}"},
    ScheduleRow{"branch_156",      MakeVersion(2, 2, 3),   156, ""},
    ScheduleRow{"newer_than_2_1_160", MakeVersion(2, 1, 161), 156, kNewerThan2_1_160.c_str()},
    ScheduleRow{"older_than_1_6",  MakeVersion(1, 5, 9),   132, kOlderThan1_6.c_str()}),
    [](const testing::TestParamInfo<ScheduleRow>& info) { return std::string(info.param.name); });
// clang-format on

// --- Stream blocks a recorder has by its feature bits but left empty ---

TEST(RecordStore, AnEmptyStreamLeavesEachStreamBlockAtItsDefaults)
{
  ConfigFixture device(MakeVersion(2, 1, 140));
  TRegInfo& info = device.config.RegInfo;
  info.Features = 1u << 14 | 1u << 15 | 1u << 19 | 1u << 27;
  info.PageCount = 2;
  info.UserTableCount = 2;
  info.UserTableLimit1 = 64;
  info.UserTableLimit2 = 16;
  device.Fit();
  TRegConfig& config = device.config;
  config.AMX.Code = {1, 2, 3};
  config.MS.Pages[1].Data = {9};
  config.UserTables.Tables[0].Points.resize(3);
  config.TIM2v2.Boards[{1, 2}] = {};

  const std::vector<std::pair<const char*, std::function<void(TStream&)>>> entries = {
      {"AMX", [&](TStream& s) { config.ReadAMXStream(s); }},
      {"MS", [&](TStream& s) { config.ReadMSStream(s); }},
      {"UserTables", [&](TStream& s) { config.ReadUserTablesStream(s); }},
      {"TIM2v2", [&](TStream& s) { config.ReadTIM2v2Stream(s); }},
  };
  for (const auto& [name, read] : entries) {
    SCOPED_TRACE(name);
    TMemoryStream empty;
    EXPECT_NO_THROW(read(empty));
  }
  EXPECT_TRUE(config.AMX.Code.empty());
  EXPECT_EQ(config.AMX.Header[0], 1);
  EXPECT_EQ(config.MS.Pages.size(), 2u);
  EXPECT_TRUE(config.MS.Pages[1].Data.empty());
  EXPECT_EQ(config.UserTables.Tables.size(), 2u);
  EXPECT_TRUE(config.UserTables.Tables[0].Points.empty());
  EXPECT_TRUE(config.TIM2v2.Boards.empty());
  // A stream of the boards that ends inside its header is no empty file: refused.
  TMemoryStream cut = StreamOf(3, 2);
  EXPECT_THROW_MSG(config.ReadTIM2v2Stream(cut), EVantorInvalid, "{13365}");
}

}  // namespace
