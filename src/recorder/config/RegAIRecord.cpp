// The analog input record: which form a firmware version reads and writes, and the
// rules the forms share.

#include <algorithm>

#include "recorder/config/RegAIRecordCodec.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class AIForm : std::uint8_t { A, B, C, D, F, G, H };

// Reading and writing refuse the same versions; every second-line record is 248 bytes.
constexpr VersionBand<AIForm> kAIBands[] = {
    RefusedAsOld(0, MakeVersion(1, 2, 255, 255)),
    Served(MakeVersion(1, 3, 0), MakeVersion(1, 5, 255, 255), AIForm::A, LengthAtLeast(187, 720)),
    Served(MakeVersion(1, 6, 0), MakeVersion(1, 7, 255, 255), AIForm::B, LengthAtLeast(246, 840)),
    Served(MakeVersion(1, 8, 0), MakeVersion(1, 8, 255, 255), AIForm::C, LengthAtLeast(244, 1008)),
    Served(MakeVersion(1, 9, 0), MakeVersion(1, 9, 255, 255), AIForm::B, LengthAtLeast(246, 840)),
    Served(MakeVersion(1, 10, 0), kFirstLineUpTo, AIForm::D, LengthAtLeast(248, 1157)),
    RefusedAsNew(kFirstLineUpTo + 1, MakeVersion(1, 255, 255, 255), kFirstLineUpTo).Sized(248),
    Served(kSecondLineFrom, MakeVersion(2, 0, 255, 255), AIForm::F, LengthAtLeast(248, 1327)),
    Served(MakeVersion(2, 1, 0), MakeVersion(2, 1, 158, 255), AIForm::G, LengthExactly(248, 1534)),
    Served(MakeVersion(2, 1, 159), kSecondLineUpTo, AIForm::H, LengthExactly(248, 1882)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo).Sized(248),
    Served(kBranchFrom, kBranchUpTo, AIForm::G, LengthExactly(248, 1534)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo).Sized(248),
};

}  // namespace

std::uint32_t TRegAIConfig::RecordSize(std::uint32_t version)
{
  const auto& band = BandOf<kAIBands>(version);
  if (band.outcome == BandOutcome::TooOld) band.RefuseUnlessServed(version);
  return band.size;
}

void TRegAIConfig::ReadRecord(std::span<const std::uint8_t> record)
{
  const std::uint32_t version = Info().SwVersion;
  const auto& band = BandForReading<kAIBands>(version, record.size());
  const RecordReading io(record, version);
  switch (band.form) {
  case AIForm::A: AIRecordCodec::ReadFormA(*this, io); break;
  case AIForm::B: AIRecordCodec::ReadFormB(*this, io); break;
  case AIForm::C: AIRecordCodec::ReadFormC(*this, io); break;
  case AIForm::D: AIRecordCodec::ReadFormD(*this, io); break;
  case AIForm::F: AIRecordCodec::ReadFormF(*this, io); break;
  case AIForm::G: AIRecordCodec::ReadFormG(*this, io); break;
  case AIForm::H: AIRecordCodec::ReadFormH(*this, io); break;
  }
}

std::size_t TRegAIConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandForWriting<kAIBands>(targetVersion);
  Info();  // an unattached channel has no device to write for
  return AppendRecord(output, band.size, targetVersion, [&](RecordWriting& io) {
    switch (band.form) {
    case AIForm::A: AIRecordCodec::WriteFormA(*this, io); break;
    case AIForm::B: AIRecordCodec::WriteFormB(*this, io); break;
    case AIForm::C: AIRecordCodec::WriteFormC(*this, io); break;
    case AIForm::D: AIRecordCodec::WriteFormD(*this, io); break;
    case AIForm::F: AIRecordCodec::WriteFormF(*this, io); break;
    case AIForm::G: AIRecordCodec::WriteFormG(*this, io); break;
    case AIForm::H: AIRecordCodec::WriteFormH(*this, io); break;
    }
  });
}

// --- Shared rules -----------------------------------------------------------------

const TRegInfo::TRegAIChannelInfo& AIRecordCodec::Channel(const TRegAIConfig& ai)
{
  const TRegInfo& info = Info(ai);
  const auto index = static_cast<std::size_t>(ai.Index);
  info.AISignalAt(index, 0);  // raises for a channel the device information lacks
  return info.AIChannels[index];
}

std::uint8_t AIRecordCodec::SignalCode(const TRegAIConfig& ai)
{
  return Info(ai).AISignalAt(static_cast<std::size_t>(ai.Index), ai.SignalIndex);
}

std::uint8_t AIRecordCodec::PositionOfSignalCode(const TRegAIConfig& ai, std::uint8_t code, unsigned noSupport,
                                                 unsigned notInChannel)
{
  const int support = Info(ai).IndexOfSignalSupport(code);
  if (support < 0) throw EVantorInvalid(noSupport);
  const int position = Channel(ai).IndexOfSignal(static_cast<std::uint8_t>(support));
  if (position < 0) throw EVantorInvalid(notInChannel);
  return static_cast<std::uint8_t>(position);
}

void AIRecordCodec::ReadSignalPosition(TRegAIConfig& ai, std::uint8_t b)
{
  const auto& channel = Channel(ai);
  if (b < channel.SignalCount) {
    ai.SignalIndex = b;
    return;
  }
  const int none = Info(ai).IndexOfSignalSupport(ai_signal::kNone);
  const int position = none < 0 ? -1 : channel.IndexOfSignal(static_cast<std::uint8_t>(none));
  ai.SignalIndex = position < 0 ? 0 : static_cast<std::uint8_t>(position);
}

void AIRecordCodec::CheckTransferFunction(const TRegAIConfig& ai, std::uint8_t byte, int limit, bool signedCompare)
{
  const int value = signedCompare ? static_cast<std::int8_t>(byte) : byte;
  if (value > limit) throw EVantorInvalid(StringId{1631}, Channel(ai).Name, static_cast<std::uint32_t>(value));
}

void AIRecordCodec::ResetInputSettings(TRegAIConfig& ai)
{
  ai.ExternalOption = 0;
  ai.FreqParam1.SetMantissa(1);
  ai.FreqParam2.SetMantissa(0);
  ai.FreqOption = 0;
  ai.PulseOption1 = 0;
  ai.PulseOption2 = 2;
  ai.PulseParam.SetMantissa(0);
  ai.PulseFactor.SetRaw(10, 1);
  ai.CounterOption = 0;
}

void AIRecordCodec::ReadRtdR0Index(TRegAIConfig& ai, std::uint8_t position)
{
  ai.RtdR0.SetMantissa(static_cast<int>(Info(ai).RtdR0At(position)));
}

unsigned AIRecordCodec::ScaleDecimalsOf(const TRegAIConfig& ai, const TRegAIConfig::Decimal& end, unsigned most)
{
  const unsigned own = static_cast<unsigned>(end.GetPrec());
  return std::min(std::max(own, ai.ScaleDecimals), most);
}
