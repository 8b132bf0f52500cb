#include "recorder/config/RegConfig.h"

#include <utility>

#include "platform/Exception.h"
#include "recorder/config/RecordTransfer.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

// --- The general record (configuration record 0) -----------------------------------

enum class GeneralForm : std::uint8_t {
  Short,     // 3 or 4 bytes: the two selectors and the switch
  Named17,   // 28 bytes, a 25-byte name at 3 (1.7 only)
  Named,     // 28 bytes, a 24-byte name at 4
  Extended,  // 36 bytes: the name at 4 and the 2.1 settings
};

// A band's form and its range checks. Every check compares the byte as a signed
// number, as the firmware's own fields do, so 0x80..0xFF passes.
struct GeneralLayout {
  GeneralForm form = GeneralForm::Short;
  int selector0Max = 0;
  unsigned selector0Check = 0;  // 0: a larger Selector0 becomes 0 instead
  unsigned selector1Check = 0;  // Selector1 above 7
};

constexpr GeneralLayout kGeneral13{GeneralForm::Short, 1, 16213, 16215};
constexpr GeneralLayout kGeneral15{GeneralForm::Short, 1, 16240, 16242};
constexpr GeneralLayout kGeneral17{GeneralForm::Named17, 1, 16266, 16268};
constexpr GeneralLayout kGeneral18{GeneralForm::Short, 2, 16292, 16294};
constexpr GeneralLayout kGeneral19{GeneralForm::Named, 1, 0, 16328};
constexpr GeneralLayout kGeneral20{GeneralForm::Named, 8, 16355, 16357};
constexpr GeneralLayout kGeneral21{GeneralForm::Extended, 8, 16381, 16383};

constexpr VersionBand<GeneralLayout> kGeneralBands[] = {
    RefusedAsOld(0, MakeVersion(1, 2, 255, 255)),
    Served(MakeVersion(1, 3, 0), MakeVersion(1, 4, 255, 255), kGeneral13, LengthAtLeast(3, 16208)),
    Served(MakeVersion(1, 5, 0), MakeVersion(1, 6, 255, 255), kGeneral15, LengthAtLeast(4, 16235)),
    Served(MakeVersion(1, 7, 0), MakeVersion(1, 7, 255, 255), kGeneral17, LengthAtLeast(28, 16261)),
    Served(MakeVersion(1, 8, 0), MakeVersion(1, 8, 255, 255), kGeneral18, LengthAtLeast(4, 16287)),
    Served(MakeVersion(1, 9, 0), kFirstLineUpTo, kGeneral19, LengthAtLeast(28, 16313)),
    RefusedAsNew(kFirstLineUpTo + 1, MakeVersion(1, 255, 255, 255), kFirstLineUpTo),
    Served(kSecondLineFrom, MakeVersion(2, 0, 255, 255), kGeneral20, LengthAtLeast(28, 16350)),
    Served(MakeVersion(2, 1, 0), kSecondLineUpTo, kGeneral21, LengthAtLeast(36, 16376)),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, kGeneral21, LengthAtLeast(36, 16376)),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

// The record's fields as bytes; the container's settings are filled from them only
// once every check has passed.
struct GeneralFields {
  std::uint8_t selector0 = 0;
  std::uint8_t selector1 = 0;
  bool switch2 = false;
  std::uint8_t selector3 = 0;
  std::string name;
  std::uint8_t tenthsA = 0;
  std::uint8_t tenthsB = 0;
  std::uint8_t tenthsC = 0;
  std::uint8_t selector32 = 0;
};

template <class IO, class Fields>
void TransferGeneral(IO& io, GeneralForm form, Fields& f)
{
  io.u8(0, f.selector0);
  io.u8(1, f.selector1);
  io.flag(2, f.switch2);
  switch (form) {
  case GeneralForm::Short: break;
  case GeneralForm::Named17: io.text(3, 25, f.name); break;
  case GeneralForm::Named: io.text(4, 24, f.name); break;
  case GeneralForm::Extended:
    io.u8(3, f.selector3);
    io.text(4, 24, f.name);
    io.u8(28, f.tenthsA);
    io.u8(29, f.tenthsB);
    io.u8(30, f.tenthsC);
    io.u8(32, f.selector32);
    break;
  }
}

template <typename Item>
void Attach(std::vector<Item>& items, TRegConfig* owner)
{
  for (std::size_t i = 0; i < items.size(); ++i) items[i].Attach(owner, static_cast<int>(i));
}

template <typename Item>
void AttachOwner(std::vector<Item>& items, TRegConfig* owner)
{
  for (auto& item : items) item.Attach(owner);
}

