// The TTL channel record:
//   80, first line    0 TtlByte, 1 TtlSelA | TtlSelB << 4, 2 TtlSelC (3 bits) | TtlSelD << 3,
//                     3 TtlSelE, 4 TtlFactor, 8 ShortText, 16 Name (32-byte field), 48 four
//                     8-byte events: header, setting, value, two one-byte codes
//   80, second line   bytes 0-7 the same but byte 1 TtlSelA alone, 8 ShortText, 16 Name
//                     (24-byte field), 40 four 10-byte events
//   200               the second line's 80 (byte 1 with TtlSelB from 2.1.101), 80 Text
//   248               0 TtlMode, 1-3 TtlSelA-C, 4-15 the mode's parameters, 16 TtlSelD,
//                     17 TtlSelE, 20 TtlFactor, 24 ShortText, 32 Name, 56 events, 76 Text
// From 1.10.17 and from 2.1.128.50 the records carry two events, not four.

#include "recorder/config/RegTTLConfig.h"

#include <algorithm>

#include "recorder/config/EventItemCodes.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class TTLForm : std::uint8_t { F80FirstLine, F80SecondLine, F200, F248 };

// From 2.1.54 the size chooses between 200 and 248 bytes, whatever the version says.
constexpr VersionBand<TTLForm> kTTLReadBands[] = {
    RefusedAsOld(0, MakeVersion(1, 8, 255, 255)),
    Served(MakeVersion(1, 9, 0), kFirstLineUpTo, TTLForm::F80FirstLine, LengthExactly(80, 10650)),
    RefusedAsOld(kFirstLineUpTo + 1, MakeVersion(2, 1, 24, 255)),
    Served(MakeVersion(2, 1, 25), MakeVersion(2, 1, 53, 255), TTLForm::F80SecondLine, LengthExactly(80, 10703)),
    Served(MakeVersion(2, 1, 54), MakeVersion(2, 1, 131, 255), TTLForm::F200, LengthEither(200, 248, 10842)),
    Served(MakeVersion(2, 1, 132), kSecondLineUpTo, TTLForm::F248, LengthEither(248, 200, 10842)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, TTLForm::F80SecondLine, LengthExactly(80, 10703)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

// The writer (and RecordSize) also gives the late first line the first line's form.
constexpr VersionBand<TTLForm> kTTLWriteBands[] = {
    RefusedAsOld(0, MakeVersion(1, 8, 255, 255)),
    Served(MakeVersion(1, 9, 0), kSecondLineFrom - 1, TTLForm::F80FirstLine, LengthExactly(80, 10650)),
    RefusedAsOld(kSecondLineFrom, MakeVersion(2, 1, 24, 255)),
    Served(MakeVersion(2, 1, 25), MakeVersion(2, 1, 53, 255), TTLForm::F80SecondLine, LengthExactly(80, 10703)),
    Served(MakeVersion(2, 1, 54), MakeVersion(2, 1, 131, 255), TTLForm::F200, LengthExactly(200, 10842)),
    Served(MakeVersion(2, 1, 132), kSecondLineUpTo, TTLForm::F248, LengthExactly(248, 10842)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo).Sized(248),
    Served(kBranchFrom, kBranchUpTo, TTLForm::F80SecondLine, LengthExactly(80, 10703)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo).Sized(248),
};

constexpr std::uint8_t kModeByte = 1;    // TtlMode 1: TtlByte at 4
constexpr std::uint8_t kModeParams = 3;  // TtlMode 3: the mode's own parameters

std::size_t EventCount(TTLForm form, std::uint32_t version)
{
  switch (form) {
  case TTLForm::F80FirstLine: return IsSwAtLeast1_10_17(version) ? 2 : 4;
  case TTLForm::F80SecondLine: return 4;
  case TTLForm::F200:
  case TTLForm::F248: break;
  }
  return IsSwAtLeast2_1_128_50(version) ? 2 : 4;
}

// Bytes 1-3 of the older forms, with the limits reading keeps. withSelB: byte 1 carries
// TtlSelB in its upper nibble.
template <class IO, class TTL>
void TransferSelectors(IO& io, TTL& ttl, bool withSelB)
{
  if constexpr (IO::kReading) {
    const ByteReader& in = io.Bytes();
    const std::uint8_t b1 = in.u8(1);
    ttl.TtlSelA = (b1 & 0x0F) <= 1 ? b1 & 0x0F : 0;
    ttl.TtlSelB = withSelB && b1 < 64 ? b1 >> 4 : 0;
    const std::uint8_t b2 = in.u8(2);
    ttl.TtlSelC = (b2 & 7) <= 3 ? b2 & 7 : 0;
    ttl.TtlSelD = b2 < 192 ? b2 >> 3 : 0;
    ttl.TtlSelE = std::min<std::uint8_t>(in.u8(3), 8);
  } else {
    // The first line keeps TtlSelA to its nibble; the second line's forms take it whole.
    const unsigned selA = io.Version() < kSecondLineFrom ? ttl.TtlSelA & 0x0F : ttl.TtlSelA;
    io.u8(1, (withSelB ? ttl.TtlSelB << 4 : 0) | selA);
    io.u8(2, ttl.TtlSelD << 3 | (ttl.TtlSelC & 7));
    io.u8(3, ttl.TtlSelE);
  }
}

// The 10-byte events of the second line, raw.
template <class IO, class TTL>
void TransferEvents(IO& io, TTL& ttl, std::size_t at, std::size_t count)
{
  for (std::size_t i = 0; i < count; ++i) {
    auto& event = ttl.Events[i];
    const std::size_t item = at + 10 * i;
    io.u8(item, event.Header);
    io.u8(item + 1, event.Setting);
    io.u32(item + 2, event.Value);
    io.u16(item + 6, event.Codes[0]);
    io.u16(item + 8, event.Codes[1]);
  }
}

template <class IO, class TTL>
void TransferTTL80FirstLine(IO& io, TTL& ttl, std::size_t events)
{
  io.u8(0, ttl.TtlByte);
  TransferSelectors(io, ttl, true);
  io.f32(4, ttl.TtlFactor);
  io.text(8, 8, ttl.ShortText);
  io.text(16, 32, ttl.Name);
  for (std::size_t i = 0; i < events; ++i) {
    auto& event = ttl.Events[i];
    const std::size_t item = 48 + 8 * i;
    if constexpr (IO::kReading) event.Header = io.Bytes().u8(item) & 0x0F;
    else io.u8(item, event.Header & 0x0F);
    io.u8(item + 1, event.Setting);
    io.u32(item + 2, event.Value);
    TransferCode8(io, item + 6, event.Codes[0], io.Version());
    TransferCode8(io, item + 7, event.Codes[1], io.Version());
  }
}

// The second line's 80-byte form and the first 80 bytes of the 200-byte form.
template <class IO, class TTL>
void TransferTTL80SecondLine(IO& io, TTL& ttl, bool wide, std::size_t events)
{
  io.u8(0, ttl.TtlByte);
  if (wide) {
    TransferSelectors(io, ttl, IsSwAtLeast2_1_101(io.Version()));
  } else {
    TransferSelectors(io, ttl, false);
    // Byte 1 is TtlSelA alone here, kept when below 2 as a signed byte.
    if constexpr (IO::kReading) {
      const std::uint8_t b1 = io.Bytes().u8(1);
      ttl.TtlSelA = SignedByteAbove(b1, 1) ? 0 : b1;
    }
  }
  io.f32(4, ttl.TtlFactor);
  io.text(8, 8, ttl.ShortText);
  io.text(16, 24, ttl.Name);
  TransferEvents(io, ttl, 40, events);
  if (wide) io.ansi(80, 119, ttl.Text);
}

// withSelB: byte 2 carries TtlSelB. Reading always takes it; the version's own form
// writes it from 2.1.101 on, and a record kept in the form it was read in gives back
// what was read.
template <class IO, class TTL>
void TransferTTL248(IO& io, TTL& ttl, std::size_t events, bool withSelB)
{
  // Reading has taken the mode already: it decides what bytes 4-15 are.
  if constexpr (!IO::kReading) io.u8(0, ttl.TtlMode);
  io.u8(1, ttl.TtlSelA);
  if (withSelB) io.u8(2, ttl.TtlSelB);
  io.u8(3, ttl.TtlSelC);
  if (ttl.TtlMode == kModeByte) {
    io.u8(4, ttl.TtlByte);
  } else if (ttl.TtlMode == kModeParams) {
    io.u8(4, ttl.ModeByte);
    io.u8(5, ttl.ModeFlag);
    io.u16(6, ttl.ModeWord);
    io.u8(8, ttl.ModeSignedA);
    io.u8(9, ttl.ModeSignedB);
    io.u32(12, ttl.ModeLong);
  }
  io.u8(16, ttl.TtlSelD);
  io.u8(17, ttl.TtlSelE);
  io.f32(20, ttl.TtlFactor);
  io.text(24, 8, ttl.ShortText);
  io.text(32, 24, ttl.Name);
  io.ansi(76, 119, ttl.Text);
  // Four events (only below 2.1.128.50) reach into the text; they are what the record's
  // bytes 76-95 then hold.
  TransferEvents(io, ttl, 56, events);
}

// The form a channel is written in for a version: from 2.1.54 on, for the version it was
// read at, the 200 or 248 bytes it came in.
TTLForm WrittenForm(const TRegTTLConfig& ttl, TTLForm versionForm, std::uint32_t targetVersion)
{
  if (versionForm != TTLForm::F200 && versionForm != TTLForm::F248) return versionForm;
  if (ttl.ReadVersion != targetVersion) return versionForm;
  if (ttl.ReadSize == 200) return TTLForm::F200;
  if (ttl.ReadSize == 248) return TTLForm::F248;
  return versionForm;
}

std::uint32_t SizeOf(TTLForm form) { return form == TTLForm::F200 ? 200 : form == TTLForm::F248 ? 248 : 80; }

}  // namespace

void TRegTTLConfig::SetDefaults()
{
  TtlByte = TtlSelA = TtlSelB = TtlSelC = TtlSelD = 0;
  TtlSelE = 1;
  TtlFactor = 1.0f;
  ShortText.clear();
  Name.clear();
  Events = {};
  Text.clear();
  TtlMode = ModeByte = 0;
  ModeFlag = 0;
  ModeWord = 0;
  ModeSignedA = ModeSignedB = 0;
  ModeLong = 0;
  ReadSize = ReadVersion = 0;
}

std::uint32_t TRegTTLConfig::RecordSize(std::uint32_t version) { return RecordSizeOf<kTTLWriteBands>(version); }

std::uint32_t TRegTTLConfig::WrittenSize(std::uint32_t targetVersion) const
{
  const auto& band = BandOf<kTTLWriteBands>(targetVersion);
  if (band.form != TTLForm::F200 && band.form != TTLForm::F248) return band.size;
  return SizeOf(WrittenForm(*this, band.form, targetVersion));
}

void TRegTTLConfig::ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record)
{
  TTLForm form = BandForReading<kTTLReadBands>(version, record.size()).form;
  if (form == TTLForm::F200 || form == TTLForm::F248) form = record.size() == 200 ? TTLForm::F200 : TTLForm::F248;
  const std::size_t events = EventCount(form, version);
  RecordReading io(record, version);
  const ByteReader& in = io.Bytes();

  if (form != TTLForm::F248) {
    if (form == TTLForm::F80FirstLine) TransferTTL80FirstLine(io, *this, events);
    else TransferTTL80SecondLine(io, *this, form == TTLForm::F200, events);
    if (form != TTLForm::F200) Text.clear();
    TtlMode = TtlByte != 0 ? 1 : 0;
    ReadSize = static_cast<std::uint32_t>(record.size());
    ReadVersion = version;
    return;
  }

  // A mode of 4 or more reads as 0, but a negative byte stays and is refused.
  const std::uint8_t mode = in.u8(0);
  TtlMode = SignedByteAbove(mode, 3) ? 0 : mode;
  if (TtlMode > 4) throw EVantorInvalid(10819);
  TransferTTL248(io, *this, events, true);
  if (TtlMode == kModeParams) {
    if (ModeFlag > 1) ModeFlag = 0;
    if (ModeSignedA > 0) ModeSignedA = 0;
    if (ModeSignedB > 0) ModeSignedB = 0;
  }
  if (SignedByteAbove(TtlSelA, 1)) TtlSelA = 0;
  if (SignedByteAbove(TtlSelB, 3)) TtlSelB = 0;
  if (SignedByteAbove(TtlSelC, 3)) TtlSelC = 0;
  if (TtlSelD > 23) TtlSelD = 0;
  if (TtlSelE > 8) TtlSelE = 8;
  ReadSize = static_cast<std::uint32_t>(record.size());
  ReadVersion = version;
}

std::size_t TRegTTLConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kTTLWriteBands>(targetVersion);
  const TTLForm form = WrittenForm(*this, band.form, targetVersion);
  const bool kept = form != band.form;
  const std::size_t events = EventCount(form, targetVersion);
  if (form == TTLForm::F248 && TtlMode > 4) throw EVantorInvalid(11021);

  return AppendRecord(output, kept ? SizeOf(form) : band.size, targetVersion, [&](RecordWriting& io) {
    switch (form) {
    case TTLForm::F80FirstLine: TransferTTL80FirstLine(io, *this, events); return;
    case TTLForm::F80SecondLine: TransferTTL80SecondLine(io, *this, false, events); return;
    case TTLForm::F200: TransferTTL80SecondLine(io, *this, true, events); break;
    case TTLForm::F248: TransferTTL248(io, *this, events, kept || IsSwAtLeast2_1_101(targetVersion)); break;
    }
    const std::size_t at = form == TTLForm::F200 ? 40 : 56;
    if (IsSwAbove2_1_80_0(targetVersion)) {
      for (std::size_t i = 0; i < events; ++i) ConvertWrittenEventCodes(io, at + 10 * i, at + 10 * i + 6, at + 10 * i + 8);
    }
  });
}
