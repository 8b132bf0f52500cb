// libmodbus as an independent Modbus server: our transports read its input
// registers (function 0x04) with a plain message, over TCP and over RTU on a
// pseudo-terminal. A framing mistake shared by our transport and our simulator
// would not pass here.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <modbus.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "modbus/CModbusEth.h"
#include "modbus/CModbusRTU.h"
#include "platform/SerialPort.h"

using namespace ModbusMaster;

namespace {

constexpr int kRegisters = 10;

// Serves requests of one context on a thread until told to stop.
class LibmodbusServer {
public:
  explicit LibmodbusServer(modbus_t* ctx) : ctx_(ctx), mapping_(modbus_mapping_new(0, 0, 0, kRegisters))
  {
    for (int i = 0; i < kRegisters; ++i) mapping_->tab_input_registers[i] = static_cast<std::uint16_t>(0x1000 + i * 0x111);
    modbus_set_indication_timeout(ctx_, 0, 50000);
  }
  ~LibmodbusServer()
  {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    modbus_mapping_free(mapping_);
    modbus_free(ctx_);
  }
  void Serve(int fd)
  {
    modbus_set_socket(ctx_, fd);
    thread_ = std::thread([this] {
      std::uint8_t query[MODBUS_MAX_ADU_LENGTH];
      while (!stop_) {
        int length = modbus_receive(ctx_, query);
        if (length > 0) {
          modbus_reply(ctx_, query, length, mapping_);
        } else if (length < 0 && errno != ETIMEDOUT) {
          if (modbus_get_socket(ctx_) < 0) return;
        }
      }
    });
  }
  modbus_t* Context() { return ctx_; }

private:
  modbus_t* ctx_;
  modbus_mapping_t* mapping_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A plain message: function 0x04, start register and quantity big-endian.
void ReadInputRegisters(CBaseModbus& transport, std::uint8_t unit)
{
  TBaseModbusMessage message;
  message.Request.SetFunction(0x04);
  PutU16BE(message.Request.UnitPtr(), 0, 2);
  PutU16BE(message.Request.UnitPtr(), 2, 3);
  message.Request.SetLength(6);
  transport.Execute(unit, message);
  ASSERT_EQ(message.Reply.Length(), 2 + 1 + 6);
  EXPECT_EQ(message.Reply.Data()[0], 6);  // byte count
  EXPECT_EQ(GetU16BE(message.Reply.UnitPtr(), 1), 0x1222);
  EXPECT_EQ(GetU16BE(message.Reply.UnitPtr(), 3), 0x1333);
  EXPECT_EQ(GetU16BE(message.Reply.UnitPtr(), 5), 0x1444);
  EXPECT_EQ(message.Attempts, 0u);
}

}  // namespace

TEST(LibmodbusPeer, Tcp)
{
  modbus_t* ctx = modbus_new_tcp("127.0.0.1", 0);
  ASSERT_NE(ctx, nullptr);
  LibmodbusServer server(ctx);
  int listener = modbus_tcp_listen(ctx, 1);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  socklen_t size = sizeof address;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
  std::string url = "mbtcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port));

  std::thread acceptor([&] {
    int client = listener;
    modbus_tcp_accept(ctx, &client);
  });
  CModbusEth transport;
  transport.SetParams(url);
  transport.Open();
  acceptor.join();
  ::close(listener);
  server.Serve(modbus_get_socket(ctx));
  ReadInputRegisters(transport, 1);
  ReadInputRegisters(transport, 1);
  transport.Close();
}

TEST(LibmodbusPeer, RtuOnPseudoTerminal)
{
  PseudoTerminal pty;
  modbus_t* ctx = modbus_new_rtu(pty.SlavePath().c_str(), 115200, 'N', 8, 1);
  ASSERT_NE(ctx, nullptr);
  modbus_set_slave(ctx, 7);
  LibmodbusServer server(ctx);
  server.Serve(pty.MasterFd());
  CModbusRTU transport;
  transport.SetParams(pty.SlavePath(), 115200, ParityNone, OneStopBit);
  ReadInputRegisters(transport, 7);
  ReadInputRegisters(transport, 7);
}
