#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "recorder/info/ValueSource.h"

class TRegInfo;

// One channel slot of a display page: the value it shows, its pen, group and scale.
struct TRegDisplayPageChannelConfig {
  ValueSource Source;
  std::uint8_t Pen = 0;    // below TRegInfo::PagePenCount
  std::uint8_t Group = 0;  // below TRegInfo::PageGroupCount (records from 1.10.4 on)
  float ScaleMin = 0.0f;
  std::uint8_t MinDecimals = 1;
  float ScaleMax = 100.0f;
  std::uint8_t MaxDecimals = 1;
  // The packed words a record of the newest form held for the two ends. A single float
  // cannot carry every 28-bit mantissa, so the words go back unchanged as long as the
  // ends still are what they were read as.
  std::optional<std::uint32_t> ScaleMinWord;
  std::optional<std::uint32_t> ScaleMaxWord;

  void SetDefaults() { *this = TRegDisplayPageChannelConfig(); }
};

// One display page of the recorder's screen: page settings, a name and its channel
// slots: 6 on the first line, 8 on 2.0, 12 on 2.1 below 2.1.90, then 16 or 20 as the
// device's PageChannelCount says. Copied member-wise; not attached: its reader takes the
// device information.
class TRegDisplayPageConfig {
public:
  std::uint8_t Mode0 = 0;
  std::uint8_t Mode1 = 0;
  std::uint8_t Setting2 = 0;
  std::uint8_t Setting3 = 0;
  std::uint32_t Setting4 = 5;
  std::uint32_t Setting8 = 0;
  std::uint32_t Setting12 = 0;
  std::string Name;
  std::uint8_t Setting20 = 0;  // 0-7; in the record from 2.1.91 on
  std::vector<TRegDisplayPageChannelConfig> Channels;

  TRegDisplayPageConfig() { SetDefaults(); }

  // The page's settings, and every existing slot reset without changing their number.
  void SetDefaults();

  // 81, 83, 92, 100 or 164 by firmware, 248 on the 2.2 branch; from 2.1.90 on 204 or 248
  // as the device shows 16 or 20 channels per page, else 0.
  static std::uint32_t RecordSize(const TRegInfo& info, std::uint32_t version);
  // Repairs every slot's source against the device's channel counts (the store
  // callback calls it right after ReadRecord).
  void FixSources(const TRegInfo& info);
  // At info's SwVersion. A failure after the header leaves the header and the slots
  // decoded so far changed.
  void ReadRecord(const TRegInfo& info, std::span<const std::uint8_t> record);
  // 0 (nothing) for a page of 2.1.90 on whose slot count has no record form.
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
