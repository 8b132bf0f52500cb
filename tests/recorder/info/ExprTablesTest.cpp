#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "InfoTestSupport.h"
#include "ListsTestSupport.h"
#include "platform/Format.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t Bit(unsigned n) { return 1u << n; }
constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

// "class,least,greatest" (and ",flag" when the flag is set) of a function, "" when the
// table lacks it.
std::string Function(const TRegInfo& info, const std::string& name)
{
  auto it = info.ExprFuncs.find(name);
  if (it == info.ExprFuncs.end()) return "";
  const auto& f = it->second;
  EXPECT_EQ(std::string(f.Name), name);
  std::string text = Format("%u,%u,%u", f.Class, f.MinArgs, f.MaxArgs);
  if (f.Flag) text += Format(",%u", f.Flag);
  return text;
}

std::map<std::string, std::string> Functions(const TRegInfo& info)
{
  std::map<std::string, std::string> all;
  for (const auto& [name, f] : info.ExprFuncs) all[name] = Function(info, name);
  return all;
}

using Variables = std::map<std::string, std::set<std::string>>;

Variables VariablesOf(const TRegInfo& info)
{
  Variables all;
  for (const auto& var : info.ExprVars) all[var.Name] = var.Members;
  return all;
}

TEST(ExprTables, FirstLine1_5HasTheOneArgumentFunctionsAndTheChannels)
{
  TRegInfo info;
  Built(info, V(1, 5, 3));
  const std::map<std::string, std::string> expected{
      {"abs", "1,1,1"},  {"acos", "1,1,1"},  {"asin", "1,1,1"}, {"atg", "1,1,1"}, {"cos", "1,1,1"},
      {"exp", "1,1,1"},  {"inv", "1,1,1"},   {"ln", "1,1,1"},   {"log10", "1,1,1"}, {"max", "2,2,2"},
      {"min", "2,2,2"},  {"round", "1,1,1"}, {"sign", "1,1,1"}, {"sin", "1,1,1"}, {"sq", "1,1,1"},
      {"sqrt", "1,1,1"}, {"sqrtn", "1,1,1"}, {"tg", "1,1,1"}};
  EXPECT_EQ(Functions(info), expected);
  EXPECT_EQ(VariablesOf(info), (Variables{{"a", {}}, {"a1", {}}, {"a2", {}}, {"d1", {}}, {"d2", {}}, {"mt", {}},
                                          {"pi", {}}, {"tc", {}}}));
}

TEST(ExprTables, VariadicFunctionsFrom2_1_51AndTwoArgumentFormsBeforeAndInTheBranch)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    std::map<std::string, std::string> functions;
  };
  const std::map<std::string, std::string> twoArguments{
      {"min", "2,2,2"}, {"max", "2,2,2"}, {"break", "1,1,1"}, {"and", "2,2,2"}, {"or", "2,2,2"}, {"not", "1,1,1"},
      {"if", "4,3,3"},  {"p", ""},        {"cut", ""},        {"in", ""},       {"sor", ""},     {"sand", ""},
      {"p2", "3,4,4"},  {"p5", "3,7,7"},  {"p8", "3,10,10"}};
  const Case cases[] = {
      {"2.1.50.255", V(2, 1, 50, 255), twoArguments},
      {"2.1.51.0", V(2, 1, 51),
       {{"min", "3,2,10"}, {"max", "3,2,10"}, {"break", "3,1,10"}, {"and", "3,2,10"}, {"or", "3,2,10"},
        {"not", "1,1,1"}, {"if", "4,3,3"}, {"p", "3,2,10"}, {"cut", "3,3,3"}, {"in", "3,3,9"}, {"sor", "3,2,10"},
        {"sand", "3,2,10"}, {"p2", "3,4,4"}, {"p5", "3,7,7"}, {"p8", "3,10,10"}}},
      {"2.2.1", V(2, 2, 1), twoArguments},
      {"1.6.0", V(1, 6, 0), twoArguments},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    Built(info, c.sw);
    for (const auto& [name, expected] : c.functions) EXPECT_EQ(Function(info, name), expected) << name;
  }
}

