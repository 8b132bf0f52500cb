#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/info/RegInfo.h"

// One analog signal type the device supports: its code, two ranges and the decimals its
// values are shown with. Two record layouts: A (18 bytes, the code is the record's
// index) up to 1.7 and on 1.9; B (14 bytes, the code in byte 0) on 1.8 and from 1.10.
class TRegInfo::TRegAIChannelSignalSupportInfo {
public:
  std::uint32_t Valid = 0;        // 1 once a record has been read
  std::uint8_t SignalCode = 0;    // 0..18
  std::int32_t AuxParam = 0;
  std::int32_t Decimals = 0;
  std::string Name;               // set by the list builder
  std::string UnitText;
  std::string UnitSuffix;         // " " + UnitText, or empty

  void ReadRecord(std::uint32_t swVersion, std::uint32_t index, std::span<const std::uint8_t> record);
  static std::uint32_t RecordSize(std::uint32_t swVersion);
  std::uint32_t WriteRecord(std::uint32_t swVersion, std::vector<std::uint8_t>& out) const;

  // The ranges of an entry that was read; EVantorInvalid for one that never was.
  float Range1Low() const;
  float Range1High() const;
  float Range2Low() const;
  float Range2High() const;

  // For entries built by hand (device profiles, tests); leaves Valid alone.
  void SetRanges(float range1Low, float range1High, float range2Low, float range2High);

private:
  float range1Low_ = 0.0f;
  float range1High_ = 1.0f;
  float range2Low_ = 0.0f;
  float range2High_ = 1.0f;
};

// One analog input channel: its kind, its number within the kind and the signal types
// it accepts, as positions in TRegInfo::AISignalSupport.
class TRegInfo::TRegAIChannelInfo {
public:
  static constexpr std::size_t kMaxSignals = 24;
  // The list layouts have room for this many positions (10 or 12 bytes).
  static constexpr std::size_t kMaxListSignals = 9;

  std::uint8_t Kind = 0;          // 0 "АВ", 1 "АП", 2 "ЧВ", 3 "МВ", 4 "АВП"
  std::uint8_t Number = 0;        // within the kind, from 0
  std::uint8_t SignalCount = 0;
  std::array<std::uint8_t, kMaxSignals> Signals{};
  std::uint32_t SignalMask = 0;   // 0 for the list layouts
  std::string Name;
  std::string ExprName;           // expression names (expression-language tables)
  std::string ExprName2;

  void ReadRecord(const TRegVersionPair& versions, std::span<const std::uint8_t> record);
  static std::uint32_t RecordSize(const TRegVersionPair& versions);
  std::uint32_t WriteRecord(const TRegVersionPair& versions, std::vector<std::uint8_t>& out) const;
  void MakeName();
  int IndexOfSignal(std::uint8_t position) const;

  std::span<const std::uint8_t> SignalList() const { return {Signals.data(), std::min<std::size_t>(SignalCount, kMaxSignals)}; }

private:
  void SignalsFromMask(std::uint32_t mask, unsigned bits);
  void SignalsFromList(std::span<const std::uint8_t> record, std::size_t countOffset, std::uint32_t countCheck);
};
