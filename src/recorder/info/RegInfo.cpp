#include "recorder/info/RegInfo.h"

#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

// Checks of our own for indexes the device's records hand us; the numbers continue the
// series of the store callbacks.
constexpr unsigned kCheckSignalSupportIndex = 5191;
constexpr unsigned kCheckAIChannelIndex = 5203;
constexpr unsigned kCheckDIChannelIndex = 5242;

bool NotInBranchAtLeast(std::uint32_t sw, std::uint32_t limit) { return sw >= limit && !IsInBranch(sw); }

}  // namespace

TRegInfo::TRegInfo() = default;
TRegInfo::~TRegInfo() = default;

bool IsRecorderTypeCode(std::uint32_t code) { return (code >= 1 && code <= 8) || code == 21 || code == 50 || code == 51; }

TRegRecordStoreEvent TRegInfo::StoreEvent(StoreMember member)
{
  return [this, member](std::uint32_t index, const std::uint8_t* data, std::uint32_t length) {
    return (this->*member)(index, data, length);
  };
}

// ---------------------------------------------------------------------------------
// Accessors

TRegInfo::TRegAIChannelSignalSupportInfo& TRegInfo::SignalSupportAt(std::size_t index)
{
  if (index >= AISignalSupport.size()) throw EVantorInvalid(kCheckSignalSupportIndex);
  return AISignalSupport[index];
}

const TRegInfo::TRegAIChannelSignalSupportInfo& TRegInfo::SignalSupportAt(std::size_t index) const
{
  if (index >= AISignalSupport.size()) throw EVantorInvalid(kCheckSignalSupportIndex);
  return AISignalSupport[index];
}

std::uint8_t TRegInfo::AISignalAt(std::size_t ai, std::size_t position) const
{
  if (ai >= AIChannels.size()) throw EVantorInvalid(kCheckAIChannelIndex);
  const auto signals = AIChannels[ai].SignalList();
  if (position >= signals.size()) return 0;
  const std::size_t entry = signals[position];
  return entry < AISignalSupport.size() ? AISignalSupport[entry].SignalCode : 0;
}

std::uint8_t TRegInfo::DIModeAt(std::size_t di, std::size_t position) const
{
  if (di >= DIChannels.size()) throw EVantorInvalid(kCheckDIChannelIndex);
  const auto& modes = DIChannels[di].Modes;
  return position < modes.size() ? modes[position] : 0;
}

// ---------------------------------------------------------------------------------
// Firmware-version predicates

bool TRegInfo::IsSwAtLeast2_1_128_90() const { return NotInBranchAtLeast(SwVersion, MakeVersion(2, 1, 128, 90)); }
bool TRegInfo::IsSwAtLeast2_1_130() const { return NotInBranchAtLeast(SwVersion, MakeVersion(2, 1, 130)); }
bool TRegInfo::IsSwAtLeast2_1_131() const { return NotInBranchAtLeast(SwVersion, MakeVersion(2, 1, 131)); }
bool TRegInfo::IsSwAtLeast2_1_132() const { return NotInBranchAtLeast(SwVersion, MakeVersion(2, 1, 132)); }
bool TRegInfo::IsSwAtLeast2_1_158() const { return NotInBranchAtLeast(SwVersion, MakeVersion(2, 1, 158)); }

bool TRegInfo::IsSw2_1_80To2_1_100() const
{
  return SwVersion >= MakeVersion(2, 1, 80) && SwVersion <= MakeVersion(2, 1, 100, 255);
}

bool TRegInfo::HasDOInfoRecords() const
{
  if (IsInBranch(SwVersion)) return false;
  return (SwVersion >= MakeVersion(1, 10, 6) && SwVersion <= 0x01FFFFFF) || SwVersion >= MakeVersion(2, 1, 54);
}

bool TRegInfo::HasModbusSlave() const { return (Features >> 21) & 1u; }

bool TRegInfo::IsRtdR0ValueVersion(std::uint32_t version)
{
  return (version >= MakeVersion(1, 6, 16) && version <= 0x0106FFFF) ||
         (version >= MakeVersion(1, 7, 16) && version <= 0x0107FFFF) ||
         (version >= MakeVersion(1, 9, 0) && version <= 0x01FFFFFF) || version >= MakeVersion(2, 1, 50);
}

unsigned TRegInfo::RtdR0Form() const
{
  if (!IsRtdR0ValueVersion(SwVersion)) return 0;
  return IsRtdR0ValueVersion(GenSwVersion) ? 2 : 1;
}
