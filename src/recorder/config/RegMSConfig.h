#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Stream.h"

class TRegInfo;

// The mnemonic-scheme pages (feature bit 14, 2.1.91 to 2.1.160; the 2.2 branch has
// none), read from and written to one stream: a 12-byte header (format, header size,
// the page count and the per-page limit byte of the device, the size of what follows),
// then the pages. Bound to the configuration's information model, which gives the number
// of pages and the limit byte.
class TRegMSConfig {
public:
  // One widget record: its type, and as many data bytes as the type has (17, 24, 17,
  // 17, 22, 102 for types 0 to 5).
  struct TRegMSWidgetItem {
    static constexpr std::uint8_t kMaxType = 5;
    static constexpr std::size_t kMaxData = 102;

    int Type = 0;  // one byte on the device
    std::array<std::uint8_t, kMaxData> Data{};

    // The data bytes of a type up to 5; 0 for any other.
    static std::size_t DataSizeOf(int type);

    // Type, size and data. A type above 5 raises EVantorInvalid 13729, a size other
    // than the type's 13732.
    void ReadStream(TStream& stream);
    // A type above 5 raises EVantorInvalid 13768.
    void WriteStream(TStream& stream) const;
  };

  // One page: a 12-byte header (byte 0 the widget count, byte 3 the page data kind,
  // bytes 8-11 the page data size; the others carried), the page data of kinds 1 and 2,
  // the widget records.
  struct TRegMSConfigPageItem {
    static constexpr std::size_t kMaxData = 0x1E000;
    static constexpr std::size_t kMaxWidgets = 0xFF;  // the count is header byte 0

    std::array<std::uint8_t, 12> Header{};
    std::vector<std::uint8_t> Data;
    std::vector<TRegMSWidgetItem> Widgets;

    void SetDefaults();
    // Page data of kind 0 must be empty (EVantorInvalid 14007); kinds 1 and 2 hold at
    // most 122880 bytes (14013); data of any other kind is skipped and the page kept as
    // kind 0 without data.
    void ReadStream(TStream& stream);
    // More than 255 widgets raise EVantorInvalid 14185.
    void WriteStream(TStream& stream) const;
  };

  explicit TRegMSConfig(const TRegInfo& owner) : owner_(&owner) {}

  std::array<std::uint8_t, 12> Header{};  // zero until SetDefaults or a read
  std::vector<TRegMSConfigPageItem> Pages;

  // With feature bit 14, as many pages as the device has (pages present stay, new ones
  // are default); without it, none.
  void ResizeToInfo();
  // Header 1, 12 and zeros; every page default, their number kept.
  void SetDefaults();
  // version: the device's firmware. Below 2.1.91 and on the 2.2 branch nothing is read.
  // An empty stream (a device without a scheme) and a header of format 0 leave the
  // defaults. The stream's size must be the header's body size + 12 (EVantorInvalid
  // 14141); at most as many pages are read as the list holds.
  void ReadStream(std::uint32_t version, TStream& stream);
  // The stream for the target firmware, with the device's page count and limit byte
  // in the header. A block never read nor set to defaults writes the default scheme.
  void WriteStream(std::uint32_t targetVersion, TStream& stream) const;

private:
  const TRegInfo* owner_;
};
