// The analog input record: which form a firmware version reads and writes.

#include "platform/Exception.h"
#include "recorder/config/RegAIConfig.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class AIForm : std::uint8_t { A, B, C, D, F, G, H };

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
  BandForReading<kAIBands>(Info().SwVersion, record.size());
  throw Exception("TRegAIConfig::ReadRecord: not built yet");
}

std::size_t TRegAIConfig::WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>&) const
{
  BandForWriting<kAIBands>(targetVersion);
  throw Exception("TRegAIConfig::WriteRecord: not built yet");
}
