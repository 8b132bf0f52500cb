#include "recorder/info/RegAIChannelInfo.h"

#include "platform/Bytes.h"
#include "platform/Format.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t kV1_1 = MakeVersion(1, 1, 0);
constexpr std::uint32_t kV1_8 = MakeVersion(1, 8, 0);
constexpr std::uint32_t kV1_9 = MakeVersion(1, 9, 0);
constexpr std::uint32_t kV1_10 = MakeVersion(1, 10, 0);
constexpr std::uint32_t kV2_0 = kSecondLineFrom;
constexpr std::uint32_t kV2_1_150 = MakeVersion(2, 1, 150);

constexpr std::size_t kLayoutASize = 18;
constexpr std::size_t kLayoutBSize = 14;

// Layout A (18 bytes) up to 1.7 and on 1.9; layout B (14 bytes) on 1.8 and from 1.10.
bool IsSignalLayoutA(std::uint32_t sw) { return sw < kV1_8 || (sw >= kV1_9 && sw < kV1_10); }

// The 24-bit mask layout of the channel record, from 2.1.150 outside the 2.2 branch.
bool IsWideMaskVersion(std::uint32_t sw) { return VersionAtLeast(sw, kV2_1_150) && !IsInBranch(sw); }

const char* UnitOfSignal(std::uint8_t code)
{
  switch (code) {
  case 1: return "мА";
  case 2: return "В";
  case 3: return "мВ";
  case 4: return "Ом";
  case 5:
  case 6:
  case 7: return "°C";
  case 13:
  case 16: return "Гц";
  default: return "";
  }
}

// Codes whose unit is empty yet still get the separating space (14, 17, 18 and any
// code without a table entry); 0, 8-12 and 15 get neither unit nor space.
bool HasUnitSuffix(std::uint8_t code)
{
  switch (code) {
  case 0:
  case 8:
  case 9:
  case 10:
  case 11:
  case 12:
  case 15: return false;
  default: return true;
  }
}

constexpr const char* kKindPrefixes[] = {"АВ", "АП", "ЧВ", "МВ", "АВП"};

}  // namespace

// ---------------------------------------------------------------------------------
// Signal-support records

void TRegInfo::TRegAIChannelSignalSupportInfo::ReadRecord(std::uint32_t swVersion, std::uint32_t index,
                                                          std::span<const std::uint8_t> record)
{
  if (swVersion < kFirstLineFrom) throw EVantorUnsupportedOldVer(swVersion);
  ByteReader r(record, "AI signal-support record");
  // The code must be judged before it is narrowed to a byte, or index 256 would pass
  // as signal 0.
  std::uint32_t code;
  if (IsSignalLayoutA(swVersion)) {
    if (record.size() < kLayoutASize) throw EVantorInvalid(464);
    code = index;
    SignalCode = static_cast<std::uint8_t>(index);
    range1Low_ = r.f32(0);
    range1High_ = r.f32(4);
    range2Low_ = r.f32(8);
    range2High_ = r.f32(12);
    AuxParam = r.u8(16);
    Decimals = r.u8(17);
  } else {
    if (swVersion > kSecondLineUpTo && !IsInBranch(swVersion)) throw EVantorUnsupportedNewVer(swVersion, kSecondLineUpTo);
    if (record.size() != kLayoutBSize) throw EVantorInvalid(480);
    code = r.u8(0);
    SignalCode = r.u8(0);
    std::uint8_t packed = r.u8(1);
    AuxParam = static_cast<std::int32_t>(packed & 0x0F) - ((packed & 0x08) ? 16 : 0);  // signed nibble
    Decimals = packed >> 4;
    range1Low_ = 0.0f;
    range1High_ = r.f32(2);
    range2Low_ = r.f32(6);
    range2High_ = r.f32(10);
  }
  Valid = 1;
  if (code > 18) throw EVantorInvalid(499);
  UnitText = UnitOfSignal(SignalCode);
  UnitSuffix = HasUnitSuffix(SignalCode) ? " " + UnitText : std::string();
}