TEST(ExprTables, FunctionsAtTheirFirstFirmware)
{
  struct Case {
    const char* function;
    std::uint32_t sw;
    const char* expected;
  };
  const Case cases[] = {
      {"log10", V(1, 10, 5, 255), "1,1,1"}, {"log", V(1, 10, 5, 255), ""},
      {"log10", V(1, 10, 6), ""},           {"log", V(1, 10, 6), "1,1,1"},
      {"log", V(2, 2, 1), "1,1,1"},         {"break", V(1, 5, 255, 255), ""},
      {"break", V(1, 6, 0), "1,1,1"},       {"tcm", V(2, 1, 53, 255), ""},
      {"tcm", V(2, 1, 54), "2,2,2"},        {"tcg", V(2, 1, 54), "2,2,2"},
      {"trm", V(2, 1, 54), "2,2,2"},        {"tcm", V(2, 2, 1), ""},
      {"pm", V(2, 1, 117, 4), ""},          {"pm", V(2, 1, 117, 5), "2,2,2"},
      {"rms", V(2, 1, 79, 255), ""},        {"rms", V(2, 1, 80), "1,1,1"},
      {"rms", V(2, 1, 100, 255), "1,1,1"},  {"rms", V(2, 1, 101), ""},
      {"vlg", V(2, 1, 114, 19), ""},        {"vlg", V(2, 1, 114, 20), "3,5,5"},
      {"vlg", V(2, 2, 1), ""},              {"valid", V(2, 1, 128, 119), ""},
      {"valid", V(2, 1, 128, 120), "1,1,10"}, {"valid", V(2, 2, 0), "1,1,10"},
      {"bits", V(2, 1, 160, 69), ""},       {"bits", V(2, 1, 160, 70), "3,3,3"},
      {"bits", V(2, 2, 3, 255), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Format("%s on %s", c.function, VersionToText(c.sw)));
    TRegInfo info;
    Built(info, c.sw);
    EXPECT_EQ(Function(info, c.function), c.expected);
  }
}

TEST(ExprTables, FunctionsOfFeatureBitsOnAnyFirmware)
{
  TRegInfo info;
  SetUpRecorder(info, V(1, 9, 0));
  info.Features = Bit(19) | Bit(20) | Bit(27);
  info.UserTableCount = 3;
  info.BuildLists();
  const std::map<std::string, std::string> expected{
      {"tb1", "1,1,1"},   {"tb2", "1,1,1"},    {"tb3", "1,1,1"},    {"tb4", ""},        {"rtp", "2,2,2"},
      {"htp", "2,2,2"},   {"rpq", "2,2,2"},    {"hpq", "2,2,2"},    {"ps97", "1,1,1"},  {"ts97", "1,1,1"},
      {"f2s", "5,1,1,1"}, {"fse", "5,3,3,1"},  {"fsf", "5,3,3,1"},  {"fsg", "5,3,3,1"}, {"fsn", "5,3,3,1"}};
  for (const auto& [name, text] : expected) EXPECT_EQ(Function(info, name), text) << name;
}

TEST(ExprTables, NineUserTablesAreRefused)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 150));
  info.UserTableCount = 9;
  info.BuildLists();  // without the user-table bit the count means nothing
  EXPECT_FALSE(info.InfoIncomplete);
  info.Features = Bit(19);
  EXPECT_EQ(CheckOf([&] { info.BuildLists(); }), 3006);
  EXPECT_TRUE(info.InfoIncomplete);
  info.UserTableCount = 8;
  info.BuildLists();
  EXPECT_EQ(Function(info, "tb8"), "1,1,1");
}

TEST(ExprTables, TheFirstEntryOfANameStays)
{
  TRegInfo info;
  info.AddExprFunc({"min", 2, 2, 2, 0});
  info.AddExprFunc({"min", 3, 2, 10, 0});
  info.AddExprVar({"ctl1", {}});
  info.AddExprVar({"ctl1", {"sp"}});
  EXPECT_EQ(Function(info, "min"), "2,2,2");
  EXPECT_EQ(VariablesOf(info), (Variables{{"ctl1", {}}}));
}

TEST(ExprTables, ChannelExpressionNames)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 53));
  info.AIChannels = {AIChannel(0, 0), AIChannel(0, 1), AIChannel(3, 2), AIChannel(5, 0), AIChannel(2, 0), AIChannel(4, 7)};
  info.AOCount = 1;
  info.AOChannels.resize(1);
  info.DOCount = 1;
  info.DOChannels.resize(1);
  info.IPChannels.resize(1);
  info.BuildLists();
  auto names = [&info](std::string TRegInfo::TRegAIChannelInfo::*field) {
    std::vector<std::string> all;
    for (const auto& channel : info.AIChannels) all.push_back(channel.*field);
    return all;
  };
  using Strings = std::vector<std::string>;
  EXPECT_EQ(names(&TRegInfo::TRegAIChannelInfo::ExprName), (Strings{"a1", "a2", "m3", "", "f1", "a3"}));
  EXPECT_EQ(names(&TRegInfo::TRegAIChannelInfo::ExprName2), (Strings{"ap1", "ap2", "mp3", "", "fp1", "ap3"}));
  EXPECT_EQ(info.DIChannels[1].ExprName, "d2");
  EXPECT_EQ(info.AOChannels[0].ExprName, "e1");
  EXPECT_EQ(info.DOChannels[0].ExprName, "r1");
  EXPECT_EQ(info.IPChannels[0].ExprName, "ip1");
  const auto vars = VariablesOf(info);
  for (const char* name : {"a1", "a2", "m3", "f1", "a3", "ap1", "mp3", "fp1", "ap3", "d1", "d2"})
    EXPECT_TRUE(vars.count(name)) << name;
  EXPECT_FALSE(vars.count(""));
  EXPECT_FALSE(vars.count("r1"));  // relays are variables from 2.1.128.120 on
  EXPECT_FALSE(vars.count("e1"));  // outputs from 2.1.110 on

  // Read again as older firmware: the second names go.
  info.SwVersion = V(2, 1, 52, 255);
  info.BuildLists();
  EXPECT_EQ(names(&TRegInfo::TRegAIChannelInfo::ExprName2), Strings(6, ""));
  EXPECT_FALSE(VariablesOf(info).count("ap1"));
}

