// The vocabulary of the recorder's expression language for one recorder: which
// functions (with their argument counts) and which variables an expression may use,
// by firmware version, feature bits and channel counts, and the expression names of
// the channels. An expression checker validates against these tables.

#include "platform/Format.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

bool Bit(std::uint32_t word, unsigned bit) { return (word >> bit) & 1u; }

constexpr std::uint32_t kMaxUserTables = 8;

// First expression names of the AI kinds: the fast inputs (2) and the mathematical
// channels (3) keep their own numbers, the measuring inputs (0, 1, 4) share one count.
// Kinds from 5 on have no name.
void NameAIChannels(std::vector<TRegInfo::TRegAIChannelInfo>& channels, std::string TRegInfo::TRegAIChannelInfo::*name,
                    const char* fast, const char* math, const char* measuring)
{
  unsigned n = 1;
  for (auto& channel : channels) {
    switch (channel.Kind) {
    case 2: channel.*name = Format(fast, channel.Number + 1u); break;
    case 3: channel.*name = Format(math, channel.Number + 1u); break;
    case 0:
    case 1:
    case 4: channel.*name = Format(measuring, n++); break;
    default: channel.*name = std::string(); break;
    }
  }
}

template <typename Channel>
void NameInOrder(std::vector<Channel>& channels, const char* pattern)
{
  for (std::uint32_t i = 0; i < channels.size(); ++i) channels[i].ExprName = Format(pattern, i + 1);
}

template <typename Channel>
void AddChannelVars(TRegInfo& info, const std::vector<Channel>& channels)
{
  for (const auto& channel : channels) info.AddExprVar({channel.ExprName, {}});
}

void AddNumberedVars(TRegInfo& info, const char* pattern, std::uint32_t count, const std::set<std::string>& members = {})
{
  for (std::uint32_t i = 1; i <= count; ++i) info.AddExprVar({Format(pattern, i), members});
}

}  // namespace

void TRegInfo::AddExprFunc(const TExprCheckFunc& entry) { ExprFuncs.emplace(entry.Name, entry); }

void TRegInfo::AddExprVar(const TExprCheckVar& entry) { ExprVars.insert(entry); }

void TRegInfo::MakeExprNames()
{
  NameAIChannels(AIChannels, &TRegAIChannelInfo::ExprName, "f%u", "m%u", "a%u");
  // The second value of a channel became addressable in 2.1.53; before that (and on an
  // earlier read of another firmware) it has no name.
  if (IsSwAtLeast2_1_53(SwVersion))
    NameAIChannels(AIChannels, &TRegAIChannelInfo::ExprName2, "fp%u", "mp%u", "ap%u");
  else
    for (auto& channel : AIChannels) channel.ExprName2.clear();
  NameInOrder(DIChannels, "d%u");
  NameInOrder(AOChannels, "e%u");
  NameInOrder(DOChannels, "r%u");
  NameInOrder(IPChannels, "ip%u");
}

