// The fault plan without a socket: which requests a fault reaches, and the frame each
// fault makes of the reply 01 64 00 03 AA BB CC (RTU frames from vectors.py).
#include <gtest/gtest.h>

#include "recsim/FaultPlan.h"
#include "support/Hex.h"

using namespace recsim;
using Bytes = std::vector<std::uint8_t>;
using Kind = Fault::Kind;

namespace {

Request MakeRequest(Link link, std::uint8_t function, std::uint16_t transactionId = 5)
{
  Request request;
  request.link = link;
  request.unit = 1;
  request.function = function;
  request.transactionId = transactionId;
  return request;
}

// The kinds of the faults the plan applies to each of a run of requests.
std::vector<std::vector<Kind>> KindsOver(FaultPlan& plan, const std::vector<std::uint8_t>& functions)
{
  std::vector<std::vector<Kind>> applied;
  for (std::uint8_t function : functions) {
    std::vector<Kind> kinds;
    for (const auto& fault : plan.Take(MakeRequest(Link::Tcp, function)).faults) kinds.push_back(fault.kind);
    applied.push_back(kinds);
  }
  return applied;
}

TEST(FaultPlan, CountsRequestsOfItsFunction)
{
  FaultPlan plan;
  plan.Add(Fault::Of(Kind::Silence, 2).OnFunction(0x68).After(1));  // the 2nd and 3rd chunk
  plan.Add(Fault::Of(Kind::Delay, -1).OnFunction(0x64));            // every record read
  plan.Add(Fault::Of(Kind::Duplicate));                             // the first request of all
  const auto applied = KindsOver(plan, {0x68, 0x64, 0x68, 0x68, 0x64, 0x68});
  const std::vector<std::vector<Kind>> expected = {
      {Kind::Duplicate}, {Kind::Delay}, {Kind::Silence}, {Kind::Silence}, {Kind::Delay}, {}};
  EXPECT_EQ(applied, expected);

  plan.Clear();
  EXPECT_EQ(KindsOver(plan, {0x64}), (std::vector<std::vector<Kind>>{{}}));
}

// A stale reply carries the previous request's id; before any, the id just below.
TEST(FaultPlan, StaleIdIsThePreviousRequests)
{
  FaultPlan plan;
  EXPECT_EQ(plan.Take(MakeRequest(Link::Tcp, 0x64, 7)).staleTransactionId, 6);
  EXPECT_EQ(plan.Take(MakeRequest(Link::Tcp, 0x64, 9)).staleTransactionId, 7);
  EXPECT_EQ(plan.Take(MakeRequest(Link::Udp, 0x64, 0)).staleTransactionId, 9);
}

struct ShapeCase {
  const char* name;
  Link link;
  std::vector<Fault> faults;
  Bytes frame;
};

class ShapeReplyTest : public testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeReplyTest, Frame)
{
  const ShapeCase& c = GetParam();
  AppliedFaults applied{c.faults, 4};
  const Outgoing out = ShapeReply(MakeRequest(c.link, 0x64), Response::Reply(Hex("00 03 AA BB CC")), applied);
  EXPECT_TRUE(out.send);
  EXPECT_FALSE(out.close);
  EXPECT_EQ(out.frame, c.frame);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Faults, ShapeReplyTest, testing::Values(
    ShapeCase{"RtuPlain", Link::Rtu, {}, Hex("01 64 00 03 AA BB CC 51 25")},
    ShapeCase{"TcpPlain", Link::Tcp, {}, Hex("00 05 00 00 00 07 01 64 00 03 AA BB CC")},
    ShapeCase{"RtuBadCrc", Link::Rtu, {Fault::Of(Kind::BadCrc)}, Hex("01 64 00 03 AA BB CC 51 DA")},
    ShapeCase{"TcpBadCrcHasNoCrc", Link::Tcp, {Fault::Of(Kind::BadCrc)}, Hex("00 05 00 00 00 07 01 64 00 03 AA BB CC")},
    ShapeCase{"RtuWrongUnit", Link::Rtu, {Fault::Of(Kind::WrongUnit)}, Hex("02 64 00 03 AA BB CC 62 25")},
    ShapeCase{"RtuException", Link::Rtu, {Fault::Of(Kind::ExceptionReply).Code(4)}, Hex("01 E4 04 6A C3")},
    ShapeCase{"TcpWrongFunction", Link::Tcp, {Fault::Of(Kind::WrongFunction)}, Hex("00 05 00 00 00 07 01 65 00 03 AA BB CC")},
    ShapeCase{"UdpStaleId", Link::Udp, {Fault::Of(Kind::StaleTransactionId)}, Hex("00 04 00 00 00 07 01 64 00 03 AA BB CC")},
    ShapeCase{"UdpWrongId", Link::Udp, {Fault::Of(Kind::WrongTransactionId)}, Hex("80 05 00 00 00 07 01 64 00 03 AA BB CC")},
    ShapeCase{"RtuRawWithCrc", Link::Rtu, {Fault::Of(Kind::RawReply).Raw(Hex("01 83 01"))}, Hex("01 83 01 80 F0")},
    ShapeCase{"RtuRawAsGiven", Link::Rtu, {Fault::Of(Kind::RawReply).Raw(Hex("01 83"), false)}, Hex("01 83")},
    ShapeCase{"TcpRawAsGiven", Link::Tcp, {Fault::Of(Kind::RawReply).Raw(Hex("00 05 00"))}, Hex("00 05 00")},
    ShapeCase{"RtuTruncated", Link::Rtu, {Fault::Of(Kind::Truncate).Bytes(3)}, Hex("01 64 00")},
    ShapeCase{"RtuOversize", Link::Rtu, {Fault::Of(Kind::Oversize).Bytes(2)}, Hex("01 64 00 03 AA BB CC 51 25 A5 A5")},
    // In the order asked for: the CRC is spoilt before the frame is cut, not after.
    ShapeCase{"RtuBadCrcThenTruncated", Link::Rtu, {Fault::Of(Kind::BadCrc), Fault::Of(Kind::Truncate).Bytes(8)},
              Hex("01 64 00 03 AA BB CC 51")},
    ShapeCase{"RtuTruncatedToNothingThenBadCrc", Link::Rtu, {Fault::Of(Kind::Truncate).Bytes(0), Fault::Of(Kind::BadCrc)}, {}}),
    [](const testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(ShapeReply, HowTheFrameGoesOut)
{
  const Request request = MakeRequest(Link::Tcp, 0x64);
  const Response reply = Response::Reply({0x00});
  auto shape = [&](std::vector<Fault> faults) { return ShapeReply(request, reply, {std::move(faults), 4}); };

  Outgoing out = shape({Fault::Of(Kind::Delay).Ms(30), Fault::Of(Kind::Delay).Ms(20), Fault::Of(Kind::Duplicate),
                        Fault::Of(Kind::SplitReply).Bytes(4).Ms(10)});
  EXPECT_EQ(out.delayMs, 50u);
  EXPECT_EQ(out.copies, 2);
  EXPECT_EQ(out.splitAt, 4u);
  EXPECT_EQ(out.splitGapMs, 10u);

  out = shape({Fault::Of(Kind::CloseConnection)});
  EXPECT_TRUE(out.close && !out.reset && !out.send);
  out = shape({Fault::Of(Kind::ResetConnection)});
  EXPECT_TRUE(out.close && out.reset && !out.send);
  out = shape({Fault::Of(Kind::Silence)});
  EXPECT_TRUE(!out.close && !out.send);
  // The first fault that ends the exchange wins.
  out = shape({Fault::Of(Kind::Silence), Fault::Of(Kind::CloseConnection)});
  EXPECT_TRUE(!out.close && !out.send);

  // A handler's silence is no reply, whatever the faults would have made of one.
  EXPECT_FALSE(ShapeReply(request, Response::Silence(), {{Fault::Of(Kind::Duplicate)}, 4}).send);
}

}  // namespace
