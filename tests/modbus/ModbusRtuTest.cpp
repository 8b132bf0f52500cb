#include <gtest/gtest.h>

#include <thread>

#include "modbus/CModbusRTU.h"
#include "modbus/MBCommand.h"
#include "platform/Stream.h"
#include "platform/SysFault.h"
#include "recsim/Server.h"
#include "support/ModbusTestUtil.h"

using namespace ModbusMaster;
using recsim::Fault;
namespace {

// A real serial line (the pseudo-terminal) whose driver also "counts" the line
// errors a test scripts for its reads, as a UART would for a noisy line.
class NoisyLine : public SerialLine {
public:
  explicit NoisyLine(std::unique_ptr<SerialPort> port, std::vector<SerialLineErrors> script)
      : port_(std::move(port)), script_(std::move(script))
  {
  }

  void Configure(const SerialLineSettings& settings) override { port_->Configure(settings); }
  bool EnableRs485() override { return port_->EnableRs485(); }
  void Purge() override { port_->Purge(); }
  void PurgeInput() override { port_->PurgeInput(); }
  WaitResult Wait(WaitFor what, int timeoutMs, const Event* cancel) override { return port_->Wait(what, timeoutMs, cancel); }
  IoResult Read(std::uint8_t* data, std::size_t size) override
  {
    IoResult result = port_->Read(data, size);
    if (result.bytes > 0 && reads_ < script_.size()) {
      const auto& errors = script_[reads_++];
      counted_.overrun |= errors.overrun;
      counted_.parity |= errors.parity;
      counted_.frame |= errors.frame;
    }
    return result;
  }
  IoResult Write(const std::uint8_t* data, std::size_t size) override { return port_->Write(data, size); }
  std::size_t OutputPending() override { return port_->OutputPending(); }
  SerialLineErrors TakeLineErrors() override { return std::exchange(counted_, {}); }

private:
  std::unique_ptr<SerialPort> port_;
  std::vector<SerialLineErrors> script_;
  std::size_t reads_ = 0;
  SerialLineErrors counted_;
};

class RtuTest : public testing::Test {
protected:
  void SetUp() override
  {
    path_ = server_.OpenRtu();
    server_.Start();
  }
  std::unique_ptr<CModbusRTU> Transport(std::uint32_t baud = 115200, std::uint32_t timeout = 300,
                                        CModbusRTU::LineOpener opener = {})
  {
    auto transport = std::make_unique<CModbusRTU>(std::move(opener));
    transport->SetParams(path_, baud, ParityNone, OneStopBit);
    transport->SetReplyTimeout(timeout);
    return transport;
  }
  std::string Source(int unit = 1) const { return path_ + ", адрес " + std::to_string(unit); }

  recsim::Server server_;
  std::string path_;
};

}  // namespace

TEST(RtuTimeouts, CharTimeoutAndFrameTime)
{
  struct Row {
    std::uint32_t baud, charTimeout, frameTime;
  } rows[] = {
      {1200, 37, 2347}, {9600, 16, 294}, {19200, 12, 147}, {57600, 12, 49}, {115200, 8, 25}, {230400, 3, 13},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.baud);
    EXPECT_EQ(CModbusRTU::CharTimeoutFor(row.baud), row.charTimeout);
    EXPECT_EQ(CModbusRTU::FrameTimeFor(row.baud), row.frameTime);
  }
}

