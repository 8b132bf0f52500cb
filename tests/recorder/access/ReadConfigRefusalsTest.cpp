// Devices the configuration read cannot take, refused before its first request: counts
// that would run a block's records past the last record number or into the records of
// another block the read asks for by the same function, and firmware whose totalizers
// and counters no backup can hold. Against the simulated recorder, whose profiles report
// the counts, or a model filled by hand where today's information records cannot carry
// them.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ConfigReadSupport.h"
#include "modbus/MBErrors.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/VersionWord.h"
#include "recsim/ConfigProfiles.h"
#include "recsim/Profile.h"
#include "support/RecorderLink.h"

using namespace Registrator;

namespace {

class ConfigReadRefusal : public testing::Test {
protected:
  WholeRead read{LinkKind::Tcp, 500};
};

TEST_F(ConfigReadRefusal, CountsThatWouldWrapTheRecordNumbersAreRefusedBeforeAnyRequest)
{
  struct Row {
    const char* name;
    std::function<void(recsim::DeviceProfile&)> change;
    std::string message;
  };
  const Row rows[] = {
      {"33 IP channels from 0xE0", [](recsim::DeviceProfile& p) { p.IPCount = 33; },
       "Unsupported IP channel count (33)"},
      {"193 analog outputs from 0x40", [](recsim::DeviceProfile& p) { p.AOCount = 193; },
       "Unsupported AO channel count (193)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    recsim::DeviceProfile profile = *recsim::FindProfile("corvane-51-2.1.132-h2.5");
    row.change(profile);
    WholeRead r(LinkKind::Tcp);
    r.Load(profile);
    r.ReadInfo();
    r.config.Name = "before";
    EXPECT_EQ(r.Failure(), row.message);
    EXPECT_TRUE(ConfigRequests(r.link).empty());
    EXPECT_EQ(r.config.Name, "before");
  }
  // Counts the information records of today's firmware do not allow, in a model
  // filled by hand: refused the same way.
  struct ByHand {
    const char* name;
    std::function<void(TRegInfo&)> change;
    std::string message;
  };
  const ByHand byHand[] = {
      {"129 relays from 0x80", [](TRegInfo& info) { info.DOCount = 129; }, "Unsupported DO channel count (129)"},
      {"145 pages from 0x70", [](TRegInfo& info) { info.PageCount = 145; }, "Unsupported display page count (145)"},
      {"257 tag fields of the first line from 0x00",
       [](TRegInfo& info) {
         info.SwVersion = MakeVersion(1, 10, 6);
         info.Features = 1u << 13;
         info.TagFieldCount = 0x101;
       },
       "Unsupported tag field count (257)"},
  };
  for (const ByHand& row : byHand) {
    SCOPED_TRACE(row.name);
    WholeRead r(LinkKind::Tcp);
    TRegInfo& info = r.config.RegInfo;
    info.SwVersion = MakeVersion(2, 1, 140);
    row.change(info);
    info.InfoIncomplete = false;
    EXPECT_EQ(r.Failure(), row.message);
    EXPECT_TRUE(r.link.server.Log().empty());
  }
  // Just within: 192 outputs end at record 0xFF.
  recsim::DeviceProfile profile = *recsim::FindProfile("corvane-51-2.1.132-h2.5");
  profile.AOCount = 192;
  WholeRead r(LinkKind::Tcp);
  r.Load(profile);
  r.ReadInfo();
  r.Failure();
  EXPECT_EQ(RequestsIn(r.link, kReadLong, 0x40, 0x40), OnePerRequest(kReadLong, 0x40, 1));
}

TEST_F(ConfigReadRefusal, TotalizersAndCountersWithNoPlaceInABackupAreRefusedBeforeAnyRequest)
{
  recsim::DeviceProfile profile = *recsim::FindProfile("corvane-21-2.1.54-h2.5");
  profile.SMCount = 2;
  read.Load(profile);
  read.ReadInfo();
  EXPECT_EQ(read.Failure(), "Сумматоры и счётчики регистратора (СМ: 2, СЧ: 0) для версии ПО 2.1.54 не поддерживаются: "
                            "резервную копию конфигурации сохранить нельзя.");
  EXPECT_TRUE(ConfigRequests(read.link).empty());

  profile.SMCount = 0;
  profile.CTCount = 1;
  WholeRead counters(LinkKind::Tcp);
  counters.Load(profile);
  counters.ReadInfo();
  EXPECT_EQ(counters.Failure(), "Сумматоры и счётчики регистратора (СМ: 0, СЧ: 1) для версии ПО 2.1.54 не поддерживаются: "
                                "резервную копию конфигурации сохранить нельзя.");

  // The newest firmware's backups have no place for them either, but its records are
  // read as the device has them: the read goes on to the counters.
  recsim::DeviceProfile newest = *recsim::FindProfile("corvane-51-2.1.157-h2.5");
  newest.CTCount = 1;
  WholeRead later(LinkKind::Tcp);
  later.Load(newest);
  later.ReadInfo();
  EXPECT_EQ(later.Failure(), "Конфигурация \"СЧ1\":\n" +
                                 ModbusMaster::EMBServerException(later.link.Source(), 2).Message());
  EXPECT_EQ(ConfigRequests(later.link).back(), (Request{kRead, 0x94, 1}));
}

// --- Counts that run a block into the records of another block of the read ---
//
// By 0x6B the long blocks sit one after another: analog inputs from 0x00, analog outputs
// from 0x40, relays from 0x80, discrete inputs from 0xC0, each block read so when it has
// more than 32 items. A block read so ends where the next one read so begins. By 0x65
// the first line's relays from 0x50 end where its display pages begin at 0x70.

// The description of a configuration profile, for the counts it reports.
recsim::ProfileDescription DescriptionOf(std::string_view name)
{
  for (const auto& description : recsim::ConfigProfiles())
    if (description.Name == name) return description;
  throw std::out_of_range(std::string(name));
}

constexpr const char* kLong64 = "edge-2.1.100-long64";  // 64 AI, AO, relays and DI, all by 0x6B

struct CountRow {
  const char* name;
  // The recorder and the counts it reports; the full information read comes first.
  const char* profile;
  std::function<void(recsim::ProfileDescription&)> device;
  // Without a recorder: the model as a read would leave it, filled by hand.
  std::function<void(TRegInfo&)> model;
  std::string refusal;
  bool byInformationRead;  // the information read refuses the count first
};

std::string InfoFailure(WholeRead& read)
{
  try {
    read.op.ReadInfo(*read.link.transport, RecorderLink::kUnit, {}, &read.config.RegInfo);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "read";
}

const CountRow kCountRows[] = {
    {"AO_65_with_extension_outputs_by_0x6B_into_the_relays",
     kLong64, [](recsim::ProfileDescription& d) { d.ExtAO = 25; }, {},
     "Unsupported AO channel count (65)", false},
    {"AO_129_by_0x6B_into_the_discrete_inputs_when_the_relays_go_by_0x65",
     kLong64, [](recsim::ProfileDescription& d) {
       d.AO = 129;
       d.ExtAO = 0;
       d.DO = 8;
     }, {},
     "Unsupported AO channel count (129)", false},
    {"AI_65_refused_by_the_information_read",
     kLong64, [](recsim::ProfileDescription& d) { d.AI = 65; }, {},
     "Инфо/АВ\nUnsupported AI channel count (65)", true},
    {"relays_65_refused_by_the_information_read",
     kLong64, [](recsim::ProfileDescription& d) { d.DO = 65; }, {},
     "Инфо/Р\nUnsupported relay count (65)", true},
    {"DI_65_refused_by_the_information_read",
     kLong64, [](recsim::ProfileDescription& d) { d.DI = 65; }, {},
     "Инфо/ДВ\nUnsupported DI channel count (65)", true},
    {"AI_65_by_0x6B_into_the_analog_outputs_in_a_model_by_hand", nullptr, {},
     [](TRegInfo& info) {
       info.SwVersion = MakeVersion(2, 1, 140);
       info.AIChannels.resize(65);
       info.AOCount = 33;
     },
     "Unsupported AI channel count (65)", false},
    {"relays_65_by_0x6B_into_the_discrete_inputs_in_a_model_by_hand", nullptr, {},
     [](TRegInfo& info) {
       info.SwVersion = MakeVersion(2, 1, 140);
       info.DOCount = 60;
       info.ExtDOCount = 5;
       info.DIChannels.resize(33);
     },
     "Unsupported DO channel count (65)", false},
    {"first_line_relays_33_by_0x65_into_the_display_pages", nullptr, {},
     [](TRegInfo& info) {
       info.SwVersion = MakeVersion(1, 10, 6);
       info.DOCount = 33;
       info.PageCount = 1;
     },
     "Unsupported DO channel count (33)", false},
};

struct CountCase {
  LinkKind link;
  const CountRow* row;
};

void PrintTo(const CountCase& c, std::ostream* out) { *out << LinkKindName(c.link) << " " << c.row->name; }

std::vector<CountCase> CountCases()
{
  std::vector<CountCase> cases;
  for (LinkKind link : AllLinks())
    for (const CountRow& row : kCountRows) cases.push_back({link, &row});
  return cases;
}

class CountIntoAnotherBlock : public testing::TestWithParam<CountCase> {};

TEST_P(CountIntoAnotherBlock, IsRefusedBeforeAnyRequest)
{
  const CountRow& row = *GetParam().row;
  WholeRead r(GetParam().link);
  if (row.profile) {
    recsim::ProfileDescription description = DescriptionOf(row.profile);
    row.device(description);
    r.Load(recsim::BuildProfile(description));
    if (row.byInformationRead) {
      EXPECT_EQ(InfoFailure(r), row.refusal);
      return;
    }
    ASSERT_NO_FATAL_FAILURE(r.ReadInfo());
  } else {
    row.model(r.config.RegInfo);
    r.config.RegInfo.InfoIncomplete = false;
  }
  r.config.Name = "before";
  EXPECT_EQ(r.Failure(), row.refusal);
  EXPECT_TRUE(ConfigRequests(r.link).empty());
  EXPECT_EQ(r.config.Name, "before");
}

INSTANTIATE_TEST_SUITE_P(Rows, CountIntoAnotherBlock, testing::ValuesIn(CountCases()),
                         [](const testing::TestParamInfo<CountCase>& info) {
                           return std::string(LinkKindName(info.param.link)) + "_" + info.param.row->name;
                         });

class LargestBlocksThatFit : public testing::TestWithParam<LinkKind> {};

// 64 of each fill the long read's records exactly, each block up to the next one's first.
TEST_P(LargestBlocksThatFit, AreReadByTheLongRead)
{
  WholeRead r(GetParam());
  ASSERT_NO_FATAL_FAILURE(r.ReadWhole(kLong64));
  // In the read's order: analog inputs and outputs, discrete inputs, then the relays.
  EXPECT_EQ(RequestsIn(r.link, kReadLong, 0x00, 0xFF),
            Joined({OnePerRequest(kReadLong, 0x00, 128), OnePerRequest(kReadLong, 0xC0, 64),
                    OnePerRequest(kReadLong, 0x80, 64)}));
  EXPECT_EQ(r.config.AI.size(), 64u);
  EXPECT_EQ(r.config.AO.size(), 64u);
  EXPECT_EQ(r.config.DO.size(), 64u);
  EXPECT_EQ(r.config.DI.size(), 64u);
}

// The first line's 32 relays, six 36-byte records to a frame, end at 0x6F; the display
// page follows at 0x70.
TEST_P(LargestBlocksThatFit, FirstLineRelaysUpToTheDisplayPages)
{
  WholeRead r(GetParam());
  r.Load(Changed("corvane-21-2.1.54-h2.5", [](recsim::DeviceConfiguration& c) {
    c.records.clear();
    c.records[{kRead, 0}] = std::vector<std::uint8_t>(28, 0);
    for (std::uint8_t i = 0; i < 32; ++i) c.records[{kRead, 0x50 + i}] = std::vector<std::uint8_t>(36, 0);
    c.records[{kRead, 0x70}] = std::vector<std::uint8_t>(92, 0);
  }));
  TRegInfo& info = r.config.RegInfo;
  info.SwVersion = MakeVersion(1, 10, 6);
  info.DOCount = 32;
  info.PageCount = 1;
  info.InfoIncomplete = false;
  ASSERT_TRUE(r.ReadConfig());
  EXPECT_EQ(ConfigRequests(r.link), Joined({{{kRead, 0, 1}},
                                           {{kRead, 0x50, 6}, {kRead, 0x56, 6}, {kRead, 0x5C, 6}, {kRead, 0x62, 6},
                                            {kRead, 0x68, 6}, {kRead, 0x6E, 2}},
                                           {{kRead, 0x70, 1}}}));
}

INSTANTIATE_TEST_SUITE_P(Links, LargestBlocksThatFit, testing::ValuesIn(AllLinks()),
                         [](const testing::TestParamInfo<LinkKind>& info) {
                           return std::string(LinkKindName(info.param));
                         });

}  // namespace