std::uint32_t TRegInfo::TRegAIChannelSignalSupportInfo::RecordSize(std::uint32_t swVersion)
{
  return IsSignalLayoutA(swVersion) ? kLayoutASize : kLayoutBSize;
}

std::uint32_t TRegInfo::TRegAIChannelSignalSupportInfo::WriteRecord(std::uint32_t swVersion,
                                                                    std::vector<std::uint8_t>& out) const
{
  ByteAppender w(out);
  if (IsSignalLayoutA(swVersion)) {
    w.f32(range1Low_);
    w.f32(range1High_);
    w.f32(range2Low_);
    w.f32(range2High_);
    w.u8(static_cast<std::uint8_t>(AuxParam));
    w.u8(static_cast<std::uint8_t>(Decimals));
    return kLayoutASize;
  }
  // From 1.11 on an entry that was never read has no code worth writing.
  if (swVersion >= MakeVersion(1, 11, 0) && Valid != 1) throw Exception("Incorrect version");
  w.u8(SignalCode);
  w.u8(static_cast<std::uint8_t>((AuxParam & 0x0F) | (Decimals & 0x0F) << 4));
  w.f32(range1High_);
  w.f32(range2Low_);
  w.f32(range2High_);
  return kLayoutBSize;
}

float TRegInfo::TRegAIChannelSignalSupportInfo::Range1Low() const
{
  if (Valid != 1) throw EVantorInvalid(411);
  return range1Low_;
}

float TRegInfo::TRegAIChannelSignalSupportInfo::Range1High() const
{
  if (Valid != 1) throw EVantorInvalid(422);
  return range1High_;
}

float TRegInfo::TRegAIChannelSignalSupportInfo::Range2Low() const
{
  if (Valid != 1) throw EVantorInvalid(433);
  return range2Low_;
}

float TRegInfo::TRegAIChannelSignalSupportInfo::Range2High() const
{
  if (Valid != 1) throw EVantorInvalid(444);
  return range2High_;
}

void TRegInfo::TRegAIChannelSignalSupportInfo::SetRanges(float range1Low, float range1High, float range2Low,
                                                         float range2High)
{
  range1Low_ = range1Low;
  range1High_ = range1High;
  range2Low_ = range2Low;
  range2High_ = range2High;
}

// ---------------------------------------------------------------------------------
// Channel records

void TRegInfo::TRegAIChannelInfo::SignalsFromMask(std::uint32_t mask, unsigned bits)
{
  SignalCount = 0;
  Signals.fill(0);
  for (unsigned bit = 0; bit < bits; ++bit)
    if (mask & (1u << bit)) Signals[SignalCount++] = static_cast<std::uint8_t>(bit);
}

void TRegInfo::TRegAIChannelInfo::SignalsFromList(std::span<const std::uint8_t> record, std::size_t countOffset,
                                                  std::uint32_t countCheck)
{
  ByteReader r(record, "AI channel record");
  SignalCount = r.u8(countOffset);
  if (SignalCount == 0 || SignalCount > kMaxListSignals) throw EVantorInvalid(countCheck);
  Signals.fill(0);
  for (std::size_t i = 0; i < SignalCount; ++i) Signals[i] = r.u8(countOffset + 1 + i);
  SignalMask = 0;
}

