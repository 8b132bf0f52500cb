#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <string>
#include <vector>

#include "platform/SystemRandom.h"
#include "recorder/access/PasswordCache.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/access/RegErrors.h"
#include "recorder/info/RegInfo.h"
#include "recsim/LoginHandlers.h"
#include "support/RecorderLink.h"
#include "support/SrpVectors.h"

using namespace Registrator;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint8_t kLogin = 0x6E;
constexpr std::uint8_t kInputRegisters = 0x04;

const char* const kUserRefused = "Ошибка авторизации: некорректный уровень доступа";
const char* const kPasswordRefused = "Ошибка авторизации: в доступе отказано (неверный пароль)";

// A scripted password prompt: answers every call alike and keeps what it was given.
struct Prompt {
  struct Call {
    TRegConfigOp* op;
    TRegInfo* info;
    std::int32_t level;
    std::string password;
    bool remember;
  };

  bool confirm = true;
  std::string password;
  bool remember = false;
  std::optional<std::int32_t> switchLevel;
  std::vector<Call> calls;

  TRegPasswordRequestEvent Event()
  {
    return [this](TRegConfigOp* op, TRegInfo* info, std::int32_t& level, std::string& text, bool& keep) {
      calls.push_back({op, info, level, text, keep});
      if (switchLevel) level = *switchLevel;
      text = password;
      keep = remember;
      return confirm;
    };
  }
};

// The recorder of profile pelkar-2.1.160 (it has the login feature), identified and
// its device information read, with an empty password cache.
class AuthorizeTest : public testing::Test {
protected:
  explicit AuthorizeTest(LinkKind kind = LinkKind::Tcp) : link(kind) {}

  void SetUp() override
  {
    ClearPasswordCache();
    link.Load("pelkar-2.1.160");
    op.Identify(*link.transport, RecorderLink::kUnit);
    op.ReadDeviceInfo(*link.transport, RecorderLink::kUnit, &info);
    link.server.ClearLog();
  }
  void TearDown() override { ClearPasswordCache(); }

  void Protect(std::uint32_t level, std::string_view password)
  {
    link.Device([&](recsim::Device& device) { recsim::Login(device).srp.SetPassword(level, password); });
  }
  void CloseLevels()
  {
    link.Device([](recsim::Device& device) { recsim::Login(device).srp.CloseLevels(); });
  }
  void SetLevelRegisters(std::uint16_t protectedLevels, std::uint16_t openLevels)
  {
    link.Device([&](recsim::Device& device) {
      recsim::Recorder(device).inputRegisters[75] = protectedLevels;
      recsim::Recorder(device).inputRegisters[76] = openLevels;
    });
  }
  bool Authorize(std::int32_t level = 1)
  {
    return op.Authorize(*link.transport, RecorderLink::kUnit, level, info, prompt.Event());
  }
  // Level 1 protected with "secret", which is remembered; then the device is arranged.
  void RememberedLoginWith(void (*arrange)(recsim::Device& device))
  {
    Protect(1, "secret");
    StorePassword(key, "secret");
    link.Device([&](recsim::Device& device) { arrange(device); });
  }
  std::size_t LoginRequests() const { return link.Requests(kLogin).size(); }
  std::string Message(const std::string& detail) const { return link.Source() + ": " + detail; }

  RecorderLink link;
  TRegConfigOp op;
  TRegInfo info;
  Prompt prompt;
  // Level 1 of this recorder: the second line, model 51, serial number 21160.
  const TAuthKey key{1, 1, 51, 21160};
};

class AuthorizeOnLink : public AuthorizeTest, public testing::WithParamInterface<LinkKind> {
protected:
  AuthorizeOnLink() : AuthorizeTest(GetParam()) {}
};

}  // namespace

