#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace fuzzing {

// Reads the fuzzer's bytes front to back. Past the end every read gives zeros, so that
// any input, however short, decodes to some case and the fuzzer never wastes a run on
// an input the harness itself would refuse.
class FuzzReader {
public:
  explicit FuzzReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint8_t u8() { return pos_ < bytes_.size() ? bytes_[pos_++] : 0; }
  std::uint16_t u16()
  {
    std::uint16_t low = u8();
    return static_cast<std::uint16_t>(low | u8() << 8);
  }
  std::uint32_t u32()
  {
    std::uint32_t low = u16();
    return low | std::uint32_t(u16()) << 16;
  }
  // At most `count` bytes: fewer at the end of the input.
  std::span<const std::uint8_t> take(std::size_t count)
  {
    std::size_t n = count < left() ? count : left();
    auto part = bytes_.subspan(pos_, n);
    pos_ += n;
    return part;
  }
  std::span<const std::uint8_t> rest() { return take(left()); }
  std::size_t left() const { return bytes_.size() - pos_; }
  bool empty() const { return left() == 0; }

private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

// The seed writer's counterpart of FuzzReader: the same fields, written.
class FuzzWriter {
public:
  FuzzWriter& u8(std::uint8_t value)
  {
    bytes_.push_back(value);
    return *this;
  }
  FuzzWriter& u16(std::uint16_t value) { return u8(static_cast<std::uint8_t>(value)).u8(static_cast<std::uint8_t>(value >> 8)); }
  FuzzWriter& u32(std::uint32_t value) { return u16(static_cast<std::uint16_t>(value)).u16(static_cast<std::uint16_t>(value >> 16)); }
  FuzzWriter& append(std::span<const std::uint8_t> bytes)
  {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  FuzzWriter& append(std::string_view text)
  {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace fuzzing
