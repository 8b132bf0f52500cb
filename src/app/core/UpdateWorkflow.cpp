#include "app/core/UpdateWorkflow.h"

#include <memory>

#include "app/core/FwUpRes.h"
#include "app/core/Prompts.h"
#include "app/core/Release.h"
#include "modbus/CBaseModbus.h"
#include "platform/Cp1251.h"
#include "platform/Format.h"
#include "platform/Stream.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/access/RegErrors.h"
#include "recorder/info/DeviceNames.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

namespace {

// The lowest firmware this program updates.
constexpr std::uint32_t kLowestUpdated = MakeVersion(2, 0, 16);
// General firmware 2.1.32 to 2.1.37 must not be updated by this program at all.
constexpr std::uint32_t kBlockedFrom = MakeVersion(2, 1, 32);
constexpr std::uint32_t kBlockedBelow = MakeVersion(2, 1, 38);
// From this firmware on a model 51 tells its variant by feature bit 29.
constexpr std::uint32_t kVariantByFeature = MakeVersion(2, 1, 158);
constexpr std::uint32_t kFeatureVariantP = 1u << 29;

// The log line of an upload that installed nothing, before its reason.
const std::string kNotDone = "Обновление не выполнено";

// Image variants.
constexpr std::uint8_t kVariantNone = 0, kVariantA = 1, kVariantP = 2;

[[noreturn]] void RaiseCode(int code) { throw Exception(Format("Ошибка [%d]", code)); }

void Await(const RecorderWait& wait, const std::function<void()>& call)
{
  if (wait)
    wait(call);
  else
    call();
}

std::string AskMakerText(std::string text) { return text + kSupportEmail + " за дальнейшими инструкциями."; }

bool IsFirstBrandLine(std::uint32_t line) { return line == 0 || line == 2; }

int CheckVariant(const TRegInfo& info, const Registrator::TFWResRec& image)
{
  const std::uint32_t model = image.ModelCode;
  if (model != 21 && model != 50 && model != 51) return 9;
  if (model == 50) return 15;
  const std::uint8_t variant = image.Variant;
  if (variant >= 3) return 10;
  if (model == 21) return variant == kVariantNone ? 0 : 11;
  if (info.SwVersion < kVariantByFeature) return variant == kVariantA ? 11 : 0;
  if (info.Features & kFeatureVariantP) return variant == kVariantP ? 0 : 12;
  if (variant == kVariantA) return 0;
  return variant == kVariantNone ? 13 : 14;
}

// The state of one update: its connection, its operations context and the image walk.
class UpdateRun {
public:
  UpdateRun(const UpdateEnvironment& environment, ModbusMaster::CBaseModbus& transport, std::uint8_t unit)
      : env_(environment), transport_(transport), unit_(unit), connection_(transport.Description(unit))
  {
  }

  void Run()
  {
    std::uint32_t version = 0;
    if (!Identify(version)) return;
    switch (ApplyVersionPolicy(version)) {
    case VersionRule::SeparateProgram: return SeparateProgram();
    case VersionRule::TooOld:
      throw Registrator::EMBUnsupportedOldVersion(connection_, version, kLowestUpdated);
    case VersionRule::Branch22: return Branch22(version);
    case VersionRule::Newer: return OfferNewerUpdater();
    case VersionRule::ImageWalk: return Walk();
    }
  }

private:
  PromptResult Box(std::string text, PromptIcon icon, PromptButtons buttons)
  {
    return env_.prompts.MessageBox(env_.owner, std::move(text), icon, buttons);
  }
  void Log(const std::string& line)
  {
    if (env_.log) env_.log(line);
  }

  bool Identify(std::uint32_t& version)
  {
    for (;;) {
      try {
        bool identified = false;
        Await(env_.wait, [&] { identified = IdentifyDevice(transport_, unit_, op_, version); });
        return identified;
      } catch (const ModbusMaster::EMBCancelError&) {
        return false;
      } catch (const Exception& e) {
        if (Box(Format("Ошибка: %s", e.Message()), PromptIcon::Error, PromptButtons::RetryCancel) != PromptResult::Retry)
          return false;
      }
    }
  }

  void SeparateProgram()
  {
    const char* model = nullptr;
    if (IsFirstBrandLine(op_.IdLine))
      model = "Corvane-Tovi-L5,7";
    else if (op_.IdLine == 1)
      model = "Pelkar-740";
    else
      RaiseCode(616);
    Box(AskMakerText(Format("%s:\r\nДля обновления ПО регистраторов модели %s предназначена отдельная "
                            "программа.Обратитесь к производителю на ",
                            connection_, model)),
        PromptIcon::Information, PromptButtons::Ok);
  }