TEST_P(AuthorizeOnLink, LogsInWithTheRightPasswordAndThenFindsTheLevelOpen)
{
  Protect(1, "Kestrel-7");
  prompt.password = "Kestrel-7";
  EXPECT_TRUE(Authorize());

  ASSERT_EQ(prompt.calls.size(), 1u);
  EXPECT_EQ(prompt.calls[0].op, &op);
  EXPECT_EQ(prompt.calls[0].info, &info);
  EXPECT_EQ(prompt.calls[0].level, 1);
  EXPECT_EQ(prompt.calls[0].password, "");
  EXPECT_FALSE(prompt.calls[0].remember);
  // Registers 75 and 76 read in one request: start 75, quantity 2.
  EXPECT_EQ(link.Requests(kInputRegisters), (std::vector<Bytes>{{0x00, 0x4B, 0x00, 0x02}}));
  EXPECT_EQ(LoginRequests(), 2u);
  EXPECT_FALSE(HasPassword(key));  // the remember box was off

  // The device now reports level 1 open: the next upload job needs no login.
  link.server.ClearLog();
  TRegConfigOp next;
  EXPECT_TRUE(next.Authorize(*link.transport, RecorderLink::kUnit, 1, info, prompt.Event()));
  EXPECT_EQ(prompt.calls.size(), 1u);
  EXPECT_EQ(LoginRequests(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Links, AuthorizeOnLink, testing::Values(LinkKind::Tcp, LinkKind::Rtu, LinkKind::Udp),
                         [](const auto& info) { return std::string(LinkKindName(info.param)); });

// The exchange of the independent reference (srp_reference.py) on the wire: with its
// secrets, salt and password the two requests carry its A and M1 byte for byte.
TEST_F(AuthorizeTest, RequestsCarryTheReferenceExchange)
{
  const Bytes password = SrpVectors::Bytes(SrpVectors::ExchangePassword);
  const std::string text(password.begin(), password.end());
  const Bytes salt = SrpVectors::Bytes(SrpVectors::ExchangeSalt);
  link.Device([&](recsim::Device& device) {
    recsim::SrpServer& srp = recsim::Login(device).srp;
    srp.SetPassword(1, text, {salt[0], salt[1], salt[2], salt[3]});
    srp.SetSecretSource([](std::span<std::uint8_t, Srp::ImageSize> b) {
      Bytes fixed = SrpVectors::Bytes(SrpVectors::ExchangeBImageSecret);
      std::copy(fixed.begin(), fixed.end(), b.begin());
    });
  });
  prompt.password = text;
  auto fixedA = [](std::span<std::uint8_t, Srp::ImageSize> a) {
    Bytes fixed = SrpVectors::Bytes(SrpVectors::ExchangeAImageSecret);
    std::copy(fixed.begin(), fixed.end(), a.begin());
  };
  EXPECT_TRUE(op.Authorize(*link.transport, RecorderLink::kUnit, 1, info, prompt.Event(), fixedA));

  const std::vector<Bytes> requests = link.Requests(kLogin);
  ASSERT_EQ(requests.size(), 2u);
  const Bytes A = SrpVectors::Bytes(SrpVectors::ExchangeA);
  const Bytes M1 = SrpVectors::Bytes(SrpVectors::ExchangeM1);
  Bytes step0 = {0x01, 0x00, 0x01, 0x00, 0x00, 0x00};
  step0.insert(step0.end(), A.begin(), A.end());
  Bytes step1 = {0x01, 0x01, 0x01, 0x00, 0x00, 0x00};
  step1.insert(step1.end(), M1.begin(), M1.end());
  step1.insert(step1.end(), A.begin() + 32, A.end());  // the rest of A stays from step 0
  EXPECT_EQ(requests[0], step0);
  EXPECT_EQ(requests[1], step1);
}

TEST_F(AuthorizeTest, LevelsThatNeedNoLogin)
{
  struct Case {
    const char* name;
    bool loginFeature;  // feature bit 16
    std::uint16_t reg75, reg76;
    std::int32_t level;
    std::size_t registerReads;
  };
  const Case cases[] = {
      {"the device has no login", false, 0x0001, 0x0000, 1, 0},
      {"no level protected", true, 0x0000, 0x0000, 1, 1},
      {"only level 2 protected", true, 0x0002, 0x0000, 1, 1},
      {"level 1 already open", true, 0x0001, 0x0001, 1, 1},
      {"only level 1 protected, level 2 asked", true, 0x0001, 0x0000, 2, 1},
      {"level 2 already open", true, 0x0003, 0x0002, 2, 1},
  };
  const std::uint32_t features = info.Features;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    link.server.ClearLog();
    SetLevelRegisters(c.reg75, c.reg76);
    info.Features = c.loginFeature ? features : features & ~(1u << 16);
    EXPECT_TRUE(Authorize(c.level));
    EXPECT_EQ(link.Requests(kInputRegisters).size(), c.registerReads);
    EXPECT_EQ(LoginRequests(), 0u);
  }
  EXPECT_TRUE(prompt.calls.empty());
}

TEST_F(AuthorizeTest, RefusesBeforeAnyExchange)
{
  for (std::int32_t level : {0, 3, -1}) {
    SCOPED_TRACE(level);
    EXPECT_THROW_MSG(Authorize(level), EMBInternalError, Message("Ошибка \"auth error 3\""));
  }
  EXPECT_TRUE(link.server.Log().empty());

  // Level 1 protected, level 2 open: level 1 still wants its password.
  SetLevelRegisters(0x0001, 0x0002);
  EXPECT_THROW_MSG(op.Authorize(*link.transport, RecorderLink::kUnit, 1, info, {}), EMBInternalError,
                   Message("Ошибка \"auth needed\""));

  Protect(1, "secret");
  StorePassword({1, 1, 51, 99}, "other device");
  struct Case {
    const char* name;
    std::string password;
  };
  const Case badPasswords[] = {{"empty", ""}, {"16 bytes", "0123456789abcdef"}, {"much longer", std::string(40, 'p')}};
  for (const auto& c : badPasswords) {
    SCOPED_TRACE(c.name);
    prompt.password = c.password;
    prompt.remember = true;
    EXPECT_THROW_MSG(Authorize(), EMBInternalError, Message("Ошибка \"!ps\""));
  }
  prompt.confirm = false;
  prompt.password = "secret";
  EXPECT_FALSE(Authorize());

  EXPECT_EQ(LoginRequests(), 0u);
  EXPECT_FALSE(HasPassword(key));
  EXPECT_TRUE(HasPassword({1, 1, 51, 99}));
}

TEST_F(AuthorizeTest, FifteenBytesAreAcceptedAndRememberedWhole)
{
  Protect(1, "0123456789abcde");
  prompt.password = "0123456789abcde";
  prompt.remember = true;
  EXPECT_TRUE(Authorize());
  TPasswordText kept;
  ASSERT_TRUE(FetchPassword(key, kept));
  EXPECT_EQ(kept.View(), "0123456789abcde");
}

TEST_F(AuthorizeTest, ARememberedPasswordIsUsedWithoutAskingUntilTheDeviceRefusesIt)
{
  Protect(1, "secret");
  prompt.password = "secret";
  prompt.remember = true;
  EXPECT_TRUE(Authorize());
  EXPECT_EQ(prompt.calls.size(), 1u);
  EXPECT_TRUE(HasPassword(key));

  // A new connection to the same device: closed again, logged in from the cache.
  CloseLevels();
  link.server.ClearLog();
  EXPECT_TRUE(Authorize());
  EXPECT_EQ(prompt.calls.size(), 1u);
  EXPECT_EQ(LoginRequests(), 2u);

  // Someone changed the password on the device: the remembered one is refused and
  // forgotten, and the next attempt asks again.
  Protect(1, "changed");
  EXPECT_THROW_MSG(Authorize(), EMBAuthPasswordError, Message(kPasswordRefused));
  EXPECT_EQ(prompt.calls.size(), 1u);
  EXPECT_FALSE(HasPassword(key));

  prompt.password = "changed";
  EXPECT_TRUE(Authorize());
  EXPECT_EQ(prompt.calls.size(), 2u);
}

TEST_F(AuthorizeTest, WithoutTheRememberBoxNothingIsKept)
{
  Protect(1, "secret");
  prompt.password = "secret";
  EXPECT_TRUE(Authorize());
  EXPECT_FALSE(HasPassword(key));
  CloseLevels();
  EXPECT_TRUE(Authorize());
  EXPECT_EQ(prompt.calls.size(), 2u);
}

TEST_F(AuthorizeTest, ALevelChosenInThePromptLogsInThereAndIsRememberedUnderTheLevelAsked)
{
  Protect(1, "one");
  Protect(2, "two");
  prompt.switchLevel = 2;
  prompt.password = "two";
  prompt.remember = true;
  EXPECT_TRUE(Authorize(1));

  for (const Bytes& request : link.Requests(kLogin)) EXPECT_EQ(Bytes(request.begin() + 2, request.begin() + 6), (Bytes{2, 0, 0, 0}));
  EXPECT_EQ(link.Device([](recsim::Device& device) { return recsim::Login(device).srp.OpenLevels(); }), 0x0002);
  EXPECT_TRUE(HasPassword(key));
  EXPECT_FALSE(HasPassword({2, 1, 51, 21160}));
}

TEST_F(AuthorizeTest, DevicesDifferingOnlyInSerialNumberHaveTheirOwnPasswords)
{
  Protect(1, "secret");
  prompt.password = "secret";
  prompt.remember = true;
  EXPECT_TRUE(Authorize());
  CloseLevels();

  info.SerialNumber = 21161;
  EXPECT_TRUE(Authorize());
  EXPECT_EQ(prompt.calls.size(), 2u);
  EXPECT_TRUE(HasPassword(key));
  EXPECT_TRUE(HasPassword({1, 1, 51, 21161}));
}

// Without an unpredictable secret there is no login: the device is not asked and a
// remembered password stays, since the device refused nothing.
TEST_F(AuthorizeTest, ARandomSourceThatFailsRefusesTheLogin)
{
  Protect(1, "secret");
  StorePassword(key, "secret");
  auto failing = [](std::span<std::uint8_t, Srp::ImageSize>) -> void { throw ESystemRandom("getrandom: no entropy"); };
  EXPECT_THROW_MSG(op.Authorize(*link.transport, RecorderLink::kUnit, 1, info, prompt.Event(), failing),
                   EMBAuthGeneralError, Message("Ошибка авторизации: \"auth error 2\""));
  EXPECT_EQ(LoginRequests(), 0u);
  EXPECT_TRUE(HasPassword(key));
}

// Each step costs the device an exponentiation: a transport time-out chosen for plain
// reads does not cut the login off.
TEST_F(AuthorizeTest, TheLoginWaitsAtLeastFourSecondsForEachStep)
{
  Protect(1, "secret");
  prompt.password = "secret";
  link.transport->SetReplyTimeout(300);
  link.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Delay, 2).OnFunction(kLogin).Ms(1000));
  EXPECT_TRUE(Authorize());
  EXPECT_EQ(LoginRequests(), 2u);  // no attempt timed out
}

