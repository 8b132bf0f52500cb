#include <gtest/gtest.h>

#include <vector>

#include "modbus/MBErrors.h"
#include "recsim/RecorderHandlers.h"
#include "support/RecorderLink.h"

using Bytes = std::vector<std::uint8_t>;
using ModbusMaster::TBaseModbusMessage;

namespace {

class RecorderHandlersTest : public testing::Test {
protected:
  // The reply data (after the function) of a plain request.
  Bytes Ask(std::uint8_t function, const Bytes& data)
  {
    TBaseModbusMessage message;
    message.SetRequest(function, data);
    link.transport->Execute(RecorderLink::kUnit, message);
    return Bytes(message.Reply.Data(), message.Reply.Data() + message.Reply.DataLength());
  }
  // The Modbus exception code a request gets (0 when it is answered).
  std::uint32_t ExceptionOf(std::uint8_t function, const Bytes& data)
  {
    try {
      Ask(function, data);
    } catch (const ModbusMaster::EMBServerException& e) {
      return e.Code();
    }
    return 0;
  }

  RecorderLink link{LinkKind::Tcp};
};

TEST_F(RecorderHandlersTest, IdentificationAnswersTheProfilesObjects)
{
  link.Load("pelkar-2.1.100");
  const Bytes expected = {0x0E, 0x01, 0x01, 0x00, 0x00, 3,
                          0, 6, 'P', 'e', 'l', 'k', 'a', 'r',
                          1, 13, 'P', 'e', 'l', 'k', 'a', 'r', '-', '7', '4', '0', '-', 'L', '7',
                          2, 8, 'v', '2', '.', '1', '.', '1', '0', '0'};
  EXPECT_EQ(Ask(0x2B, {0x0E, 0x01, 0x00}), expected);
  EXPECT_EQ(ExceptionOf(0x2B, {0x0D, 0x01, 0x00}), 3u);  // another MEI type
}

TEST_F(RecorderHandlersTest, InputRegistersAreBigEndianAndBounded)
{
  link.Load("pelkar-2.1.160");
  link.Device([](recsim::Device& d) { recsim::Recorder(d).inputRegisters[75] = 0x0103; });
  EXPECT_EQ(Ask(0x04, {0x00, 75, 0x00, 2}), Bytes({4, 0x01, 0x03, 0x00, 0x00}));
  EXPECT_EQ(ExceptionOf(0x04, {0x00, 76, 0x00, 2}), 2u);  // register 77 does not exist
  EXPECT_EQ(ExceptionOf(0x04, {0x00, 75, 0x00, 0}), 3u);
  EXPECT_EQ(ExceptionOf(0x04, {0x00, 75, 0x00, 126}), 3u);
}

TEST_F(RecorderHandlersTest, ProfileLoadsEveryInformationRecord)
{
  EXPECT_FALSE(link.Device([](recsim::Device& d) { return recsim::LoadProfile(d, "no such profile"); }));
  link.Load("pelkar-2.1.150");
  auto expected = recsim::EncodeInfoRecords(recsim::StandardProfile("pelkar-2.1.150"));
  for (const auto& [number, bytes] : expected) {
    SCOPED_TRACE(number);
    auto held = link.Device([&](recsim::Device& d) { return *d.records.Find(0x64, static_cast<std::uint8_t>(number)); });
    EXPECT_EQ(held, bytes);
  }
  EXPECT_EQ(expected.at(1).size(), 64u);  // the 64-byte record of 2.1.150
  link.Load("pelkar-2.1.150-short");
  EXPECT_EQ(link.Device([](recsim::Device& d) { return d.records.Find(0x64, 1)->size(); }), 44u);
}

TEST_F(RecorderHandlersTest, OneFunctionServesRecordsAndABlob)
{
  link.Device([](recsim::Device& d) {
    for (std::uint8_t n = 0; n < 4; ++n) d.records.Set(0x6B, n, {n, n});
    d.recordFiles[1] = {9, 8, 7};
  });
  const Bytes fourRecords = {0, 2, 0, 0, 1, 2, 1, 1, 2, 2, 2, 2, 3, 2, 3, 3};
  EXPECT_EQ(Ask(0x6B, {0, 1, 2, 3}), fourRecords);
  EXPECT_EQ(Ask(0x69, {1, 0, 0, 0}), Bytes({1, 4, 0, 0, 3, 0, 0, 0}));  // record file size

  link.Device([](recsim::Device& d) {
    recsim::Recorder(d).blobs[0x6B] = recsim::MakeBlob(1, {0xAA});
    recsim::Recorder(d).blobs[0x69] = recsim::MakeBlob(0, {});
  });
  EXPECT_EQ(Ask(0x6B, {0, 1, 2, 3}), fourRecords);  // a run of record numbers is still records
  EXPECT_EQ(Ask(0x6B, {0, 0, 0, 0}), Bytes({0, 0, 0, 0, 13, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0xAA}));
  EXPECT_EQ(Ask(0x6B, {12, 0, 0, 0}), Bytes({12, 0, 0, 0, 1, 0, 0xAA}));
  EXPECT_EQ(Ask(0x69, {0, 0, 0, 0}), Bytes({0, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ExceptionOf(0x6F, {0, 0, 0, 0}), 1u);  // no AMX blob on 0x6F
}

}  // namespace
