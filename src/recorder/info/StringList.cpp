#include "recorder/info/StringList.h"

namespace {

void FillListFromMask(unsigned mask, unsigned bits, TStringList& list, std::span<const char* const> names)
{
  list.Clear();
  for (unsigned bit = 0; bit < bits; ++bit) {
    if (!(mask & (1u << bit))) continue;
    if (bit >= names.size()) break;
    list.Add(names[bit], static_cast<std::intptr_t>(bit));
  }
}

}  // namespace

int TStringList::IndexOfObject(std::intptr_t object) const
{
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].Object == object) return static_cast<int>(i);
  return -1;
}

void FillListFromMask8(std::uint8_t mask, TStringList& list, std::span<const char* const> names)
{
  FillListFromMask(mask, 8, list, names);
}

void FillListFromMask16(std::uint16_t mask, TStringList& list, std::span<const char* const> names)
{
  FillListFromMask(mask, 16, list, names);
}

std::string UIntText(std::uint32_t number) { return std::to_string(number); }
