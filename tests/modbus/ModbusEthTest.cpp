#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "modbus/CModbusEth.h"
#include "modbus/MBCommand.h"
#include "platform/Stream.h"
#include "platform/SysFault.h"
#include "recsim/Server.h"
#include "support/ModbusTestUtil.h"

using namespace ModbusMaster;
using recsim::Fault;
namespace {

// recsim on loopback TCP and UDP, and a transport for either.
class EthTest : public testing::Test {
protected:
  void SetUp() override
  {
    tcpPort_ = server_.ListenTcp();
    udpPort_ = server_.ListenUdp();
    server_.Start();
  }
  std::string TcpUrl() const { return "127.0.0.1:" + std::to_string(tcpPort_); }
  std::string UdpUrl() const { return "mbudp://127.0.0.1:" + std::to_string(udpPort_); }
  std::unique_ptr<CModbusEth> Transport(const std::string& url)
  {
    auto transport = std::make_unique<CModbusEth>();
    transport->SetParams(url);
    return transport;
  }
  std::set<std::uint32_t> Connections() const
  {
    std::set<std::uint32_t> ids;
    for (const auto& entry : server_.Log()) ids.insert(entry.connection);
    return ids;
  }

  recsim::Server server_;
  std::uint16_t tcpPort_ = 0;
  std::uint16_t udpPort_ = 0;
};

std::vector<std::uint8_t> Image(std::size_t size)
{
  std::vector<std::uint8_t> image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 31 + 7);
  return image;
}

}  // namespace

TEST(EthParams, Urls)
{
  struct Row {
    const char* url;
    CModbusEth::TMode mode;
    const char* host;
    std::uint32_t port;
  } rows[] = {
      {"10.0.0.5", CModbusEth::ModeTcp, "10.0.0.5", 502},
      {"mbtcp://10.0.0.5:1502", CModbusEth::ModeTcp, "10.0.0.5", 1502},
      {"mbudp://10.0.0.5:1502", CModbusEth::ModeUdp, "10.0.0.5", 1502},
      {"mbudp://host:65535/path", CModbusEth::ModeUdp, "host", 65535},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.url);
    CModbusEth transport;
    transport.SetParams(row.url);
    EXPECT_EQ(transport.Mode(), row.mode);
    EXPECT_EQ(transport.Host(), row.host);
    EXPECT_EQ(transport.Port(), row.port);
    EXPECT_EQ(transport.ConnectionName(), row.url);
    EXPECT_STREQ(transport.ProtocolName(), row.mode == CModbusEth::ModeTcp ? "Modbus TCP" : "Modbus UDP");
  }
}

// Nothing is stored from a refused URL: the transport keeps what it had.
TEST(EthParams, RefusedUrls)
{
  CModbusEth transport;
  transport.SetParams("mbudp://10.0.0.1:7");
  EXPECT_THROW_MSG(transport.SetParams("MBTCP://10.0.0.5"), EMBSysError,
                   "MBTCP://10.0.0.5: Неподдерживаемый протокол (MBTCP)");
  EXPECT_THROW_MSG(transport.SetParams("host:1:2"), EMBPramError, "host:1:2: Некорректный параметр Port 1:2");
  EXPECT_THROW_MSG(transport.SetParams("host:70000"), EMBPramError, "host:70000: Некорректный параметр Port 70000");
  EXPECT_THROW_MSG(transport.SetParams("host:0"), EMBPramError, "host:0: Некорректный параметр Port 0");
  EXPECT_THROW_MSG(transport.SetParams("host:50x"), EMBPramError, "host:50x: Некорректный параметр Port 50x");
  EXPECT_EQ(transport.Mode(), CModbusEth::ModeUdp);
  EXPECT_EQ(transport.Host(), "10.0.0.1");
  EXPECT_EQ(transport.Port(), 7u);
  EXPECT_EQ(transport.ConnectionName(), "mbudp://10.0.0.1:7");
}

