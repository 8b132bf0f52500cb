#include <gtest/gtest.h>

#include "InfoTestSupport.h"
#include "ListsTestSupport.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

// The lists the builder makes from the channels: names, module inputs, event
// conditions and the cold-junction choices.

namespace {

using Strings = std::vector<std::string>;
constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(BuildLists, ColdJunctionChannelsNeverPassTheAIVector)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::uint8_t flags, options;
    std::uint32_t physical;
    Strings modes;
    std::vector<long> objects;
  };
  const Case cases[] = {
      // The second line's general record may count more physical inputs than channels.
      {"2.x, 12 physical of 3", V(2, 1, 100), 1, 0x07, 12, {"вручную", "внутр. датчик", "АВ1", "АВ2", "МВ1"}, {0, 1, 2, 3, 4}},
      {"2.x, 1 physical", V(2, 1, 100), 1, 0x07, 1, {"вручную", "внутр. датчик", "АВ1"}, {0, 1, 2}},
      {"1.6.16 counts physical", V(1, 6, 16), 0, 0x05, 1, {"вручную", "АВ1"}, {0, 2}},
      {"1.6.15 counts every channel", V(1, 6, 15), 0, 0x05, 1, {"вручную", "АВ1", "АВ2", "МВ1"}, {0, 2, 3, 4}},
      {"no internal sensor without flag", V(2, 1, 100), 0, 0x03, 3, {"вручную"}, {0}},
      {"internal sensor only", V(2, 1, 100), 1, 0x02, 3, {"внутр. датчик"}, {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, c.sw);
    info.AIChannels = {AIChannel(0, 0), AIChannel(0, 1), AIChannel(3, 0)};
    info.GenFlags = c.flags;
    info.GenOptionMask = c.options;
    info.PhysAICount = c.physical;
    info.BuildLists();
    EXPECT_EQ(Texts(info.ColdJunctionModes), c.modes);
    EXPECT_EQ(Objects(info.ColdJunctionModes), c.objects);
  }
}

// --- Discrete inputs on modules ------------------------------------------------

std::vector<int> Kinds(const TRegInfo& info)
{
  std::vector<int> kinds;
  for (const auto& channel : info.DIChannels) kinds.push_back(channel.ModuleKind);
  return kinds;
}

std::vector<int> Indexes(const TRegInfo& info)
{
  std::vector<int> indexes;
  for (const auto& channel : info.DIChannels) indexes.push_back(channel.ModuleIndex);
  return indexes;
}

TEST(BuildLists, ModuleSlotsTakeDiscreteInputsInSlotOrder)
{
  struct Case {
    const char* name;
    std::array<std::uint8_t, 6> slots;
    std::size_t inputs;
    std::vector<int> kinds, indexes;
  };
  const Case cases[] = {
      {"8 and 4 inputs", {3, 21, 0, 0, 0, 0}, 14,
       {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 0}},
      {"two kinds counted apart", {0, 4, 21, 0, 0, 0}, 12,
       {2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3}},
      {"slots name more inputs than there are", {3, 3, 4, 0, 0, 0}, 6, {1, 1, 1, 1, 1, 1}, {0, 1, 2, 3, 4, 5}},
      {"other codes take none", {1, 12, 17, 0, 0, 0}, 2, {0, 0}, {0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, V(2, 1, 100));
    info.ModuleSlots = c.slots;
    info.DIChannels.assign(c.inputs, DIChannel(0x03));
    info.BuildLists();
    EXPECT_EQ(Kinds(info), c.kinds);
    EXPECT_EQ(Indexes(info), c.indexes);
  }
}

TEST(BuildLists, EventConditionsFollowTheModuleKind)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 100));
  info.ModuleSlots = {4, 0, 0, 0, 0, 0};
  info.DIChannels.assign(9, DIChannel(0x03));
  info.BuildLists();
  EXPECT_EQ(Texts(info.DIChannels[0].EventConditions),
            (Strings{"В", "Н", "Н->В", "В->Н", "Н<->В", "обрыв", "замыкание", "обрыв|замык."}));
  EXPECT_EQ(Objects(info.DIChannels[0].EventConditions), (std::vector<long>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(Texts(info.DIChannels[8].EventConditions), (Strings{"В", "Н", "Н->В", "В->Н", "Н<->В", "обрыв"}));
}

TEST(BuildLists, AModuleChannelThatIsNoDiscreteInputIsRefused)
{
  struct Case {
    std::uint8_t slot;
    long check;
  };
  for (const Case c : {Case{3, 2700}, Case{21, 2710}, Case{4, 2720}}) {
    SCOPED_TRACE(int(c.slot));
    TRegInfo info;
    SetUpRecorder(info, V(2, 1, 100));
    info.ModuleSlots = {c.slot, 0, 0, 0, 0, 0};
    info.DIChannels = {DIChannel(0x03), DIChannel(0x01)};  // the second lacks the discrete bit
    EXPECT_EQ(CheckOf([&] { info.BuildLists(); }), c.check);
    EXPECT_TRUE(info.InfoIncomplete);
  }
}

TEST(BuildLists, ASecondBuildForgetsTheModulesOfTheFirst)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 100));
  info.ModuleSlots = {4, 0, 0, 0, 0, 0};
  info.DIChannels.assign(8, DIChannel(0x03));
  info.BuildLists();
  ASSERT_EQ(info.DIChannels[7].ModuleKind, 2);
  // The job's retry reads a recorder whose module has gone.
  info.ModuleSlots = {};
  info.BuildLists();
  EXPECT_EQ(Kinds(info), std::vector<int>(8, 0));
  EXPECT_EQ(Indexes(info), std::vector<int>(8, 0));
  EXPECT_EQ(info.DIChannels[7].EventConditions.Count(), 6u);
}

