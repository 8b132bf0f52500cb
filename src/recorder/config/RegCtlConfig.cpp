// The regulator record, 248 bytes. Decimal settings travel as packed decimal words
// (read through SetValue, written within their type's limits) or as 16-bit mantissas; a
// value source takes two bytes, its kind and the low byte of its index.

#include "recorder/config/RegCtlConfig.h"

#include "recorder/config/RecordTransfer.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class CtlForm : std::uint8_t { F248 };

constexpr VersionBand<CtlForm> kCtlReadBands[] = {
    RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
    Served(MakeVersion(1, 5, 0), MakeVersion(2, 1, 149, 255), CtlForm::F248, LengthExactly(248, 11596)).Sized(0),
    Served(MakeVersion(2, 1, 150), kSecondLineUpTo, CtlForm::F248, LengthExactly(248, 11596)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo).Sized(248),
    RefusedAsOld(kBranchFrom, kBranchUpTo),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo).Sized(248),
};

constexpr VersionBand<CtlForm> kCtlWriteBands[] = {
    RefusedAsOld(0, MakeVersion(2, 1, 149, 255)),
    Served(MakeVersion(2, 1, 150), kSecondLineUpTo, CtlForm::F248, LengthExactly(248, 11596)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo).Sized(248),
    RefusedAsOld(kBranchFrom, kBranchUpTo),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo).Sized(248),
};

constexpr std::uint8_t kModeOff = 0;
constexpr std::uint8_t kModePid = 1;
constexpr std::uint8_t kModePdd = 2;
constexpr std::uint32_t kPackedOne = 0x1000000A;  // 1.0: mantissa 10, one decimal

template <class IO, class Source>
void TransferSource(IO& io, std::size_t at, Source& source)
{
  io.u8(at, source.Kind);
  io.u8(at + 1, source.Index);
}

// What modes 1 and 2 share.
template <class IO, class Ctl>
void TransferCtlCommon(IO& io, Ctl& ctl)
{
  TransferSource(io, 26, ctl.SourceA);
  io.u8(28, ctl.ByteA);
  io.u8(33, ctl.ByteB);
  io.u16(34, ctl.WordA);
  io.packed(36, ctl.ValueA);
  io.packed(40, ctl.ValueB);
  io.packed(44, ctl.ValueC);
  io.packed(48, ctl.ValueD);
  io.packed(52, ctl.ValueE);
  io.packed(56, ctl.ValueF);
  io.packed(60, ctl.ValueG);
  io.packed(72, ctl.ValueH);
  io.packed(76, ctl.ValueI);
  io.mantissa16(84, ctl.FixedJ);
  io.mantissaI16(86, ctl.FixedK);
  io.packed(92, ctl.ValueL);
  io.ansi(128, 119, ctl.Text);
}

template <class IO, class Ctl>
void TransferCtlPid(IO& io, Ctl& ctl)
{
  TransferSource(io, 29, ctl.SourceB);
  io.u8(31, ctl.ByteC);
  io.u8(32, ctl.ByteD);
  io.packed(64, ctl.ValueM);
  io.packed(68, ctl.ValueN);
  io.mantissa16(80, ctl.FixedO);
  io.mantissa16(82, ctl.FixedP);
  io.mantissaI16(88, ctl.FixedQ);
  io.mantissaI16(90, ctl.FixedR);
  io.mantissaI16(96, ctl.FixedS);
}

template <class IO, class Ctl>
void TransferCtlPdd(IO& io, Ctl& ctl)
{
  TransferSource(io, 29, ctl.SourceC);
  io.u8(32, ctl.ByteE);
  io.mantissa16(64, ctl.FixedT);
  io.mantissa16(66, ctl.FixedU);
  io.mantissa16(68, ctl.FixedV);
  io.mantissa16(70, ctl.FixedW);
  TransferSource(io, 80, ctl.SourceD);
}

}  // namespace

void TRegCtlConfig::SetDefaults()
{
  Name.clear();
  Mode = kModeOff;
  SourceA = {};
  ByteA = 0;
  ByteB = 0;
  WordA = 0;
  ValueA.SetRaw(0, 0);
  ValueB.SetRaw(1000, 1);
  ValueC.SetRaw(0, 0);
  ValueD.SetRaw(0, 0);
  Text.clear();
  ValueE.SetRaw(0, 0);
  ValueF.SetRaw(10, 1);
  ValueG.SetRaw(0, 0);
  ValueH.SetRaw(0, 0);
  ValueI.SetRaw(0, 0);
  FixedJ.SetMantissa(1000);
  FixedK.SetMantissa(0);
  ValueL.SetRaw(0, 0);
  SourceB = {};
  ValueM.SetRaw(0, 0);
  ValueN.SetRaw(10, 1);
  FixedO.SetMantissa(80);
  FixedP.SetMantissa(10000);
  FixedQ.SetMantissa(0);
  FixedR.SetMantissa(1000);
  ByteC = 2;
  ByteD = 0;
  FixedS.SetMantissa(0);
  FixedT.SetMantissa(2);
  FixedU.SetMantissa(1);
  FixedV.SetMantissa(0);
  FixedW.SetMantissa(0);
  SourceC = {};
  SourceD = {};
  ByteE = 0;
}

std::uint32_t TRegCtlConfig::RecordSize(std::uint32_t version) { return RecordSizeOf<kCtlWriteBands>(version); }

void TRegCtlConfig::ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record)
{
  BandForReading<kCtlReadBands>(version, record.size());
  RecordReading io(record, version);
  io.text(0, 24, Name);
  io.u8(24, Mode);
  if (Mode == kModeOff) return;
  if (Mode > kModePdd) throw EVantorInvalid(11631);
  TransferCtlCommon(io, *this);
  if (Mode == kModePid) TransferCtlPid(io, *this);
  else TransferCtlPdd(io, *this);
}

std::size_t TRegCtlConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kCtlWriteBands>(targetVersion);
  if (Mode > kModePdd) throw EVantorInvalid(11754);
  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) {
    io.text(0, 24, Name);
    io.u8(24, Mode);
    if (Mode == kModeOff) {
      if (!IsSwAtLeast2_1_160_28(targetVersion)) io.Bytes().u32(56, kPackedOne);
      return;
    }
    // Texts are kept as the bytes the device sent: no code page of this system is the
    // device's, so a conversion could only change them.
    TransferCtlCommon(io, *this);
    if (Mode == kModePid) TransferCtlPid(io, *this);
    else TransferCtlPdd(io, *this);
  });
}