TEST(EthParams, DescriptionAndAddress)
{
  CModbusEth transport;
  transport.SetParams("mbtcp://127.0.0.1:1502");
  EXPECT_EQ(transport.Description(1), "mbtcp://127.0.0.1:1502");
  EXPECT_EQ(transport.Description(0), "mbtcp://127.0.0.1:1502, адрес 0");
  std::uint32_t address = 0;
  EXPECT_TRUE(transport.ResolveAddress("mbudp://10.1.2.3:9", address));
  EXPECT_EQ(address, 0x0A010203u);
  EXPECT_EQ(CModbusEth::ResolveHostAddress("localhost"), 0x7F000001u);
}

class EthLinkTest : public EthTest, public testing::WithParamInterface<bool> {
protected:
  std::string Url() const { return GetParam() ? UdpUrl() : TcpUrl(); }
};

// The whole upload over the wire: chunks reassembled by the recorder, statuses,
// transaction ids rising by one across requests.
TEST_P(EthLinkTest, UploadReachesTheRecorder)
{
  auto transport = Transport(Url());
  auto image = Image(600);
  std::uint32_t sent = SendImage(*transport, image);
  server_.WithDevice([](recsim::Device& device) { device.upload.installStatus = 10; });
  TUpgradeStartCommand start(sent);
  transport->Execute(1, start);
  EXPECT_EQ(start.Status, 10);

  auto device = server_.WithDevice([](recsim::Device& d) { return d.upload; });
  EXPECT_EQ(device.image, image);
  EXPECT_TRUE(device.installRequested);
  EXPECT_EQ(device.installSize, 600u);
  auto log = server_.Log();
  ASSERT_EQ(log.size(), 4u);
  for (std::size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].transactionId, i);
    EXPECT_EQ(log[i].unit, 1);
    EXPECT_EQ(log[i].function, 0x68);
  }
  EXPECT_EQ(Connections().size(), 1u);  // one TCP connection serves every request
  EXPECT_EQ(transport->TransactionCounter(), 4u);
}

TEST_P(EthLinkTest, ExceptionReplyIsNotRetried)
{
  auto transport = Transport(Url());
  TModbusReadRecordCommand read(0x64, 0, 0, 1);  // the store holds no record 0
  EXPECT_THROW_MSG(transport->Execute(1, read), EMBServerException, Url() + ": Server Exception 2 (Illegal data address)");
  EXPECT_EQ(server_.Log().size(), 1u);
}

TEST_P(EthLinkTest, CancelFromAnotherThread)
{
  auto transport = Transport(Url());
  ExpectCancelFromAnotherThread(*transport, server_, "127.0.0.1");  // the host: the cancel came in a socket wait
}

// A request of 1452 bytes with its header is sent, one more is refused unsent.
TEST_P(EthLinkTest, RequestLengthLimit)
{
  auto transport = Transport(Url());
  TBaseModbusMessage message;
  std::vector<std::uint8_t> data(1452 - 8, 0);
  message.SetRequest(0x70, data);
  EXPECT_THROW_MSG(transport->Execute(1, message), EMBServerException, Url() + ": Server Exception 1 (Illegal command)");
  data.push_back(0);
  message.SetRequest(0x70, data);
  EXPECT_THROW_MSG(transport->Execute(1, message), EMBPramError, Url() + ": Некорректный параметр Incorrect request length");
  // A header that does not even count unit and function is no request either.
  message.Request.SetLength(1);
  EXPECT_THROW_MSG(transport->Execute(1, message), EMBPramError, Url() + ": Некорректный параметр Incorrect request length");
  EXPECT_EQ(server_.Log().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Links, EthLinkTest, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Udp" : "Tcp"; });

// Faults that cost one attempt: the exchange is repeated after the pause with the
// next transaction id and then succeeds.
struct RetryCase {
  const char* name;
  bool udp;
  Fault fault;
  std::size_t connections;  // TCP connects anew after a failed attempt
};

// Names the row in test listings instead of dumping its bytes.
void PrintTo(const RetryCase& row, std::ostream* os) { *os << row.name; }


class EthRetryTest : public EthTest, public testing::WithParamInterface<RetryCase> {};

TEST_P(EthRetryTest, OneFailedAttempt)
{
  const auto& c = GetParam();
  auto transport = Transport(c.udp ? UdpUrl() : TcpUrl());
  transport->SetReplyTimeout(3000);
  server_.AddFault(c.fault);
  TUpgradeStartCommand start(5);
  start.ReplyTimeout = 0;
  auto begin = Clock::now();
  transport->Execute(1, start);
  EXPECT_GE(MsSince(begin), CModbusEth::kRetryPauseMs);
  EXPECT_EQ(start.Attempts, 1u);
  auto log = server_.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].transactionId, log[0].transactionId + 1);
  EXPECT_EQ(Connections().size(), c.connections);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, EthRetryTest,
    testing::Values(RetryCase{"TcpStaleTransactionId", false, Fault::Of(Fault::Kind::StaleTransactionId).After(0), 2},
                    RetryCase{"TcpWrongFunction", false, Fault::Of(Fault::Kind::WrongFunction), 2},
                    RetryCase{"TcpClosedAfterRequest", false, Fault::Of(Fault::Kind::CloseConnection), 2},
                    RetryCase{"TcpWrongUnit", false, Fault::Of(Fault::Kind::WrongUnit), 2},
                    RetryCase{"UdpWrongTransactionId", true, Fault::Of(Fault::Kind::WrongTransactionId), 1},
                    RetryCase{"UdpTruncatedDatagram", true, Fault::Of(Fault::Kind::Truncate).Bytes(7), 1},
                    RetryCase{"UdpOversizedDatagram", true, Fault::Of(Fault::Kind::Oversize).Bytes(3), 1},
                    RetryCase{"UdpEmptyDatagram", true, Fault::Of(Fault::Kind::RawReply).Raw({}), 1}),
    [](const auto& info) { return std::string(info.param.name); });

