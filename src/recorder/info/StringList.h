#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A list of display texts, each with an integer in its object slot (a code, a bit
// index, a multiplier). The selectable-value lists of the information model are these.
class TStringList {
public:
  struct Item {
    std::string Text;
    std::intptr_t Object = 0;
  };

  void Clear() { items_.clear(); }
  void Add(std::string text, std::intptr_t object = 0) { items_.push_back({std::move(text), object}); }

  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  const std::string& Strings(std::size_t index) const { return items_.at(index).Text; }
  std::intptr_t Objects(std::size_t index) const { return items_.at(index).Object; }
  const std::vector<Item>& Items() const { return items_; }

  // Position of the first item whose object equals the value, or -1.
  int IndexOfObject(std::intptr_t object) const;

private:
  std::vector<Item> items_;
};

// A string list whose object slot holds a value of the enumeration T.
template <typename T>
class TEnumStringList : public TStringList {
public:
  void Add(std::string text, T value) { TStringList::Add(std::move(text), static_cast<std::intptr_t>(value)); }
  T Value(std::size_t index) const { return static_cast<T>(Objects(index)); }
};

// Clears the list, then adds names[bit] with the bit index as object for every set
// bit of the mask from bit 0 up, stopping at the first set bit that has no name.
void FillListFromMask8(std::uint8_t mask, TStringList& list, std::span<const char* const> names);
void FillListFromMask16(std::uint16_t mask, TStringList& list, std::span<const char* const> names);

// The unsigned decimal text of a number ("%u").
std::string UIntText(std::uint32_t number);
