#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "platform/Exception.h"

// Raised when a field would be read or written outside its buffer. Record codecs check
// sizes by their own numbered rules first; this is the net under them.
class EByteRange : public Exception {
public:
  EByteRange(const char* what, std::size_t offset, std::size_t width, std::size_t size);
};

// Bounds-checked little-endian reads over a byte span (big-endian with the *be forms,
// for Modbus headers and standard function fields).
class ByteReader {
public:
  explicit ByteReader(std::span<const std::uint8_t> bytes, const char* what = "record") : bytes_(bytes), what_(what) {}

  std::size_t size() const { return bytes_.size(); }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

  std::uint8_t u8(std::size_t offset) const { return *At(offset, 1); }
  std::int8_t i8(std::size_t offset) const { return static_cast<std::int8_t>(u8(offset)); }
  std::uint16_t u16(std::size_t offset) const
  {
    const auto* p = At(offset, 2);
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
  }
  std::int16_t i16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
  std::uint32_t u32(std::size_t offset) const
  {
    const auto* p = At(offset, 4);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
  }
  std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
  float f32(std::size_t offset) const
  {
    std::uint32_t bits = u32(offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  std::uint16_t u16be(std::size_t offset) const
  {
    const auto* p = At(offset, 2);
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
  }
  std::uint32_t u32be(std::size_t offset) const
  {
    const auto* p = At(offset, 4);
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
  }
  std::span<const std::uint8_t> span(std::size_t offset, std::size_t length) const
  {
    return {At(offset, length), length};
  }
  // A fixed-width text field: the bytes up to the first zero (or the whole width).
  std::string text(std::size_t offset, std::size_t width) const;

private:
  const std::uint8_t* At(std::size_t offset, std::size_t width) const
  {
    if (offset > bytes_.size() || width > bytes_.size() - offset) throw EByteRange(what_, offset, width, bytes_.size());
    return bytes_.data() + offset;
  }

  std::span<const std::uint8_t> bytes_;
  const char* what_;
};

// Bounds-checked little-endian writes into a fixed-size byte span.
class ByteWriter {
public:
  explicit ByteWriter(std::span<std::uint8_t> bytes, const char* what = "record") : bytes_(bytes), what_(what) {}

  std::size_t size() const { return bytes_.size(); }

  void u8(std::size_t offset, std::uint8_t v) { *At(offset, 1) = v; }
  void i8(std::size_t offset, std::int8_t v) { u8(offset, static_cast<std::uint8_t>(v)); }
  void u16(std::size_t offset, std::uint16_t v)
  {
    auto* p = At(offset, 2);
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
  }
  void i16(std::size_t offset, std::int16_t v) { u16(offset, static_cast<std::uint16_t>(v)); }
  void u32(std::size_t offset, std::uint32_t v)
  {
    auto* p = At(offset, 4);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void i32(std::size_t offset, std::int32_t v) { u32(offset, static_cast<std::uint32_t>(v)); }
  void f32(std::size_t offset, float v)
  {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(offset, bits);
  }
  void u16be(std::size_t offset, std::uint16_t v)
  {
    auto* p = At(offset, 2);
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
  }
  void u32be(std::size_t offset, std::uint32_t v)
  {
    auto* p = At(offset, 4);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
  }
  void bytes(std::size_t offset, std::span<const std::uint8_t> data)
  {
    if (!data.empty()) std::memcpy(At(offset, data.size()), data.data(), data.size());
  }
  // A fixed-width text field: at most width - 1 bytes of text, the rest zero.
  void text(std::size_t offset, std::size_t width, const std::string& value);

private:
  std::uint8_t* At(std::size_t offset, std::size_t width)
  {
    if (offset > bytes_.size() || width > bytes_.size() - offset) throw EByteRange(what_, offset, width, bytes_.size());
    return bytes_.data() + offset;
  }

  std::span<std::uint8_t> bytes_;
  const char* what_;
};

// Appends little-endian fields to a growing buffer.
class ByteAppender {
public:
  explicit ByteAppender(std::vector<std::uint8_t>& out) : out_(out) {}

  void u8(std::uint8_t v) { out_.push_back(v); }
  void u16(std::uint16_t v)
  {
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void u32(std::uint32_t v)
  {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void f32(float v)
  {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
  }
  void u16be(std::uint16_t v)
  {
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
    out_.push_back(static_cast<std::uint8_t>(v));
  }
  void bytes(std::span<const std::uint8_t> data) { out_.insert(out_.end(), data.begin(), data.end()); }

private:
  std::vector<std::uint8_t>& out_;
};
