// The configuration read against the simulated recorder. Its configuration profiles
// (tools/recsim/config) were written by make_profiles.py from the independent block
// encoders, together with the fields a read must find (<profile>.expect); the model
// after a read is compared with those, never with what the program's writers make.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "ConfigReadSupport.h"
#include "modbus/MBErrors.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/access/RegErrors.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"
#include "recsim/ConfigProfiles.h"
#include "recsim/FirmwareUpdate.h"
#include "support/ConfigFields.h"
#include "support/ExpectThrowMsg.h"
#include "support/RecorderLink.h"

using namespace Registrator;
using recsim::Fault;

namespace {

constexpr std::uint8_t kFileOrScheme = 0x69;
constexpr std::uint8_t kProgram = 0x6F;

// --- What make_profiles.py says a read of a profile finds ---

struct ProfileExpectation {
  std::size_t requests = 0;  // configuration requests the read sends
  std::size_t minimum = 0;   // the fewest the frame sizes allow
  std::map<std::string, std::size_t> counts;
  std::vector<std::pair<std::string, config_fields::Fields>> items;
};

ProfileExpectation LoadExpectation(const std::string& profile)
{
  const std::string path = std::string(KESTREL_RECSIM_PROFILES) + "/" + profile + ".expect";
  std::ifstream in(path);
  if (!in) throw std::runtime_error("no expectations " + path);
  ProfileExpectation e;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto space = line.find(' ');
    const std::string key = line.substr(0, space), rest = line.substr(space + 1);
    if (key == "requests") {
      e.requests = std::stoul(rest);
    } else if (key == "minimum") {
      e.minimum = std::stoul(rest);
    } else if (key == "count") {
      const auto split = rest.find(' ');
      e.counts[rest.substr(0, split)] = std::stoul(rest.substr(split + 1));
    } else if (key == "item") {
      e.items.emplace_back(rest, config_fields::Fields{});
    } else if (key == "field") {
      const auto eq = rest.find('=');
      e.items.back().second[rest.substr(0, eq)] = rest.substr(eq + 1);
    }
  }
  return e;
}

void ExpectModel(const ProfileExpectation& e, const TRegConfig& config)
{
  EXPECT_EQ(config_fields::CountsOf(config), e.counts);
  const auto model = config_fields::ItemsOf(config);
  for (const auto& [item, fields] : e.items) {
    const auto found = model.find(item);
    if (found == model.end()) {
      ADD_FAILURE() << "the model has no " << item;
      continue;
    }
    for (const auto& [key, value] : fields) {
      const auto field = found->second.find(key);
      if (field == found->second.end()) ADD_FAILURE() << item << " has no field " << key;
      else EXPECT_EQ(field->second, value) << item << "." << key;
    }
  }
}


// The AMX program or the scheme as the device keeps it: format 1, header size 12,
// carried bytes, the size of what follows, then that many bytes (or, for the faults,
// other than announced).
std::vector<std::uint8_t> StreamBlob(std::uint32_t announced, std::size_t actual, std::uint8_t presence = 1)
{
  std::vector<std::uint8_t> blob{presence, 12, 0, 0, 0, 0, 0, 0};
  for (int shift = 0; shift < 32; shift += 8) blob.push_back(static_cast<std::uint8_t>(announced >> shift));
  for (std::size_t i = 0; i < actual; ++i) blob.push_back(static_cast<std::uint8_t>(i * 13));
  return blob;
}

// --- Every profile over every link ---

struct ProfileOnLink {
  LinkKind link;
  std::string profile;
};

void PrintTo(const ProfileOnLink& p, std::ostream* out) { *out << LinkKindName(p.link) << " " << p.profile; }

std::vector<ProfileOnLink> EveryProfileOnEveryLink()
{
  std::vector<ProfileOnLink> all;
  for (LinkKind link : AllLinks())
    for (const auto& description : recsim::ConfigProfiles()) all.push_back({link, std::string(description.Name)});
  return all;
}

class ConfigReadOfProfile : public testing::TestWithParam<ProfileOnLink> {};