void TRegInfo::TRegAIChannelInfo::ReadRecord(const TRegVersionPair& versions, std::span<const std::uint8_t> record)
{
  const std::uint32_t sw = versions.SwVersion;
  const std::uint32_t gen = versions.GenSwVersion;
  ByteReader r(record, "AI channel record");

  if (IsWideMaskVersion(sw)) {
    if (record.size() != 4 && record.size() != 6) throw EVantorInvalid(803);
    Kind = r.u8(0);
    Number = r.u8(1);
    const bool wide = record.size() == 6;
    SignalMask = wide ? r.u32(2) : r.u16(2);
    SignalsFromMask(SignalMask, wide ? 24 : 16);
    if (SignalCount == 0) throw EVantorInvalid(wide ? 799 : 777);
    return;
  }

  if (VersionBelow(gen, kV1_1)) throw EVantorUnsupportedOldVer(gen);
  if (VersionBelow(gen, kV1_8)) {
    if (record.size() < 10) throw EVantorInvalid(652);
    Kind = 0;
    Number = 0;
    SignalsFromList(record, 0, 659);
  } else if (VersionBelow(gen, kV1_9)) {
    if (record.size() < 12) throw EVantorInvalid(669);
    Kind = r.u8(0);
    Number = r.u8(1);
    SignalsFromList(record, 2, 676);
  } else if (VersionBelow(gen, kV1_10)) {
    if (record.size() < 10) throw EVantorInvalid(685);
    Kind = 0;
    Number = 0;
    SignalsFromList(record, 0, 691);
  } else if (gen <= kFirstLineUpTo) {
    if (record.size() < 4) throw EVantorInvalid(701);
    Kind = r.u8(0);
    Number = r.u8(1);
    SignalMask = r.u16(2);
    SignalsFromMask(SignalMask, 16);
    if (SignalCount == 0) throw EVantorInvalid(717);
  } else if (gen < kV2_0) {
    throw EVantorUnsupportedNewVer(gen, kFirstLineUpTo);
  } else {
    if (IsWideMaskVersion(gen)) throw EVantorUnsupportedNewVer(gen, kSecondLineUpTo);
    if (record.size() != 4) throw EVantorInvalid(728);
    Kind = r.u8(0);
    Number = r.u8(1);
    SignalMask = r.u16(2);
    SignalsFromMask(SignalMask, 16);
    if (SignalCount == 0) throw EVantorInvalid(745);
  }
}

std::uint32_t TRegInfo::TRegAIChannelInfo::RecordSize(const TRegVersionPair& versions)
{
  if (IsWideMaskVersion(versions.SwVersion)) return 6;
  const std::uint32_t gen = versions.GenSwVersion;
  if (VersionBelow(gen, kV1_8)) return 10;
  if (VersionBelow(gen, kV1_9)) return 12;
  if (VersionBelow(gen, kV1_10)) return 10;
  return 4;
}

std::uint32_t TRegInfo::TRegAIChannelInfo::WriteRecord(const TRegVersionPair& versions,
                                                       std::vector<std::uint8_t>& out) const
{
  const std::uint32_t size = RecordSize(versions);
  std::vector<std::uint8_t> record(size, 0);
  ByteWriter w(record, "AI channel record");
  switch (size) {
  case 6:
    w.u8(0, Kind);
    w.u8(1, Number);
    w.u32(2, SignalMask);
    break;
  case 4:
    w.u8(0, Kind);
    w.u8(1, Number);
    w.u16(2, static_cast<std::uint16_t>(SignalMask));
    break;
  default: {
    // A channel read in a mask layout may accept more signals than a list holds;
    // cutting the list would silently change what the channel accepts.
    if (SignalCount > kMaxListSignals) throw EVantorInvalid(660);
    std::size_t countOffset = 0;
    if (size == 12) {
      w.u8(0, Kind);
      w.u8(1, Number);
      countOffset = 2;
    }
    w.u8(countOffset, SignalCount);
    w.bytes(countOffset + 1, {Signals.data(), SignalCount});
    break;
  }
  }
  out.insert(out.end(), record.begin(), record.end());
  return size;
}

void TRegInfo::TRegAIChannelInfo::MakeName()
{
  const char* prefix = Kind < std::size(kKindPrefixes) ? kKindPrefixes[Kind] : "?";
  Name = Format("%s%u", prefix, Number + 1u);
}

int TRegInfo::TRegAIChannelInfo::IndexOfSignal(std::uint8_t position) const
{
  for (std::size_t i = 0; i < SignalList().size(); ++i)
    if (Signals[i] == position) return static_cast<int>(i);
  return -1;
}