TEST(RtuNames, DevicePathAndDescription)
{
  EXPECT_EQ(CModbusRTU::DevicePath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(CModbusRTU::DevicePath("/dev/ttyS1"), "/dev/ttyS1");
  EXPECT_EQ(CModbusRTU::DevicePath("serial/by-id/x"), "serial/by-id/x");
  CModbusRTU transport;
  transport.SetParams("/dev/ttyUSB0", 9600, ParityEven, TwoStopBits);
  EXPECT_EQ(transport.Description(1), "/dev/ttyUSB0, адрес 1");
  EXPECT_EQ(transport.Description(0), "/dev/ttyUSB0, адрес 0");
  EXPECT_STREQ(transport.ProtocolName(), "Modbus RTU");
  std::uint32_t address = 5;
  EXPECT_FALSE(transport.ResolveAddress("x", address));
  EXPECT_FALSE(transport.Disconnect());
}

TEST(RtuOpen, Failures)
{
  CModbusRTU missing;
  missing.SetParams("ttyKestrelNone", 9600, ParityNone, OneStopBit);
  EXPECT_THROW_MSG(missing.Open(), EMBSysError,
                   "ttyKestrelNone: Ошибка подключения\r\nSystem error. Code: 2.\r\nNo such file or directory");
  EXPECT_FALSE(missing.IsOpen());

  PseudoTerminal pty;
  CModbusRTU parity;
  parity.SetParams(pty.SlavePath(), 9600, static_cast<TMBParity>(5), OneStopBit);
  EXPECT_THROW_MSG(parity.Open(), EMBPramError, pty.SlavePath() + ": Некорректный параметр Parity");
  EXPECT_FALSE(parity.IsOpen());

  CModbusRTU refused;
  refused.SetParams(pty.SlavePath(), 9600, ParityNone, OneStopBit);
  InjectSysFault(SysCallId::Ioctl, EIO);
  EXPECT_THROW_MSG(refused.Open(), EMBSysError,
                   pty.SlavePath() + ": Ошибка подключения\r\nSystem error. Code: 5.\r\nInput/output error");
  ClearSysFaults();
  EXPECT_FALSE(refused.IsOpen());
  refused.Open();
  EXPECT_TRUE(refused.IsOpen());
  refused.Close();
  refused.Close();  // safe when closed
  refused.Open();   // and the exclusive claim is given up on close
  EXPECT_TRUE(refused.IsOpen());
}

// Linux keeps rate and stop bits of a pseudo-terminal (parity it always shows as
// none, so the fake line covers parity errors).
TEST_F(RtuTest, LineSettingsReachTheDriver)
{
  struct Row {
    std::uint32_t baud;
    TMBParity parity;
    TMBStopBits stop;
  } rows[] = {
      {9600, ParityNone, OneStopBit}, {19200, ParityEven, TwoStopBits}, {57600, ParityOdd, OneStopBit},
      {12345, ParityNone, TwoStopBits}, {230400, ParityMark, OneStopBit}, {1200, ParitySpace, TwoStopBits},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.baud);
    CModbusRTU transport;
    transport.SetParams(path_, row.baud, row.parity, row.stop);
    transport.Open();
    SerialLineSettings seen = server_.RtuLineSettings();
    EXPECT_EQ(seen.baudRate, row.baud);
    EXPECT_EQ(seen.twoStopBits, row.stop == TwoStopBits);
    EXPECT_EQ(transport.CharTimeout(), CModbusRTU::CharTimeoutFor(row.baud));
    EXPECT_EQ(transport.FrameTime(), CModbusRTU::FrameTimeFor(row.baud));
  }
}

TEST_F(RtuTest, UploadReachesTheRecorder)
{
  auto transport = Transport();
  std::vector<std::uint8_t> image(500);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i ^ 0x5A);
  std::uint32_t sent = SendImage(*transport, image);
  TUpgradeStartCommand start(sent);
  transport->Execute(1, start);
  auto upload = server_.WithDevice([](recsim::Device& d) { return d.upload; });
  EXPECT_EQ(upload.image, image);
  EXPECT_EQ(upload.installSize, 500u);
  EXPECT_EQ(server_.Log().size(), 4u);
}

// Unit and PDU of 256 bytes are sent (258 on the line), 257 are refused unsent.
TEST_F(RtuTest, RequestLengthLimit)
{
  auto transport = Transport();
  TBaseModbusMessage message;
  std::vector<std::uint8_t> data(254, 0x11);
  message.SetRequest(0x70, data);
  EXPECT_THROW_MSG(transport->Execute(1, message), EMBServerException, Source() + ": Server Exception 1 (Illegal command)");
  auto log = server_.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].data.size(), 254u);
  data.push_back(0);
  message.SetRequest(0x70, data);
  EXPECT_THROW_MSG(transport->Execute(1, message), EMBPramError, Source() + ": Некорректный параметр Incorrect request length");
  EXPECT_EQ(server_.Log().size(), 1u);
}

// A reply in pieces: a gap shorter than the character timeout keeps one read; a
// longer one ends a read whose CRC is not right yet, and reading goes on; a gap
// longer than the reply timeout fails the attempt, and the purge drops the rest.
TEST_F(RtuTest, SplitReplies)
{
  struct Row {
    const char* name;
    std::uint32_t gapMs;
    std::uint32_t attempts;
  } rows[] = {{"short gap", 2, 0}, {"long gap", 40, 0}, {"gap beyond the timeout", 400, 1}};
  auto transport = Transport(115200, 200);  // c = 8 ms
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    server_.AddFault(Fault::Of(Fault::Kind::SplitReply).Bytes(2).Ms(row.gapMs));
    TUpgradeStartCommand start(1);
    start.ReplyTimeout = 0;
    transport->Execute(1, start);
    EXPECT_EQ(start.Attempts, row.attempts);
    if (row.attempts == 0) {
      EXPECT_GE(start.ReplyTime, row.gapMs);
    }
  }
}

