#include "recorder/info/RegInfo.h"

#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/VantorException.h"

namespace {

// Checks of our own for indexes the device's records hand us; the numbers continue the
// series of the store callbacks.
constexpr unsigned kCheckSignalSupportIndex = 5191;
constexpr unsigned kCheckAIChannelIndex = 5203;
constexpr unsigned kCheckDIChannelIndex = 5242;

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
// Firmware-version predicates of the device's own firmware

bool TRegInfo::IsSwAtLeast2_1_128_90() const { return ::IsSwAtLeast2_1_128_90(SwVersion); }
bool TRegInfo::IsSwAtLeast2_1_130() const { return ::IsSwAtLeast2_1_130(SwVersion); }
bool TRegInfo::IsSwAtLeast2_1_131() const { return ::IsSwAtLeast2_1_131(SwVersion); }
bool TRegInfo::IsSwAtLeast2_1_132() const { return ::IsSwAtLeast2_1_132(SwVersion); }
bool TRegInfo::IsSwAtLeast2_1_158() const { return ::IsSwAtLeast2_1_158(SwVersion); }
bool TRegInfo::IsSw2_1_80To2_1_100() const { return ::IsSw2_1_80To2_1_100(SwVersion); }
bool TRegInfo::HasDOInfoRecords() const { return ::HasDOInfoRecords(SwVersion); }
bool TRegInfo::HasModbusSlave() const { return (Features >> 21) & 1u; }
bool TRegInfo::IsRtdR0ValueVersion(std::uint32_t version) { return ::IsRtdR0ValueVersion(version); }

unsigned TRegInfo::RtdR0Form() const
{
  if (!IsRtdR0ValueVersion(SwVersion)) return 0;
  return IsRtdR0ValueVersion(GenSwVersion) ? 2 : 1;
}
