#include <gtest/gtest.h>

#include "recorder/access/SrpClient.h"
#include "recsim/SrpServer.h"
#include "support/SrpVectors.h"

using recsim::SrpServer;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string_view Text(const Bytes& bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t n)
{
  return Bytes(bytes.begin() + offset, bytes.begin() + offset + n);
}

// Faults with one field set.
template <typename Field, typename Value>
SrpServer::Faults Only(Field SrpServer::Faults::*field, Value value)
{
  SrpServer::Faults faults;
  faults.*field = value;
  return faults;
}

std::array<std::uint8_t, 4> Salt(const Bytes& bytes) { return {bytes[0], bytes[1], bytes[2], bytes[3]}; }

// Our client against the simulated recorder, through the request and reply data of
// function 0x6E as the wire carries them.
class SrpServerTest : public ::testing::Test {
protected:
  Bytes Step0(std::uint32_t level)
  {
    std::array<std::uint8_t, 4> U = {static_cast<std::uint8_t>(level), static_cast<std::uint8_t>(level >> 8),
                                     static_cast<std::uint8_t>(level >> 16), static_cast<std::uint8_t>(level >> 24)};
    request.assign(SrpServer::RequestSize, 0);
    request[0] = 1;
    request[1] = 0;
    if (fixedClientSecret) {
      SrpClientStart(context, U, std::span<std::uint8_t, 4>(&request[2], 4),
                     std::span<std::uint8_t, Srp::ImageSize>(&request[6], Srp::ImageSize),
                     [](std::span<std::uint8_t, Srp::ImageSize> a) {
                       Bytes fixed = SrpVectors::Bytes(SrpVectors::ExchangeAImageSecret);
                       std::copy(fixed.begin(), fixed.end(), a.begin());
                     });
    } else {
      SrpClientStart(context, U, std::span<std::uint8_t, 4>(&request[2], 4),
                     std::span<std::uint8_t, Srp::ImageSize>(&request[6], Srp::ImageSize));
    }
    return server.HandleRequest(request);
  }

  // Step 1 after a step 0 reply with status 0; false when the client refuses to go on.
  bool Step1(const Bytes& reply0, std::string_view password, Bytes& reply1)
  {
    if (!SrpClientComputeProof(context, std::span<const std::uint8_t, 4>(&request[2], 4), password,
                               std::span<const std::uint8_t, 4>(&reply0[5], 4),
                               std::span<const std::uint8_t, Srp::ImageSize>(&reply0[9], Srp::ImageSize)))
      return false;
    request[1] = 1;
    SrpClientGetProof(context, std::span<std::uint8_t, 32>(&request[6], 32));
    reply1 = server.HandleRequest(request);
    return true;
  }

  bool ServerProofGood(const Bytes& reply1)
  {
    return SrpClientVerifyServerProof(context, std::span<const std::uint8_t, 32>(&reply1[9], 32));
  }

  SrpServer server;
  SrpClientContext context;
  Bytes request;
  bool fixedClientSecret = false;
};

}  // namespace

// With the secrets, salt and password of srp_reference.py the recorder sends the B and
// the M2 the independent reference computed.
TEST_F(SrpServerTest, MatchesTheIndependentReference)
{
  server.SetPassword(1, Text(SrpVectors::Bytes(SrpVectors::ExchangePassword)),
                     Salt(SrpVectors::Bytes(SrpVectors::ExchangeSalt)));
  server.SetSecretSource([](std::span<std::uint8_t, Srp::ImageSize> b) {
    Bytes fixed = SrpVectors::Bytes(SrpVectors::ExchangeBImageSecret);
    std::copy(fixed.begin(), fixed.end(), b.begin());
  });
  auto verifier = server.Verifier(1);
  ASSERT_TRUE(verifier);
  EXPECT_EQ(Bytes(verifier->begin(), verifier->end()), SrpVectors::Bytes(SrpVectors::ExchangeVerifier));

  fixedClientSecret = true;
  Bytes reply0 = Step0(1);
  ASSERT_EQ(reply0.size(), SrpServer::Step0ReplySize);
  EXPECT_EQ(reply0[0], SrpServer::Continue);
  EXPECT_EQ(Slice(reply0, 1, 4), SrpVectors::Bytes(SrpVectors::ExchangeU));
  EXPECT_EQ(Slice(reply0, 5, 4), SrpVectors::Bytes(SrpVectors::ExchangeSalt));
  EXPECT_EQ(Slice(reply0, 9, 128), SrpVectors::Bytes(SrpVectors::ExchangeB));

  Bytes reply1;
  ASSERT_TRUE(Step1(reply0, Text(SrpVectors::Bytes(SrpVectors::ExchangePassword)), reply1));
  ASSERT_EQ(reply1.size(), SrpServer::Step1ReplySize);
  EXPECT_EQ(reply1[0], SrpServer::Continue);
  EXPECT_EQ(Slice(reply1, 9, 32), SrpVectors::Bytes(SrpVectors::ExchangeM2));
}