TEST(BuildLists, FirstLineModuleInputsByCapabilityMask)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::vector<int> kinds, indexes;
  };
  // Capabilities 0x02, 0x01, 0x04, 0x08: the mask is 6 on 1.8-1.9 and 3 elsewhere.
  const Case cases[] = {
      {"1.8", V(1, 8, 1), {1, 0, 1, 0}, {0, 0, 1, 0}},
      {"1.9", V(1, 9, 0), {1, 0, 1, 0}, {0, 0, 1, 0}},
      {"1.10", V(1, 10, 6), {1, 1, 0, 0}, {0, 1, 0, 0}},
      {"1.7", V(1, 7, 0), {1, 1, 0, 0}, {0, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, c.sw);
    info.DIChannels.clear();
    for (std::uint8_t caps : {0x02, 0x01, 0x04, 0x08}) {
      TRegInfo::TRegDIChannelInfo channel;
      channel.Caps1 = caps;
      info.DIChannels.push_back(channel);
    }
    info.BuildLists();
    EXPECT_EQ(Kinds(info), c.kinds);
    EXPECT_EQ(Indexes(info), c.indexes);
    EXPECT_EQ(Texts(info.DIChannels[0].EventConditions), (Strings{"В", "Н", "Н->В", "В->Н", "Н<->В"}));
  }
}

TEST(BuildLists, ChannelAndFunctionNames)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 150));
  info.AIChannels = {AIChannel(0, 0), AIChannel(2, 0), AIChannel(3, 1), AIChannel(7, 0)};
  info.AOCount = 1;
  info.ExtAOCount = 2;
  info.AOChannels.assign(1, TRegInfo::TRegAOChannelInfo(0));
  info.DOCount = 1;
  info.ExtDOCount = 1;
  info.DOChannels = {TRegInfo::TRegDOChannelInfo(0), TRegInfo::TRegDOChannelInfo(5)};
  info.IPChannels.resize(2);
  info.SMCount = 2;
  info.CTCount = 1;
  info.TTLCount = 2;
  info.TMRCount = 1;
  info.CtlCount = 2;
  info.BuildLists();
  EXPECT_EQ(Texts(info.AINames), (Strings{"АВ1", "ЧВ1", "МВ2", "?1"}));
  EXPECT_EQ(Objects(info.AINames), std::vector<long>(4, 0));
  EXPECT_EQ(Texts(info.AONames), (Strings{"АЕ1", "ВЕ2", "ВЕ3"}));
  EXPECT_EQ(Texts(info.DINames), (Strings{"ДВ1", "ДВ2"}));
  EXPECT_EQ(Texts(info.DONames), (Strings{"Р1", "РТ2"}));
  EXPECT_EQ(Texts(info.IPNames), (Strings{"ИП1", "ИП2"}));
  EXPECT_EQ(Texts(info.SMNames), (Strings{"СМ1", "СМ2"}));
  EXPECT_EQ(Texts(info.CTNames), (Strings{"СЧ1"}));
  EXPECT_EQ(Texts(info.TTLNames), (Strings{"СМ1", "СМ2"}));
  EXPECT_EQ(Texts(info.TMRNames), (Strings{"Т1"}));
  EXPECT_EQ(Texts(info.CtlNames), (Strings{"Рег1", "Рег2"}));
  EXPECT_EQ(info.AOChannels[1].Kind, 1);
  EXPECT_EQ(info.DIChannels[0].ModeNames, (Strings{"нет", "дискретный"}));
}

}  // namespace
