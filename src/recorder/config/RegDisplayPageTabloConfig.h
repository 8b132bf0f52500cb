#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/info/ValueSource.h"

class TRegInfo;

// One slot of the summary board page: the value it shows.
struct TRegDisplayPageTabloChannelConfig {
  ValueSource Source;
};

// The summary board page (firmware from 2.1 on): a mode, a name and 32 slots. Copied
// member-wise; its reader takes the device information. The record is 36 or 200 bytes.
class TRegDisplayPageTabloConfig {
public:
  static constexpr std::size_t kSlots = 32;

  std::uint8_t Mode = 0;  // 0 or 1 after reading
  std::string Name;
  std::vector<TRegDisplayPageTabloChannelConfig> Slots;  // empty until the first read
  // The record size and firmware of the last read. A device below 2.1.117 may send
  // either form; the backup (written for the device's own version) gives it back the
  // form it sent, which keeps the name and indexes above 31.
  std::uint32_t ReadSize = 0;
  std::uint32_t ReadVersion = 0;

  TRegDisplayPageTabloConfig() { SetDefaults(); }

  void SetDefaults();
  // The size a page not read from a device is written with: 0 below 2.1, 36 below
  // 2.1.117 and on the 2.2 branch, else 200.
  static std::uint32_t RecordSize(std::uint32_t version);
  // At info's SwVersion; the form goes by the size (36 or 200) whatever the version, and
  // the slots' sources are repaired against the device's channel counts.
  void ReadRecord(const TRegInfo& info, std::span<const std::uint8_t> record);
  // 0 (nothing) below 2.1. Written for another version than the one read at, the
  // 36-byte form keeps the low three bits of each kind and five of each index.
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