struct RtuFailureCase {
  const char* name;
  Fault fault;
  std::string detail;  // after the source and ": "
  std::size_t requests;
};

// Names the row in test listings instead of dumping its bytes.
void PrintTo(const RtuFailureCase& row, std::ostream* os) { *os << row.name; }


class RtuFailureTest : public RtuTest, public testing::WithParamInterface<RtuFailureCase> {};

TEST_P(RtuFailureTest, AfterFourAttempts)
{
  const auto& c = GetParam();
  auto transport = Transport(115200, 100);
  server_.AddFault(c.fault);
  TUpgradeStartCommand start(1);
  start.ReplyTimeout = 0;
  try {
    transport->Execute(1, start);
    ADD_FAILURE() << "no error";
  } catch (const EMBCommError& e) {
    EXPECT_EQ(e.Message(), Source() + ": " + c.detail);
  }
  EXPECT_EQ(start.Attempts, 4u);
  EXPECT_EQ(server_.Log().size(), c.requests);
  EXPECT_TRUE(transport->IsOpen());  // errors leave the port open
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RtuFailureTest,
    testing::Values(
        RtuFailureCase{"Silence", Fault::Of(Fault::Kind::Silence, -1), "Таймаут приема ответа (принято 0 байт)", 4},
        RtuFailureCase{"BadCrc", Fault::Of(Fault::Kind::BadCrc, -1), "O\xD1\x88ибка контрольной суммы (принято 5 байт)", 4},
        RtuFailureCase{"ThreeByteFrame", Fault::Of(Fault::Kind::RawReply, -1).Raw({0x01}),
                       "Ответ устройства не соответсвует протоколу Modbus (принято 3 байт)", 4},
        RtuFailureCase{"WrongUnit", Fault::Of(Fault::Kind::WrongUnit, -1), "Некорректный ответ устройства (принято 5 байт)", 4},
        RtuFailureCase{"WrongFunction", Fault::Of(Fault::Kind::WrongFunction, -1),
                       "Некорректный ответ устройства (принято 5 байт)", 4},
        RtuFailureCase{"Oversized", Fault::Of(Fault::Kind::Oversize, -1).Bytes(2),
                       "O\xD1\x88ибка контрольной суммы (принято 7 байт)", 4}),
    [](const auto& info) { return std::string(info.param.name); });

// A silent device costs four reply timeouts and no pauses; any other failure adds
// the pauses c + T, 2c + T and 3c + T.
TEST_F(RtuTest, AttemptsAndPauses)
{
  auto transport = Transport(115200, 500);  // c = 8, T = 500
  server_.AddFault(Fault::Of(Fault::Kind::Silence, -1));
  TUpgradeStartCommand start(1);
  start.ReplyTimeout = 0;
  auto begin = Clock::now();
  EXPECT_THROW(transport->Execute(1, start), EMBReplyTimeoutError);
  auto silent = MsSince(begin);
  EXPECT_GE(silent, 4 * 500);
  // With pauses it would take 3 * T longer; the margin is for a loaded machine.
  EXPECT_LT(silent, 4 * 500 + 1000);

  server_.ClearFaults();
  server_.AddFault(Fault::Of(Fault::Kind::BadCrc, -1));
  begin = Clock::now();
  EXPECT_THROW(transport->Execute(1, start), EMBReplyCRCError);
  EXPECT_GE(MsSince(begin), 4 * 500 + (8 + 500) + (16 + 500) + (24 + 500));
}

TEST_F(RtuTest, OneBadReplyIsRetried)
{
  auto transport = Transport();
  server_.AddFault(Fault::Of(Fault::Kind::BadCrc));
  TUpgradeStartCommand start(1);
  start.ReplyTimeout = 0;
  transport->Execute(1, start);
  EXPECT_EQ(start.Attempts, 1u);
  EXPECT_EQ(server_.Log().size(), 2u);
}

TEST_F(RtuTest, ExceptionReplyAtOnce)
{
  auto transport = Transport();
  server_.AddFault(Fault::Of(Fault::Kind::ExceptionReply).Code(6));
  TUpgradeStartCommand start(1);
  EXPECT_THROW_MSG(transport->Execute(1, start), EMBServerException, Source() + ": Server Exception 6 (Server busy)");
  EXPECT_EQ(server_.Log().size(), 1u);
}

