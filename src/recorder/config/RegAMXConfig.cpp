// The AMX program stream: header, then the code bytes.

#include "recorder/config/RegAMXConfig.h"

#include "platform/Bytes.h"
#include "recorder/config/StreamTransfer.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class ProgramForm : std::uint8_t { None, Stream };

constexpr std::uint8_t kHeaderSize = 12;
constexpr std::size_t kCodeSizeAt = 8;

// Unlike the other stream blocks, the 2.2 branch counts as newer firmware here.
constexpr VersionBand<ProgramForm> kReadingBands[] = {
    Served(0, MakeVersion(2, 1, 69, 255), ProgramForm::None, LengthRule{}),
    Served(MakeVersion(2, 1, 70), kSecondLineUpTo, ProgramForm::Stream, LengthRule{}),
    RefusedAsNew(kSecondLineUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr VersionBand<ProgramForm> kWritingBands[] = {
    RefusedAsOld(0, MakeVersion(2, 1, 69, 255)),
    Served(MakeVersion(2, 1, 70), kSecondLineUpTo, ProgramForm::Stream, LengthRule{}),
    RefusedAsNew(kSecondLineUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

}  // namespace

void TRegAMXConfig::SetDefaults()
{
  Header.fill(0);
  Header[0] = 1;
  Header[1] = kHeaderSize;
  Code.clear();
}

void TRegAMXConfig::ReadStream(std::uint32_t version, TStream& stream)
{
  SetDefaults();
  if (BandForReading<kReadingBands>(version, 0).form == ProgramForm::None) return;
  // A device that offers programs but holds none sends nothing at all.
  const std::int64_t size = stream.GetSize();
  if (size == 0) return;
  std::array<std::uint8_t, kHeaderSize> header;
  StreamReading(stream).raw(header);
  if (header[0] == 0) return;
  if (header[0] == 1 && header[1] != kHeaderSize) throw EVantorInvalid(14432);
  if (header[0] >= 2) throw EVantorInvalid(14435);
  Header = header;
  const std::uint32_t codeSize = ByteReader(header).u32(kCodeSizeAt);
  if (static_cast<std::uint64_t>(codeSize) + kHeaderSize != static_cast<std::uint64_t>(size))
    throw EVantorInvalid(14439);
  Code = ReadBytes(stream, codeSize);
}

int TRegAMXConfig::WriteStream(std::uint32_t targetVersion, TStream& stream) const
{
  BandForWriting<kWritingBands>(targetVersion);
  auto header = Header;
  ByteWriter(header).u32(kCodeSizeAt, static_cast<std::uint32_t>(Code.size()));
  StreamWriting io(stream);
  io.raw(header);
  stream.WriteBuffer(Code.data(), Code.size());
  return 0;
}