bool FeatureBit(const TRegInfo& info, unsigned bit) { return (info.Features >> bit & 1) != 0; }

}  // namespace

TRegConfig::TRegConfig() : MS(RegInfo)
{
  TenthsC.SetMantissa(1);
}

TRegConfig::~TRegConfig() = default;

void TRegConfig::ResizeToInfo()
{
  const TRegInfo& info = RegInfo;
  if (info.InfoIncomplete) return;
  // resize appends copies of a freshly constructed item, so new items have the
  // defaults of an unattached one.
  AI.resize(info.AIChannels.size());
  AO.resize(std::size_t(info.AOCount) + info.ExtAOCount);
  DI.resize(info.DIChannels.size());
  DO.resize(std::size_t(info.DOCount) + info.ExtDOCount);
  IP.resize(info.IPCount);
  Pages.resize(info.PageCount);
  SM.resize(info.SMCount);
  CT.resize(info.CTCount);
  TTL.resize(info.TTLCount);
  TMR.resize(info.TMRCount);
  Ctl.resize(info.CtlCount);
  TagFields.resize(info.TagFieldCount);
  Attach(AI, this);
  Attach(AO, this);
  Attach(DI, this);
  Attach(DO, this);
  Attach(TTL, this);
  Attach(Ctl, this);
  AttachOwner(SM, this);
  AttachOwner(CT, this);
  Schedule.resize(FeatureBit(info, 0) ? kScheduleItems : 0);
  MS.ResizeToInfo();
  UserTables.Resize(FeatureBit(info, 19) ? info.UserTableCount : 0);
}

std::uint32_t TRegConfig::GeneralRecordSize(std::uint32_t version) { return RecordSizeOf<kGeneralBands>(version); }

std::uint32_t TRegConfig::ReadGeneralRecord(std::span<const std::uint8_t> record)
{
  const std::uint32_t version = RegInfo.SwVersion;
  const auto& band = BandForReading<kGeneralBands>(version, record.size());
  const GeneralLayout& layout = band.form;
  GeneralFields f;
  RecordReading io(record, version);
  TransferGeneral(io, layout.form, f);

  if (layout.selector0Check == 0) {
    // This band resets a large Selector0 and stores it before Selector1 is checked.
    if (SignedByteAbove(f.selector0, layout.selector0Max)) f.selector0 = 0;
    Selector0 = f.selector0;
  } else if (SignedByteAbove(f.selector0, layout.selector0Max)) {
    throw EVantorInvalid(layout.selector0Check);
  }
  if (SignedByteAbove(f.selector1, 7)) throw EVantorInvalid(layout.selector1Check);

  Selector0 = f.selector0;
  Selector1 = f.selector1;
  Switch2 = f.switch2;
  const bool extended = layout.form == GeneralForm::Extended;
  Selector3 = extended && FeatureBit(RegInfo, 22) ? ClampToDefault(f.selector3, 2, 0) : 0;
  Selector32 = extended && IsSwAtLeast2_1_130(version) ? f.selector32 : 0;
  if (layout.form == GeneralForm::Short) Name.clear();
  else Name = f.name;
  if (extended) {
    TenthsA.SetMantissa(f.tenthsA);
    TenthsB.SetMantissa(f.tenthsB);
    TenthsC.SetMantissa(f.tenthsC);
  } else {
    TenthsA.SetMantissa(0);
    TenthsB.SetMantissa(0);
    TenthsC.SetMantissa(1);
  }
  return band.size;
}

std::size_t TRegConfig::WriteGeneralRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const
{
  const auto& band = BandOf<kGeneralBands>(targetVersion);
  if (band.outcome == BandOutcome::TooOld) return 0;
  band.RefuseUnlessServed(targetVersion);
  GeneralFields f{.selector0 = Selector0,
                  .selector1 = Selector1,
                  .switch2 = Switch2,
                  .selector3 = Selector3,
                  .name = Name,
                  .tenthsA = static_cast<std::uint8_t>(TenthsA.GetMantissa()),
                  .tenthsB = static_cast<std::uint8_t>(TenthsB.GetMantissa()),
                  .tenthsC = static_cast<std::uint8_t>(TenthsC.GetMantissa()),
                  .selector32 = IsSwAtLeast2_1_120BranchIncluded(targetVersion) ? Selector32 : std::uint8_t{0}};
  return AppendRecord(output, band.size, targetVersion,
                      [&](RecordWriting& io) { TransferGeneral(io, band.form.form, std::as_const(f)); });
}

const TRegInfo& OwnerInfo(const TRegConfig* owner, const char* block)
{
  if (owner == nullptr) throw Exception(std::string(block) + ": the channel is not attached to a configuration");
  return owner->RegInfo;
}
