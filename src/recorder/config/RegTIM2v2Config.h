#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Stream.h"
#include "recorder/config/RegTIM2v1Config.h"

// The external display boards, second format (feature bit 27, from 2.0 on): boards by
// the same two-part address as the first format, each a plain list of items (a code and
// a text). The set travels as a stream of any length: 2, the board count, the size of
// what follows (16 bits), then the boards in address order.
class TRegTIM2v2Config {
public:
  using TDeviceAddress = TRegTIM2v1Config::TDeviceAddress;
  using DeviceAddressComparator = TRegTIM2v1Config::DeviceAddressComparator;

  // One item: its code (one byte, carried unchanged) and a short string.
  struct TRegTIM2v2DisplayItem {
    int ItemCode = 0;
    std::string Text;  // raw code page 1251 bytes, at most 255

    template <class IO, class Self>
    static void Transfer(IO& io, Self& item)
    {
      io.u8(item.ItemCode);
      io.shortString(item.Text);
    }
    void ReadStream(TStream& stream);
    void WriteStream(TStream& stream) const;

    friend bool operator==(const TRegTIM2v2DisplayItem&, const TRegTIM2v2DisplayItem&) = default;
  };

  // One board: the item count, then the items, after the address bytes.
  struct TRegTIM2v2DeviceItem {
    std::vector<TRegTIM2v2DisplayItem> Items;

    void ReadStream(std::uint32_t version, TStream& stream);
    // EVantorInvalid 13383 for more than 255 items.
    void WriteStream(std::uint32_t version, TStream& stream) const;
  };

  using TBoards = std::map<TDeviceAddress, TRegTIM2v2DeviceItem, DeviceAddressComparator>;

  std::uint32_t Format = 1;  // 2 after every read
  TBoards Boards;

  // Removes every board; the format word stays.
  void SetDefaults() { Boards.clear(); }

  // version: the device's firmware; below 2.0 nothing is read. A stream shorter than
  // its 4-byte header raises EVantorInvalid 13365; one whose first byte is not 2 holds
  // no boards. The size field is not used: the board count drives the reading. A later
  // board with an address already read replaces the earlier one's items.
  void ReadStream(std::uint32_t version, TStream& stream);
  // The stream for the target firmware. Counts and sizes the stream cannot hold are
  // refused (EVantorInvalid) before anything is written: more than 255 boards (13380)
  // or items on a board (13383), more than 65535 bytes after the header (13386), a text
  // longer than 255 bytes.
  void WriteStream(std::uint32_t targetVersion, TStream& stream) const;
};
