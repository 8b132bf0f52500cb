#include <gtest/gtest.h>

#include <chrono>

#include "platform/Bytes.h"
#include "platform/SerialPort.h"
#include "platform/Socket.h"
#include "recsim/Device.h"
#include "recsim/RecordHandlers.h"
#include "recsim/Server.h"

using namespace recsim;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

// Reads until `count` bytes came or the line stayed quiet for `quietMs`.
template <typename Line>
Bytes ReadSome(Line& line, std::size_t count, int quietMs = 3000)
{
  Bytes got;
  std::uint8_t buffer[512];
  while (got.size() < count) {
    if (line.Wait(WaitFor::Read, quietMs, nullptr) != WaitResult::Ready) break;
    IoResult r = line.Recv(buffer, sizeof buffer);
    if (r.wouldBlock) continue;
    if (r.bytes == 0) break;
    got.insert(got.end(), buffer, buffer + r.bytes);
  }
  return got;
}

// The serial side speaks through Read/Write; give it the socket's names.
struct SerialClient {
  std::unique_ptr<SerialPort> port;
  WaitResult Wait(WaitFor what, int ms, const Event* cancel) { return port->Wait(what, ms, cancel); }
  IoResult Recv(std::uint8_t* data, std::size_t size) { return port->Read(data, size); }
  void Send(const Bytes& bytes) { ASSERT_EQ(port->Write(bytes.data(), bytes.size()).bytes, bytes.size()); }
};

SerialClient OpenSerial(const std::string& path)
{
  SerialClient client{SerialPort::Open(path)};
  client.port->Configure({115200, SerialParity::None, false});
  return client;
}

Socket ConnectTcp(std::uint16_t port)
{
  Socket socket = Socket::Create(Socket::Type::Tcp);
  if (!socket.Connect({kLoopback, port})) socket.Wait(WaitFor::Write, 5000, nullptr);
  return socket;
}

class ServerTest : public testing::Test {
protected:
  void SetUp() override
  {
    tcpPort_ = server_.ListenTcp();
    udpPort_ = server_.ListenUdp();
    rtuPath_ = server_.OpenRtu();
    server_.WithDevice([](Device& d) {
      d.records.Set(0x64, 0, {0xAA, 0xBB, 0xCC});
      Bytes file(600);
      for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i);
      d.recordFiles[2] = file;
    });
    server_.Start();
  }

  Server server_;
  std::uint16_t tcpPort_ = 0, udpPort_ = 0;
  std::string rtuPath_;
};

}  // namespace

// Frames from vectors.py (an independent CRC) and by hand (MBAP).
TEST_F(ServerTest, WireVectors)
{
  Socket tcp = ConnectTcp(tcpPort_);
  Bytes request{0x00, 0x05, 0x00, 0x00, 0x00, 0x03, 0x01, 0x64, 0x00};
  ASSERT_EQ(tcp.Send(request.data(), request.size()).bytes, request.size());
  EXPECT_EQ(ReadSome(tcp, 13), (Bytes{0x00, 0x05, 0x00, 0x00, 0x00, 0x07, 0x01, 0x64, 0x00, 0x03, 0xAA, 0xBB, 0xCC}));

  SerialClient rtu = OpenSerial(rtuPath_);
  rtu.Send({0x01, 0x64, 0x00, 0x0A, 0xC0});
  EXPECT_EQ(ReadSome(rtu, 9), (Bytes{0x01, 0x64, 0x00, 0x03, 0xAA, 0xBB, 0xCC, 0x51, 0x25}));
  rtu.Send({0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD});  // a function it lacks
  EXPECT_EQ(ReadSome(rtu, 5), (Bytes{0x01, 0x83, 0x01, 0x80, 0xF0}));
  rtu.Send({0x02, 0x64, 0x00, 0x0A, 0xC0});  // wrong CRC for unit 2: noise, dropped after a silence
  EXPECT_TRUE(ReadSome(rtu, 1, 200).empty());
  rtu.Send({0x01, 0x64, 0x00, 0x0A, 0xC0});
  EXPECT_EQ(ReadSome(rtu, 9).size(), 9u);

  auto log = server_.Log();
  ASSERT_EQ(log.size(), 4u);  // the noise is no request
  EXPECT_EQ(log[0].link, Link::Tcp);
  EXPECT_EQ(log[0].transactionId, 5);
  EXPECT_EQ(log[0].connection, 1u);
  EXPECT_EQ(log[0].unit, 1);
  EXPECT_EQ(log[0].function, 0x64);
  EXPECT_EQ(log[0].data, Bytes{0x00});
  EXPECT_EQ(log[1].link, Link::Rtu);
  EXPECT_EQ(log[2].data, (Bytes{0x00, 0x00, 0x00, 0x0A}));
  std::string line = FormatLogEntry(log[0]);
  EXPECT_NE(line.find(" tcp conn=1 tid=5 unit=1 fn=0x64 data=00"), std::string::npos) << line;
}