  void Branch22(std::uint32_t version)
  {
    Box(AskMakerText(Format("%s:\r\nРегистратор имеет версию ПО %u.%u.%u\r\nДля обновления версий 2.2.x\r\n"
                            "обратитесь к производителю на ",
                            connection_, VersionByte(version, 0), VersionByte(version, 1), VersionByte(version, 2))),
        PromptIcon::Information, PromptButtons::Ok);
  }

  void OfferNewerUpdater()
  {
    const std::string text =
        Format("%s:\r\nРегистратор %s имеет ПО версии %s -\r\nболее свежее, чем данное обновление (%u.%u.%u).\r\n\r\n"
               "Загрузить свежую версию программы обновления ПО регистратора с сайта разработчика (потребуется "
               "доступ в сеть Интернет)?",
               connection_, AnsiToUtf8(op_.ProductCode), AnsiToUtf8(op_.Revision), 2u, 1u, 160u);
    if (Box(text, PromptIcon::Information, PromptButtons::YesNoCancel) != PromptResult::Yes) return;
    const char* url = nullptr;
    if (op_.IdLine == 1)
      url = kNewerUpdaterUrl;
    else if (IsFirstBrandLine(op_.IdLine))
      url = kMakerSiteUrl;
    else
      RaiseCode(916);
    // Without a way to open it, the address cannot be opened: the same as no browser.
    const int opened = env_.openUrl ? env_.openUrl(url) : 31;
    if (opened <= 32)
      Box(Format("Ошибка %u: что-то пошло не так :(", static_cast<unsigned>(opened)), PromptIcon::Error,
          PromptButtons::Ok);
  }

  UpgradeOutcome Upload(const Registrator::TFWResRec& image)
  {
    TMemoryStream stream;
    env_.images.ExtractImage(image, stream);
    stream.SetPosition(0);
    return env_.runUpgrade ? env_.runUpgrade(transport_, unit_, stream) : UpgradeOutcome{};
  }

  void Walk()
  {
    const Registrator::TFWUpRes& images = env_.images;
    // Read afresh after every upload: the recorder then runs other firmware.
    std::unique_ptr<TRegInfo> info;
    int installed = 0;
    bool confirmed = false;
    std::size_t n = images.Count();
    while (n > 0) {
      if (!info) {
        info = std::make_unique<TRegInfo>();
        if (!ReadDeviceInfoWithRetry(env_.prompts, env_.owner, transport_, unit_, op_, *info, env_.wait)) return;
      }
      const Registrator::TFWResRec& image = images[n - 1];
      if (info->GenSwVersion >= kBlockedFrom && info->GenSwVersion < kBlockedBelow) {
        Box(AskMakerText(Format("%s:\r\nРегистратор имеет версию ПО %s\r\nОбновление версий 2.1.32 - 2.1.37\r\n"
                                "заблокировано по техническим причинам.\r\nОбратитесь к производителю на ",
                                connection_, VersionToText(info->GenSwVersion))),
            PromptIcon::Information, PromptButtons::Ok);
        return;
      }
      const int code = CheckImageApplicable(*info, image);
      if (code == 8) ++installed;
      if (code != 0) {
        --n;
        continue;
      }
      const std::string designation = GetModelDesignation(*info);
      const std::string from = VersionToText(info->SwVersion), to = VersionToText(image.FwVersion);
      if (Box(Format("%s:\r\nРегистратор зав. №%u (%s)\r\nимеет версию ПО %s.\r\nОбновить до версии %s?", connection_,
                     info->SerialNumber, designation, from, to),
              PromptIcon::Question, PromptButtons::OkCancel) != PromptResult::Ok)
        return;
      confirmed = true;
      Log(Format("%s: регистратор зав. №%u (%s) v%s -> v%s", connection_, info->SerialNumber, designation, from, to));
      const UpgradeOutcome outcome = Upload(image);
      if (!outcome.installed) {
        // Below the planned line, the log says that it did not happen.
        Log(outcome.whyNot.empty() ? kNotDone : kNotDone + (": " + outcome.whyNot));
        return;
      }
      Log("OK");
      info.reset();
      n = images.Count();
    }
    // After a confirmed upload the recorder has what it was given: nothing more to say.
    if (confirmed || !info) return;
    const std::string designation = GetModelDesignation(*info);
    const std::string version = VersionToText(info->SwVersion);
    if (installed > 0)
      Box(Format("%s:\r\nРегистратор зав. №%u (%s)\r\nуже имеет самую свежую версию ПО (%s).", connection_,
                 info->SerialNumber, designation, version),
          PromptIcon::Information, PromptButtons::Ok);
    else
      Box(Format("%s:\r\nРегистратор зав. №%u (%s), версия ПО %s.\r\nОбновления для этой версии не найдены.",
                 connection_, info->SerialNumber, designation, version),
          PromptIcon::Information, PromptButtons::Ok);
  }

