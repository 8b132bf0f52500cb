#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/ItemPlace.h"
#include "recorder/info/FixedValue.h"

class TRegConfig;

// One discrete input channel: its source among the modes the device offers for it (the
// record keeps the position in the channel's mode list), name, three settings, the
// parameters of a bus, CAN, Ethernet or external source, two events and a byte text.
// Read at the owner's firmware; the device record has five layouts: 39, 44, 48 and 52
// bytes (first line, and the second line below 2.1.51) and 172 bytes.
class TRegDIConfig : public TRegItemPlace, public TChEventJobClass<TEventJobClass, 0> {
public:
  // As the 2.x records keep it: the header (bits 0-3 event flags, 4-5 action field A,
  // 6-7 action field B), two parameter bytes and two event-action codes.
  struct TRegDIEvent {
    std::uint8_t Header = 0;
    std::array<std::uint8_t, 2> Params{};
    std::array<std::uint16_t, 2> Codes{};
  };

  // Mode codes of second-line devices: what the source of a channel is.
  static constexpr std::uint8_t kNone = 0;
  static constexpr std::uint8_t kDiscrete = 1;
  static constexpr std::uint8_t kRs485 = 2;
  static constexpr std::uint8_t kRNet = 3;
  static constexpr std::uint8_t kCan = 4;
  static constexpr std::uint8_t kExternal = 5;  // "вручную", "внешний" from 2.1.129
  static constexpr std::uint8_t kEthernet = 6;
  static constexpr std::uint8_t kMathematical = 7;

  static constexpr std::uint32_t kDefaultEthIPv4 = 0xC0A80101;  // 192.168.1.1

  std::uint8_t ModeIndex = 0;  // position in the channel's mode list (TRegInfo's DIChannels)
  std::string Name;
  fixed::TFixedPrec<int, 0, 0, 250> Param0;
  fixed::TFixedPrec<int, 2, 0, 250> ParamA;
  fixed::TFixedPrec<int, 2, 0, 250> ParamB;
  // The source's parameters.
  std::uint8_t BusMode = 0;  // RS-485 addressing variant 0-2 (from 2.1.30)
  std::uint32_t BusByte = 0;
  std::uint32_t BusWord = 0;
  std::uint32_t FieldA2 = 0;  // variant 0
  std::uint32_t Number16 = 0;
  std::uint32_t FieldB6 = 0;
  std::uint32_t AltByte1 = 0;  // variant 1 and RNet
  std::uint32_t AltByte2 = 0;
  std::uint32_t AltNibble1 = 0;
  std::uint32_t AltNibble2 = 0;
  std::uint32_t Alt2Byte = 0;  // variant 2
  std::uint16_t Alt2Word = 0;
  std::uint8_t EthByte = 0;
  std::uint32_t EthIPv4 = kDefaultEthIPv4;  // as the record stores it
  std::uint32_t EthFieldA2 = 0;
  std::uint32_t EthNumber16 = 0;
  std::uint32_t EthFieldB6 = 0;
  std::uint32_t CanByte1 = 0;
  std::uint32_t CanByte2 = 0;
  std::uint32_t CanFlag = 0;  // 0 or 1
  std::uint32_t CanNumber16 = 0;
  std::uint8_t ExternalByte = 0;
  std::uint8_t InputByte = 0;  // 0 or 1
  std::array<TRegDIEvent, 2> Events{};
  std::string Text;  // raw bytes, 119 at most

  TRegDIConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegDIConfig& other) { *this = other; }

  // The mode code at ModeIndex in the channel's list: the kind of source (0 outside it).
  std::uint8_t Kind() const;

  // 39, 44, 48, 52 or 172 by firmware; EVantorUnsupportedNewVer above 2.1.160 outside
  // the 2.2 branch.
  static std::uint32_t RecordSize(std::uint32_t version);
  // At the owner's SwVersion. The name and ModeIndex are stored before the source's
  // parameters are checked.
  void ReadRecord(std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;

private:
  void ResetSource();
};
