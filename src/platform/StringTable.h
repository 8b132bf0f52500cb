#pragma once

#include <cstddef>

namespace kestrel_detail {
struct StringTableEntry {
  long id;
  const char* text;
};
// Sorted by id; generated from resources/strings at build time.
extern const StringTableEntry kStringTable[];
extern const std::size_t kStringTableSize;
}  // namespace kestrel_detail
