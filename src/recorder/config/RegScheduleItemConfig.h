#pragma once

#include <array>
#include <cstdint>

class TRegInfo;
class TStream;

// One of the schedule's 12 items: an on/off flag, a byte, seven one-byte time fields and
// two event-action codes. The items travel as one stream, one record after another: 11
// bytes each on the first line (from 1.6), 13 on the second.
class TRegScheduleItemConfig {
public:
  bool Enabled = false;
  std::uint8_t ItemByte = 0;
  std::uint32_t Time1 = 0;  // Time1-Time7: one byte each in the records
  std::uint32_t Time2 = 0;
  std::uint32_t Time3 = 0;
  std::uint32_t Time4 = 0;
  std::uint32_t Time5 = 0;
  std::uint32_t Time6 = 0;
  std::uint32_t Time7 = 0;
  std::array<std::uint16_t, 2> Codes{};

  TRegScheduleItemConfig() { SetDefaults(); }

  void SetDefaults();
  // Every setting.
  void Assign(const TRegScheduleItemConfig& other) { *this = other; }

  // The record size of one item: 11, 13, or 0 where the firmware has no schedule.
  static std::uint32_t RecordSize(std::uint32_t version);
  // One item at info's SwVersion; the stream's own read error when it runs short.
  void ReadStream(const TRegInfo& info, TStream& stream);
  // One item for the target version; first-line codes are encoded at info's SwVersion.
  void WriteStream(const TRegInfo& info, std::uint32_t targetVersion, TStream& stream) const;
};