  const UpdateEnvironment& env_;
  ModbusMaster::CBaseModbus& transport_;
  const std::uint8_t unit_;
  const std::string connection_;
  Registrator::TRegConfigOp op_;
};

}  // namespace

VersionRule ApplyVersionPolicy(std::uint32_t version)
{
  if (version < kSecondLineFrom) return VersionRule::SeparateProgram;
  if (version < kLowestUpdated) return VersionRule::TooOld;
  if (IsInBranch(version)) return VersionRule::Branch22;
  if (version > kSecondLineUpTo) return VersionRule::Newer;
  return VersionRule::ImageWalk;
}

int CheckImageApplicable(const TRegInfo& info, const Registrator::TFWResRec& image)
{
  if (IsFirstBrandLine(info.DeviceLine)) {
    if (image.LineFlag != 0) return 1;
  } else if (info.DeviceLine == 1) {
    if (image.LineFlag != 1) return 1;
  } else {
    return 1;
  }
  if (info.ModelCode != image.ModelCode) return 2;
  if (info.HwVersion >> 16 != image.HwVersion >> 16) return 3;
  if (info.GenHwVersion >> 16 != image.GenHwVersion >> 16) return 4;
  if (info.SwVersion < image.MinSwVersion) return 5;
  if (info.GenSwVersion < image.MinGenSwVersion) return 6;
  if (info.SwVersion > image.FwVersion) return 7;
  if (info.SwVersion == image.FwVersion) return 8;
  return CheckVariant(info, image);
}

bool IdentifyDevice(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, Registrator::TRegConfigOp& op,
                    std::uint32_t& version)
{
  op.Identify(transport, unit);
  if (ParseVersionText(op.Revision, version)) return true;
  throw Registrator::EMBUnsupportedDevice(transport.Description(unit),
                                          AnsiToUtf8(op.Vendor + "\r\n" + op.ProductCode + "\r\n" + op.Revision));
}

bool ReadDeviceInfoAndConfirm(Prompts& prompts, QWidget* owner, ModbusMaster::CBaseModbus& transport,
                              std::uint8_t unit, Registrator::TRegConfigOp& op, TRegInfo& info, const RecorderWait& wait)
{
  Await(wait, [&] {
    op.ReadDeviceInfo(transport, unit, &info);
    op.ReadGeneralInfo(transport, unit, info);
  });
  // A TCP connection is closed while the user reads the box.
  transport.Disconnect();
  if (info.DeviceLine > 2) RaiseCode(292);
  if (info.ModelCode != 21 && info.ModelCode != 51) RaiseCode(303);
  return prompts.MessageBox(owner,
                            Format("%s:\r\nРегистратор зав. №%u (%s),\r\nтекущая версия ПО %s.\r\n",
                                   transport.Description(unit), info.SerialNumber, GetModelDesignation(info),
                                   VersionToText(info.SwVersion)),
                            PromptIcon::Information, PromptButtons::OkCancel) == PromptResult::Ok;
}

bool ReadDeviceInfoWithRetry(Prompts& prompts, QWidget* owner, ModbusMaster::CBaseModbus& transport,
                             std::uint8_t unit, Registrator::TRegConfigOp& op, TRegInfo& info, const RecorderWait& wait)
{
  for (;;) {
    try {
      return ReadDeviceInfoAndConfirm(prompts, owner, transport, unit, op, info, wait);
    } catch (const ModbusMaster::EMBCancelError&) {
      return false;
    } catch (const Exception& e) {
      if (prompts.MessageBox(owner, Format("Ошибка: %s", e.Message()), PromptIcon::Error,
                             PromptButtons::RetryCancel) != PromptResult::Retry)
        return false;
    }
  }
}

void RunUpdateWorkflow(const UpdateEnvironment& environment, ModbusMaster::CBaseModbus& transport, std::uint8_t unit)
{
  UpdateRun(environment, transport, unit).Run();
}
