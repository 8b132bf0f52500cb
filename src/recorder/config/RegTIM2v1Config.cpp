// The first-format display boards: one 250-byte record whose boards, screens and
// elements are packed as a byte stream behind a 4-byte header, read and written through
// a fixed memory stream over the record.

#include "recorder/config/RegTIM2v1Config.h"

#include <algorithm>
#include <array>

#include "platform/Cp1251.h"
#include "platform/Format.h"
#include "recorder/config/SnStream.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

using Config = TRegTIM2v1Config;

enum class BoardForm : std::uint8_t { None, Record };

constexpr std::size_t kHeaderSize = 4;

// 1.5 reads nothing and writes nothing; only the writer refuses older firmware.
constexpr VersionBand<BoardForm> kReadingBands[] = {
    Served(0, MakeVersion(1, 5, 255, 255), BoardForm::None, LengthRule{}),
    Served(MakeVersion(1, 6, 0), kSecondLineUpTo, BoardForm::Record, LengthAtLeast(kHeaderSize, 12969)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, BoardForm::Record, LengthAtLeast(kHeaderSize, 12969)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr VersionBand<BoardForm> kWritingBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 5, 255, 255), BoardForm::None, LengthRule{}),
    Served(MakeVersion(1, 6, 0), kSecondLineUpTo, BoardForm::Record, LengthRule{}).Sized(Config::kRecordSize),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, BoardForm::Record, LengthRule{}).Sized(Config::kRecordSize),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr std::uint8_t kTypeUnsupported = 4;  // a type of the device without an element class here

std::unique_ptr<Config::TRegTIM2ConfigElementBase> NewElement(std::uint8_t typeCode)
{
  switch (typeCode) {
  case Config::TRegTIM2ConfigElementText::kTypeCode: return std::make_unique<Config::TRegTIM2ConfigElementText>();
  case Config::TRegTIM2ConfigElementAnalog::kTypeCode: return std::make_unique<Config::TRegTIM2ConfigElementAnalog>();
  case Config::TRegTIM2ConfigElementDiscrete::kTypeCode:
    return std::make_unique<Config::TRegTIM2ConfigElementDiscrete>();
  default: throw EVantorInvalid(12871);
  }
}

std::string SourceInBraces(const TRegInfo& info, const ValueSource& source)
{
  return "{" + GetValueSourceName(info, source) + "}";
}

}  // namespace

// --- Elements --------------------------------------------------------------------

void Config::TRegTIM2ConfigElementBase::Write(TStream& stream) const
{
  StreamWriting(stream).u8(typeCode_);
  WriteData(stream);
}

std::uint8_t Config::TRegTIM2ConfigElementBase::ReadElementType(TStream& stream)
{
  std::uint8_t code = 0;
  StreamReading(stream).u8(code);
  if (code < 1 || code > kTypeUnsupported) throw EVantorInvalid(12515);
  return code;
}

std::string Config::TRegTIM2ConfigElementText::DisplayText(const TRegInfo&) const { return Cp1251ToUtf8(Text); }

std::string Config::TRegTIM2ConfigElementText::Description(const TRegInfo&) const
{
  return "\"" + Cp1251ToUtf8(Text) + "\"";
}

std::string Config::TRegTIM2ConfigElementAnalog::DisplayText(const TRegInfo& info) const
{
  return SourceInBraces(info, Source);
}

std::string Config::TRegTIM2ConfigElementAnalog::Description(const TRegInfo& info) const
{
  return ::Format("канал: %s; формат: %u.%u; перегруз: \"%s\"; обрыв: \"%s\"", GetValueSourceName(info, Source),
                static_cast<unsigned>(Digits), static_cast<unsigned>(Decimals), Cp1251ToUtf8(OverloadText),
                Cp1251ToUtf8(BreakText));
}

std::string Config::TRegTIM2ConfigElementDiscrete::DisplayText(const TRegInfo& info) const
{
  return SourceInBraces(info, Source);
}

