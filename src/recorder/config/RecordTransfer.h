#pragma once

#include <algorithm>
#include <array>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/Bytes.h"
#include "recorder/config/FieldConventions.h"
#include "recorder/config/SingleDecimal.h"
#include "recorder/info/DecimalWord.h"
#include "recorder/info/FixedValue.h"

// The two directions of one record form. A form is written once, as
//
//   template <class IO, class Block> void TransferFormX(IO& io, Block& block)
//   {
//     io.text(0, 24, block.Name);           // offset, field width
//     io.u8(24, block.ControlTypeIndex);
//     io.bits8(164, 0, 4, block.Source.Port);  // offset, first bit, bit count
//     ...
//   }
//
// and called with a RecordReading (Block non-const: the fields are set) or a
// RecordWriting (Block const: the fields are placed into a zero-filled buffer), so each
// offset is written once. The cursors carry the version the record is of: the device's
// when reading, the target's when writing; a form's own version gates test io.Version().
// What differs between the directions (checks and resets on reading, conversions on
// writing) stays in the block's thin ReadRecord/WriteRecord around the transfer, or
// behind `if constexpr (IO::kReading)` where it sits between two fields.
//
// Integer transfers take any integer field: reading assigns the record's value,
// writing stores the field's low bits. Bit fields are OR-ed into the byte, so several
// fields may share one.

class RecordReading {
public:
  static constexpr bool kReading = true;

  RecordReading(std::span<const std::uint8_t> record, std::uint32_t version) : in_(record), version_(version) {}

  std::uint32_t Version() const { return version_; }
  const ByteReader& Bytes() const { return in_; }

  template <std::integral T>
  void u8(std::size_t offset, T& field) const { field = static_cast<T>(in_.u8(offset)); }
  template <std::integral T>
  void u16(std::size_t offset, T& field) const { field = static_cast<T>(in_.u16(offset)); }
  template <std::integral T>
  void i16(std::size_t offset, T& field) const { field = static_cast<T>(in_.i16(offset)); }
  template <std::integral T>
  void u32(std::size_t offset, T& field) const { field = static_cast<T>(in_.u32(offset)); }
  template <std::integral T>
  void bits8(std::size_t offset, unsigned first, unsigned count, T& field) const
  {
    field = static_cast<T>(in_.u8(offset) >> first & Mask(count));
  }
  template <std::integral T>
  void bits16(std::size_t offset, unsigned first, unsigned count, T& field) const
  {
    field = static_cast<T>(in_.u16(offset) >> first & Mask(count));
  }
  // Any non-zero byte is true.
  void flag(std::size_t offset, bool& field) const { field = in_.u8(offset) != 0; }
  void f32(std::size_t offset, float& field) const { field = in_.f32(offset); }

  // Decimal settings. single: an IEEE single through SetDouble (the type's limits
  // apply; NaN and infinities raise). packed: a packed decimal word through SetValue.
  // mantissa8 / mantissa16 / mantissaI16: the setting's mantissa as an unsigned 8-bit,
  // unsigned 16-bit or signed 16-bit number, kept as it is.
  void single(std::size_t offset, fixed::TValBase<int>& value) const { value.SetDouble(in_.f32(offset)); }
  // The same field read as the decimal whose single is the stored one (SingleDecimal.h),
  // so a rewritten record keeps its floats; SetDouble where no decimal within the
  // type's limits has that single.
  void singleExact(std::size_t offset, fixed::TValBase<int>& value) const { SetFromSingle(value, in_.f32(offset)); }
  void packed(std::size_t offset, fixed::TValBase<int>& value) const
  {
    const std::uint32_t word = in_.u32(offset);
    value.SetValue(DecimalWordMantissa(word), DecimalWordDecimals(word));
  }
  void mantissa8(std::size_t offset, fixed::TValBase<int>& value) const { value.SetMantissa(in_.u8(offset)); }
  void mantissa16(std::size_t offset, fixed::TValBase<int>& value) const { value.SetMantissa(in_.u16(offset)); }
  void mantissaI16(std::size_t offset, fixed::TValBase<int>& value) const { value.SetMantissa(in_.i16(offset)); }

  // A byte stored converted: reading hands it to decode, writing stores encode().
  // Give decode a generic parameter (auto): the writing side never instantiates it, so
  // it may change a block that is const there.
  template <typename Encode, typename Decode>
  void u8via(std::size_t offset, Encode&& /*encode*/, Decode&& decode) const
  {
    decode(in_.u8(offset));
  }
  template <typename Encode, typename Decode>
  void u16via(std::size_t offset, Encode&& /*encode*/, Decode&& decode) const
  {
    decode(in_.u16(offset));
  }

  // A code page 1251 name in a field of width bytes (width - 1 of them text).
  void text(std::size_t offset, std::size_t width, std::string& field) const
  {
    FieldToString(in_.span(offset, width), static_cast<int>(width) - 1, field);
  }
  // Raw bytes before the first zero, at most n of them (expressions).
  void ansi(std::size_t offset, std::size_t n, std::string& field) const
  {
    FieldToAnsiString(in_.span(offset, n), static_cast<int>(n), field);
  }
  template <std::size_t N>
  void raw(std::size_t offset, std::array<std::uint8_t, N>& field) const
  {
    const auto bytes = in_.span(offset, N);
    std::copy(bytes.begin(), bytes.end(), field.begin());
  }

private:
  static constexpr unsigned Mask(unsigned count) { return count >= 32 ? ~0u : (1u << count) - 1; }

