#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "recorder/access/RegConfigOp.h"
#include "recorder/access/RegErrors.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"
#include "recsim/Profile.h"
#include "support/ExpectThrowMsg.h"
#include "support/RecorderLink.h"

using namespace Registrator;
using recsim::Fault;

namespace {

using Strings = std::vector<std::string>;
using Codes = std::vector<std::uint8_t>;
using Request = std::pair<int, std::size_t>;  // first record number, records asked for

constexpr std::uint8_t kReadInfo = 0x64;

Strings Texts(const TStringList& list)
{
  Strings texts;
  for (const auto& item : list.Items()) texts.push_back(item.Text);
  return texts;
}

std::vector<Request> InfoRuns(const RecorderLink& link)
{
  std::vector<Request> runs;
  for (const auto& data : link.Requests(kReadInfo)) runs.emplace_back(data.empty() ? -1 : data[0], data.size());
  return runs;
}

Strings SignalNames(const TRegInfo& info)
{
  Strings names;
  for (const auto& entry : info.AISignalSupport) names.push_back(entry.Name);
  return names;
}

std::vector<int> ModuleKinds(const TRegInfo& info)
{
  std::vector<int> kinds;
  for (const auto& channel : info.DIChannels) kinds.push_back(channel.ModuleKind);
  return kinds;
}

// What a full read of one standard profile must give, worked out by hand from the
// profile's description.
struct InfoExpectation {
  const char* profile;
  std::uint32_t progressTotal;
  std::vector<Request> requests;
  Strings signalNames;
  Strings relayNames;
  Codes aoControlTypes, doControlTypes;
  Strings relayModes, pidModes;
  unsigned pageViews, pens;
  std::vector<int> moduleKinds;
};

const Strings kTenSignals{"20 мА", "21 В", "22 мВ", "23 Ом", "пирометр", "ТП", "ТС", "матем.", "расход", "вручную"};
const Strings kTypedRelays{"Р1", "С2", "РВ3", "РС4", "РП5", "РТ6", "Р7", "С8"};
const Strings kDefaultRelays{"Р1", "Р2", "Р3", "Р4", "Р5", "Р6", "Р7", "Р8"};
const Strings kOldRegulatorModes{"дискретный", "ШИМ", "МЭО"};
const std::vector<int> kNoModules(8, 0);
const std::vector<Request> kSecondLineRuns{{1, 1}, {0, 1}, {0xD0, 10}, {0x10, 8}, {0x50, 8}, {0x70, 8}};

const InfoExpectation kSecondLine[] = {
    {"pelkar-2.0.20", 35, kSecondLineRuns, kTenSignals, kTypedRelays, {0, 1}, {0}, {"дискретный"}, {}, 4, 8, kNoModules},
    // Relay records are not promised below 2.1.54; this recorder has none and refuses
    // the first request for them.
    {"pelkar-2.1.20", 59, kSecondLineRuns, kTenSignals, kDefaultRelays, {0, 1}, {0}, {"дискретный"}, {}, 4, 12,
     kNoModules},
    {"pelkar-2.1.70", 75, kSecondLineRuns, kTenSignals, kTypedRelays, {0, 1, 2}, {0, 1, 2, 3}, {"дискретный"}, {}, 5,
     12, kNoModules},
    {"pelkar-2.1.100",
     68,
     {{1, 1}, {0, 1}, {0xD0, 10}, {0x10, 8}, {0x50, 8}, {0x70, 6}},
     kTenSignals,
     {"Р1", "С2", "РВ3", "РС4", "РП5", "РТ6"},
     {0, 1, 2},
     {0, 1, 2, 3},
     {"дискретный"},
     {},
     6,
     16,
     std::vector<int>(8, 1)},
    {"pelkar-2.1.150",
     90,
     {{1, 1}, {0, 1}, {0xD0, 15}, {0xDF, 3}, {0x10, 8}, {0x50, 8}, {0x70, 8}},
     {"20 мА", "21 В", "22 мВ", "23 Ом", "пирометр", "ТП", "ТС", "матем.", "расход", "внешний", "CAN", "частота",
      "импульс", "Ethernet", "частота", "импульс", "счётчик", "RS-485"},
     kTypedRelays,
     {0, 1, 2, 3, 6},
     {0, 1, 2, 3},
     kOldRegulatorModes,
     {"выкл.", "ПИД (ШИМ/ЦАП)"},
     6,
     16,
     kNoModules},
    {"pelkar-2.1.160",
     78,
     {{1, 1}, {0, 1}, {0xD0, 12}, {0x10, 8}, {0x50, 8}, {0x70, 8}},
     {"20 мА", "21 В", "22 мВ", "23 Ом", "пирометр", "ТП", "ТС", "матем.", "расход", "внешний", "CAN", "частота"},
     kTypedRelays,
     {0, 1, 2, 3, 6},
     {0, 1, 2, 3, 4},
     kOldRegulatorModes,
     {"выкл.", "ПИД (ШИМ/ЦАП)", "ПДД (МЭО)"},
     6,
     20,
     kNoModules},
    // The 2.2 branch: older names and limits; relay records although not promised.
    {"pelkar-2.2.1", 59, kSecondLineRuns, kTenSignals, kTypedRelays, {0, 1}, {0}, {"дискретный"}, {}, 4, 12,
     kNoModules},
};

void ExpectInformation(const InfoExpectation& e, const TRegConfigOp& op, const TRegInfo& info, const RecorderLink& link)
{
  EXPECT_FALSE(info.InfoIncomplete);
  EXPECT_EQ(op.ProgressTotal, e.progressTotal);
  EXPECT_EQ(InfoRuns(link), e.requests);
  EXPECT_EQ(SignalNames(info), e.signalNames);
  EXPECT_EQ(Texts(info.DONames), e.relayNames);
  EXPECT_EQ(info.AOControlTypes, e.aoControlTypes);
  EXPECT_EQ(info.DOControlTypes, e.doControlTypes);
  EXPECT_EQ(Texts(info.DOChannelModes), e.relayModes);
  EXPECT_EQ(Texts(info.PIDModes), e.pidModes);
  EXPECT_EQ(info.PageViewCount, e.pageViews);
  EXPECT_EQ(info.PagePenCount, e.pens);
  EXPECT_EQ(ModuleKinds(info), e.moduleKinds);
  EXPECT_EQ(Texts(info.AINames), (Strings{"АВ1", "АВ2", "АВ3", "АВ4", "АВ5", "АВ6", "АВ7", "АВ8"}));
}

class ReadInfoOnLink : public testing::TestWithParam<LinkKind> {
protected:
  RecorderLink link{GetParam()};
};

TEST_P(ReadInfoOnLink, ReadsEverySecondLineProfile)
{
  for (const auto& e : kSecondLine) {
    SCOPED_TRACE(e.profile);
    link.Load(e.profile);
    link.server.ClearLog();
    TRegConfigOp op;
    TRegInfo info;
    ASSERT_TRUE(op.ReadInfo(*link.transport, RecorderLink::kUnit, {}, &info));
    ExpectInformation(e, op, info, link);
  }
}

INSTANTIATE_TEST_SUITE_P(Links, ReadInfoOnLink, testing::ValuesIn(AllLinks()),
                         [](const auto& info) { return LinkKindName(info.param); });

// The first line, on one link.
class ReadInfoTest : public testing::Test {
protected:
  void Load(const recsim::ProfileDescription& description)
  {
    link.Device([&](recsim::Device& device) { recsim::LoadProfile(device, recsim::BuildProfile(description)); });
    link.server.ClearLog();
  }
  void Load(const char* profile)
  {
    link.Load(profile);
    link.server.ClearLog();
  }
  void SetRecord(std::uint8_t number, std::vector<std::uint8_t> bytes)
  {
    link.Device([&](recsim::Device& device) { device.records.Set(kReadInfo, number, std::move(bytes)); });
  }
  bool Read(const TRegProgressEvent& progress = {}) { return op.ReadInfo(*link.transport, RecorderLink::kUnit, progress, &info); }
  // The plain error a failure inside a block becomes.
  std::string BlockFailure()
  {
    try {
      Read();
    } catch (const ModbusMaster::EMBError& e) {
      return "unwrapped Modbus error: " + e.Message();
    } catch (const EVantorException& e) {
      return "unwrapped record error: " + e.Message();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "no error";
  }

  RecorderLink link{LinkKind::Tcp, 500};
  TRegConfigOp op;
  TRegInfo info;
};

TEST_F(ReadInfoTest, ReadsTheFirstLineProfiles)
{
  const Strings codesByPosition{"нет", "21 мА", "22 В", "23 мВ", "24 Ом", "пирометр", "ТП", "ТС", "матем.", "расход"};
  const Strings nineByPosition(codesByPosition.begin(), codesByPosition.begin() + 9);
  const std::vector<Request> embeddedRuns{{1, 1}, {0, 1}, {0x10, 8}, {0x30, 8}, {0x50, 8}};
  const std::vector<int> allModules(8, 1);
  const InfoExpectation cases[] = {
      {"corvane-1.4.2", 48, embeddedRuns, nineByPosition, kTypedRelays, {0, 1}, {0}, {"дискретный"}, {}, 4, 6,
       allModules},
      {"corvane-1.6.3", 53, embeddedRuns, codesByPosition, kTypedRelays, {0, 1}, {0}, {"дискретный"}, {}, 4, 6,
       allModules},
      {"corvane-1.9.0", 53, embeddedRuns, codesByPosition, kTypedRelays, {0, 1}, {0}, {"дискретный"}, {}, 4, 6,
       allModules},
      {"corvane-1.10.6",
       84,
       {{1, 1}, {0, 1}, {0xD0, 10}, {0x10, 8}, {0x30, 8}, {0x50, 16}},
       kTenSignals,
       {"Р1", "С2", "РВ3", "РС4", "РП5", "РТ6", "Р7", "С8", "РВ9", "РС10", "РП11", "РТ12", "Р13", "С14", "РВ15",
        "РС16"},
       {0, 1},
       {0, 2},
       {"дискретный"},
       {},
       4,
       6,
       allModules},
  };
  for (const auto& e : cases) {
    SCOPED_TRACE(e.profile);
    Load(e.profile);
    TRegConfigOp fresh;
    TRegInfo read;
    ASSERT_TRUE(fresh.ReadInfo(*link.transport, RecorderLink::kUnit, {}, &read));
    ExpectInformation(e, fresh, read, link);
    EXPECT_EQ(read.DIChannels[0].ModeNames, (Strings{"реле", "логический"}));
  }
}

TEST_F(ReadInfoTest, Firmware1_8IsRefusedOnceBothRecordsAreIn)
{
  Load("corvane-1.8.1");
  EXPECT_THROW_MSG(Read(), EMBUnsupportedVersion, link.Source() + ": Неподдерживаемая версия 1.8.1.0");
  EXPECT_EQ(InfoRuns(link), (std::vector<Request>{{1, 1}, {0, 1}}));
  EXPECT_EQ(info.GenSwVersion, MakeVersion(1, 8, 1));
  EXPECT_TRUE(info.InfoIncomplete);
}

TEST_F(ReadInfoTest, WithoutAnInformationModelNothingIsAsked)
{
  EXPECT_FALSE(op.ReadInfo(*link.transport, RecorderLink::kUnit, {}, nullptr));
  EXPECT_TRUE(link.server.Log().empty());
}

TEST_F(ReadInfoTest, ProgressCountsEveryRecordAgainstTheTotalOfBothReads)
{
  // Eight AI, eight DI, four relays, ten signal types, four pages and tag fields only.
  Load({.Name = "example", .Firmware = "2.1.70", .Features = 1u << 13, .Model = 51, .SerialNumber = 1, .DO = 4});
  std::vector<std::pair<std::uint32_t, std::uint32_t>> calls;
  ASSERT_TRUE(Read([&](std::uint32_t done, std::uint32_t total, bool&) { calls.emplace_back(done, total); }));
  EXPECT_EQ(op.ProgressTotal, 63u);
  EXPECT_EQ(calls, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                       {1, 0}, {2, 0}, {3, 63}, {13, 63}, {21, 63}, {29, 63}, {33, 63}}));
}

