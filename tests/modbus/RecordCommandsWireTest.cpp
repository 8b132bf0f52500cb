// The record and record-file commands over a real transport against recsim.
#include <gtest/gtest.h>


#include "modbus/CModbusEth.h"
#include "modbus/MBCommand.h"
#include "platform/Stream.h"
#include "platform/SysFault.h"
#include "recsim/Server.h"
#include "support/ModbusTestUtil.h"

using namespace ModbusMaster;
using recsim::Fault;
using Bytes = std::vector<std::uint8_t>;

namespace {

class RecordWireTest : public testing::Test {
protected:
  void SetUp() override
  {
    url_ = "127.0.0.1:" + std::to_string(server_.ListenTcp());
    server_.WithDevice([](recsim::Device& d) {
      d.records.Set(0x65, 10, {1});
      d.records.Set(0x65, 11, {2, 2});
      d.records.Set(0x65, 12, {});
      Bytes file(600);
      for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 3);
      d.recordFiles[4] = file;
    });
    server_.Start();
    transport_.SetParams(url_);
  }

  recsim::Server server_;
  std::string url_;
  CModbusEth transport_;
};

}  // namespace

TEST_F(RecordWireTest, RecordRead)
{
  TModbusReadRecordCommand read(0x65, 10, 0, 3);
  transport_.Execute(1, read);
  ASSERT_EQ(read.Results.size(), 3u);
  EXPECT_EQ(read.Results[1].Data, (Bytes{2, 2}));
  // The same object is executed again for the next records: results start afresh.
  TModbusReadRecordCommand next(0x65, 10, 2, 1);
  transport_.Execute(1, next);
  ASSERT_EQ(next.Results.size(), 1u);
  EXPECT_TRUE(next.Results[0].Data.empty());
}

// A reply one record short fails the check and the exchange is repeated.
TEST_F(RecordWireTest, ShortReplyIsRetried)
{
  server_.AddFault(Fault::Of(Fault::Kind::RawReply).Raw({0, 0, 0, 0, 0, 5, 1, 0x65, 10, 1, 1}));
  TModbusReadRecordCommand read(0x65, 10, 0, 2);
  transport_.Execute(1, read);
  EXPECT_EQ(read.Attempts, 1u);
  EXPECT_EQ(read.Results.size(), 2u);
}

// The record-file walk: the size query, then 248-byte blocks at rising positions.
TEST_F(RecordWireTest, RecordFilePositions)
{
  TRegReadConfigRecordCommand command(4);
  transport_.Execute(1, command);
  auto size = command.DeliveredData();
  ASSERT_EQ(size.size(), 4u);
  std::uint32_t total = size[0] | size[1] << 8 | size[2] << 16 | size[3] << 24;
  EXPECT_EQ(total, 600u);

  TMemoryStream out;
  command.SetRequestedCount(248);
  std::vector<std::uint32_t> delivered;
  for (std::uint32_t position = 0;; ++position) {
    command.SetPosition(position);
    transport_.Execute(1, command);
    delivered.push_back(command.SaveData(out));
    if (delivered.back() < 248) break;
  }
  EXPECT_EQ(delivered, (std::vector<std::uint32_t>{248, 248, 104}));
  auto image = server_.WithDevice([](recsim::Device& d) { return d.recordFiles[4]; });
  EXPECT_EQ(out.Data(), image);
  auto log = server_.Log();
  ASSERT_EQ(log.size(), 4u);
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(log[i].data, (Bytes{4, 248, static_cast<std::uint8_t>(i - 1), 0}));
  }
}

// Without its cancel event a transport could not be stopped: creating one fails.
TEST(CBaseModbus, CancelEventFailureIsAnError)
{
  InjectSysFault(SysCallId::EventFd, EMFILE);
  EXPECT_THROW_MSG(CModbusEth(), EMBSysError, "Ошибка подключения\r\nSystem error. Code: 24.\r\nToo many open files");
  ClearSysFaults();
  CModbusEth transport;
  EXPECT_EQ(transport.ReplyTimeout(), 1000u);
  EXPECT_EQ(transport.TransactionCounter(), 0u);
  EXPECT_FALSE(transport.IsOpen());
  EXPECT_FALSE(transport.IsCancelled());
}
