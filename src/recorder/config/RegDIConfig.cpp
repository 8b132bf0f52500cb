// The discrete input record. Five forms: 39 bytes (first line below 1.8, and 1.9.x), 44
// (1.8.x), 48 (1.10.0-1.10.20), 52 (the second line below 2.1.51) and 172 (2.1.51 on,
// and the 2.2 branch). The two newest share their first 50 bytes, whose bytes 26-35
// mean what the channel's kind of source says.

#include "recorder/config/RegDIConfig.h"

#include <algorithm>

#include "recorder/config/EventItemCodes.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class DIForm : std::uint8_t { F39, F44, F48, F52, F172 };

constexpr VersionBand<DIForm> kDIReadBands[] = {
    RefusedAsOld(0, MakeVersion(1, 2, 255, 255)),
    Served(kFirstLineFrom, MakeVersion(1, 7, 255, 255), DIForm::F39, LengthAtLeast(39, 6113)),
    Served(MakeVersion(1, 8, 0), MakeVersion(1, 8, 255, 255), DIForm::F44, LengthExactly(44, 6192)),
    Served(MakeVersion(1, 9, 0), MakeVersion(1, 9, 255, 255), DIForm::F39, LengthAtLeast(39, 6113)),
    Served(MakeVersion(1, 10, 0), kFirstLineUpTo, DIForm::F48, LengthAtLeast(48, 6272)),
    RefusedAsNew(kFirstLineUpTo + 1, kSecondLineFrom - 1, kFirstLineUpTo),
    Served(kSecondLineFrom, MakeVersion(2, 1, 50, 255), DIForm::F52, LengthAtLeast(52, 6356)),
    Served(MakeVersion(2, 1, 51), kSecondLineUpTo, DIForm::F172, LengthAtLeast(172, 6499)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, DIForm::F172, LengthAtLeast(172, 6499)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

// The writer (and RecordSize) has no oldest form, and gives the late first line, which
// no reader accepts, the 52-byte form.
constexpr VersionBand<DIForm> kDIWriteBands[] = {
    Served(0, MakeVersion(1, 7, 255, 255), DIForm::F39, LengthAtLeast(39, 6113)),
    Served(MakeVersion(1, 8, 0), MakeVersion(1, 8, 255, 255), DIForm::F44, LengthExactly(44, 6192)),
    Served(MakeVersion(1, 9, 0), MakeVersion(1, 9, 255, 255), DIForm::F39, LengthAtLeast(39, 6113)),
    Served(MakeVersion(1, 10, 0), kFirstLineUpTo, DIForm::F48, LengthAtLeast(48, 6272)),
    Served(kFirstLineUpTo + 1, MakeVersion(2, 1, 50, 255), DIForm::F52, LengthAtLeast(52, 6356)),
    Served(MakeVersion(2, 1, 51), kSecondLineUpTo, DIForm::F172, LengthAtLeast(172, 6499)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, DIForm::F172, LengthAtLeast(172, 6499)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr unsigned kCheckInputByte = 6911;

using Event = TRegDIConfig::TRegDIEvent;

// The first line's event: the flags of the header and the two codes in their one-byte
// form, at the owner's firmware. Reading keeps the header's upper bits and clears the
// parameter bytes the record lacks.
template <class IO, class E>
void TransferShortEvent(IO& io, std::size_t at, E& event, std::uint32_t ownerVersion)
{
  if constexpr (IO::kReading) {
    event.Header = static_cast<std::uint8_t>((event.Header & 0xF0) | (io.Bytes().u8(at) & 0x0F));
    event.Params = {0, 0};
  } else {
    io.u8(at, event.Header & 0x0F);
  }
  TransferCode8(io, at + 1, event.Codes[0], ownerVersion);
  TransferCode8(io, at + 2, event.Codes[1], ownerVersion);
}

// The second line's event, 7 bytes as in memory.
template <class IO, class E>
void TransferEvent(IO& io, std::size_t at, E& event)
{
  io.u8(at, event.Header);
  io.u8(at + 1, event.Params[0]);
  io.u8(at + 2, event.Params[1]);
  io.u16(at + 3, event.Codes[0]);
  io.u16(at + 5, event.Codes[1]);
}

template <class IO, class DI>
void TransferDI39(IO& io, DI& di, std::uint32_t owner)
{
  io.u8(0, di.ModeIndex);
  io.text(1, 32, di.Name);
  TransferShortEvent(io, 33, di.Events[0], owner);
  TransferShortEvent(io, 36, di.Events[1], owner);
}

template <class IO, class DI>
void TransferDI44(IO& io, DI& di, std::uint32_t owner)
{
  io.text(0, 32, di.Name);
  io.u8(32, di.ModeIndex);
  io.bits8(33, 0, 1, di.BusByte);
  io.bits8(33, 1, 7, di.BusWord);
  io.bits8(34, 0, 2, di.FieldA2);
  io.bits16(35, 0, 10, di.Number16);
  io.bits8(37, 0, 4, di.FieldB6);
  TransferShortEvent(io, 38, di.Events[0], owner);
  TransferShortEvent(io, 41, di.Events[1], owner);
}

template <class IO, class DI>
void TransferDI48(IO& io, DI& di, std::uint32_t owner)
{
  io.text(0, 32, di.Name);
  io.u8(32, di.ModeIndex);
  io.u8(36, di.BusWord);
  io.bits8(37, 0, 1, di.BusByte);
  io.bits8(37, 1, 2, di.FieldA2);
  io.bits8(37, 3, 5, di.FieldB6);
  io.u16(38, di.Number16);
  TransferShortEvent(io, 40, di.Events[0], owner);
  TransferShortEvent(io, 43, di.Events[1], owner);
}

// The 50 bytes forms 52 and 172 share, but the kind's bytes 26-35.
template <class IO, class DI>
void TransferDIHead(IO& io, DI& di)
{
  io.text(0, 24, di.Name);
  io.u8(24, di.ModeIndex);
  io.mantissa8(25, di.Param0);
  TransferEvent(io, 36, di.Events[0]);
  TransferEvent(io, 43, di.Events[1]);
}

// Bytes 33-35 of an RS-485 source by its addressing variant (RNet: variant 1).
template <class IO, class DI>
void TransferBusVariant(IO& io, DI& di, std::uint8_t variant)
{
  switch (variant) {
  case 0:
    io.bits8(33, 0, 2, di.FieldA2);
    io.bits8(33, 2, 6, di.FieldB6);
    io.u16(34, di.Number16);
    break;
  case 1:
    io.u8(33, di.AltByte1);
    io.u8(34, di.AltByte2);
    io.bits8(35, 0, 4, di.AltNibble1);
    io.bits8(35, 4, 4, di.AltNibble2);
    break;
  default:
    io.u8(33, di.Alt2Byte);
    io.u16(34, di.Alt2Word);
    break;
  }
}

// A CAN flag of 2 stands for 1; anything above for 0.
constexpr std::uint32_t CanFlagOf(std::uint32_t stored) { return stored == 1 || stored == 2 ? 1 : 0; }

// Bytes 26-35 of forms 52 and 172 by the kind of source. The gates inside test the
// owner's firmware, not the form's. Writing has put BusByte at 32 before: a kind with
// a byte of its own there writes over it.
template <class IO, class DI>
void TransferDIKind(IO& io, DI& di, std::uint8_t kind, bool wide, std::uint32_t owner)
{
  switch (kind) {
  case TRegDIConfig::kDiscrete:
    if (!wide) break;
    if (IsSwAtLeast2_1_128_80(owner)) {
      io.u8(32, di.InputByte);
      // Refused on reading too: a byte the writer refuses would otherwise pass the read
      // and fail the backup at its end.
      if (SignedByteAbove(di.InputByte, 1)) throw EVantorInvalid(kCheckInputByte);
    }
    if constexpr (!IO::kReading) {
      if (IsSwAtLeast2_1_159(owner)) {
        io.mantissa8(33, di.ParamA);
        io.mantissa8(34, di.ParamB);
      }
    }
    break;
  case TRegDIConfig::kRs485: {
    io.u32(28, di.BusWord);
    io.u8(32, di.BusByte);
    std::uint8_t variant = 0;
    if (IsSwAtLeast2_1_30(owner)) {
      io.u8(26, di.BusMode);
      if (di.BusMode > 2) throw EVantorVersion(owner);
      variant = di.BusMode;
    } else if constexpr (IO::kReading) {
      di.BusMode = 0;
    }
    TransferBusVariant(io, di, variant);
    break;
  }
  case TRegDIConfig::kRNet:
    io.u32(28, di.BusWord);
    io.u8(32, di.BusByte);
    TransferBusVariant(io, di, 1);
    break;
  case TRegDIConfig::kCan:
    io.u8(28, di.CanByte1);
    io.u8(32, di.CanByte2);
    if (wide) {
      if constexpr (IO::kReading) {
        io.u8(33, di.CanFlag);
        di.CanFlag = CanFlagOf(di.CanFlag);
      } else {
        io.u8(33, CanFlagOf(di.CanFlag));
      }
    }
    io.u16(34, di.CanNumber16);
    break;
  case TRegDIConfig::kExternal:
    if (wide && IsSwAtLeast2_1_128_90(owner)) io.u8(32, di.ExternalByte);
    break;
  case TRegDIConfig::kEthernet:
    if (!wide) break;
    io.u8(26, di.EthByte);
    io.u32(28, di.EthIPv4);
    // The reader once skipped this byte for Ethernet sources, which the writer puts
    // there: a backup then lost it.
    io.u8(32, di.BusByte);
    io.bits8(33, 0, 2, di.EthFieldA2);
    io.bits8(33, 2, 6, di.EthFieldB6);
    io.u16(34, di.EthNumber16);
    break;
  default: break;
  }
}

// A record's position stands when the list has it. Otherwise the fallback goes through
// the position of mode code 0, taken as a mode code in turn; the channels' lists put
// code 0 first or lack it, so in practice this gives 0.
std::uint8_t ModeIndexOf(std::uint8_t position, const std::vector<TDIPhysSignalType>& modes)
{
  if (position < modes.size()) return position;
  const auto p = std::find(modes.begin(), modes.end(), TDIPhysSignalType{0});
  if (p == modes.end()) return 0;
  const auto q = std::find(modes.begin(), modes.end(), static_cast<TDIPhysSignalType>(p - modes.begin()));
  return q == modes.end() ? 0 : static_cast<std::uint8_t>(q - modes.begin());
}

const std::vector<TDIPhysSignalType>& ModesOf(const TRegInfo& info, int index)
{
  static const std::vector<TDIPhysSignalType> kNoModes;
  if (index < 0 || static_cast<std::size_t>(index) >= info.DIChannels.size()) return kNoModes;
  return info.DIChannels[static_cast<std::size_t>(index)].Modes;
}

}  // namespace

void TRegDIConfig::SetDefaults()
{
  ModeIndex = 0;
  Name.clear();
  Param0.SetMantissa(0);
  ParamA.SetMantissa(0);
  ParamB.SetMantissa(0);
  ResetSource();
  Events = {};
  Text.clear();
}

void TRegDIConfig::ResetSource()
{
  BusMode = 0;
  BusByte = BusWord = FieldA2 = Number16 = FieldB6 = 0;
  AltByte1 = AltByte2 = AltNibble1 = AltNibble2 = Alt2Byte = 0;
  Alt2Word = 0;
  EthByte = 0;
  EthIPv4 = kDefaultEthIPv4;
  EthFieldA2 = EthNumber16 = EthFieldB6 = 0;
  CanByte1 = CanByte2 = CanFlag = CanNumber16 = 0;
  ExternalByte = 0;
  InputByte = 0;
}

std::uint8_t TRegDIConfig::Kind() const
{
  return OwnerInfo(Owner, "TRegDIConfig").DIModeAt(static_cast<std::size_t>(Index), ModeIndex);
}

std::uint32_t TRegDIConfig::RecordSize(std::uint32_t version) { return BandForWriting<kDIWriteBands>(version).size; }

void TRegDIConfig::ReadRecord(std::span<const std::uint8_t> record)
{
  const TRegInfo& info = OwnerInfo(Owner, "TRegDIConfig");
  const std::uint32_t version = info.SwVersion;
  const auto& band = BandForReading<kDIReadBands>(version, record.size());
  RecordReading io(record, version);

  switch (band.form) {
  case DIForm::F39:
  case DIForm::F44:
  case DIForm::F48:
    Param0.SetMantissa(0);
    ParamA.SetMantissa(0);
    ParamB.SetMantissa(0);
    ResetSource();
    if (band.form == DIForm::F39) TransferDI39(io, *this, version);
    else if (band.form == DIForm::F44) TransferDI44(io, *this, version);
    else TransferDI48(io, *this, version);
    ModeIndex = ModeIndexOf(ModeIndex, ModesOf(info, Index));
    return;
  case DIForm::F52:
  case DIForm::F172: break;
  }

  const bool wide = band.form == DIForm::F172;
  TransferDIHead(io, *this);
  ModeIndex = ModeIndexOf(ModeIndex, ModesOf(info, Index));
  if (wide) {
    io.mantissa8(33, ParamA);
    io.mantissa8(34, ParamB);
    io.ansi(50, 119, Text);
  } else {
    // Thousandths of the whole-number setting, rounded to the two decimals kept.
    ParamA.SetValue(Param0.GetMantissa(), 3);
    ParamB.SetValue(Param0.GetMantissa(), 3);
  }
  ResetSource();
  TransferDIKind(io, *this, Kind(), wide, version);
}

std::size_t TRegDIConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kDIWriteBands>(targetVersion);
  const std::uint32_t owner = OwnerInfo(Owner, "TRegDIConfig").SwVersion;

  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) {
    switch (band.form) {
    case DIForm::F39: TransferDI39(io, *this, owner); return;
    case DIForm::F44: TransferDI44(io, *this, owner); return;
    case DIForm::F48: TransferDI48(io, *this, owner); return;
    case DIForm::F52:
    case DIForm::F172: break;
    }
    const bool wide = band.form == DIForm::F172;
    TransferDIHead(io, *this);
    io.u8(32, BusByte);
    TransferDIKind(io, *this, Kind(), wide, owner);
    if (!wide) return;
    io.ansi(50, 119, Text);
    if (IsSwAbove2_1_80_0(targetVersion)) {
      ConvertWrittenEventCodes(io, 36, 39, 41);
      ConvertWrittenEventCodes(io, 43, 46, 48);
    }
  });
}