std::string Config::TRegTIM2ConfigElementDiscrete::Description(const TRegInfo& info) const
{
  return ::Format("канал: %s; разомкнуто: \"%s\"; замкнуто: \"%s\"; обрыв: \"%s\"; замыкание: \"%s\"",
                GetValueSourceName(info, Source), Cp1251ToUtf8(OpenText), Cp1251ToUtf8(ClosedText),
                Cp1251ToUtf8(BreakText), Cp1251ToUtf8(ShortText));
}

// --- Screens and boards ----------------------------------------------------------

Config::TRegTIM2v1DisplayItem::TRegTIM2v1DisplayItem(const TRegTIM2v1DisplayItem& other)
    : ScreenCode(other.ScreenCode)
{
  Elements.reserve(other.Elements.size());
  for (const auto& element : other.Elements) Elements.push_back(element->Clone());
}

Config::TRegTIM2v1DisplayItem& Config::TRegTIM2v1DisplayItem::operator=(const TRegTIM2v1DisplayItem& other)
{
  if (this != &other) *this = TRegTIM2v1DisplayItem(other);
  return *this;
}

void Config::TRegTIM2v1DisplayItem::ReadStream(std::uint32_t, TStream& stream)
{
  StreamReading io(stream);
  std::uint8_t count = 0;
  io.u8(ScreenCode);
  io.u8(count);
  Elements.clear();
  for (; count > 0; --count) {
    auto element = NewElement(TRegTIM2ConfigElementBase::ReadElementType(stream));
    element->ReadData(stream);
    Elements.push_back(std::move(element));
  }
}

void Config::TRegTIM2v1DisplayItem::WriteStream(std::uint32_t, TStream& stream) const
{
  StreamWriting io(stream);
  io.u8(ScreenCode);
  io.u8(Elements.size());
  for (const auto& element : Elements) element->Write(stream);
}

void Config::TRegTIM2v1DeviceItem::ReadStream(std::uint32_t version, TStream& stream)
{
  std::uint8_t count = 0;
  StreamReading(stream).u8(count);
  Screens.assign(count, TRegTIM2v1DisplayItem());
  for (auto& screen : Screens) screen.ReadStream(version, stream);
}

void Config::TRegTIM2v1DeviceItem::WriteStream(std::uint32_t version, TStream& stream) const
{
  StreamWriting(stream).u8(Screens.size());
  for (const auto& screen : Screens) screen.WriteStream(version, stream);
}

// --- The record ------------------------------------------------------------------

std::uint32_t Config::RecordSize(std::uint32_t version) { return RecordSizeOf<kWritingBands>(version); }

void Config::ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record)
{
  SetDefaults();
  if (BandForReading<kReadingBands>(version, record.size()).form == BoardForm::None) return;
  // Bytes past the record's 250 are none of its contents: boards that reach into them
  // could never be written back.
  SnStream::TFixedMemoryStream stream(record.data(), std::min(record.size(), kRecordSize));
  StreamReading io(stream);
  std::array<std::uint8_t, kHeaderSize> header;
  io.raw(header);
  Format = 1;
  if (header[0] != 1) return;
  ReadBoards(stream, header[2], version, Boards);
}

std::size_t Config::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kWritingBands>(targetVersion);
  if (band.form == BoardForm::None) return 0;
  std::vector<std::uint8_t> record(band.size, 0);
  record[0] = static_cast<std::uint8_t>(Format);
  // No count can pass 255 here: the smallest board takes 3 bytes of the 246.
  record[2] = static_cast<std::uint8_t>(Boards.size());
  SnStream::TFixedMemoryStream stream(record.data() + kHeaderSize, record.size() - kHeaderSize);
  WriteBoards(stream, targetVersion, Boards);
  output.insert(output.end(), record.begin(), record.end());
  return record.size();
}
