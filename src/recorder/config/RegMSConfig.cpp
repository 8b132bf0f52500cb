// The mnemonic-scheme stream: header, then every page with its data and widgets.

#include "recorder/config/RegMSConfig.h"

#include <algorithm>

#include "platform/Bytes.h"
#include "recorder/config/StreamTransfer.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class SchemeForm : std::uint8_t { None, Stream };

constexpr unsigned kFeatureScheme = 14;

// Header bytes.
constexpr std::size_t kFormatAt = 0;
constexpr std::size_t kPageCountAt = 4;
constexpr std::size_t kLimitAt = 5;

// Page header bytes.
constexpr std::size_t kWidgetCountAt = 0;
constexpr std::size_t kDataKindAt = 3;
constexpr std::size_t kDataSizeAt = 8;

constexpr VersionBand<SchemeForm> kReadingBands[] = {
    Served(0, MakeVersion(2, 1, 90, 255), SchemeForm::None, LengthRule{}),
    Served(MakeVersion(2, 1, 91), kSecondLineUpTo, SchemeForm::Stream, LengthRule{}),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, SchemeForm::None, LengthRule{}),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr VersionBand<SchemeForm> kWritingBands[] = {
    RefusedAsOld(0, MakeVersion(2, 1, 90, 255)),
    Served(MakeVersion(2, 1, 91), kSecondLineUpTo, SchemeForm::Stream, LengthRule{}),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    RefusedAsOld(kBranchFrom, kBranchUpTo),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr std::size_t kWidgetSizes[] = {17, 24, 17, 17, 22, 102};
static_assert(std::size(kWidgetSizes) == TRegMSConfig::TRegMSWidgetItem::kMaxType + 1);

bool DataKindCarriesData(std::uint8_t kind) { return kind == 1 || kind == 2; }

// The per-page limit byte of the header: fixed before 2.1.128, the device's own after.
std::uint8_t LimitByte(std::uint32_t version, const TRegInfo& info)
{
  if (!IsSwAtLeast2_1_126(version)) return 64;
  if (!IsSwAtLeast2_1_128(version)) return 128;
  return static_cast<std::uint8_t>(info.MSCapacity);
}

}  // namespace

// --- Widgets -----------------------------------------------------------------------

std::size_t TRegMSConfig::TRegMSWidgetItem::DataSizeOf(int type)
{
  return type >= 0 && type <= kMaxType ? kWidgetSizes[type] : 0;
}

void TRegMSConfig::TRegMSWidgetItem::ReadStream(TStream& stream)
{
  StreamReading io(stream);
  std::uint8_t type = 0, size = 0;
  io.u8(type);
  io.u8(size);
  if (type > kMaxType) throw EVantorInvalid(13729);
  if (size != DataSizeOf(type)) throw EVantorInvalid(13732);
  stream.ReadBuffer(Data.data(), size);
  Type = type;
}

void TRegMSConfig::TRegMSWidgetItem::WriteStream(TStream& stream) const
{
  if (Type < 0 || Type > kMaxType) throw EVantorInvalid(13768);
  StreamWriting io(stream);
  const std::size_t size = DataSizeOf(Type);
  io.u8(Type);
  io.u8(size);
  stream.WriteBuffer(Data.data(), size);
}

// --- Pages -------------------------------------------------------------------------

void TRegMSConfig::TRegMSConfigPageItem::SetDefaults()
{
  Header.fill(0);
  Data.clear();
  Widgets.clear();
}

void TRegMSConfig::TRegMSConfigPageItem::ReadStream(TStream& stream)
{
  StreamReading(stream).raw(Header);
  Data.clear();
  Widgets.clear();
  const std::uint8_t kind = Header[kDataKindAt];
  const std::uint32_t size = ByteReader(Header).u32(kDataSizeAt);
  if (kind == 0) {
    if (size != 0) throw EVantorInvalid(14007);
  } else if (DataKindCarriesData(kind)) {
    if (size > kMaxData) throw EVantorInvalid(14013);
    Data = ReadBytes(stream, size);
  } else {
    // Data of a kind this program does not know: passed over, the page kept without.
    SkipForward(stream, size);
    Header[kDataKindAt] = 0;
    ByteWriter(Header).u32(kDataSizeAt, 0);
  }
  for (unsigned n = Header[kWidgetCountAt]; n > 0; --n) {
    TRegMSWidgetItem widget;
    widget.ReadStream(stream);
    Widgets.push_back(widget);
  }
}

void TRegMSConfig::TRegMSConfigPageItem::WriteStream(TStream& stream) const
{
  // The count byte would drop widgets from the page without a word, and the body size
  // would still count them, so that a reader takes their bytes for nothing.
  if (Widgets.size() > kMaxWidgets) throw EVantorInvalid(14185);
  auto header = Header;
  header[kWidgetCountAt] = static_cast<std::uint8_t>(Widgets.size());
  ByteWriter(header).u32(kDataSizeAt, static_cast<std::uint32_t>(Data.size()));
  StreamWriting(stream).raw(header);
  if (DataKindCarriesData(Header[kDataKindAt])) stream.WriteBuffer(Data.data(), Data.size());
  for (const auto& widget : Widgets) widget.WriteStream(stream);
}

// --- The scheme --------------------------------------------------------------------

void TRegMSConfig::ResizeToInfo()
{
  const bool offered = (owner_->Features >> kFeatureScheme & 1) != 0;
  Pages.resize(offered ? owner_->PageCount : 0);
}

void TRegMSConfig::SetDefaults()
{
  Header = kEmptyContentHeader;
  for (auto& page : Pages) page.SetDefaults();
}

void TRegMSConfig::ReadStream(std::uint32_t version, TStream& stream)
{
  SetDefaults();
  if (BandForReading<kReadingBands>(version, 0).form == SchemeForm::None) return;
  const auto header = ReadContentHeader(stream, 14133, 14136);
  if (!header) return;
  Header = *header;
  if (std::uint64_t{ByteReader(Header).u32(kContentSizeAt)} + kContentHeaderSize != std::uint64_t(stream.GetSize()))
    throw EVantorInvalid(14141);
  const std::size_t count = std::min<std::size_t>(Header[kPageCountAt], Pages.size());
  for (std::size_t i = 0; i < count; ++i) Pages[i].ReadStream(stream);
}

void TRegMSConfig::WriteStream(std::uint32_t targetVersion, TStream& stream) const
{
  BandForWriting<kWritingBands>(targetVersion);
  if (Header[kFormatAt] == 0) {
    TRegMSConfig fresh(*owner_);
    fresh.ResizeToInfo();
    fresh.SetDefaults();
    fresh.WriteStream(targetVersion, stream);
    return;
  }
  CheckContentHeader(Header, 14179, 14182);
  auto header = Header;
  header[kPageCountAt] = static_cast<std::uint8_t>(owner_->PageCount);
  header[kLimitAt] = LimitByte(targetVersion, *owner_);
  TMemoryStream body;
  for (const auto& page : Pages) page.WriteStream(body);
  ByteWriter(header).u32(kContentSizeAt, static_cast<std::uint32_t>(body.Data().size()));
  StreamWriting(stream).raw(header);
  stream.WriteBuffer(body.Data().data(), body.Data().size());
}
