#include "recorder/config/FieldConventions.h"

#include <algorithm>
#include <cstring>

#include "platform/Bytes.h"
#include "platform/Cp1251.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

std::string FieldBytes(std::span<const std::uint8_t> field, int n)
{
  const auto limit = std::min(field.size(), static_cast<std::size_t>(n));
  const auto* begin = field.data();
  const auto* end = std::find(begin, begin + limit, std::uint8_t{0});
  return std::string(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
}

void CheckRoom(std::span<std::uint8_t> field, std::size_t bytes)
{
  if (bytes > field.size()) throw EByteRange("text field", 0, bytes, field.size());
}

// Classes renumbered by first-line firmware from 1.9 on: the byte keeps the old number.
struct Renumbered {
  std::uint8_t inByte;
  std::uint8_t inModel;
};
constexpr Renumbered kRenumbered19[] = {{7, 20}, {8, 21}, {9, 22}, {10, 23}, {12, 24}, {13, 25}};

}  // namespace

void FieldToString(std::span<const std::uint8_t> field, int n, std::string& text)
{
  if (n <= 0) return;
  text = Cp1251ToUtf8(FieldBytes(field, n));
}

void FieldToAnsiString(std::span<const std::uint8_t> field, int n, std::string& bytes)
{
  if (n <= 0) return;
  bytes = FieldBytes(field, n);
}

void FieldToAnsiString1251(std::span<const std::uint8_t> field, int n, std::string& bytes)
{
  FieldToAnsiString(field, n, bytes);
}

void StringToField(const std::string& text, std::span<std::uint8_t> field, int n)
{
  if (n < 0) return;
  std::string bytes = Utf8ToCp1251(text);
  if (bytes.size() > static_cast<std::size_t>(n)) bytes.resize(static_cast<std::size_t>(n));
  CheckRoom(field, bytes.size() + 1);
  std::memcpy(field.data(), bytes.data(), bytes.size());
  field[bytes.size()] = 0;
}

void AnsiStringToField(const std::string& bytes, std::span<std::uint8_t> field, int n)
{
  if (n <= 0) return;
  CheckRoom(field, static_cast<std::size_t>(n));
  const auto count = std::min(bytes.size(), static_cast<std::size_t>(n));
  std::memcpy(field.data(), bytes.data(), count);
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(count), field.begin() + n, std::uint8_t{0});
}

std::uint32_t CheckEnumValue(std::uint32_t value, const TStringList& list)
{
  if (list.IndexOfObject(static_cast<std::intptr_t>(value)) >= 0) return value;
  return list.Empty() ? 0 : static_cast<std::uint32_t>(list.Objects(0));
}

std::uint8_t ClampToLast(std::uint8_t value, std::uint8_t limit)
{
  return static_cast<std::int8_t>(value) < static_cast<std::int8_t>(limit) ? value
                                                                           : static_cast<std::uint8_t>(limit - 1);
}

std::uint8_t ClampToZero(std::uint8_t value, std::uint8_t limit)
{
  return static_cast<std::int8_t>(value) < static_cast<std::int8_t>(limit) ? value : 0;
}

std::uint8_t ClampToDefault(std::uint8_t value, std::uint8_t limit, std::uint8_t def)
{
  return static_cast<std::int8_t>(value) < static_cast<std::int8_t>(limit) ? value : def;
}

std::uint16_t DecodeEventJobCode(std::uint32_t version, std::uint8_t b)
{
  if (version < MakeVersion(1, 3, 0)) throw EVantorUnsupportedOldVer(version);
  if (version >= kSecondLineFrom) throw EVantorUnsupportedNewVer(version);
  if (version < MakeVersion(1, 5, 0)) {
    if (b <= 2) return MakeEventJobCode(b, 0);
    return MakeEventJobCode(4, static_cast<std::uint8_t>(b - 3));
  }
  if (version < MakeVersion(1, 6, 0)) return MakeEventJobCode(b >> 4, b & 0x0F);
  std::uint8_t jobClass;
  std::uint8_t param;
  if (b & 0x80) {
    jobClass = static_cast<std::uint8_t>((b >> 3) - 8);
    param = b & 0x07;
  } else {
    jobClass = b >> 4;
    param = b & 0x0F;
  }
  if (version >= MakeVersion(1, 9, 0)) {
    for (const auto& r : kRenumbered19)
      if (jobClass == r.inByte) {
        jobClass = r.inModel;
        break;
      }
  }
  return MakeEventJobCode(jobClass, param);
}

std::uint8_t EncodeEventJobCode(std::uint32_t version, std::uint16_t code)
{
  if (version < MakeVersion(1, 3, 0)) throw EVantorUnsupportedOldVer(version);
  if (version >= kSecondLineFrom) throw EVantorUnsupportedNewVer(version);
  std::uint8_t jobClass = EventJobClassOf(code);
  const std::uint8_t param = EventJobParamOf(code);
  if (version < MakeVersion(1, 5, 0)) return jobClass <= 2 ? jobClass : static_cast<std::uint8_t>(param + 3);
  if (version < MakeVersion(1, 6, 0)) return static_cast<std::uint8_t>((jobClass & 0x0F) << 4 | (param & 0x0F));
  if (version >= MakeVersion(1, 9, 0)) {
    for (const auto& r : kRenumbered19)
      if (jobClass == r.inModel) {
        jobClass = r.inByte;
        break;
      }
  }
  // The parameter is OR-ed in unmasked, as the recorder's own tools do.
  if (jobClass <= 7) return static_cast<std::uint8_t>(jobClass << 4 | param);
  return static_cast<std::uint8_t>((jobClass + 8) << 3 | param);
}

void ConvertEventJobCodeAbove2_1_80(std::uint16_t& code, std::uint32_t& fieldA, std::uint32_t& fieldB)
{
  const std::uint8_t param = EventJobParamOf(code);
  switch (EventJobClassOf(code)) {
  case 0: code = 0; break;
  case 1: code = 0, fieldA = 2; break;
  case 2: code = 0, fieldA = 1; break;
  case 4: code = MakeEventJobCode(5, param), fieldB = 1; break;
  case 8: code = MakeEventJobCode(9, param), fieldB = 1; break;
  case 15: code = MakeEventJobCode(16, param), fieldB = 1; break;
  case 21: code = MakeEventJobCode(22, param), fieldB = 1; break;
  case 14:
  case 19:
  case 26:
  case 27: code = MakeEventJobCode(EventJobClassOf(code), 0); break;
  default: break;
  }
}

void ConvertEventJobCodesInHeader(std::uint8_t& header, std::uint16_t& first, std::uint16_t& second)
{
  std::uint32_t fieldA = header >> 4 & 3;
  std::uint32_t fieldB = header >> 6 & 3;
  ConvertEventJobCodeAbove2_1_80(first, fieldA, fieldB);
  ConvertEventJobCodeAbove2_1_80(second, fieldA, fieldB);
  header = static_cast<std::uint8_t>((header & 0x0F) | (fieldA & 3) << 4 | (fieldB & 3) << 6);
}