void TRegInfo::BuildExprTables()
{
  ExprFuncs.clear();
  ExprVars.clear();
  const std::uint32_t sw = SwVersion;
  const bool v1_6 = sw >= MakeVersion(1, 6, 0);
  // From 2.1.51 on the logical and selection functions take up to ten arguments; the
  // older firmware, the 2.2 branch among them, has their two-argument forms.
  const bool variadic = IsFirmwareFrom(sw, MakeVersion(2, 1, 51));
  auto add = [this](std::initializer_list<const char*> names, std::uint8_t cls, std::uint8_t least,
                    std::uint8_t greatest, std::uint32_t flag = 0) {
    for (const char* name : names) AddExprFunc({name, cls, least, greatest, flag});
  };

  add({"sin", "cos", "tg", "asin", "acos", "atg", "exp", "sqrt", "sqrtn", "sq", "ln"}, 1, 1, 1);
  if (sw < MakeVersion(1, 10, 6))
    add({"log10"}, 1, 1, 1);
  else
    add({"log"}, 1, 1, 1);
  add({"abs", "inv", "round", "sign"}, 1, 1, 1);
  if (variadic) {
    add({"min", "max"}, 3, 2, 10);
    add({"break"}, 3, 1, 10);
  } else {
    add({"min", "max"}, 2, 2, 2);
    if (v1_6) add({"break"}, 1, 1, 1);
  }
  if (variadic) {
    add({"cut"}, 3, 3, 3);
    add({"in"}, 3, 3, 9);
    add({"sor", "sand"}, 3, 2, 10);
    add({"and", "or"}, 3, 2, 10);
  } else if (v1_6) {
    add({"and", "or"}, 2, 2, 2);
  }
  if (v1_6) {
    add({"not"}, 1, 1, 1);
    add({"if"}, 4, 3, 3);
  }
  if (variadic) add({"p"}, 3, 2, 10);
  if (v1_6) {
    static constexpr const char* kPolynomials[] = {"p2", "p3", "p4", "p5", "p6", "p7", "p8"};
    for (std::uint8_t degree = 2; degree <= 8; ++degree)
      add({kPolynomials[degree - 2]}, 3, static_cast<std::uint8_t>(degree + 2), static_cast<std::uint8_t>(degree + 2));
  }
  if (IsFirmwareFrom(sw, MakeVersion(2, 1, 54))) add({"tcm", "tcg", "trm"}, 2, 2, 2);
  if (IsFirmwareFrom(sw, MakeVersion(2, 1, 117, 5))) add({"pm"}, 2, 2, 2);
  if (IsSw2_1_80To2_1_100()) add({"rms"}, 1, 1, 1);
  if (IsFirmwareFrom(sw, MakeVersion(2, 1, 114, 20))) add({"vlg"}, 3, 5, 5);
  if (Bit(Features, 19)) {
    // The user-table block has room for eight tables.
    if (UserTableCount > kMaxUserTables) throw EVantorInvalid(3006);
    static constexpr const char* kTables[kMaxUserTables] = {"tb1", "tb2", "tb3", "tb4", "tb5", "tb6", "tb7", "tb8"};
    for (std::uint32_t i = 0; i < UserTableCount; ++i) add({kTables[i]}, 1, 1, 1);
  }
  if (Bit(Features, 20)) {
    add({"rtp", "htp", "rpq", "hpq"}, 2, 2, 2);
    add({"ps97", "ts97"}, 1, 1, 1);
  }
  const bool v2_1_128_120 = IsFirmwareFromBranchIncluded(sw, MakeVersion(2, 1, 128, 120));
  if (v2_1_128_120) add({"valid"}, 1, 1, 10);
  if (Bit(Features, 27)) {
    add({"f2s"}, 5, 1, 1, 1);
    add({"fse", "fsf", "fsg", "fsn"}, 5, 3, 3, 1);
  }
  if (IsFirmwareFrom(sw, MakeVersion(2, 1, 160, 70))) add({"bits"}, 3, 3, 3);

  for (const char* name : {"a", "tc", "pi"}) AddExprVar({name, {}});
  if (IsFirmwareFrom(sw, MakeVersion(2, 1, 100))) AddExprVar({"it", {}});
  AddExprVar({"mt", {}});
  if (IsFirmwareFrom(sw, MakeVersion(2, 1, 54))) {
    for (const char* name : {"md", "tr", "ts", "tb", "tj", "tt", "te", "tk", "tn", "ta1", "ta2", "ta3", "tl", "tm",
                             "pt1391", "pt1385", "cu1428", "cu1426", "ni1617"})
      AddExprVar({name, {}});
    if (IsFirmwareFrom(sw, MakeVersion(2, 1, 117, 5)))
      for (const char* name : {"rk15", "rk20", "rs15", "rs20"}) AddExprVar({name, {}});
  }
  const bool secondNames = IsSwAtLeast2_1_53(sw);
  for (const auto& channel : AIChannels) {
    if (!channel.ExprName.empty()) AddExprVar({channel.ExprName, {}});
    if (secondNames && !channel.ExprName2.empty()) AddExprVar({channel.ExprName2, {}});
  }
  AddChannelVars(*this, DIChannels);
  if (!DOChannels.empty() && IsFirmwareFrom(sw, MakeVersion(2, 1, 128, 120))) AddChannelVars(*this, DOChannels);
  if (!AOChannels.empty() && IsFirmwareFrom(sw, MakeVersion(2, 1, 110))) AddChannelVars(*this, AOChannels);
  if (v2_1_128_120) AddExprVar({"nv", {}});
  if (Bit(Features, 25)) {
    if (IsFirmwareFromBranchIncluded(sw, MakeVersion(2, 1, 160, 3))) {
      AddNumberedVars(*this, "ctl%u", CtlCount, {"m", "sp", "pv", "ru"});
    } else {
      for (std::uint32_t i = 1; i <= CtlCount; ++i)
        for (const char* pattern : {"sps%u", "pv%u", "ru%u"}) AddExprVar({Format(pattern, i), {}});
    }
  }
  if (IsFirmwareFrom(sw, MakeVersion(2, 1, 160, 3))) {
    AddNumberedVars(*this, "ip%u", IPCount);
    AddNumberedVars(*this, "tmr%u", TMRCount);
    AddNumberedVars(*this, "sch%u", ScheduleCount);
  }
  if (IsFirmwareFrom(sw, MakeVersion(2, 1, 160, 6)) && Bit(Features, 9)) {
    std::set<std::string> members{"sum", "avg", "cnt"};
    if (sw >= 0x0201A100) members.insert("m");
    AddNumberedVars(*this, "sm%u", TTLCount, members);
  }
}
