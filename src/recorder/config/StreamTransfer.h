#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Stream.h"

// The two directions of a packed form: fields one after the other on a stream, with no
// offsets. As with the record cursors, a form is written once,
//
//   template <class IO, class Element> void TransferAnalog(IO& io, Element& e)
//   {
//     io.u8(e.Source.Kind);
//     io.u8(e.Source.Index);
//     io.shortString(e.OverloadText);
//   }
//
// and called with a StreamReading (fields set), a StreamWriting (fields written) or a
// StreamSizing (the bytes the writing would take), so the size of a form can never
// disagree with what is written. A stream that ends early raises the stream's read
// error; integers are written as their low bits.

// A short string: a length byte and that many bytes. The length byte cannot count more
// than 255, and a longer text is refused rather than cut, so that what is written is
// what the configuration holds.
inline constexpr std::size_t kShortStringMax = 255;
inline constexpr unsigned kShortStringTooLongCheck = 12990;

class StreamReading {
public:
  static constexpr bool kReading = true;

  explicit StreamReading(TStream& stream) : stream_(stream) {}

  template <std::integral T>
  void u8(T& field)
  {
    std::uint8_t byte;
    stream_.ReadBuffer(&byte, 1);
    field = static_cast<T>(byte);
  }
  template <std::size_t N>
  void raw(std::array<std::uint8_t, N>& field)
  {
    stream_.ReadBuffer(field.data(), N);
  }
  // The text's raw bytes (code page 1251 on the device).
  void shortString(std::string& text);

private:
  TStream& stream_;
};

class StreamWriting {
public:
  static constexpr bool kReading = false;

  explicit StreamWriting(TStream& stream) : stream_(stream) {}

  template <std::integral T>
  void u8(const T& field)
  {
    const auto byte = static_cast<std::uint8_t>(field);
    stream_.WriteBuffer(&byte, 1);
  }
  template <std::size_t N>
  void raw(const std::array<std::uint8_t, N>& field)
  {
    stream_.WriteBuffer(field.data(), N);
  }
  // EVantorInvalid kShortStringTooLongCheck for a text of more than 255 bytes.
  void shortString(const std::string& text);

private:
  TStream& stream_;
};

class StreamSizing {
public:
  static constexpr bool kReading = false;

  template <std::integral T>
  void u8(const T&)
  {
    size_ += 1;
  }
  template <std::size_t N>
  void raw(const std::array<std::uint8_t, N>&)
  {
    size_ += N;
  }
  void shortString(const std::string& text) { size_ += 1 + text.size(); }

  std::size_t Size() const { return size_; }

private:
  std::size_t size_ = 0;
};

// Reads count bytes of the stream into a vector.
std::vector<std::uint8_t> ReadBytes(TStream& stream, std::size_t count);

// Moves count bytes forward, as a read of them would: EReadError "Stream read error"
// when fewer remain, and the position stays.
void SkipForward(TStream& stream, std::uint64_t count);

// The header the scheme and program streams begin with: format (0 none, 1 present),
// header size 12, carried bytes, and at 8 the size of what follows it.
inline constexpr std::size_t kContentHeaderSize = 12;
inline constexpr std::size_t kContentSizeAt = 8;
using ContentHeader = std::array<std::uint8_t, kContentHeaderSize>;
// Content present, of no bytes.
inline constexpr ContentHeader kEmptyContentHeader{1, kContentHeaderSize};

// The header, or none when the stream brings no content: it is empty (a device that
// offers the block but has nothing in it sends nothing at all) or its format byte is 0,
// whatever follows. Format 1 with another header size raises EVantorInvalid badSize,
// format 2 or more badFormat.
std::optional<ContentHeader> ReadContentHeader(TStream& stream, unsigned badSize, unsigned badFormat);
// The same checks of a header about to be written.
void CheckContentHeader(const ContentHeader& header, unsigned badSize, unsigned badFormat);
