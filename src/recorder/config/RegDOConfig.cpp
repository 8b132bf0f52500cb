// The discrete output record: 36 bytes on the late first line, 148 bytes from 2.1.54
// (and on the 2.2 branch), 220 bytes from 2.1.151, whose last part follows the output
// mode, the control type and the channel's type.

#include "recorder/config/RegDOConfig.h"

#include <algorithm>
#include <optional>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class DOForm : std::uint8_t { F36, F148, F220 };

// No upper bound: the records of newer firmware keep the 220-byte layout.
constexpr VersionBand<DOForm> kDOBands[] = {
    RefusedAsOld(0, MakeVersion(1, 10, 5, 255)),
    Served(MakeVersion(1, 10, 6), kSecondLineFrom - 1, DOForm::F36, LengthAtLeast(36, 7469)),
    RefusedAsOld(kSecondLineFrom, MakeVersion(2, 1, 53, 255)),
    Served(MakeVersion(2, 1, 54), MakeVersion(2, 1, 150, 255), DOForm::F148, LengthExactly(148, 7496)),
    Served(MakeVersion(2, 1, 151), kBranchFrom - 1, DOForm::F220, LengthExactly(220, 7510)),
    Served(kBranchFrom, kBranchUpTo, DOForm::F148, LengthExactly(148, 7496)),
    Served(kBranchUpTo + 1, 0xFFFFFFFF, DOForm::F220, LengthExactly(220, 7510)),
};

constexpr std::uint8_t kExtensionType = 2;

bool IsPwmMode(std::uint8_t mode) { return mode == 1 || mode == 3; }
bool IsActuatorMode(std::uint8_t mode) { return mode == 2 || mode == 4; }
bool IsPlainMode(std::uint8_t mode) { return mode == 0 || mode == 5 || mode == 6; }

template <class IO, class DO>
void TransferDO148(IO& io, DO& out)
{
  io.text(0, 24, out.Name);
  io.ansi(24, 119, out.Text);
  io.u8(144, out.ControlIndex);
}

// The extension part's bytes by its kind; a kind above 4 has none.
template <class IO, class DO>
void TransferDOExtension(IO& io, DO& out)
{
  io.u8(154, out.ExtKind);
  io.u8(155, out.ExtByte);
  io.u16(164, out.ExtWord);
  switch (out.ExtKind) {
  case 1:
  case 2:
    io.u8(156, out.ExtA1);
    io.u8(157, out.ExtA2);
    io.u16(158, out.ExtA3);
    break;
  case 3:
    io.u8(156, out.ExtB1);
    io.u16(158, out.ExtB2);
    io.u32(160, out.ExtB3);
    break;
  case 4:
    io.u8(156, out.ExtC1);
    io.u8(157, out.ExtC2);
    io.u8(158, out.ExtC3);
    break;
  default: break;
  }
}

// Byte 147 of the pulse-width modes: 0 for no level, else the level plus one.
std::uint8_t LevelByte(const TRegDOConfig& out)
{
  return out.HasLevel ? static_cast<std::uint8_t>(out.Level.GetMantissa() + 1) : 0;
}

std::uint16_t PwmWord(std::uint16_t stored) { return stored == 0 ? 1 : std::min<std::uint16_t>(stored, 9999); }

std::optional<std::uint8_t> ControlCodeAt(const TRegInfo& info, std::uint32_t position)
{
  if (position >= info.DOControlTypes.size()) return std::nullopt;
  return info.DOControlTypes[position];
}

// The position of a control type code in the device's list, 0 when it lacks the code.
std::uint32_t PositionOfControl(const TRegInfo& info, std::uint8_t code)
{
  const auto& types = info.DOControlTypes;
  const auto at = std::find(types.begin(), types.end(), code);
  return at == types.end() ? 0 : static_cast<std::uint32_t>(at - types.begin());
}

}  // namespace

void TRegDOConfig::SetDefaults()
{
  Name.clear();
  ControlIndex = 0;
  Text.clear();
  Mode = OptionA = OptionB = 0;
  HasLevel = false;
  Level.SetMantissa(0);
  PwmOption = 0;
  PwmWordA = 10;
  PwmWordB = 1;
  ActuatorOption = 0;
  RegulatorIndex = 0;
  ExtKind = ExtByte = 0;
  ExtWord = 0;
  ExtA1 = ExtA2 = 0;
  ExtA3 = 0;
  ExtB1 = 0;
  ExtB2 = 0;
  ExtB3 = 0;
  ExtC1 = ExtC2 = ExtC3 = 0;
}

