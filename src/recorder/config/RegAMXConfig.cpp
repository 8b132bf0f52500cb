// The AMX program stream: header, then the code bytes.

#include "recorder/config/RegAMXConfig.h"

#include "platform/Bytes.h"
#include "recorder/config/StreamTransfer.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class ProgramForm : std::uint8_t { None, Stream };

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
  Header = kEmptyContentHeader;
  Code.clear();
}

void TRegAMXConfig::ReadStream(std::uint32_t version, TStream& stream)
{
  SetDefaults();
  if (BandForReading<kReadingBands>(version, 0).form == ProgramForm::None) return;
  const auto header = ReadContentHeader(stream, 14432, 14435);
  if (!header) return;
  Header = *header;
  const std::uint32_t codeSize = ByteReader(Header).u32(kContentSizeAt);
  if (std::uint64_t{codeSize} + kContentHeaderSize != std::uint64_t(stream.GetSize())) throw EVantorInvalid(14439);
  Code = ReadBytes(stream, codeSize);
}

int TRegAMXConfig::WriteStream(std::uint32_t targetVersion, TStream& stream) const
{
  BandForWriting<kWritingBands>(targetVersion);
  auto header = Header;
  ByteWriter(header).u32(kContentSizeAt, static_cast<std::uint32_t>(Code.size()));
  StreamWriting io(stream);
  io.raw(header);
  stream.WriteBuffer(Code.data(), Code.size());
  return 0;
}
