// The simulator's framing against fixed bytes: the CRC and RTU frames from vectors.py
// (an independent bit-by-bit CRC), the MBAP frames by hand.
#include <gtest/gtest.h>

#include <string>

#include "recsim/Framing.h"
#include "support/Hex.h"

using namespace recsim;
using Bytes = std::vector<std::uint8_t>;
using Status = FrameCut::Status;

namespace {

// Unit 1, function 0x64 and bytes 0..253: the longest RTU frame (256 bytes before the
// CRC), with its CRC from vectors.py.
Bytes LongestRtuFrame()
{
  Bytes frame{0x01, 0x64};
  for (int i = 0; i < 254; ++i) frame.push_back(static_cast<std::uint8_t>(i));
  frame.insert(frame.end(), {0x63, 0x9E});
  return frame;
}

TEST(Framing, RtuCrc)
{
  const std::string check = "123456789";
  EXPECT_EQ(RtuCrc16(Bytes(check.begin(), check.end())), 0x4B37);
  EXPECT_EQ(RtuCrc16({}), 0xFFFF);
  EXPECT_EQ(RtuFrame(0x11, Hex("03 00 6B 00 03")), Hex("11 03 00 6B 00 03 76 87"));
  EXPECT_EQ(RtuFrame(0x01, Hex("83 01")), Hex("01 83 01 80 F0"));
  Bytes longest = LongestRtuFrame();
  EXPECT_EQ(RtuCrc16(Bytes(longest.begin(), longest.end() - 2)), 0x9E63);
}

TEST(Framing, CutRtuFrame)
{
  Bytes longer = LongestRtuFrame();
  longer.push_back(0x00);
  const struct {
    const char* name;
    Bytes heard;
    Status status;
    std::size_t length;  // of the frame, or of the garbage to drop
  } rows[] = {
      {"request", Hex("01 64 00 0A C0"), Status::Whole, 5},
      {"shorter than a frame", Hex("01 64 00"), Status::NeedMore, 0},
      {"CRC of another frame", Hex("02 64 00 0A C0"), Status::NeedMore, 0},
      {"CRC high byte first", Hex("01 64 00 C0 0A"), Status::NeedMore, 0},
      {"longest frame", LongestRtuFrame(), Status::Whole, 258},
      {"longer than any frame", longer, Status::Garbage, 259},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const FrameCut cut = CutRtuFrame(row.heard);
    EXPECT_EQ(cut.status, row.status);
    EXPECT_EQ(cut.length, row.length);
  }
  const Request request = ReadRtuRequest(Hex("11 03 00 6B 00 03 76 87"));
  EXPECT_EQ(request.link, Link::Rtu);
  EXPECT_EQ(request.unit, 0x11);
  EXPECT_EQ(request.function, 0x03);
  EXPECT_EQ(request.data, Hex("00 6B 00 03"));
  EXPECT_EQ(request.transactionId, 0);
}

TEST(Framing, CutMbapFrame)
{
  Bytes tooLong = Hex("00 01 00 00 05 AD 01 64");  // 1453 bytes follow
  Bytes longest = Hex("00 01 00 00 05 AC 01 64");  // 1452: allowed, waits for the rest
  const struct {
    const char* name;
    Bytes stream;
    Status status;
    std::size_t length;  // of the frame, or of the garbage to drop
  } rows[] = {
      {"request", Hex("00 05 00 00 00 03 01 64 00"), Status::Whole, 9},
      {"request and the next one's start", Hex("00 05 00 00 00 03 01 64 00  00 06 00"), Status::Whole, 9},
      {"header only", Hex("00 05 00 00 00 03"), Status::NeedMore, 0},
      {"short header", Hex("00 05 00 00 00"), Status::NeedMore, 0},
      {"body one byte short", Hex("00 05 00 00 00 04 01 64 00"), Status::NeedMore, 0},
      {"no function", Hex("00 05 00 00 00 01 01"), Status::Garbage, 7},
      {"longer than any request", tooLong, Status::Garbage, 8},
      {"longest request, in part", longest, Status::NeedMore, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const FrameCut cut = CutMbapFrame(row.stream);
    EXPECT_EQ(cut.status, row.status);
    EXPECT_EQ(cut.length, row.length);
  }

  EXPECT_TRUE(IsMbapDatagram(Hex("12 34 00 00 00 03 01 64 00")));
  EXPECT_FALSE(IsMbapDatagram(Hex("12 34 00 00 00 03 01 64 00 00")));  // a byte past the length
  EXPECT_FALSE(IsMbapDatagram(Hex("12 34 00 00 00 03 01 64")));

  const Request request = ReadMbapRequest(Hex("12 34 00 00 00 04 07 2B 0E 01"), Link::Udp, 3);
  EXPECT_EQ(request.link, Link::Udp);
  EXPECT_EQ(request.connection, 3u);
  EXPECT_EQ(request.transactionId, 0x1234);
  EXPECT_EQ(request.unit, 7);
  EXPECT_EQ(request.function, 0x2B);
  EXPECT_EQ(request.data, Hex("0E 01"));
}

TEST(Framing, Replies)
{
  const Bytes reply = ReplyPdu(0x64, Response::Reply(Hex("00 03 AA BB CC")));
  EXPECT_EQ(reply, Hex("64 00 03 AA BB CC"));
  EXPECT_EQ(ReplyPdu(0x64, Response::Exception(4)), Hex("E4 04"));
  EXPECT_TRUE(ReplyPdu(0x64, Response::Silence()).empty());
  EXPECT_EQ(MbapFrame(5, 1, reply), Hex("00 05 00 00 00 07 01 64 00 03 AA BB CC"));
  EXPECT_EQ(RtuFrame(1, reply), Hex("01 64 00 03 AA BB CC 51 25"));
  EXPECT_EQ(RtuFrame(1, ReplyPdu(0x64, Response::Exception(4))), Hex("01 E4 04 6A C3"));
}

}  // namespace
