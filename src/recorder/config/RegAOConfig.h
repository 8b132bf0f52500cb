#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/ItemPlace.h"
#include "recorder/config/RegExtSource.h"
#include "recorder/info/FixedValue.h"

class TRegConfig;

// One analog output channel: where its value comes from (the control type the device
// offers at ControlTypeIndex: external, expression, manual, RS-485, Ethernet, CAN or a
// PID regulator), its output range and units, an extension output's settings and one
// event item. A record per channel: 160 bytes up to 2.1.109 and on the 2.2 branch, 248
// bytes from 2.1.110 on; first-line firmware below 1.6 has none.
class TRegAOConfig : public TRegItemPlace, public TChEventJobClass<TEventJobClass, 0> {
public:
  using Decimal = fixed::TFloatPrec<int, 1, 6, -9999999, 9999999>;

  std::string Name;
  std::uint32_t ControlTypeIndex = 0;  // position in TRegInfo::AOControlTypes
  std::uint8_t Option1 = 2;
  std::uint8_t Option2 = 2;
  std::uint8_t Option3 = 0;  // 0 or 1 (248-byte records)
  Decimal OutputValue;
  TRegExtSource Source;
  std::uint32_t CtlParam1 = 0;  // control type 6
  std::uint8_t CtlParam2 = 0;
  fixed::TFixedPrec<int, 1, -1000, 1000> CtlLow;
  fixed::TFixedPrec<int, 1, -1000, 1000> CtlHigh;
  Decimal CtlScaleLow;
  Decimal CtlScaleHigh;
  std::string Expression;  // raw code page 1251 bytes
  Decimal OutputLow;
  Decimal OutputHigh;
  fixed::TFixedPrec<int, 0, 1, 4> OutputDecimals;
  std::string Units;
  std::uint8_t ExtKind = 0;  // 0..4, extension outputs only
  std::uint8_t ExtByte1 = 0;
  std::uint16_t ExtWord1 = 0;
  std::uint8_t Ext12Byte1 = 0;
  std::uint8_t Ext12Byte2 = 0;
  std::uint16_t Ext12Word = 0;
  std::uint8_t Ext12Byte3 = 0;
  std::uint8_t Ext3Byte1 = 0;
  std::uint8_t Ext3Byte2 = 0;
  std::uint16_t Ext3Word = 0;
  std::uint32_t Ext3Dword = 0;
  std::uint8_t Ext4Byte1 = 0;
  std::uint8_t Ext4Byte2 = 0;
  std::uint8_t Ext4Byte3 = 0;
  // As the device keeps it: byte 0 the header (bits 0-3 event flags, 4-5 action field
  // A, 6-7 action field B), bytes 1-2 two parameters, byte 3 spare, bytes 4-5 and 6-7
  // two event-action codes.
  std::array<std::uint8_t, 8> Event{};
  std::uint8_t OutputFlag = 0;  // 0 or 1 (248-byte records)

  TRegAOConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegAOConfig& other) { *this = other; }

  // The channel is an extension output (its channel information has kind 1).
  bool HasExtension() const;

  static std::uint32_t RecordSize(std::uint32_t version);
  // version: the device's firmware (the store callback passes its SwVersion).
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  // Appends the record for the target firmware; 0 (nothing) below 1.6.
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
