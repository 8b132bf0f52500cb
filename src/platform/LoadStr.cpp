#include "platform/LoadStr.h"

#include <algorithm>

#include "platform/StringTable.h"

std::string LoadStr(int id)
{
  using kestrel_detail::kStringTable;
  using kestrel_detail::kStringTableSize;
  const auto* end = kStringTable + kStringTableSize;
  const auto* it = std::lower_bound(kStringTable, end, id,
                                    [](const auto& entry, int key) { return entry.id < key; });
  if (it == end || it->id != id) return {};
  return it->text;
}
