#include <gtest/gtest.h>

#include "app/core/ConnectionSettings.h"
#include "modbus/CModbusEth.h"
#include "modbus/CModbusRTU.h"
#include "modbus/MBErrors.h"

using namespace ModbusMaster;

TEST(CreateConnectionFromSettings, SerialLine)
{
  struct Row {
    const char* name;
    int parity, stopBits, seconds;
    TMBParity lineParity;
    TMBStopBits lineStopBits;
    std::uint32_t timeoutMs;
  };
  const Row rows[] = {
      {"none, one, 10 s", 0, 0, 10, ParityNone, OneStopBit, 10000},
      {"odd, two, 1 s", 1, 1, 1, ParityOdd, TwoStopBits, 1000},
      {"even, 200 s", 2, 0, 200, ParityEven, OneStopBit, 200000},
      {"0 s is at least one second", 0, 0, 0, ParityNone, OneStopBit, 1000},
      {"a negative timeout too", 0, 0, -5, ParityNone, OneStopBit, 1000},
      // The dialog never hands these back; a scan passes the stored timeout on unchecked.
      {"a timeout the dialog would not offer does not overflow", 0, 0, 5000000, ParityNone, OneStopBit, 200000},
      {"other codes as the dialog shows them", 9, 7, 10, ParityEven, OneStopBit, 10000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConnectionSettings s;
    s.PortName = "/dev/ttyUSB0";
    s.BaudRate = 19200;
    s.Parity = row.parity;
    s.StopBits = row.stopBits;
    s.DeviceAddress = 17;
    s.RtuTimeout = row.seconds;
    s.EthTimeout = 99;
    std::unique_ptr<CBaseModbus> transport;
    std::uint8_t unit = 0;
    ASSERT_TRUE(CreateConnectionFromSettings(s, transport, unit));
    auto* rtu = dynamic_cast<CModbusRTU*>(transport.get());
    ASSERT_NE(rtu, nullptr);
    EXPECT_EQ(rtu->PortName(), "/dev/ttyUSB0");
    EXPECT_EQ(rtu->BaudRate(), 19200u);
    EXPECT_EQ(rtu->Parity(), row.lineParity);
    EXPECT_EQ(rtu->StopBits(), row.lineStopBits);
    EXPECT_EQ(rtu->ReplyTimeout(), row.timeoutMs);
    EXPECT_FALSE(rtu->IsOpen()) << "the first request opens it";
    EXPECT_EQ(unit, 17);
  }
}

TEST(CreateConnectionFromSettings, EthernetAnswersAsUnitOne)
{
  struct Row {
    const char* url;
    CModbusEth::TMode mode;
    const char* host;
    std::uint32_t port;
  };
  const Row rows[] = {
      {"192.168.0.10", CModbusEth::ModeTcp, "192.168.0.10", 502},
      {"mbtcp://10.0.0.5:1502", CModbusEth::ModeTcp, "10.0.0.5", 1502},
      {"mbudp://127.0.0.1:2000", CModbusEth::ModeUdp, "127.0.0.1", 2000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.url);
    ConnectionSettings s;
    s.Interface = ConnectionSettings::Ethernet;
    s.DeviceAddress = 17;
    s.RtuTimeout = 50;
    s.EthAddress = row.url;
    s.EthTimeout = 3;
    std::unique_ptr<CBaseModbus> transport;
    std::uint8_t unit = 0;
    ASSERT_TRUE(CreateConnectionFromSettings(s, transport, unit));
    auto* eth = dynamic_cast<CModbusEth*>(transport.get());
    ASSERT_NE(eth, nullptr);
    EXPECT_EQ(eth->Mode(), row.mode);
    EXPECT_EQ(eth->Host(), row.host);
    EXPECT_EQ(eth->Port(), row.port);
    EXPECT_EQ(eth->ReplyTimeout(), 3000u);
    EXPECT_EQ(unit, 1);
  }
}

TEST(CreateConnectionFromSettings, TheNewTransportReplacesTheOld)
{
  std::unique_ptr<CBaseModbus> transport = std::make_unique<CModbusEth>();
  ConnectionSettings s;
  s.PortName = "/dev/ttyS0";
  s.BaudRate = 9600;
  s.DeviceAddress = 3;
  std::uint8_t unit = 0;
  ASSERT_TRUE(CreateConnectionFromSettings(s, transport, unit));
  EXPECT_NE(dynamic_cast<CModbusRTU*>(transport.get()), nullptr);
}

TEST(CreateConnectionFromSettings, SettingsThatBuildNothingLeaveTheHolder)
{
  struct Row {
    const char* name;
    int interface;
    int address;
    int baudRate;
  };
  const Row rows[] = {
      {"interface 2", 2, 5, 9600},
      {"interface -1", -1, 5, 9600},
      {"address 248", ConnectionSettings::Serial, 248, 9600},
      {"address -1", ConnectionSettings::Serial, -1, 9600},
      {"no baud rate", ConnectionSettings::Serial, 5, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto old = std::make_unique<CModbusEth>();
    CBaseModbus* oldPointer = old.get();
    std::unique_ptr<CBaseModbus> transport = std::move(old);
    ConnectionSettings s;
    s.Interface = row.interface;
    s.PortName = "/dev/ttyS0";
    s.BaudRate = row.baudRate;
    s.DeviceAddress = row.address;
    s.EthAddress = "10.0.0.1";
    std::uint8_t unit = 77;
    EXPECT_FALSE(CreateConnectionFromSettings(s, transport, unit));
    EXPECT_EQ(transport.get(), oldPointer);
    EXPECT_EQ(unit, 77);
  }
}

TEST(CreateConnectionFromSettings, AnAddressTheTransportRefusesRaises)
{
  for (const char* url : {"http://10.0.0.1", "10.0.0.1:http", "10.0.0.1:70000"}) {
    SCOPED_TRACE(url);
    ConnectionSettings s;
    s.Interface = ConnectionSettings::Ethernet;
    s.EthAddress = url;
    std::unique_ptr<CBaseModbus> transport;
    std::uint8_t unit = 77;
    EXPECT_THROW(CreateConnectionFromSettings(s, transport, unit), EMBError);
    EXPECT_EQ(transport, nullptr);
    EXPECT_EQ(unit, 77);
  }
}