TEST_F(SrpServerTest, LoginOpensTheLevel)
{
  server.SetPassword(1, "пароль");
  server.SetPassword(2, "admin", {1, 2, 3, 4});
  EXPECT_EQ(server.ProtectedLevels(), 0x0003);
  EXPECT_EQ(server.OpenLevels(), 0x0000);

  Bytes reply0 = Step0(2);
  ASSERT_EQ(reply0[0], SrpServer::Continue);
  EXPECT_EQ(Slice(reply0, 5, 4), (Bytes{1, 2, 3, 4}));
  Bytes reply1;
  ASSERT_TRUE(Step1(reply0, "admin", reply1));
  EXPECT_EQ(reply1[0], SrpServer::Continue);
  EXPECT_TRUE(ServerProofGood(reply1));
  EXPECT_EQ(server.OpenLevels(), 0x0002);

  server.CloseLevels();
  EXPECT_EQ(server.OpenLevels(), 0x0000);
}

TEST_F(SrpServerTest, RefusalsByTheRecorder)
{
  server.SetPassword(1, "right");

  Bytes reply0 = Step0(2);  // no password for level 2
  EXPECT_EQ(reply0[0], SrpServer::BadLevel);

  reply0 = Step0(1);
  Bytes reply1;
  ASSERT_TRUE(Step1(reply0, "wrong", reply1));
  EXPECT_EQ(reply1[0], SrpServer::WrongPassword);
  EXPECT_EQ(server.OpenLevels(), 0x0000);

  // The proof was spent: the same step 1 again finds no step 0.
  EXPECT_EQ(server.HandleRequest(request)[0], SrpServer::OtherError);

  // Step 1 for another level than step 0.
  reply0 = Step0(1);
  request[2] = 2;
  request[1] = 1;
  EXPECT_EQ(server.HandleRequest(request)[0], SrpServer::BadLevel);

  EXPECT_EQ(server.HandleRequest(Bytes(20, 1))[0], SrpServer::OtherError);  // short request

  // A that is 0 modulo N.
  Bytes zeroA(SrpServer::RequestSize, 0);
  zeroA[0] = 1;
  zeroA[2] = 1;
  EXPECT_EQ(server.HandleRequest(zeroA)[0], SrpServer::OtherError);
}

TEST_F(SrpServerTest, FaultsOnRequest)
{
  server.SetPassword(1, "right");
  Bytes reply1;

  server.SetFaults(Only(&SrpServer::Faults::step0Status, 7));
  EXPECT_EQ(Step0(1)[0], 7);

  server.SetFaults(Only(&SrpServer::Faults::step1Status, 1));
  ASSERT_TRUE(Step1(Step0(1), "right", reply1));
  EXPECT_EQ(reply1[0], 1);
  EXPECT_EQ(server.OpenLevels(), 0x0000);

  server.SetFaults(Only(&SrpServer::Faults::zeroB, true));
  Bytes reply0 = Step0(1);
  EXPECT_EQ(reply0[0], SrpServer::Continue);
  EXPECT_EQ(Slice(reply0, 9, 128), Bytes(128, 0));
  EXPECT_FALSE(Step1(reply0, "right", reply1));

  server.SetFaults(Only(&SrpServer::Faults::wrongM2, true));
  ASSERT_TRUE(Step1(Step0(1), "right", reply1));
  EXPECT_EQ(reply1[0], SrpServer::Continue);
  EXPECT_FALSE(ServerProofGood(reply1));

  server.SetFaults(Only(&SrpServer::Faults::shortStep0, true));
  EXPECT_EQ(Step0(1).size(), 9u);

  server.SetFaults(Only(&SrpServer::Faults::shortStep1, true));
  ASSERT_TRUE(Step1(Step0(1), "right", reply1));
  EXPECT_EQ(reply1.size(), 9u);
  EXPECT_EQ(reply1[0], SrpServer::Continue);
}
