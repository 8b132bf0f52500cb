// The second-format display boards: a 4-byte header and the packed boards.

#include "recorder/config/RegTIM2v2Config.h"

#include <array>

#include "recorder/config/StreamTransfer.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class BoardForm : std::uint8_t { None, Stream };

constexpr std::size_t kHeaderSize = 4;
constexpr std::uint8_t kFormat = 2;

constexpr std::size_t kMaxCount = 0xFF;      // boards, and items on one board: one byte
constexpr std::size_t kMaxBodySize = 0xFFFF;  // the size field: two bytes

// The length rule applies to the whole stream.
constexpr VersionBand<BoardForm> kReadingBands[] = {
    Served(0, MakeVersion(1, 255, 255, 255), BoardForm::None, LengthRule{}),
    Served(kSecondLineFrom, kSecondLineUpTo, BoardForm::Stream, LengthAtLeast(kHeaderSize, 13365)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, BoardForm::Stream, LengthAtLeast(kHeaderSize, 13365)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr VersionBand<BoardForm> kWritingBands[] = {
    RefusedAsOld(0, MakeVersion(1, 255, 255, 255)),
    Served(kSecondLineFrom, kSecondLineUpTo, BoardForm::Stream, LengthRule{}),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, BoardForm::Stream, LengthRule{}),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

}  // namespace

void TRegTIM2v2Config::TRegTIM2v2DisplayItem::ReadStream(TStream& stream)
{
  StreamReading io(stream);
  Transfer(io, *this);
}

void TRegTIM2v2Config::TRegTIM2v2DisplayItem::WriteStream(TStream& stream) const
{
  StreamWriting io(stream);
  Transfer(io, *this);
}

void TRegTIM2v2Config::TRegTIM2v2DeviceItem::ReadStream(std::uint32_t, TStream& stream)
{
  std::uint8_t count = 0;
  StreamReading(stream).u8(count);
  Items.assign(count, TRegTIM2v2DisplayItem());
  for (auto& item : Items) item.ReadStream(stream);
}

void TRegTIM2v2Config::TRegTIM2v2DeviceItem::WriteStream(std::uint32_t, TStream& stream) const
{
  if (Items.size() > kMaxCount) throw EVantorInvalid(13383);
  StreamWriting(stream).u8(Items.size());
  for (const auto& item : Items) item.WriteStream(stream);
}

void TRegTIM2v2Config::ReadStream(std::uint32_t version, TStream& stream)
{
  SetDefaults();
  if (BandForReading<kReadingBands>(version, static_cast<std::size_t>(stream.GetSize())).form == BoardForm::None)
    return;
  StreamReading io(stream);
  std::array<std::uint8_t, kHeaderSize> header;
  io.raw(header);
  Format = kFormat;
  if (header[0] != kFormat) return;
  TRegTIM2v1Config::ReadBoards(stream, header[1], version, Boards);
}

void TRegTIM2v2Config::WriteStream(std::uint32_t targetVersion, TStream& stream) const
{
  BandForWriting<kWritingBands>(targetVersion);
  if (Boards.size() > kMaxCount) throw EVantorInvalid(13380);
  TMemoryStream body;
  TRegTIM2v1Config::WriteBoards(body, targetVersion, Boards);
  if (body.Data().size() > kMaxBodySize) throw EVantorInvalid(13386);
  StreamWriting io(stream);
  io.u8(kFormat);
  io.u8(Boards.size());
  io.u8(body.Data().size());
  io.u8(body.Data().size() >> 8);
  stream.WriteBuffer(body.Data().data(), body.Data().size());
}