TEST(ExprTables, VariablesOfALate2_1Recorder)
{
  TRegInfo info;
  SetUpRecorder(info, V(2, 1, 160, 6));
  info.Features = Bit(9) | Bit(25);
  info.AIChannels = {AIChannel(0, 0), AIChannel(3, 0)};
  info.DIChannels.resize(1);
  info.AOCount = 1;
  info.AOChannels.resize(1);
  info.DOCount = 1;
  info.DOChannels.resize(1);
  info.CtlCount = 2;
  info.IPCount = 1;
  info.TMRCount = 1;
  info.ScheduleCount = 2;
  info.TTLCount = 1;
  info.BuildLists();
  const std::set<std::string> regulator{"m", "pv", "ru", "sp"};
  const Variables expected{
      {"a", {}},       {"tc", {}},     {"pi", {}},          {"it", {}},       {"mt", {}},        {"md", {}},
      {"tr", {}},      {"ts", {}},     {"tb", {}},          {"tj", {}},       {"tt", {}},        {"te", {}},
      {"tk", {}},      {"tn", {}},     {"ta1", {}},         {"ta2", {}},      {"ta3", {}},       {"tl", {}},
      {"tm", {}},      {"pt1391", {}}, {"pt1385", {}},      {"cu1428", {}},   {"cu1426", {}},    {"ni1617", {}},
      {"rk15", {}},    {"rk20", {}},   {"rs15", {}},        {"rs20", {}},     {"a1", {}},        {"m1", {}},
      {"ap1", {}},     {"mp1", {}},    {"d1", {}},          {"r1", {}},       {"e1", {}},        {"nv", {}},
      {"ctl1", regulator}, {"ctl2", regulator}, {"ip1", {}}, {"tmr1", {}},    {"sch1", {}},      {"sch2", {}},
      {"sm1", {"avg", "cnt", "sum"}}};
  EXPECT_EQ(VariablesOf(info), expected);
}

TEST(ExprTables, RegulatorVariablesBefore2_1_160_3AndInTheBranch)
{
  struct Case {
    const char* name;
    std::uint32_t sw;
    Variables expected;
  };
  const Case cases[] = {
      {"2.1.160.2", V(2, 1, 160, 2),
       {{"a", {}}, {"tc", {}}, {"pi", {}}, {"it", {}}, {"mt", {}}, {"a1", {}}, {"ap1", {}}, {"d1", {}}, {"nv", {}},
        {"sps1", {}}, {"pv1", {}}, {"ru1", {}}}},
      {"2.2.1", V(2, 2, 1),
       {{"a", {}}, {"tc", {}}, {"pi", {}}, {"mt", {}}, {"a1", {}}, {"d1", {}}, {"nv", {}},
        {"ctl1", {"m", "pv", "ru", "sp"}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    SetUpRecorder(info, c.sw);
    info.Features = Bit(9) | Bit(25);
    info.AIChannels = {AIChannel(0, 0)};
    info.DIChannels.resize(1);
    info.CtlCount = 1;
    info.IPCount = 1;
    info.TTLCount = 1;
    info.BuildLists();
    auto vars = VariablesOf(info);
    // The thermocouple and resistance constants are covered above.
    for (const char* constant : {"md", "tr", "ts", "tb", "tj", "tt", "te", "tk", "tn", "ta1", "ta2", "ta3", "tl", "tm",
                                 "pt1391", "pt1385", "cu1428", "cu1426", "ni1617", "rk15", "rk20", "rs15", "rs20"})
      vars.erase(constant);
    EXPECT_EQ(vars, c.expected);
  }
}

}  // namespace
