#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Resources.h"

// Lays out one firmware image resource field by field, by hand, for crafted tables:
// "Q318", u32 length, description (bytes as given), 48-byte header, "U318", payload.
struct FirmwareImage {
  std::string magic = "Q318";
  std::optional<std::uint32_t> length;  // the description's own size when unset
  std::string description = "Test v1";  // code page 1251 bytes
  std::uint16_t format = 1;
  std::uint16_t headerSize = 48;
  std::uint32_t fw = 0x0201A073, hw = 0x02050000, minSw = 0x02014214, genHw = 0x02050000, minGenSw = 0x02014100;
  std::uint8_t model = 21, line = 0, variant = 0;
  std::string marker = "U318";
  std::vector<std::uint8_t> payload = {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01};
  std::size_t keep = SIZE_MAX;  // cut the resource to this many bytes

  std::vector<std::uint8_t> Bytes() const
  {
    std::vector<std::uint8_t> out(magic.begin(), magic.end());
    auto u16 = [&](std::uint32_t v) {
      out.push_back(static_cast<std::uint8_t>(v));
      out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto u32 = [&](std::uint32_t v) {
      u16(v & 0xFFFF);
      u16(v >> 16);
    };
    u32(length.value_or(static_cast<std::uint32_t>(description.size())));
    out.insert(out.end(), description.begin(), description.end());
    u16(format);
    u16(headerSize);
    u32(fw);
    u32(hw);
    u32(minSw);
    u32(genHw);
    u32(minGenSw);
    out.push_back(model);
    out.push_back(line);
    out.push_back(variant);
    out.push_back(0);
    u32(static_cast<std::uint32_t>(4 + payload.size()));
    out.resize(out.size() + 16, 0);
    out.insert(out.end(), marker.begin(), marker.end());
    out.insert(out.end(), payload.begin(), payload.end());
    if (keep < out.size()) out.resize(keep);
    return out;
  }
};

// Keeps the bytes of crafted resources alive for a ResourceTable over them.
class CraftedResources {
public:
  void Add(std::string type, std::string name, std::vector<std::uint8_t> bytes)
  {
    entries_.push_back({std::move(type), std::move(name), std::move(bytes)});
  }
  void Add(std::string name, const FirmwareImage& image) { Add("FW", std::move(name), image.Bytes()); }

  ResourceTable Table() const
  {
    std::vector<Resource> resources;
    for (const auto& e : entries_) resources.push_back({e.type, e.name, e.bytes});
    return ResourceTable(std::move(resources));
  }

private:
  struct Entry {
    std::string type, name;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Entry> entries_;
};
