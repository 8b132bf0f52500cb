#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/config/ItemPlace.h"
#include "recorder/info/FixedValue.h"

class TRegConfig;

// One discrete output (relay): name, the control type the device offers at
// ControlIndex, a byte text, the output mode with its parameters, the regulator that
// drives it, and an extension part on outputs whose channel information has type 2.
// Records: 36 bytes (1.10.6 to the end of the first line), 148 (2.1.54 below 2.1.151,
// and the 2.2 branch) and 220 bytes; 2.0 to 2.1.53 has none.
class TRegDOConfig : public TRegItemPlace {
public:
  // Control type codes (TRegInfo::DOControlTypes).
  static constexpr std::uint8_t kControlSetPoints = 0;
  static constexpr std::uint8_t kControlExternal = 2;
  static constexpr std::uint8_t kControlRegulator = 4;

  std::string Name;
  std::uint32_t ControlIndex = 0;  // position in TRegInfo::DOControlTypes
  std::string Text;                // raw bytes, 119 at most
  std::uint8_t Mode = 0;           // TRegDOChannelMode code, 0-6
  std::uint8_t OptionA = 0;        // 0 or 1
  std::uint8_t OptionB = 0;        // 0-2, modes 0, 2, 4, 5, 6
  bool HasLevel = false;           // modes 1 and 3
  fixed::TFixedPrec<int, 0, 0, 100> Level;
  std::uint8_t PwmOption = 0;      // modes 1 and 3
  std::uint16_t PwmWordA = 10;     // 1-9999
  std::uint16_t PwmWordB = 1;      // 1-9999
  std::uint8_t ActuatorOption = 0; // modes 2 and 4
  std::uint32_t RegulatorIndex = 0;
  std::uint8_t ExtKind = 0;        // 0-4: the extension part
  std::uint8_t ExtByte = 0;
  std::uint16_t ExtWord = 0;
  std::uint8_t ExtA1 = 0;          // kinds 1 and 2
  std::uint8_t ExtA2 = 0;
  std::uint16_t ExtA3 = 0;
  std::uint8_t ExtB1 = 0;          // kind 3
  std::uint16_t ExtB2 = 0;
  std::uint32_t ExtB3 = 0;
  std::uint8_t ExtC1 = 0;          // kind 4
  std::uint8_t ExtC2 = 0;
  std::uint8_t ExtC3 = 0;

  TRegDOConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting; the item keeps its owner and position.
  void Assign(const TRegDOConfig& other) { *this = other; }

  // The channel information of this position has type 2: the record has an extension part.
  bool HasExtension() const;

  static std::uint32_t RecordSize(std::uint32_t version);
  // version: the device's firmware (the store callback passes its SwVersion). A failing
  // check leaves the name, control index, text and mode stored before it.
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
