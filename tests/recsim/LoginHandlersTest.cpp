#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <vector>

#include "modbus/CModbusEth.h"
#include "modbus/MBErrors.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/access/SrpClient.h"
#include "recorder/info/RegInfo.h"
#include "recsim/LoginHandlers.h"
#include "recsim/RecorderHandlers.h"
#include "support/RecorderLink.h"
#include "support/RecsimProcess.h"

using Bytes = std::vector<std::uint8_t>;
using ModbusMaster::TBaseModbusMessage;


namespace {

constexpr std::uint8_t kLogin = 0x6E;

class LoginHandlersTest : public testing::Test {
protected:
  void SetUp() override { link.Load("pelkar-2.1.160"); }

  // The reply data (after the function) of a plain request.
  Bytes Ask(std::uint8_t function, const Bytes& data)
  {
    TBaseModbusMessage message;
    message.SetRequest(function, data);
    link.transport->Execute(RecorderLink::kUnit, message);
    return Bytes(message.Reply.Data(), message.Reply.Data() + message.Reply.DataLength());
  }
  // Registers 75 and 76 as the wire answers them.
  Bytes Levels() { return Ask(0x04, {0x00, 75, 0x00, 2}); }

  // Step 0 and step 1 of a login at `level` over the wire; the two replies' data.
  std::pair<Bytes, Bytes> LogIn(std::uint32_t level, std::string_view password)
  {
    Bytes request(134, 0);
    request[0] = 1;
    std::array<std::uint8_t, 4> user = {static_cast<std::uint8_t>(level), 0, 0, 0};
    SrpClientStart(context, user, std::span<std::uint8_t, 4>(&request[2], 4),
                   std::span<std::uint8_t, Srp::ImageSize>(&request[6], Srp::ImageSize));
    Bytes reply0 = Ask(kLogin, request);
    if (reply0.size() < 137) return {reply0, {}};
    EXPECT_TRUE(SrpClientComputeProof(context, user, password, std::span<const std::uint8_t, 4>(&reply0[5], 4),
                                      std::span<const std::uint8_t, Srp::ImageSize>(&reply0[9], Srp::ImageSize)));
    request[1] = 1;
    SrpClientGetProof(context, std::span<std::uint8_t, 32>(&request[6], 32));
    return {reply0, Ask(kLogin, request)};
  }

  void WithLogin(const std::function<void(recsim::LoginState&)>& f)
  {
    link.Device([&](recsim::Device& device) { f(recsim::Login(device)); });
  }

  RecorderLink link{LinkKind::Tcp};
  SrpClientContext context;
};

}  // namespace

TEST_F(LoginHandlersTest, LevelRegistersFollowTheLogin)
{
  // No level protected: 75 and 76 read as set by hand, and the other registers of the
  // input-register handler stay served in the same read.
  link.Device([](recsim::Device& device) {
    recsim::Recorder(device).inputRegisters[75] = 0x0002;
    recsim::Recorder(device).inputRegisters[77] = 0xBEEF;
  });
  EXPECT_EQ(Ask(0x04, {0x00, 75, 0x00, 3}), Bytes({6, 0x00, 0x02, 0x00, 0x00, 0xBE, 0xEF}));

  WithLogin([](recsim::LoginState& login) {
    login.srp.SetPassword(1, "one");
    login.srp.SetPassword(2, "two");
  });
  EXPECT_EQ(Levels(), Bytes({4, 0x00, 0x03, 0x00, 0x00}));

  auto [reply0, reply1] = LogIn(2, "two");
  ASSERT_EQ(reply1.size(), 41u);
  EXPECT_EQ(reply1[0], 0);
  EXPECT_TRUE(SrpClientVerifyServerProof(context, std::span<const std::uint8_t, 32>(&reply1[9], 32)));
  EXPECT_EQ(Levels(), Bytes({4, 0x00, 0x03, 0x00, 0x02}));

  auto wrong = LogIn(1, "two");
  EXPECT_EQ(wrong.second.at(0), 2);  // wrong password
  EXPECT_EQ(Levels(), Bytes({4, 0x00, 0x03, 0x00, 0x02}));

  WithLogin([](recsim::LoginState& login) { login.srp.CloseLevels(); });
  EXPECT_EQ(Levels(), Bytes({4, 0x00, 0x03, 0x00, 0x00}));
}

TEST_F(LoginHandlersTest, CutsTheReplyOfOneStepOnly)
{
  WithLogin([](recsim::LoginState& login) {
    login.srp.SetPassword(1, "one");
    login.cutReply[1] = 0;
  });
  auto [reply0, reply1] = LogIn(1, "one");
  EXPECT_EQ(reply0.size(), 137u);
  EXPECT_TRUE(reply1.empty());
  EXPECT_EQ(Levels(), Bytes({4, 0x00, 0x01, 0x00, 0x01}));  // the step itself went through

  WithLogin([](recsim::LoginState& login) {
    login.cutReply = {};
    login.cutReply[0] = 9;  // status, user and salt; no B
  });
  auto cut = LogIn(1, "one");
  ASSERT_EQ(cut.first.size(), 9u);
  EXPECT_EQ(Bytes(cut.first.begin(), cut.first.begin() + 5), Bytes({0, 1, 0, 0, 0}));
}


TEST(RecsimCommandLine, PasswordProtectsALevel)
{
  RecsimProcess recsim({"--tcp", "0", "--quiet", "--password", "1:Kestrel-7"});
  const std::string port = recsim.LineAfter("tcp port ");
  ASSERT_FALSE(port.empty()) << "kestrel-recsim printed no port";

  ModbusMaster::CModbusEth transport;
  transport.SetParams("mbtcp://127.0.0.1:" + port);
  transport.SetReplyTimeout(3000);
  Registrator::TRegConfigOp op;
  TRegInfo info;
  op.Identify(transport, 1);
  op.ReadDeviceInfo(transport, 1, &info);
  int asked = 0;
  auto prompt = [&](Registrator::TRegConfigOp*, TRegInfo*, std::int32_t&, std::string& password, bool&) {
    ++asked;
    password = "Kestrel-7";
    return true;
  };
  EXPECT_TRUE(op.Authorize(transport, 1, 1, info, prompt));
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(op.Authorize(transport, 1, 2, info, prompt));  // level 2 has no password
  EXPECT_EQ(asked, 1);
}