TEST_F(ReadInfoTest, ACancelFromTheProgressCallbackEndsTheReadAtOnce)
{
  struct Case {
    const char* name;
    int cancelOnCall;
    std::size_t requests;
    bool signalsStored;
  };
  const Case cases[] = {
      {"after the device record", 1, 1, false},
      {"after the total", 3, 2, false},
      {"inside the signal block", 4, 3, false},
      {"inside the AI block", 5, 4, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Load("pelkar-2.1.70");
    TRegConfigOp fresh;
    TRegInfo read;
    int calls = 0;
    EXPECT_FALSE(fresh.ReadInfo(*link.transport, RecorderLink::kUnit,
                                [&](std::uint32_t, std::uint32_t, bool& cancel) { cancel = ++calls == c.cancelOnCall; },
                                &read));
    EXPECT_EQ(link.Requests(kReadInfo).size(), c.requests);
    EXPECT_EQ(!read.AISignalSupport.empty() && read.AISignalSupport[0].Valid == 1, c.signalsStored);
    EXPECT_TRUE(read.InfoIncomplete);
  }
}

TEST_F(ReadInfoTest, DiscreteInputsBeyond32ComeFromTheirOwnRun)
{
  Load({.Name = "40 DI", .Firmware = "2.1.100", .Model = 51, .SerialNumber = 1, .DI = 40});
  for (std::uint8_t i = 0; i < 8; ++i) SetRecord(0xB0 + i, {static_cast<std::uint8_t>(0x40 + i)});
  ASSERT_TRUE(Read());
  EXPECT_EQ(InfoRuns(link),
            (std::vector<Request>{{1, 1}, {0, 1}, {0xD0, 10}, {0x10, 8}, {0x50, 32}, {0xB0, 8}, {0x70, 8}}));
  ASSERT_EQ(info.DIChannels.size(), 40u);
  EXPECT_EQ(info.DIChannels[31].Caps2, 0x03);
  for (std::uint8_t i = 0; i < 8; ++i) EXPECT_EQ(info.DIChannels[32 + i].Caps2, 0x40 + i) << int(i);
  EXPECT_EQ(info.DIChannels[39].Name, "ДВ40");
}

TEST_F(ReadInfoTest, ChannelCountsThatLeaveTheirRecordNumbersAreRefused)
{
  struct Case {
    const char* name;
    recsim::ProfileDescription profile;
    std::string message;
    std::vector<Request> requests;
  };
  const std::vector<Request> upToDI{{1, 1}, {0, 1}, {0xD0, 10}, {0x10, 8}, {0x50, 32}};
  const Case cases[] = {
      {"65 DI after the first 32",
       {.Name = "65 DI", .Firmware = "2.1.100", .Model = 51, .DI = 65},
       "Инфо/ДВ\nUnsupported DI channel count (65)",
       upToDI},
      {"AI into the DI records",
       {.Name = "70 AI", .Firmware = "2.1.100", .Model = 51, .AI = 70},
       "Инфо/АВ\nUnsupported AI channel count (70)",
       {{1, 1}, {0, 1}, {0xD0, 10}}},
      {"AI of the first line into its DI records",
       {.Name = "33 AI", .BrandLine = recsim::Brand::Corvane, .Firmware = "1.10.6", .Model = 3, .AI = 33},
       "Инфо/АВ\nUnsupported AI channel count (33)",
       {{1, 1}, {0, 1}, {0xD0, 10}}},
      {"relays into the second DI run",
       {.Name = "65 relays", .Firmware = "2.1.100", .Model = 51, .DI = 33, .DO = 65},
       "Инфо/Р\nUnsupported relay count (65)",
       {{1, 1}, {0, 1}, {0xD0, 10}, {0x10, 8}, {0x50, 32}, {0xB0, 1}}},
      {"relays into the signal records",
       {.Name = "97 relays", .Firmware = "2.1.100", .Model = 51, .DO = 97},
       "Инфо/Р\nUnsupported relay count (97)",
       {{1, 1}, {0, 1}, {0xD0, 10}, {0x10, 8}, {0x50, 8}}},
      {"signal types past the last record",
       {.Name = "49 signals", .BrandLine = recsim::Brand::Corvane, .Firmware = "1.10.6", .Model = 3, .Signals = 49},
       "Инфо/АВ т|\nUnsupported AI signal count (49)",
       {{1, 1}, {0, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Load(c.profile);
    EXPECT_EQ(BlockFailure(), c.message);
    EXPECT_EQ(InfoRuns(link), c.requests);
  }
}

TEST_F(ReadInfoTest, TheLargestBlocksThatFitAreRead)
{
  // 64 AI up to the DI records, 96 relays up to the signal records.
  Load({.Name = "full", .Firmware = "2.1.100", .Model = 51, .AI = 64, .DO = 96});
  ASSERT_TRUE(Read());
  EXPECT_EQ(info.AIChannels.size(), 64u);
  EXPECT_EQ(info.DONames.Strings(95), "РТ96");
  const auto runs = InfoRuns(link);
  ASSERT_FALSE(runs.empty());
  EXPECT_EQ(runs.back(), (Request{0x70 + 84, 12}));
}

TEST_F(ReadInfoTest, AFailureInsideABlockArrivesBehindTheBlocksCaption)
{
  const std::string source = link.Source();
  struct Case {
    const char* name;
    const char* profile;
    std::function<void()> arrange;
    std::string message;
  };
  const Case cases[] = {
      {"signal code out of range", "pelkar-2.1.100",
       [&] { SetRecord(0xD1, {19, 0x20, 0, 0, 0xA0, 0x41, 0, 0, 0, 0, 0, 0, 0xC8, 0x42}); },
       "Инфо/АВ т|\nКонфигурация \"1\":\nОшибка {499}"},
      {"empty discrete input record", "pelkar-2.1.100", [&] { SetRecord(0x52, {}); },
       "Инфо/ДВ\nКонфигурация \"1\":\nОшибка {1075}"},
      {"relay records missing where they are promised", "pelkar-2.1.70",
       [&] { link.Device([](recsim::Device& device) { device.records.Remove(kReadInfo, 0x70); }); },
       "Инфо/Р\nКонфигурация \"1\":\n" + source + ": Server Exception 2 (Illegal data address)"},
      {"relay of an unknown type", "pelkar-2.1.70", [&] { SetRecord(0x73, {6}); },
       "Инфо/Р\nКонфигурация \"1\":\nОшибка {1348}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Load(c.profile);
    c.arrange();
    EXPECT_EQ(BlockFailure(), c.message);
    EXPECT_TRUE(info.InfoIncomplete);
  }
}

TEST_F(ReadInfoTest, ATimeOutInTheSecondAIFrameNamesItsFirstRecord)
{
  // Fifty 4-byte AI records travel 42 to a frame; the fifth request is the second frame.
  Load({.Name = "50 AI", .Firmware = "2.1.100", .Model = 51, .AI = 50});
  link.server.AddFault(Fault::Of(Fault::Kind::Silence, -1).OnFunction(kReadInfo).After(4));
  // A silent TCP peer is a failed receive wait.
  EXPECT_EQ(BlockFailure(), "Инфо/АВ\nКонфигурация \"43\":\n" +
                                ModbusMaster::EMBSysError(link.Source(), ModbusMaster::kTextReadError, ETIMEDOUT).Message());
  EXPECT_EQ(InfoRuns(link).at(4), (Request{0x10 + 42, 8}));
}

TEST_F(ReadInfoTest, ListFailuresAreNotWrapped)
{
  Load("pelkar-2.1.100");
  SetRecord(0x50, {0x01});  // the module in slot 3 holds an input without the discrete bit
  EXPECT_THROW_MSG(Read(), EVantorInvalid, "{2700}");
  EXPECT_TRUE(info.InfoIncomplete);
}

TEST_F(ReadInfoTest, AReadAgainIntoTheSameModelStartsFromScratch)
{
  Load("pelkar-2.1.100");
  ASSERT_TRUE(Read());
  ASSERT_EQ(ModuleKinds(info), std::vector<int>(8, 1));
  // The job's retry meets the recorder with its module taken out.
  Load({.Name = "no module", .Firmware = "2.1.100", .Model = 51, .SerialNumber = 21100, .DO = 4, .ExtDO = 2});
  ASSERT_TRUE(Read());
  EXPECT_EQ(ModuleKinds(info), kNoModules);
  // A failing retry leaves the model marked incomplete.
  SetRecord(0x10, {});
  EXPECT_NE(BlockFailure(), "no error");
  EXPECT_TRUE(info.InfoIncomplete);
}

TEST_F(ReadInfoTest, RelaysFoundOnceAreForgottenWhenTheRecorderLacksTheirRecords)
{
  Load("pelkar-2.0.20");
  ASSERT_TRUE(Read());
  ASSERT_EQ(Texts(info.DONames), kTypedRelays);
  link.Device([](recsim::Device& device) {
    for (std::uint8_t number = 0x70; number < 0x78; ++number) device.records.Remove(kReadInfo, number);
  });
  ASSERT_TRUE(Read());
  EXPECT_EQ(Texts(info.DONames), kDefaultRelays);
}

}  // namespace