// A device that always answers with the wrong function: four exchanges, three
// pauses, then the wrong-reply error with the bytes of the last reply.
TEST_F(EthTest, WrongReplyAfterFourAttempts)
{
  auto transport = Transport(TcpUrl());
  server_.AddFault(Fault::Of(Fault::Kind::WrongFunction, -1));
  TUpgradeStartCommand start(5);
  auto begin = Clock::now();
  EXPECT_THROW_MSG(transport->Execute(1, start), EMBCommError,
                   TcpUrl() + ": Некорректный ответ устройства (принято 9 байт)");
  EXPECT_GE(MsSince(begin), 3 * CModbusEth::kRetryPauseMs);
  EXPECT_EQ(start.Attempts, 4u);
  auto log = server_.Log();
  ASSERT_EQ(log.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(log[i].transactionId, i);
}

// A recorder that never answers: the receive wait times out once and the error is
// raised at once, without retries.
TEST_F(EthTest, TimeoutIsNotRetried)
{
  for (bool udp : {false, true}) {
    SCOPED_TRACE(udp ? "udp" : "tcp");
    server_.ClearLog();
    server_.AddFault(Fault::Of(Fault::Kind::Silence));
    auto transport = Transport(udp ? UdpUrl() : TcpUrl());
    transport->SetReplyTimeout(150);
    TUpgradeStartCommand start(5);
    start.ReplyTimeout = 0;
    auto begin = Clock::now();
    EXPECT_THROW_MSG(transport->Execute(1, start), EMBSysError,
                     (udp ? UdpUrl() : TcpUrl()) + ": Ошибка чтения данных\r\nSystem error. Code: 110.\r\nConnection timed out");
    EXPECT_GE(MsSince(begin), 150);
    EXPECT_EQ(server_.Log().size(), 1u);
    EXPECT_FALSE(transport->IsOpen());
  }
}

// One duplicated datagram must cost nothing later: the stale copy is dropped before
// the next request is sent.
TEST_F(EthTest, DuplicatedDatagramDoesNotPoisonLaterRequests)
{
  auto transport = Transport(UdpUrl());
  server_.AddFault(Fault::Of(Fault::Kind::Duplicate));
  TUpgradeStartCommand first(1);
  transport->Execute(1, first);
  ASSERT_TRUE(server_.WaitForReplies(1, 5000));  // both copies have been sent
  TUpgradeStartCommand second(2);
  transport->Execute(1, second);
  EXPECT_EQ(second.Attempts, 0u);
  TUpgradeStartCommand third(3);
  transport->Execute(1, third);
  EXPECT_EQ(third.Attempts, 0u);
  EXPECT_EQ(server_.Log().size(), 3u);
}

// An unresolvable host used to become 0.0.0.0, which on Linux is this computer: the
// recsim listening here would have been taken for the recorder.
TEST_F(EthTest, UnresolvableHostIsNotThisComputer)
{
  auto transport = Transport("no-such-recorder:" + std::to_string(tcpPort_));
  InjectSysFault(SysCallId::GetAddrInfo, 0);
  TUpgradeStartCommand start(1);
  EXPECT_THROW_MSG(transport->Execute(1, start), EMBSysError,
                   "no-such-recorder:" + std::to_string(tcpPort_) +
                       ": Ошибка подключения\r\nSystem error. Code: -2.\r\nName or service not known");
  ClearSysFaults();
  EXPECT_FALSE(transport->IsOpen());
  EXPECT_TRUE(server_.Log().empty());
}

TEST_F(EthTest, ConnectRefusedAndSocketFailures)
{
  // A port nobody listens on: take one from a socket we close again.
  std::uint16_t port;
  {
    Socket probe = Socket::Create(Socket::Type::Tcp);
    probe.Bind({0x7F000001, 0});
    port = probe.LocalAddress().port;
  }
  std::string url = "127.0.0.1:" + std::to_string(port);
  auto refused = Transport(url);
  TUpgradeStartCommand start(1);
  EXPECT_THROW_MSG(refused->Execute(1, start), EMBSysError,
                   url + ": Ошибка подключения\r\nSystem error. Code: 111.\r\nConnection refused");
  EXPECT_FALSE(refused->IsOpen());

  auto transport = Transport(TcpUrl());
  InjectSysFault(SysCallId::Socket, EMFILE);
  EXPECT_THROW_MSG(transport->Execute(1, start), EMBSysError,
                   TcpUrl() + ": Ошибка подключения\r\nSystem error. Code: 24.\r\nToo many open files");
  EXPECT_FALSE(transport->IsOpen());
  // Every failing step of Open closes what it made, so IsOpen never lies.
  InjectSysFault(SysCallId::Connect, ENETUNREACH);
  EXPECT_THROW_MSG(transport->Execute(1, start), EMBSysError,
                   TcpUrl() + ": Ошибка подключения\r\nSystem error. Code: 101.\r\nNetwork is unreachable");
  EXPECT_FALSE(transport->IsOpen());
  InjectSysFault(SysCallId::Send, EPIPE);
  EXPECT_THROW_MSG(transport->Execute(1, start), EMBSysError,
                   TcpUrl() + ": Ошибка записи данных\r\nSystem error. Code: 32.\r\nBroken pipe");
  EXPECT_FALSE(transport->IsOpen());
  InjectSysFault(SysCallId::Recv, ECONNRESET);
  EXPECT_THROW_MSG(transport->Execute(1, start), EMBSysError,
                   TcpUrl() + ": Ошибка чтения данных\r\nSystem error. Code: 104.\r\nConnection reset by peer");
  // EINTR is retried, not reported.
  InjectSysFault(SysCallId::Recv, EINTR, 3);
  InjectSysFault(SysCallId::Poll, EINTR, 2);
  transport->Execute(1, start);
  EXPECT_EQ(start.Status, 0);
  ClearSysFaults();
}

TEST_F(EthTest, DisconnectOnlyClosesTcp)
{
  auto tcp = Transport(TcpUrl());
  EXPECT_FALSE(tcp->Disconnect());
  TUpgradeStartCommand start(1);
  tcp->Execute(1, start);
  EXPECT_TRUE(tcp->IsOpen());
  EXPECT_TRUE(tcp->Disconnect());
  EXPECT_FALSE(tcp->IsOpen());
  tcp->Execute(1, start);  // connects again on its own
  EXPECT_EQ(Connections().size(), 2u);

  auto udp = Transport(UdpUrl());
  udp->Execute(1, start);
  EXPECT_FALSE(udp->Disconnect());
  EXPECT_TRUE(udp->IsOpen());
  udp->Close();
  EXPECT_FALSE(udp->IsOpen());
}