// A broadcast returns after its pause without reading, even when a device answers;
// that answer must not be taken for the reply to the next request.
TEST_F(RtuTest, BroadcastAndItsStrayAnswer)
{
  auto transport = Transport();
  server_.WithDevice([](recsim::Device& d) { d.answerBroadcast = true; });
  TUpgradeStartCommand start(1);
  auto begin = Clock::now();
  transport->Execute(0, start);
  EXPECT_GE(MsSince(begin), CModbusRTU::kBroadcastPauseMs);
  EXPECT_EQ(start.Status, 0);
  ASSERT_TRUE(server_.WaitForReplies(1, 5000));
  TModbusReadRecordCommand read(0x64, 0, 0, 1);
  server_.WithDevice([](recsim::Device& d) { d.records.Set(0x64, 0, {1, 2, 3}); });
  transport->Execute(1, read);
  EXPECT_EQ(read.Attempts, 0u);
  ASSERT_EQ(read.Results.size(), 1u);
  EXPECT_EQ(read.Results[0].Data, (std::vector<std::uint8_t>{1, 2, 3}));
}

// A reply that comes after its request gave up is dropped before the next request
// is written, not read as that request's reply.
TEST_F(RtuTest, LateReplyIsNotTheNextReply)
{
  auto transport = Transport(115200, 100);
  server_.AddFault(Fault::Of(Fault::Kind::Delay).Ms(250));
  TUpgradeStartCommand start(1);
  start.ReplyTimeout = 0;
  start.MaxRetries = 0;
  EXPECT_THROW(transport->Execute(1, start), EMBReplyTimeoutError);
  ASSERT_TRUE(server_.WaitForReplies(1, 5000));
  server_.WithDevice([](recsim::Device& d) { d.records.Set(0x64, 1, {9}); });
  TModbusReadRecordCommand read(0x64, 1, 0, 1);
  transport->Execute(1, read);
  EXPECT_EQ(read.Attempts, 0u);
}

TEST_F(RtuTest, CancelFromAnotherThread)
{
  auto transport = Transport();
  ExpectCancelFromAnotherThread(*transport, server_, Source());
  // The cancelled call wrote nothing: the recorder heard the first and the last.
  EXPECT_EQ(server_.Log().size(), 2u);
}

TEST_F(RtuTest, WriteAndReadFailures)
{
  auto transport = Transport();
  transport->Open();
  TUpgradeStartCommand start(1);
  InjectSysFault(SysCallId::Write, EIO);
  EXPECT_THROW_MSG(transport->Execute(1, start), EMBSysError,
                   path_ + ": Ошибка записи данных\r\nSystem error. Code: 5.\r\nInput/output error");
  InjectSysFault(SysCallId::Read, EIO);
  EXPECT_THROW_MSG(transport->Execute(1, start), EMBSysError,
                   path_ + ": Ошибка чтения данных\r\nSystem error. Code: 5.\r\nInput/output error");
  InjectSysFault(SysCallId::Write, EINTR, 2);
  transport->Execute(1, start);
  ClearSysFaults();
}

// Line errors of the driver, which a pseudo-terminal cannot make: each fails its
// attempt even with a good CRC, and belongs to that attempt only.
TEST_F(RtuTest, LineErrors)
{
  auto noisy = [](std::vector<SerialLineErrors> script) {
    return [script](const std::string& path) -> std::unique_ptr<SerialLine> {
      return std::make_unique<NoisyLine>(SerialPort::Open(path), script);
    };
  };
  SerialLineErrors parity{false, true, false}, frame{false, false, true}, overrun{true, false, false};
  struct Row {
    const char* name;
    std::vector<SerialLineErrors> script;
    std::string error;  // empty: succeeds after one failed attempt
  } rows[] = {
      {"parity once", {parity}, ""},
      {"frame once", {frame}, ""},
      {"parity always", {parity, parity, parity, parity}, "Ошибка контроля четности (принято 5 байт)"},
      {"frame always", {frame, frame, frame, frame}, "Ошибка кадровой синхронизации (принято 5 байт)"},
      {"overrun always", {overrun, overrun, overrun, overrun}, "Ошибка приема Overrun (принято 5 байт)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto transport = Transport(115200, 100, noisy(row.script));
    TUpgradeStartCommand start(1);
    start.ReplyTimeout = 0;
    if (row.error.empty()) {
      transport->Execute(1, start);
      EXPECT_EQ(start.Attempts, 1u);
    } else {
      EXPECT_THROW_MSG(transport->Execute(1, start), EMBCommError, Source() + ": " + row.error);
      EXPECT_EQ(start.Attempts, 4u);
    }
  }
}