// On the serial line other units' requests are heard (and logged) but not answered.
TEST_F(ServerTest, SerialAnswersOnlyItsUnit)
{
  server_.WithDevice([](Device& d) { d.unit = 9; });
  SerialClient rtu = OpenSerial(rtuPath_);
  rtu.Send({0x01, 0x64, 0x00, 0x0A, 0xC0});
  EXPECT_TRUE(ReadSome(rtu, 1, 200).empty());
  EXPECT_EQ(server_.Log().size(), 1u);
}

// Several recorders on one line, each answering its own unit (frames from vectors.py).
TEST_F(ServerTest, SeveralDevicesShareTheLine)
{
  server_.AddLineDevice(2);
  server_.WithDeviceAt(2, [](Device& d) { d.records.Set(0x64, 0, {0xAA, 0xBB, 0xCC}); });
  SerialClient rtu = OpenSerial(rtuPath_);
  rtu.Send({0x02, 0x64, 0x00, 0xFA, 0xC0});
  EXPECT_EQ(ReadSome(rtu, 9), (Bytes{0x02, 0x64, 0x00, 0x03, 0xAA, 0xBB, 0xCC, 0x62, 0x25}));
  rtu.Send({0x01, 0x64, 0x00, 0x0A, 0xC0});
  EXPECT_EQ(ReadSome(rtu, 9), (Bytes{0x01, 0x64, 0x00, 0x03, 0xAA, 0xBB, 0xCC, 0x51, 0x25}));
  EXPECT_THROW(server_.WithDeviceAt(3, [](Device&) {}), std::out_of_range);
}

// Sent at another baud rate, a request is noise to the devices: logged, not answered.
TEST_F(ServerTest, TheLineAnswersOnlyAtItsSettings)
{
  server_.AnswerOnlyAt({19200, SerialParity::None, true});
  SerialClient rtu = OpenSerial(rtuPath_);
  rtu.Send({0x01, 0x64, 0x00, 0x0A, 0xC0});
  EXPECT_TRUE(ReadSome(rtu, 1, 200).empty());
  rtu.port->Configure({19200, SerialParity::None, true});
  rtu.Send({0x01, 0x64, 0x00, 0x0A, 0xC0});
  EXPECT_EQ(ReadSome(rtu, 9).size(), 9u);

  const auto log = server_.Log();
  ASSERT_EQ(log.size(), 2u);
  ASSERT_TRUE(log[0].line.has_value());
  EXPECT_EQ(log[0].line->baudRate, 115200u);
  EXPECT_EQ(log[1].line->baudRate, 19200u);
  const std::string text = FormatLogEntry(log[1]);
  EXPECT_NE(text.find(" rtu conn=0 tid=0 unit=1 fn=0x64 line=19200-8N2 data=00"), std::string::npos) << text;
}