  ByteReader in_;
  std::uint32_t version_;
};

class RecordWriting {
public:
  static constexpr bool kReading = false;

  // record: the zero-filled buffer of the form's size.
  RecordWriting(std::span<std::uint8_t> record, std::uint32_t version) : record_(record), out_(record), version_(version) {}

  std::uint32_t Version() const { return version_; }
  ByteWriter& Bytes() { return out_; }
  std::span<std::uint8_t> Record() const { return record_; }

  template <std::integral T>
  void u8(std::size_t offset, const T& field) { out_.u8(offset, static_cast<std::uint8_t>(field)); }
  template <std::integral T>
  void u16(std::size_t offset, const T& field) { out_.u16(offset, static_cast<std::uint16_t>(field)); }
  template <std::integral T>
  void i16(std::size_t offset, const T& field) { out_.u16(offset, static_cast<std::uint16_t>(field)); }
  template <std::integral T>
  void u32(std::size_t offset, const T& field) { out_.u32(offset, static_cast<std::uint32_t>(field)); }
  template <std::integral T>
  void bits8(std::size_t offset, unsigned first, unsigned count, const T& field)
  {
    const auto bits = static_cast<unsigned>(field) & Mask(count);
    out_.u8(offset, static_cast<std::uint8_t>(ByteReader(record_).u8(offset) | bits << first));
  }
  template <std::integral T>
  void bits16(std::size_t offset, unsigned first, unsigned count, const T& field)
  {
    const auto bits = static_cast<unsigned>(field) & Mask(count);
    out_.u16(offset, static_cast<std::uint16_t>(ByteReader(record_).u16(offset) | bits << first));
  }
  void flag(std::size_t offset, const bool& field) { out_.u8(offset, field ? 1 : 0); }
  void f32(std::size_t offset, const float& field) { out_.f32(offset, field); }

  // The single-precision quotient mantissa / 10^decimals.
  void single(std::size_t offset, const fixed::TValBase<int>& value) { out_.f32(offset, value.ToFloat()); }
  void singleExact(std::size_t offset, const fixed::TValBase<int>& value) { single(offset, value); }
  // The value brought within its own type's decimals and mantissa limits, packed.
  void packed(std::size_t offset, const fixed::TValBase<int>& value) { out_.u32(offset, PackDecimalValue(value)); }
  void mantissa8(std::size_t offset, const fixed::TValBase<int>& value)
  {
    out_.u8(offset, static_cast<std::uint8_t>(value.GetMantissa()));
  }
  void mantissa16(std::size_t offset, const fixed::TValBase<int>& value)
  {
    out_.u16(offset, static_cast<std::uint16_t>(value.GetMantissa()));
  }
  void mantissaI16(std::size_t offset, const fixed::TValBase<int>& value) { mantissa16(offset, value); }

  template <typename Encode, typename Decode>
  void u8via(std::size_t offset, Encode&& encode, Decode&& /*decode*/)
  {
    out_.u8(offset, static_cast<std::uint8_t>(encode()));
  }
  template <typename Encode, typename Decode>
  void u16via(std::size_t offset, Encode&& encode, Decode&& /*decode*/)
  {
    out_.u16(offset, static_cast<std::uint16_t>(encode()));
  }

  void text(std::size_t offset, std::size_t width, const std::string& field)
  {
    StringToField(field, Field(offset, width), static_cast<int>(width) - 1);
  }
  void ansi(std::size_t offset, std::size_t n, const std::string& field)
  {
    AnsiStringToField(field, Field(offset, n), static_cast<int>(n));
  }
  template <std::size_t N>
  void raw(std::size_t offset, const std::array<std::uint8_t, N>& field)
  {
    out_.bytes(offset, field);
  }

  // NormalizeDecimal within the value's MinPrec..MaxPrec and Min..Max, then the word.
  static std::uint32_t PackDecimalValue(const fixed::TValBase<int>& value)
  {
    int mantissa = value.GetMantissa();
    int decimals = value.GetPrec();
    NormalizeDecimal(mantissa, decimals, value.GetMinPrec(), value.GetMaxPrec(), value.GetMin(), value.GetMax());
    return PackDecimalWord(mantissa, decimals);
  }

private:
  static constexpr unsigned Mask(unsigned count) { return count >= 32 ? ~0u : (1u << count) - 1; }
  std::span<std::uint8_t> Field(std::size_t offset, std::size_t width) const
  {
    ByteReader(record_).span(offset, width);  // raises EByteRange past the end
    return record_.subspan(offset, width);
  }

  std::span<std::uint8_t> record_;
  ByteWriter out_;
  std::uint32_t version_;
};

// Builds a record of size bytes with transfer into a zero-filled buffer, appends it to
// output and returns its size.
template <typename Transfer>
std::size_t AppendRecord(std::vector<std::uint8_t>& output, std::size_t size, std::uint32_t version, Transfer&& transfer)
{
  std::vector<std::uint8_t> record(size, 0);
  RecordWriting io(record, version);
  transfer(io);
  output.insert(output.end(), record.begin(), record.end());
  return size;
}
