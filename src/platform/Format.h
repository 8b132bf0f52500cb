#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

// One argument of Format: an integer (with its signedness and width, so that "%u" and
// "%x" of a negative 32-bit value show its 32-bit image), a floating value or a text.
class FormatArg {
public:
  enum class Kind { Integer, Floating, Text };

  template <typename T>
    requires std::is_integral_v<T>
  FormatArg(T value)  // NOLINT: implicit on purpose, Format(fmt, 1, "a")
      : kind_(Kind::Integer), integer_(static_cast<std::int64_t>(value)),
        signed_(std::is_signed_v<T>), wide_(sizeof(T) > 4)
  {
  }
  template <typename T>
    requires std::is_enum_v<T>
  FormatArg(T value) : FormatArg(static_cast<std::underlying_type_t<T>>(value))
  {
  }
  FormatArg(double value) : kind_(Kind::Floating), floating_(value) {}
  FormatArg(float value) : kind_(Kind::Floating), floating_(value) {}
  FormatArg(const char* text) : kind_(Kind::Text), text_(text ? text : "") {}
  FormatArg(std::string_view text) : kind_(Kind::Text), text_(text) {}
  FormatArg(const std::string& text) : kind_(Kind::Text), text_(text) {}

  Kind kind() const { return kind_; }
  std::int64_t Signed() const { return integer_; }
  std::uint64_t Unsigned() const;
  double Floating() const { return floating_; }
  std::string_view Text() const { return text_; }

private:
  Kind kind_;
  std::int64_t integer_ = 0;
  bool signed_ = false;
  bool wide_ = false;
  double floating_ = 0;
  std::string_view text_;
};

// Formats like the run time's Format: printf conversions (%s %d %u %x %X %c %e %f %g,
// flags "-0+ ", width and precision, both may be '*') and the indexed form "%1:s",
// after which unindexed conversions go on from the next argument. "%%" is a percent
// sign. A conversion that does not fit its argument, or a missing argument, raises
// Exception.
std::string FormatList(std::string_view format, std::initializer_list<FormatArg> args);

template <typename... Args>
std::string Format(std::string_view format, const Args&... args)
{
  return FormatList(format, {FormatArg(args)...});
}
