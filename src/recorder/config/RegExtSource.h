#pragma once

#include <cstdint>

// Where a channel's value comes from when another device supplies it: an RS-485 device
// (Protocol and its fields), a CAN node or an Ethernet peer. Analog inputs and analog
// outputs keep the same settings; which of them a record carries depends on the
// channel's signal or control type. The bit counts are those the records have room for.
struct TRegExtSource {
  static constexpr std::uint32_t kDefaultEthAddress = 0xC0A80101;  // 192.168.1.1

  std::uint8_t Protocol = 0;       // RS-485 protocol 0..3
  std::uint32_t Port = 0;
  std::uint32_t Address = 0;
  std::uint32_t RegisterKind = 0;  // protocol 0; 2 bits
  std::uint32_t Register = 0;      // protocol 0; 16 bits
  std::uint8_t ValueType = 0;      // protocol 0; a TAIMBValueType code
  std::uint32_t Proto1Param1 = 0;  // 8 bits
  std::uint32_t Proto1Param2 = 0;  // 8 bits
  std::uint32_t Proto1Param3 = 0;  // 4 bits
  std::uint32_t Proto1Param4 = 0;  // 4 bits
  std::uint32_t Proto2Param1 = 0;  // 8 bits
  std::uint16_t Proto2Param2 = 0;
  std::uint32_t Proto3Param = 0;   // 8 bits
  std::uint32_t CanParam1 = 0;     // 8 bits
  std::uint32_t CanParam2 = 0;     // 8 bits
  std::uint32_t CanParam3 = 0;     // 0 or 1
  std::uint32_t CanParam4 = 0;     // 16 bits
  std::uint8_t EthOption = 0;
  // IPv4, the first number of the dotted form in the most significant byte.
  std::uint32_t EthAddress = kDefaultEthAddress;
  std::uint32_t EthRegisterKind = 0;  // 2 bits
  std::uint8_t EthValueType = 0;      // a TAIMBValueType code
  std::uint32_t EthRegister = 0;      // 16 bits

  void SetDefaults() { *this = TRegExtSource{}; }

  friend bool operator==(const TRegExtSource&, const TRegExtSource&) = default;
};