TEST_F(ServerTest, DuplicatedDatagram)
{
  server_.AddFault(Fault::Of(Fault::Kind::Duplicate));
  Socket udp = Socket::Create(Socket::Type::Udp);
  udp.Connect({kLoopback, udpPort_});
  Bytes request{0x12, 0x34, 0x00, 0x00, 0x00, 0x03, 0x01, 0x64, 0x00};
  udp.Send(request.data(), request.size());
  Bytes expected{0x12, 0x34, 0x00, 0x00, 0x00, 0x07, 0x01, 0x64, 0x00, 0x03, 0xAA, 0xBB, 0xCC};
  for (int copy = 0; copy < 2; ++copy) {
    // The copy is queued by the time the first has been read: a client that answers at
    // once still finds it before its next request.
    ASSERT_EQ(udp.Wait(WaitFor::Read, copy == 0 ? 5000 : 0, nullptr), WaitResult::Ready) << "copy " << copy;
    std::uint8_t buffer[64];
    IoResult got = udp.Recv(buffer, sizeof buffer);
    EXPECT_EQ(Bytes(buffer, buffer + got.bytes), expected);
  }
}

TEST(RecordHandlers, RecordFileBlocks)
{
  Device device;
  device.recordFiles[2] = Bytes(600, 0x5A);
  auto ask = [&](std::uint8_t type, std::uint8_t n, std::uint16_t position) {
    Request request;
    request.function = 0x69;
    request.data = {type, n, static_cast<std::uint8_t>(position), static_cast<std::uint8_t>(position >> 8)};
    return HandleRecordFileRead(device, request);
  };
  Response size = ask(2, 0, 0);
  EXPECT_EQ(size.data, (Bytes{2, 4, 0, 0, 0x58, 0x02, 0, 0}));  // 600 = 0x258
  struct Row {
    std::uint16_t position;
    std::size_t delivered;
  } rows[] = {{0, 248}, {1, 248}, {2, 104}, {3, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.position);
    Response block = ask(2, 248, row.position);
    ASSERT_EQ(block.kind, Response::Kind::Reply);
    ASSERT_EQ(block.data.size(), 4 + row.delivered);
    EXPECT_EQ(block.data[1], row.delivered);
    EXPECT_EQ(block.data[2] | block.data[3] << 8, row.position);
  }
  EXPECT_EQ(ask(3, 0, 0).exceptionCode, kIllegalDataAddress);
}

// How a module plugs in: its own handler and its own device state, no change to the
// dispatcher; a module taking a function over can fall back on the one before.
TEST(HandlerTable, ModulesPlugIn)
{
  struct Identity {
    std::string vendor = "Corvane";
  };
  HandlerTable table = DefaultHandlers();
  table.Register(0x2B, [](Device& device, const Request&) {
    const std::string& vendor = device.Extension<Identity>().vendor;
    return Response::Reply(Bytes(vendor.begin(), vendor.end()));
  });
  table.Register(0x6E, [](Device&, const Request& request) {
    return Response::Reply({ByteReader(request.data).u8(5)});  // trips over a short request
  });
  Handler records = table.Register(0x69, [](Device&, const Request&) { return Response::Silence(); });
  ASSERT_TRUE(records);
  table.Register(0x69, [records](Device& device, const Request& request) {
    if (request.data.size() == 4 && request.data[0] == 0xEE) return Response::Exception(kIllegalDataValue);
    return records(device, request);
  });

  Server server(std::move(table));
  std::uint16_t port = server.ListenTcp();
  server.WithDevice([](Device& d) {
    d.Extension<Identity>().vendor = "Pelkar";
    d.recordFiles[1] = {1, 2, 3};
  });
  server.Start();
  Socket tcp = ConnectTcp(port);
  Bytes identify{0, 1, 0, 0, 0, 2, 1, 0x2B};
  tcp.Send(identify.data(), identify.size());
  EXPECT_EQ(ReadSome(tcp, 14), (Bytes{0, 1, 0, 0, 0, 8, 1, 0x2B, 'P', 'e', 'l', 'k', 'a', 'r'}));
  Bytes file{0, 2, 0, 0, 0, 6, 1, 0x69, 1, 0, 0, 0};
  tcp.Send(file.data(), file.size());
  EXPECT_EQ(ReadSome(tcp, 16), (Bytes{0, 2, 0, 0, 0, 10, 1, 0x69, 1, 4, 0, 0, 3, 0, 0, 0}));
  Bytes login{0, 3, 0, 0, 0, 3, 1, 0x6E, 0};
  tcp.Send(login.data(), login.size());
  EXPECT_EQ(ReadSome(tcp, 9), (Bytes{0, 3, 0, 0, 0, 3, 1, 0xEE, 4}));
}