// A communication error or a cancel is no refusal: the remembered password stays.
TEST_F(AuthorizeTest, CommunicationErrorsAndCancelsLeaveTheCache)
{
  Protect(1, "secret");
  StorePassword(key, "secret");
  for (int step : {0, 1}) {
    SCOPED_TRACE(step);
    link.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::ExceptionReply, -1).OnFunction(kLogin).After(step).Code(4));
    EXPECT_THROW(Authorize(), ModbusMaster::EMBServerException);
    link.server.ClearFaults();
    EXPECT_TRUE(HasPassword(key));
    CloseLevels();  // the device took the step all the same; only its reply was lost
  }

  link.server.ClearLog();
  link.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Delay).OnFunction(kLogin).Ms(30000));
  auto login = std::async(std::launch::async, [this] { return Authorize(); });
  ASSERT_TRUE(link.server.WaitForLog(2, 20000));  // the register read and step 0
  link.transport->Cancel();
  EXPECT_THROW(login.get(), ModbusMaster::EMBCancelError);
  EXPECT_TRUE(HasPassword(key));
  EXPECT_TRUE(prompt.calls.empty());
}

namespace {

template <typename Case>
std::string CaseName(const testing::TestParamInfo<Case>& info)
{
  return info.param.name;
}

template <typename T>
bool Is(const std::exception& e)
{
  return dynamic_cast<const T*>(&e) != nullptr;
}

// A refusal by the device, with the remembered (right) password: its error, and the
// password forgotten.
struct RefusalCase {
  const char* name;
  void (*arrange)(recsim::Device& device);
  bool (*is)(const std::exception&);
  const char* className;
  const char* detail;
};

recsim::LoginState& L(recsim::Device& device) { return recsim::Login(device); }

// The device's SRP faults with one field set.
template <typename Field, typename Value>
void Fault(recsim::Device& device, Field recsim::SrpServer::Faults::*field, Value value)
{
  recsim::SrpServer::Faults faults;
  faults.*field = value;
  L(device).srp.SetFaults(faults);
}
void Step0Status(recsim::Device& device, std::uint8_t status) { Fault(device, &recsim::SrpServer::Faults::step0Status, status); }
void Step1Status(recsim::Device& device, std::uint8_t status) { Fault(device, &recsim::SrpServer::Faults::step1Status, status); }

const RefusalCase kRefusals[] = {
    {"Step0BadLevel", [](recsim::Device& d) { Step0Status(d, 1); }, Is<EMBAuthUserError>, "EMBAuthUserError", kUserRefused},
    {"Step0NoPasswordForTheLevel", [](recsim::Device& d) {
       // Register 75 claims a password the device does not have.
       L(d).srp.RemovePassword(1);
       recsim::Recorder(d).inputRegisters[75] = 0x0001;
     },
     Is<EMBAuthUserError>, "EMBAuthUserError", kUserRefused},
    {"Step0Status2", [](recsim::Device& d) { Step0Status(d, 2); }, Is<EMBInternalError>, "EMBInternalError",
     "Ошибка \"auth error 1\""},
    {"Step0Status255", [](recsim::Device& d) { Step0Status(d, 255); }, Is<EMBInternalError>, "EMBInternalError",
     "Ошибка \"auth error 1\""},
    {"ZeroB", [](recsim::Device& d) { Fault(d, &recsim::SrpServer::Faults::zeroB, true); },
     Is<EMBAuthGeneralError>, "EMBAuthGeneralError", "Ошибка авторизации: \"auth error 2\""},
    {"Step1BadLevel", [](recsim::Device& d) { Step1Status(d, 1); }, Is<EMBAuthUserError>, "EMBAuthUserError", kUserRefused},
    {"Step1WrongPassword", [](recsim::Device& d) { Step1Status(d, 2); }, Is<EMBAuthPasswordError>,
     "EMBAuthPasswordError", kPasswordRefused},
    {"Step1Status3", [](recsim::Device& d) { Step1Status(d, 3); }, Is<EMBInternalError>, "EMBInternalError",
     "Ошибка \"auth error 3\""},
    {"Step1Status128", [](recsim::Device& d) { Step1Status(d, 128); }, Is<EMBInternalError>, "EMBInternalError",
     "Ошибка \"auth error 3\""},
    {"WrongDeviceProof", [](recsim::Device& d) { Fault(d, &recsim::SrpServer::Faults::wrongM2, true); },
     Is<EMBAuthGeneralError>, "EMBAuthGeneralError", "Ошибка авторизации: \"auth error 4\""},
    // A refusal needs nothing but its status byte.
    {"Step0BadLevelStatusOnly", [](recsim::Device& d) { Step0Status(d, 1); L(d).cutReply[0] = 1; },
     Is<EMBAuthUserError>, "EMBAuthUserError", kUserRefused},
    {"Step1WrongPasswordStatusOnly", [](recsim::Device& d) { Step1Status(d, 2); L(d).cutReply[1] = 1; },
     Is<EMBAuthPasswordError>, "EMBAuthPasswordError", kPasswordRefused},
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class AuthorizeRefusal : public AuthorizeTest, public testing::WithParamInterface<RefusalCase> {};

}  // namespace

TEST_P(AuthorizeRefusal, RaisesItsErrorAndForgetsThePassword)
{
  const RefusalCase& c = GetParam();
  RememberedLoginWith(c.arrange);
  try {
    Authorize();
    ADD_FAILURE() << "expected " << c.className;
  } catch (const Exception& e) {
    EXPECT_TRUE(c.is(e)) << "expected " << c.className << ", got: " << e.Message();
    EXPECT_EQ(e.Message(), Message(c.detail));
  }
  EXPECT_FALSE(HasPassword(key));
  EXPECT_TRUE(prompt.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Statuses, AuthorizeRefusal, testing::ValuesIn(kRefusals), CaseName<RefusalCase>);

namespace {

// A reply shorter than its step's fields: a wrong reply, not a refusal. Nothing past
// what arrived is read (a cut step 1 would otherwise take M2 from the step 0 reply and
// a cut step 0 take B from zeros), and the good remembered password stays.
struct ShortCase {
  const char* name;
  void (*arrange)(recsim::Device& device);
  std::uint32_t received;  // unit, function and data bytes of the reply
  std::size_t loginRequests;
};

const ShortCase kShortReplies[] = {
    {"Step0WithoutData", [](recsim::Device& d) { L(d).cutReply[0] = 0; }, 2, 1},
    {"Step0StatusOnly", [](recsim::Device& d) { L(d).cutReply[0] = 1; }, 3, 1},
    {"Step0WithoutB", [](recsim::Device& d) { Fault(d, &recsim::SrpServer::Faults::shortStep0, true); }, 11, 1},
    {"Step0OneByteShort", [](recsim::Device& d) { L(d).cutReply[0] = 136; }, 138, 1},
    {"Step1WithoutData", [](recsim::Device& d) { L(d).cutReply[1] = 0; }, 2, 2},
    {"Step1WithoutM2", [](recsim::Device& d) { Fault(d, &recsim::SrpServer::Faults::shortStep1, true); }, 11, 2},
    {"Step1OneByteShort", [](recsim::Device& d) { L(d).cutReply[1] = 40; }, 42, 2},
};

void PrintTo(const ShortCase& c, std::ostream* os) { *os << c.name; }

class AuthorizeShortReply : public AuthorizeTest, public testing::WithParamInterface<ShortCase> {};

}  // namespace

TEST_P(AuthorizeShortReply, IsAWrongReplyThatKeepsTheRememberedPassword)
{
  const ShortCase& c = GetParam();
  RememberedLoginWith(c.arrange);
  EXPECT_THROW_MSG(Authorize(), ModbusMaster::EMBCommError,
                   Message("Некорректный ответ устройства (принято " + std::to_string(c.received) + " байт)"));
  EXPECT_EQ(LoginRequests(), c.loginRequests);  // not retried
  EXPECT_TRUE(HasPassword(key));
}

INSTANTIATE_TEST_SUITE_P(Replies, AuthorizeShortReply, testing::ValuesIn(kShortReplies), CaseName<ShortCase>);
