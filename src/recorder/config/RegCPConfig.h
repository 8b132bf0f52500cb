#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The CP items: an ordered list of three small codes and a text each, packed into one
// 250-byte record (format byte, 0, item count, 0, then the items, zeros to the end). The
// device offers it with feature bit 10, from 1.6 on.
class TRegCPConfig {
public:
  // Each item packs as its codes, the text's length L, the L text bytes and a zero.
  struct TRegCPConfigItem {
    std::uint32_t FirstCode = 1;   // one byte on the device
    std::uint32_t SecondCode = 1;  // one byte on the device
    std::uint32_t Kind = 0;        // 0, 1 or 2
    std::string Text;              // raw code page 1251 bytes

    friend bool operator==(const TRegCPConfigItem&, const TRegCPConfigItem&) = default;
  };

  static constexpr std::size_t kRecordSize = 250;
  static constexpr std::size_t kPayloadSize = 246;

  std::uint32_t Format = 1;  // 1 after every read; its low byte is the record's format byte
  std::vector<TRegCPConfigItem> Items;

  TRegCPConfig() = default;

  // Removes every item; the format word stays.
  void SetDefaults() { Items.clear(); }

  // 250 from 1.6 on (the 2.2 branch included), 0 for 1.5, which has no record.
  static std::uint32_t RecordSize(std::uint32_t version);
  // version: the device's firmware. Below 1.6 the list stays empty. A record whose
  // format byte is not 1 reads as an empty list. An item that does not fit the record,
  // a kind above 2 or a text without its zero raise the plain "Invalid configuration".
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  // Appends the record for the target firmware and returns 250; 0 (nothing) for 1.5.
  // Items that do not fit the 246 bytes raise "Invalid configuration".
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