TEST_P(ConfigReadOfProfile, FindsWhatTheScriptEncoded)
{
  const ProfileExpectation e = LoadExpectation(GetParam().profile);
  WholeRead read(GetParam().link);
  ASSERT_NO_FATAL_FAILURE(read.ReadWhole(GetParam().profile));
  ExpectModel(e, read.config);
  EXPECT_EQ(ConfigRequests(read.link).size(), e.requests);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ConfigReadOfProfile, testing::ValuesIn(EveryProfileOnEveryLink()),
                         [](const testing::TestParamInfo<ProfileOnLink>& info) {
                           std::string name = std::string(LinkKindName(info.param.link)) + "_" + info.param.profile;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// --- The requests ---

class ReadConfigTest : public testing::Test {
protected:
  WholeRead read{LinkKind::Tcp, 500};
};

TEST_F(ReadConfigTest, RequestsOfA2_0Recorder)
{
  ASSERT_NO_FATAL_FAILURE(read.ReadWhole("corvane-21-2.0.20-h2.5"));
  // The general record; AI, AO, DI and pages one per request; no relays before 2.1.54;
  // the IP channels (8 bytes), totalizers (64), counters (68) and timers (40) packed;
  // no summary board although feature bit 8 is set (the firmware has none before 2.1);
  // schedule, CP items and the first-format boards as single records.
  EXPECT_EQ(ConfigRequests(read.link), Joined({{{kRead, 0, 1}},
                                              OnePerRequest(kRead, 0x10, 8),
                                              OnePerRequest(kRead, 0xC0, 2),
                                              OnePerRequest(kRead, 0x50, 8),
                                              {{kRead, 0xE0, 2}},
                                              OnePerRequest(kRead, 0x70, 4),
                                              {{kRead, 0x90, 2}, {kRead, 0x94, 1}, {kRead, 0x98, 2}},
                                              {{kRead, 10, 1}, {kRead, 7, 1}, {kRead, 6, 1}}}));
}

// Requests of a whole read, and the fewest the frame sizes allow (AI, AO, DI channels
// and display pages are asked for one by one, whatever their size).
TEST_F(ReadConfigTest, RequestsOfEveryProfileAgainstTheFewestPossible)
{
  struct Row {
    const char* profile;
    std::size_t requests, minimum;
  };
  // Only below 2.1.51 are there records that could share a frame: the 52-byte
  // discrete inputs (four to a frame) and the 100-byte pages of 2.0 (two).
  const Row rows[] = {
      {"corvane-21-2.0.20-h2.5", 30, 22},          {"corvane-21-2.1.20-h2.5", 30, 24},
      {"corvane-21-2.1.54-h2.5", 41, 41},          {"corvane-21-2.1.90-h2.5", 53, 53},
      {"corvane-51-2.1.110-h2.5", 46, 46},         {"corvane-21-2.1.127-h2.5", 52, 52},
      {"corvane-51-2.1.132-h2.5", 56, 56},         {"corvane-51-2.1.140-h2.5-large", 187, 187},
      {"corvane-51-2.1.157-h2.5", 55, 55},         {"corvane-21-2.1.160-h2.5", 60, 60},
      {"pelkar-51-2.2.1", 30, 30},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.profile);
    const ProfileExpectation e = LoadExpectation(row.profile);
    EXPECT_EQ(e.requests, row.requests);
    EXPECT_EQ(e.minimum, row.minimum);
  }
}


// --- The firmware's boundaries ---

TEST_F(ReadConfigTest, AnalogInputsBeyond32ComeByTheLongRead)
{
  ASSERT_NO_FATAL_FAILURE(read.ReadWhole("edge-2.1.140-ai32"));
  EXPECT_EQ(RequestsIn(read.link, kRead, 0x10, 0x2F), OnePerRequest(kRead, 0x10, 32));
  EXPECT_TRUE(RequestsIn(read.link, kReadLong, 0x00, 0xFF).empty());

  WholeRead large(LinkKind::Tcp);
  ASSERT_NO_FATAL_FAILURE(large.ReadWhole("corvane-51-2.1.140-h2.5-large"));
  EXPECT_EQ(RequestsIn(large.link, kReadLong, 0x00, 0x3F), OnePerRequest(kReadLong, 0x00, 40));
  EXPECT_TRUE(RequestsIn(large.link, kRead, 0x10, 0x2F).empty());
}

TEST_F(ReadConfigTest, RelaysAreReadFrom2_1_54)
{
  struct Row {
    const char* profile;
    std::vector<Request> relays;  // 0x65 from 0x30, 0x6B from 0x80
  };
  const Row rows[] = {
      {"edge-2.1.53", {}},
      {"corvane-21-2.1.54-h2.5", OnePerRequest(kRead, 0x30, 8)},
      {"edge-2.1.54-do36", OnePerRequest(kReadLong, 0x80, 36)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.profile);
    WholeRead r(LinkKind::Tcp);
    ASSERT_NO_FATAL_FAILURE(r.ReadWhole(row.profile));
    EXPECT_EQ(Joined({RequestsIn(r.link, kRead, 0x30, 0x4F), RequestsIn(r.link, kReadLong, 0x80, 0xBF)}), row.relays);
  }
}

TEST_F(ReadConfigTest, TheAMXProgramComesByTheFirmwaresPath)
{
  struct Row {
    const char* profile;
    Request first;  // the program's first request: a blob chunk at offset 0 or the file's size query
  };
  const Row rows[] = {
      {"edge-2.1.109-amx", {kReadLong, 0, 4}},
      {"corvane-51-2.1.110-h2.5", {kProgram, 0, 4}},
      {"edge-2.1.126-amx", {kProgram, 0, 4}},
      {"corvane-21-2.1.127-h2.5", {kFileOrScheme, 3, 4}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.profile);
    WholeRead r(LinkKind::Tcp);
    ASSERT_NO_FATAL_FAILURE(r.ReadWhole(row.profile));
    const auto requests = ConfigRequests(r.link);
    EXPECT_NE(std::find(requests.begin(), requests.end(), row.first), requests.end());
    EXPECT_EQ(r.config.AMX.Header[0], 1);
    EXPECT_FALSE(r.config.AMX.Code.empty());
  }
}

// First-line firmware never passes the information read; its model is filled by hand
// and the simulator answers the records asked for (of zeros, in the firmware's sizes).
TEST_F(ReadConfigTest, FirstLineBlocksByTheirFirmware)
{
  struct Row {
    const char* name;
    std::uint32_t version;
    std::uint32_t features;
    std::uint32_t relays;
    std::vector<Request> requests;
  };
  const Row rows[] = {
      {"1.6.0 has the schedule's feature bit but no schedule record", MakeVersion(1, 6, 0), 1u << 0, 0,
       {{kRead, 0, 1}}},
      {"1.6.1 reads the schedule", MakeVersion(1, 6, 1), 1u << 0, 0, {{kRead, 0, 1}, {kRead, 10, 1}}},
      // 36-byte relay records, six to a frame, where the second line keeps its discrete inputs.
      {"1.10.6 reads 8 relays from 0x50", MakeVersion(1, 10, 6), 0, 8,
       {{kRead, 0, 1}, {kRead, 0x50, 6}, {kRead, 0x56, 2}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WholeRead r(LinkKind::Tcp);
    const std::size_t general = row.version < MakeVersion(1, 7, 0) ? 4 : 28;
    r.Load(Changed("corvane-21-2.1.54-h2.5", [&](recsim::DeviceConfiguration& c) {
      c.records[{kRead, 0}] = std::vector<std::uint8_t>(general, 0);
      c.records[{kRead, 10}] = std::vector<std::uint8_t>(132, 0);  // twelve 11-byte items
      for (std::uint8_t i = 0; i < row.relays; ++i) c.records[{kRead, 0x50 + i}] = std::vector<std::uint8_t>(36, 0);
    }));
    TRegInfo& info = r.config.RegInfo;
    info.SwVersion = row.version;
    info.Features = row.features;
    info.DOCount = row.relays;
    info.InfoIncomplete = false;
    ASSERT_TRUE(r.ReadConfig());
    EXPECT_EQ(ConfigRequests(r.link), row.requests);
  }
}

// The 2.2 branch keeps the blob of the newer function, and its program is refused by
// the block, which knows no such firmware: the read fails behind the program's caption.
TEST_F(ReadConfigTest, TheBranchAsksForTheProgramBlobAndTheBlockRefusesIt)
{
  recsim::DeviceProfile profile = Changed("pelkar-51-2.2.1", [](recsim::DeviceConfiguration& c) {
    c.blobs[kProgram] = StreamBlob(4, 4);
  });
  profile.Features |= 1u << 15;
  read.Load(profile);
  read.ReadInfo();
  EXPECT_EQ(read.Failure(), "Конфигурация \"Программа\":\n" +
                                EVantorUnsupportedNewVer(MakeVersion(2, 2, 1), kSecondLineUpTo).Message());
  EXPECT_EQ(ConfigRequests(read.link).back(), (Request{kProgram, 0, 4}));
}

// --- Failures inside a step ---

TEST_F(ReadConfigTest, AFailureInAFrameNamesTheFramesFirstRecord)
{
  read.Load("corvane-21-2.1.54-h2.5");
  read.ReadInfo();
  const std::string source = read.link.Source();
  // The third request is the second analog input's.
  read.link.server.AddFault(Fault::Of(Fault::Kind::ExceptionReply).Code(4).OnFunction(kRead).After(2));
  EXPECT_EQ(read.Failure(), "Конфигурация \"АВ2\":\n" + ModbusMaster::EMBServerException(source, 4).Message());

  read.link.server.ClearLog();
  read.link.server.AddFault(Fault::Of(Fault::Kind::Silence).OnFunction(kRead).After(2));
  EXPECT_EQ(read.Failure(), "Конфигурация \"АВ2\":\n" +
                                ModbusMaster::EMBSysError(source, ModbusMaster::kTextReadError, ETIMEDOUT).Message());
}

TEST_F(ReadConfigTest, ATimeOutInAPackedFrameNamesItsFirstRecordNotTheBlocks)
{
  // Eight timers of 40 bytes travel six to a frame: the second frame begins at the seventh.
  ASSERT_NO_FATAL_FAILURE(read.ReadWhole("corvane-51-2.1.140-h2.5-large"));
  const auto requests = ConfigRequests(read.link);
  const auto frame = std::find(requests.begin(), requests.end(), Request{kRead, 0x98 + 6, 2});
  ASSERT_NE(frame, requests.end());
  const auto before = std::count_if(requests.begin(), frame, [](const Request& r) { return std::get<0>(r) == kRead; });

  WholeRead again(LinkKind::Tcp, 500);
  again.Load("corvane-51-2.1.140-h2.5-large");
  again.ReadInfo();
  again.link.server.AddFault(Fault::Of(Fault::Kind::Silence).OnFunction(kRead).After(static_cast<int>(before)));
  EXPECT_EQ(again.Failure(), "Конфигурация \"Т7\":\n" + ModbusMaster::EMBSysError(again.link.Source(),
                                                                                   ModbusMaster::kTextReadError,
                                                                                   ETIMEDOUT).Message());
  EXPECT_EQ(ConfigRequests(again.link).back(), (Request{kRead, 0x98 + 6, 2}));
}

TEST_F(ReadConfigTest, AGuardedStepPutsItsCaptionInFront)
{
  struct Row {
    const char* name;
    const char* profile;
    std::function<void(recsim::DeviceConfiguration&)> change;
    std::string message;
  };
  const Row rows[] = {
      {"schedule one byte short", "corvane-21-2.1.54-h2.5",
       [](recsim::DeviceConfiguration& c) { c.records[{kRead, 10}].pop_back(); },
       "Конфигурация \"Расписание\":\n{16608}"},
      // Pages have no captions of their own: the frame's first record goes by number.
      {"page of a size no form has", "corvane-21-2.1.90-h2.5",
       [](recsim::DeviceConfiguration& c) { c.records[{kRead, 0x71}].resize(210); },
       "Конфигурация \"Страница \":\nКонфигурация \"2\":\nОшибка {9154}"},
      {"summary board of a size no form has", "corvane-21-2.1.54-h2.5",
       [](recsim::DeviceConfiguration& c) { c.records[{kRead, 127}].resize(100); },
       "Конфигурация \"Страница \"Табло\":\n{9975}"},
      {"tag field record one byte short", "corvane-21-2.1.54-h2.5",
       [](recsim::DeviceConfiguration& c) { c.records[{kRead, 0xB2}].pop_back(); },
       "Конфигурация \"Метки\":\nКонфигурация \"3\":\nОшибка {12116}"},
      {"CP item of kind 3", "corvane-21-2.1.90-h2.5",
       [](recsim::DeviceConfiguration& c) { c.records[{kRead, 7}][6] = 3; },
       "Конфигурация \"Табло\":\nInvalid configuration"},
      {"first-format boards cut inside their head", "corvane-21-2.1.90-h2.5",
       [](recsim::DeviceConfiguration& c) { c.records[{kRead, 6}].resize(3); },
       "Конфигурация \"Табло\":\n{12969}"},
      {"user tables with 17 points in one", "corvane-21-2.1.127-h2.5",
       [](recsim::DeviceConfiguration& c) { c.files[2][8] = 17; },  // table 0's point count
       "Конфигурация \"Таблицы\":\n{14842}"},
      {"scheme file of another format", "corvane-21-2.1.127-h2.5",
       [](recsim::DeviceConfiguration& c) { c.files[1][0] = 2; },
       "Конфигурация \"Мнемосхемы\":\n{14136}"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WholeRead r(LinkKind::Tcp);
    r.Load(Changed(row.profile, row.change));
    r.ReadInfo();
    EXPECT_EQ(r.Failure(), row.message);
  }
}

TEST_F(ReadConfigTest, ACancelFromTheCallbackEndsTheReadKeepingWhatWasStored)
{
  read.Load("corvane-21-2.1.54-h2.5");
  read.ReadInfo();
  const std::uint32_t total = read.op.ProgressTotal;
  std::vector<std::uint32_t> seen;
  // The general record and four analog inputs, then a cancel.
  auto progress = [&](std::uint32_t done, std::uint32_t of, bool& cancel) {
    EXPECT_EQ(of, total);
    seen.push_back(done);
    cancel = seen.size() == 5;
  };
  const std::uint32_t start = read.op.ProgressDone;
  EXPECT_FALSE(read.ReadConfig(progress));
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{start + 1, start + 2, start + 3, start + 4, start + 5}));
  EXPECT_EQ(ConfigRequests(read.link), Joined({{{kRead, 0, 1}}, OnePerRequest(kRead, 0x10, 4)}));
  EXPECT_EQ(read.config.Name, "Линия 54025");
  EXPECT_EQ(read.config.AO[0].Name, "") << "nothing after the cancel";
}

// --- The recorder has the feature but not the data ---

TEST_F(ReadConfigTest, AnAbsentBlobOrAnEmptyFileReadsAsTheBlocksDefaults)
{
  struct Row {
    const char* name;
    const char* profile;
    std::function<void(recsim::DeviceConfiguration&)> change;
  };
  const Row rows[] = {
      {"program and scheme blobs absent", "corvane-51-2.1.110-h2.5",
       [](recsim::DeviceConfiguration& c) {
         c.blobs[kProgram] = StreamBlob(0, 0, 0);
         c.blobs[kFileOrScheme] = StreamBlob(0, 0, 0);
       }},
      {"boards, program, tables and scheme files of no bytes", "corvane-21-2.1.127-h2.5",
       [](recsim::DeviceConfiguration& c) {
         for (auto& [number, file] : c.files) file.clear();
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WholeRead r(LinkKind::Tcp);
    r.Load(Changed(row.profile, row.change));
    r.ReadInfo();
    r.config.AMX.Code = {1};
    ASSERT_TRUE(r.ReadConfig());
    EXPECT_EQ(config_fields::FieldsOf(r.config.AMX).at("Header"), "010C00000000000000000000");
    EXPECT_TRUE(r.config.AMX.Code.empty());
    EXPECT_EQ(config_fields::FieldsOf(r.config.MS).at("Header"), "010C00000000000000000000");
    for (const auto& page : r.config.MS.Pages) EXPECT_EQ(page.Widgets.size(), 0u);
    for (const auto& table : r.config.UserTables.Tables) EXPECT_TRUE(table.Points.empty());
    EXPECT_TRUE(r.config.TIM2v2.Boards.empty());
  }
}

// --- Sizes the device announces ---

TEST_F(ReadConfigTest, TheProgramsSizeLimitIsComparedWithoutWrapping)
{
  struct Row {
    const char* name;
    std::uint32_t announced;
    std::size_t actual;
    bool read;
  };
  const Row rows[] = {
      {"the largest program", 262132, 262132, true},
      {"one byte more", 262133, 262133, false},
      {"a size whose sum with the header wraps", 0xFFFFFFF8, 300, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WholeRead r(LinkKind::Tcp);
    r.Load(Changed("corvane-51-2.1.110-h2.5",
                   [&](recsim::DeviceConfiguration& c) { c.blobs[kProgram] = StreamBlob(row.announced, row.actual); }));
    r.ReadInfo();
    if (row.read) {
      ASSERT_TRUE(r.ReadConfig());
      EXPECT_EQ(r.config.AMX.Code.size(), row.actual);
      continue;
    }
    EXPECT_EQ(r.Failure(), "Конфигурация \"Программа\":\n" +
                               EMBUnsupportedVersion(r.link.Source(), MakeVersion(2, 1, 110)).Message());
    EXPECT_EQ(RequestsIn(r.link, kProgram, 0, 0xFF).size(), 1u) << "no chunk after the header's";
  }
}

TEST_F(ReadConfigTest, SchemeChunksAreTakenOnlyAsFarAsTheBlobGoes)
{
  // The scheme as the profile has it, with bytes after its announced end.
  const auto longer = Changed("corvane-51-2.1.110-h2.5", [](recsim::DeviceConfiguration& c) {
    c.blobs[kFileOrScheme].insert(c.blobs[kFileOrScheme].end(), 100, 0xEE);
  });
  ASSERT_NO_FATAL_FAILURE(read.ReadWhole(longer));
  ExpectModel(LoadExpectation("corvane-51-2.1.110-h2.5"), read.config);

  // A chunk of no bytes before the end stops the read rather than asking again.
  WholeRead empty(LinkKind::Tcp);
  empty.Load(Changed("corvane-51-2.1.110-h2.5",
                     [](recsim::DeviceConfiguration& c) { c.blobs[kProgram] = StreamBlob(4, 4); }));
  empty.link.Device([](recsim::Device& device) { recsim::Recorder(device).blobEmptyFrom = 246; });
  empty.ReadInfo();
  EXPECT_EQ(empty.Failure(),
            "Конфигурация \"Мнемосхемы\":\n" + EMBInternalError(empty.link.Source(), "ms 1").Message());
  EXPECT_EQ(RequestsIn(empty.link, kFileOrScheme, 0, 0xFF).size(), 2u);

  // A scheme announcing far more than the device holds: nothing is set aside for the
  // announced size, and the read ends at the first chunk of no bytes.
  WholeRead huge(LinkKind::Tcp);
  huge.Load(Changed("corvane-51-2.1.110-h2.5",
                    [](recsim::DeviceConfiguration& c) { c.blobs[kFileOrScheme] = StreamBlob(0x7FFFFFF0, 500); }));
  huge.ReadInfo();
  EXPECT_EQ(huge.Failure(), "Конфигурация \"Мнемосхемы\":\n" + EMBInternalError(huge.link.Source(), "ms 1").Message());
}

}  // namespace
