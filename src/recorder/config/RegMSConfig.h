#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Stream.h"

class TRegInfo;

// The mnemonic-scheme pages, read from and written to one stream. Bound to the
// configuration's information model, which gives the number of pages.
class TRegMSConfig {
public:
  // One page: a header, optional page data and typed widget records.
  class TRegMSConfigPageItem {};

  explicit TRegMSConfig(const TRegInfo& owner) : owner_(&owner) {}

  std::array<std::uint8_t, 12> Header{};
  std::vector<TRegMSConfigPageItem> Pages;

  // With feature bit 14, as many pages as the device has (pages present stay, new ones
  // are default); without it, none.
  void ResizeToInfo();
  void SetDefaults();
  void ReadStream(std::uint32_t version, TStream& stream);
  void WriteStream(std::uint32_t targetVersion, TStream& stream) const;

private:
  const TRegInfo* owner_;
};
