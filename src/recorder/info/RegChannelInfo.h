#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/info/RegInfo.h"
#include "recorder/info/StringList.h"

// The input mode a discrete input channel offers (and its configuration record stores):
// 0, 9, 10, 11 on first-line firmware, 0..7 on the second line.
using TDIPhysSignalType = std::uint8_t;

// An analog output: of the base unit (kind 0, "АЕ") or of an extension (kind 1, "ВЕ").
// It has no device record; the general information record creates the entries.
class TRegInfo::TRegAOChannelInfo {
public:
  explicit TRegAOChannelInfo(std::uint8_t kind = 0) : Kind(kind) {}

  std::uint8_t Kind = 0;
  std::string Name;
  std::string ExprName;

  void MakeName(std::uint32_t index);
};

// A discrete input: its capability byte and the input modes it offers.
class TRegInfo::TRegDIChannelInfo {
public:
  std::uint8_t Caps1 = 0;        // capability bits of a first-line device
  std::uint8_t Caps2 = 0;        // second line: bit i = physical signal type i selectable
  std::uint8_t RecordByte = 0;
  std::string Name;
  std::string ExprName;
  std::vector<TDIPhysSignalType> Modes;
  std::vector<std::string> ModeNames;
  std::uint8_t ModuleKind = 0;   // set by the list builder from the module slots
  std::int32_t ModuleIndex = 0;
  TStringList EventConditions;   // filled by the list builder

  void ReadRecord(std::uint32_t swVersion, std::span<const std::uint8_t> record);
  static std::uint32_t RecordSize(std::uint32_t swVersion);
  std::uint32_t WriteRecord(std::uint32_t swVersion, std::vector<std::uint8_t>& out) const;
  void BuildModes(std::uint32_t swVersion, std::uint32_t index);
  void MakeName(std::uint32_t index);
  int IndexOfMode(TDIPhysSignalType mode) const;
  void SetModule(std::uint8_t kind, std::int32_t index)
  {
    ModuleKind = kind;
    ModuleIndex = index;
  }

private:
  void AddMode(TDIPhysSignalType mode, const char* name);
};

// A relay (discrete output) and its type, 0..5.
class TRegInfo::TRegDOChannelInfo {
public:
  explicit TRegDOChannelInfo(std::uint8_t type = 0) : Type(type) {}

  std::uint8_t Type = 0;
  std::string Name;
  std::string ExprName;

  void ReadRecord(std::uint32_t swVersion, std::span<const std::uint8_t> record);
  static std::uint32_t RecordSize(std::uint32_t swVersion);
  std::uint32_t WriteRecord(std::uint32_t swVersion, std::vector<std::uint8_t>& out) const;
  void MakeName(std::uint32_t index);
};

// An IP channel; no device record of its own.
class TRegInfo::TRegIPChannelInfo {
public:
  std::string Name;
  std::string ExprName;

  void MakeName(std::uint32_t index);
};
