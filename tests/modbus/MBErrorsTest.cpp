#include <gtest/gtest.h>

#include <cerrno>

#include "modbus/MBErrors.h"
#include "platform/LoadStr.h"
#include "support/ModbusTestUtil.h"

using namespace ModbusMaster;

// The communication texts byte for byte: 2010 begins with a Latin O, 2011 keeps its
// spelling, 2005 and 2009 are the same text.
TEST(MBErrors, StringTable)
{
  struct Row {
    int id;
    const char* text;
  } rows[] = {
      {2002, "Ошибка подключения\r\n%s"},
      {2003, "Ошибка записи данных\r\n%s"},
      {2004, "Ошибка чтения данных\r\n%s"},
      {2005, "Таймаут приема ответа (принято %u байт)"},
      {2006, "Ошибка приема Overrun (принято %u байт)"},
      {2007, "Ошибка кадровой синхронизации (принято %u байт)"},
      {2008, "Ошибка контроля четности (принято %u байт)"},
      {2009, "Таймаут приема ответа (принято %u байт)"},
      {2010, "O\xD1\x88ибка контрольной суммы (принято %u байт)"},
      {2011, "Ответ устройства не соответсвует протоколу Modbus (принято %u байт)"},
      {2012, "Некорректный ответ устройства (принято %u байт)"},
      {2013, "System error. Code: %d.\r\n%s"},
      {2014, "Неподдерживаемый протокол (%s)"},
      {2015, "Server Exception %d (%s)"},
      {2016, "Illegal command"},
      {2017, "Illegal data address"},
      {2018, "Illegal data value"},
      {2019, "Server failure"},
      {2020, "Acknowledge"},
      {2021, "Server busy"},
      {2022, "Memory parity error"},
      {2023, "Gateway path unavailable"},
      {2024, "Gateway target fail"},
      {2025, "%s, адрес %u"},
      {2026, "Некорректный параметр %s"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    EXPECT_EQ(LoadStr(row.id), row.text);
  }
  EXPECT_EQ(LoadStr(2010)[0], 'O');  // one byte: the Latin letter, not the Cyrillic one
}

TEST(MBErrors, Messages)
{
  struct Row {
    const char* name;
    std::string message;
    const char* expected;
  } rows[] = {
      {"empty detail is the source alone", EMBError("src", std::string()).Message(), "src"},
      {"detail", EMBError("src", std::string("detail")).Message(), "src: detail"},
      {"format", EMBError("src", std::string_view("%s-%u"), {"a", 7u}).Message(), "src: a-7"},
      {"cancel", EMBCancelError("10.0.0.5").Message(), "10.0.0.5"},
      {"server exception on a device path",
       EMBServerException("/dev/ttyUSB0, адрес 1", 2).Message(),
       "/dev/ttyUSB0, адрес 1: Server Exception 2 (Illegal data address)"},
      {"exception 7 has no name", EMBServerException("p", 7).Message(), "p: Server Exception 7 (?)"},
      {"exception 9 has no name", EMBServerException("p", 9).Message(), "p: Server Exception 9 (?)"},
      {"exception 12 has no name", EMBServerException("p", 12).Message(), "p: Server Exception 12 (?)"},
      {"exception 11", EMBServerException("p", 11).Message(), "p: Server Exception 11 (Gateway target fail)"},
      {"system error with code", EMBSysError("/dev/ttyUSB0", 2002, ENOENT).Message(),
       "/dev/ttyUSB0: Ошибка подключения\r\nSystem error. Code: 2.\r\nNo such file or directory"},
      {"system error with code 0 ends in a line break", EMBSysError("COM3", 2003, 0).Message(),
       "COM3: Ошибка записи данных\r\n"},
      {"scheme", EMBSysError("MBTCP://h", 2014, std::string_view("MBTCP")).Message(),
       "MBTCP://h: Неподдерживаемый протокол (MBTCP)"},
      {"parameter", EMBPramError("COM3", "Parity").Message(), "COM3: Некорректный параметр Parity"},
      {"timeout", EMBReplyTimeoutError("u", 0).Message(), "u: Таймаут приема ответа (принято 0 байт)"},
      {"crc", EMBReplyCRCError("u", 5).Message(), "u: O\xD1\x88ибка контрольной суммы (принято 5 байт)"},
      {"frame", EMBReplyFrameError("u", 3).Message(), "u: Ошибка кадровой синхронизации (принято 3 байт)"},
      {"parity", EMBReplyParityError("u", 3).Message(), "u: Ошибка контроля четности (принято 3 байт)"},
      {"length", EMBReplyLengthError("u", 3).Message(), "u: Таймаут приема ответа (принято 3 байт)"},
      {"tx timeout", EMBCommError("u", 2003, {"Tx Timeout"}).Message(), "u: Ошибка записи данных\r\nTx Timeout"},
      {"device error", EMBDeviceError("u", 2025, {"x", 3u}).Message(), "u: x, адрес 3"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.message, row.expected);
  }
}

// The recorder-access layer derives its family from EMBDeviceError and relies on
// catching the whole family by the base classes.
TEST(MBErrors, Hierarchy)
{
  EMBServerException server("s", 2);
  EXPECT_EQ(server.Code(), 2u);
  EXPECT_NE(dynamic_cast<const EMBDeviceError*>(&server), nullptr);
  EMBReplyCRCError crc("s", 1);
  EXPECT_NE(dynamic_cast<const EMBCommError*>(&crc), nullptr);
  const EMBError& base = crc;
  EXPECT_NE(dynamic_cast<const Exception*>(&base), nullptr);
  EXPECT_EQ(base.Source(), "s");
  EXPECT_EQ(base.Detail(), "Oшибка контрольной суммы (принято 1 байт)");
}