bool TRegDOConfig::HasExtension() const
{
  const auto& channels = OwnerInfo(Owner, "TRegDOConfig").DOChannels;
  return Index >= 0 && static_cast<std::size_t>(Index) < channels.size() &&
         channels[static_cast<std::size_t>(Index)].Type == kExtensionType;
}

std::uint32_t TRegDOConfig::RecordSize(std::uint32_t version) { return RecordSizeOf<kDOBands>(version); }

void TRegDOConfig::ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record)
{
  const TRegInfo& info = OwnerInfo(Owner, "TRegDOConfig");
  const auto& band = BandForReading<kDOBands>(version, record.size());
  RecordReading io(record, version);
  const ByteReader& in = io.Bytes();

  if (band.form == DOForm::F36) {
    io.text(0, 32, Name);
    // The record says whether the output is controlled from outside (code 2); the
    // setting is the position of that code in the device's list, not the code itself.
    ControlIndex = PositionOfControl(info, in.u8(32) == 1 ? kControlExternal : kControlSetPoints);
    OptionA = 0;
    return;
  }

  const bool wide = band.form == DOForm::F220;
  io.text(0, 24, Name);
  ControlIndex = in.u8(144);
  if (ControlIndex >= info.DOControlTypes.size()) throw EVantorInvalid(wide ? 7516 : 7502);
  io.ansi(24, 119, Text);
  OptionA = 0;
  if (!wide) return;

  // Mode, OptionA and the extension kind compare as signed bytes: a negative mode stays
  // and is refused below.
  const std::uint8_t mode = in.u8(146);
  Mode = SignedByteAbove(mode, 6) ? 0 : mode;
  const std::uint8_t optionA = in.u8(145);
  OptionA = SignedByteAbove(optionA, 1) ? 0 : optionA;

  if (IsPwmMode(Mode)) {
    const std::uint8_t pwm = in.u8(149);
    PwmOption = pwm <= 1 ? pwm : 0;
    PwmWordA = PwmWord(in.u16(150));
    PwmWordB = PwmWord(in.u16(152));
    const std::uint8_t level = in.u8(147);
    HasLevel = level != 0;
    Level.SetMantissa(static_cast<std::int8_t>(level) > 0 ? level - 1 : 0);
  } else if (IsActuatorMode(Mode)) {
    const std::uint8_t actuator = in.u8(149);
    ActuatorOption = actuator <= 1 ? actuator : 0;
  } else if (!IsPlainMode(Mode)) {
    throw EVantorInvalid(7540);
  }
  if (!IsPwmMode(Mode)) {
    const std::uint8_t option = in.u8(147);
    OptionB = option <= 2 ? option : 0;
  }

  const std::uint8_t control = info.DOControlTypes[ControlIndex];
  if (control == kControlRegulator) {
    const std::uint8_t regulator = in.u8(148);
    RegulatorIndex = regulator < info.CtlCount ? regulator : 0;
  } else if (control > kControlRegulator) {
    throw EVantorInvalid(7587);
  }

  if (HasExtension()) {
    TransferDOExtension(io, *this);
    if (ExtKind > 4) throw EVantorInvalid(7617);
  }
}

std::size_t TRegDOConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kDOBands>(targetVersion);
  const TRegInfo& info = OwnerInfo(Owner, "TRegDOConfig");
  // A position the device does not offer writes no control type.
  const std::optional<std::uint8_t> control = ControlCodeAt(info, ControlIndex);

  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) {
    if (band.form == DOForm::F36) {
      io.text(0, 32, Name);
      io.u8(32, control == kControlExternal ? 1 : 0);
      return;
    }
    TransferDO148(io, *this);
    if (band.form == DOForm::F148) return;

    io.u8(145, OptionA);
    io.u8(146, Mode);
    if (IsPwmMode(Mode)) {
      io.u8(149, PwmOption);
      io.u16(150, PwmWordA);
      io.u16(152, PwmWordB);
      // An output without a level goes back as 0, as the device sent it.
      io.u8(147, LevelByte(*this));
    } else if (IsActuatorMode(Mode)) {
      io.u8(149, ActuatorOption);
      io.u8(147, OptionB);
    } else if (IsPlainMode(Mode)) {
      io.u8(147, OptionB);
    } else {
      throw EVantorInvalid(7728);
    }
    if (control == kControlRegulator) io.u8(148, RegulatorIndex);
    else if (control.value_or(0) > kControlRegulator) throw EVantorInvalid(7759);
    if (HasExtension()) {
      if (ExtKind > 4) throw EVantorInvalid(7789);
      TransferDOExtension(io, *this);
    }
  });
}
