#include "app/core/UpgradeJob.h"

#include <chrono>
#include <exception>
#include <memory>

#include "app/core/JobProgress.h"
#include "app/core/PasswordPrompt.h"
#include "app/core/Prompts.h"
#include "app/core/Synchronize.h"
#include "modbus/CBaseModbus.h"
#include "modbus/MBCommand.h"
#include "platform/Cp1251.h"
#include "platform/Format.h"
#include "platform/LoadStr.h"
#include "platform/Socket.h"
#include "platform/Stream.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/DeviceNames.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

namespace {

// String numbers of the job.
constexpr int kTextBackupFilter = 1310;
constexpr int kTextIncompatibleVersion = 1411;
constexpr int kTextBackupLink = 1847;
constexpr int kTextBackupLinkHint = 1848;
constexpr int kTextBackupSaved = 1849;
constexpr int kTextConfirmTitle = 1852;
constexpr int kTextConfirmUpgrade = 1853;

// The only level the upload needs: writing the configuration.
constexpr std::int32_t kUploadAccessLevel = 1;

constexpr std::uint8_t kStatusWrongVersion = 10;

// The id the final confirmation returns for its backup link.
constexpr int kBackupLink = 100;
constexpr const char* kBackupExtension = "cfg";

// The firmware an image may be installed over: the second line up to this release, and
// the 2.2 branch.
bool AcceptsUpload(std::uint32_t version) { return IsSecondLine(version) || IsInBranch(version); }

}  // namespace

// --- TIOProgressThread ---

TIOProgressThread::TIOProgressThread(ModbusMaster::CBaseModbus& transport, JobProgress* progress, Prompts& prompts,
                                     QWidget* promptOwner)
    : Transport(transport), Progress(progress), PromptOwner(promptOwner), prompts_(prompts)
{
  OnDone = [this](TWorkThread* sender, bool cancelled) { OnJobDone(sender, cancelled); };
  OnMessage = [this](TWorkThread* sender, const std::string& text) { OnLog(sender, text); };
}

void TIOProgressThread::UpdateProgress(std::uint64_t position, std::uint64_t total, bool& cancel)
{
  cancel = IsCancelled();
  if (!Progress) return;
  // Every move of the bar wakes the GUI thread; one a chunk would cost the upload more
  // than the eye could see. The start and the end always show.
  const auto now = std::chrono::steady_clock::now();
  if (position != 0 && position < total && now - lastProgress_ < kProgressInterval) return;
  lastProgress_ = now;
  Progress->SetProgress(static_cast<std::uint32_t>(position), static_cast<std::uint32_t>(total));
}

void TIOProgressThread::OnLog(TWorkThread*, const std::string& text)
{
  if (Progress) Progress->AddLog(text);
}

void TIOProgressThread::CancelRun()
{
  // The run has done what it did once its end is reached: an image installed stays
  // installed, and that end (with its Retry box after a failure) is what the user must
  // be shown, not a cancel.
  if (JobState.load() != JobRunning) {
    if (Progress) Progress->CancelCameTooLate();
    return;
  }
  if (!Cancel()) return;
  cancelledByUser_ = true;
  // A request waiting for its reply ends at once with EMBCancelError.
  Transport.Cancel();
  if (Progress) Progress->Finish(JobEnd::Cancelled);
}

void TIOProgressThread::OnJobDone(TWorkThread*, bool cancelled)
{
  if (!Progress) return;
  if (cancelled) {
    Progress->Finish(JobEnd::Cancelled);
    return;
  }
  switch (JobState.load()) {
  case JobInstalled: Progress->Finish(JobEnd::Succeeded); return;
  case JobNotUploaded: Progress->Finish(JobEnd::Declined); return;
  default: break;
  }
  MessageBoxRequest box;
  box.text = ErrorText;
  box.icon = PromptIcon::Error;
  box.buttons = PromptButtons::RetryCancel;
  Progress->BeforeRetryBox();
  if (prompts_.MessageBox(PromptOwner, box) == PromptResult::Retry) {
    Progress->Reset();
    JobState = JobRunning;
    StartJob();
  } else {
    Progress->Finish(JobEnd::Cancelled);
  }
}

std::string TIOProgressThread::WhyNotDone() const
{
  // Read first: after a cancel the run may still be ending on the worker.
  if (cancelledByUser_) return "прервано";
  if (!ErrorText.empty()) return ErrorText;
  return JobState == JobNotUploaded ? "отменено" : "прервано";
}

bool TIOProgressThread::OnPasswordRequest(Registrator::TRegConfigOp*, TRegInfo* info, std::int32_t& level,
                                          std::string& password, bool& remember)
{
  if (IsCancelled()) return false;
  PasswordSubject subject;
  subject.connection = Transport.Description(Unit());
  if (info) subject.device = PasswordDeviceText(GetDeviceShortName(*info), info->SerialNumber);
  return RequestPassword(*this, prompts_, PromptOwner, subject, level, password, remember);
}

// --- TRegUpgradeThread ---

TRegUpgradeThread::TRegUpgradeThread(ModbusMaster::CBaseModbus& transport, JobProgress* progress, Prompts& prompts,
                                     BeepEvent beep, QWidget* promptOwner)
    : TIOProgressThread(transport, progress, prompts, promptOwner), beep_(std::move(beep))
{
}

TRegUpgradeThread::~TRegUpgradeThread()
{
  // A run still going uses Op and the image: it ends before they go.
  Stop();
}

void TRegUpgradeThread::StartUpgrade(std::int32_t unitAddress, TStream& image)
{
  UnitAddress = unitAddress;
  Image = &image;
  JobState = JobRunning;
  StartJob();
}

void TRegUpgradeThread::EndRun(std::int32_t state, std::string errorText)
{
  JobState = state;
  ErrorText = std::move(errorText);
  PostTextFmt("Ошибка: %s", ErrorText);
}

void TRegUpgradeThread::DoJob()
{
  // Every failure ends the run as failed with its message, offered for a retry; the
  // connection is dropped so that the retry starts afresh. Errors from outside the
  // platform's family (the run time's own) are no different to the user.
  // A retry's text is its own: the run before may have ended with another.
  ErrorText.clear();
  std::string message;
  try {
    RunSteps();
    return;
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::exception& e) {
    message = e.what();
  }
  try {
    Transport.Disconnect();
  } catch (const std::exception&) {
  }
  EndRun(JobFailed, message);
}

void TRegUpgradeThread::RunSteps()
{
  Transport.ResetCancel();
  PostTextFmt("Подключение к %s", Transport.ConnectionName());
  std::uint32_t address = 0;
  if (Transport.ResolveAddress(Transport.ConnectionName(), address)) PostTextFmt("IP адрес: %s", FormatIPv4(address));
  Transport.Open();
  PostText("Идентификация");

  // This run's configuration; its information model receives the device information.
  auto config = std::make_unique<TRegConfig>();
  TRegInfo& info = config->RegInfo;
  Op.Identify(Transport, Unit());
  Op.ReadDeviceInfo(Transport, Unit(), &info);
  PostTextFmt("%s %s", AnsiToUtf8(Op.ProductCode), AnsiToUtf8(Op.Revision));

  const std::string designation = GetModelDesignation(info);
  const std::string connection = Transport.Description(Unit());

  const std::uint32_t version = info.SwVersion;
  if (!AcceptsUpload(version)) {
    EndRun(JobNotUploaded, Format(LoadStr(kTextIncompatibleVersion), UnitAddress, VersionByte(version, 0),
                                  VersionByte(version, 1), VersionByte(version, 2)));
    return;
  }
  // The run's end is set before its line goes out, so that a cancel given meanwhile
  // finds the run ended.
  if (!ConfirmUpgrade(kTextConfirmUpgrade, connection, Op, *config, designation)) {
    JobState = JobNotUploaded;
    PostText("отмена");
    return;
  }

  PostText("Загрузка обновления");
  auto onPassword = [this](Registrator::TRegConfigOp* op, TRegInfo* device, std::int32_t& level,
                           std::string& password, bool& remember) {
    return OnPasswordRequest(op, device, level, password, remember);
  };
  if (!Op.Authorize(Transport, Unit(), kUploadAccessLevel, info, onPassword)) {
    JobState = JobNotUploaded;
    PostText("отмена");
    return;
  }

  if (!SendImage()) return;
  PostText("Установка обновления");
  // A cancel confirmed while that line was on its way must not let the install go out.
  if (IsCancelled()) return;
  Install(static_cast<std::uint32_t>(Image->GetSize()));
}

bool TRegUpgradeThread::SendImage()
{
  ModbusMaster::TUpgradeWriteCommand chunk;
  Image->SetPosition(0);
  const std::uint32_t total = static_cast<std::uint32_t>(Image->GetSize());
  std::uint32_t sent = 0;
  bool cancel = false;
  UpdateProgress(sent, total, cancel);
  if (cancel) return false;
  while (sent < total) {
    const std::uint32_t length = chunk.LoadChunk(sent, *Image);
    // A stream that ends before its size would otherwise send empty chunks forever.
    if (length == 0) throw EReadError("Stream read error");
    Transport.Execute(Unit(), chunk);
    if (chunk.Status != 0) {
      EndRun(JobFailed, Format("Ошибка обновления %d", chunk.Status));
      return false;
    }
    sent += length;
    UpdateProgress(sent, total, cancel);
    if (cancel) return false;
  }
  return true;
}

void TRegUpgradeThread::Install(std::uint32_t total)
{
  ModbusMaster::TUpgradeStartCommand install(total);
  Transport.Execute(Unit(), install);
  Transport.Disconnect();
  switch (install.Status) {
  case 0:
    if (beep_) beep_(BeepSound::Default);
    JobState = JobInstalled;
    PostText("Загрузка обновления выполнена успешно.\r\nВыключите и снова включите питание.");
    return;
  case kStatusWrongVersion:
    if (beep_) beep_(BeepSound::Information);
    EndRun(JobFailed,
           Format("Ошибка обновления [%d]\r\nОбновление не предназначено для данной версии регистратора", install.Status));
    return;
  default:
    if (beep_) beep_(BeepSound::Error);
    EndRun(JobFailed, Format("Ошибка обновления %d", install.Status));
    return;
  }
}

bool TRegUpgradeThread::ConfirmUpgrade(int stringId, const std::string& connection, Registrator::TRegConfigOp& op,
                                       TRegConfig& config, const std::string& designation)
{
  const TRegInfo& info = config.RegInfo;
  TaskDialogRequest dialog;
  dialog.title = LoadStr(kTextConfirmTitle);
  dialog.text = Format(LoadStr(stringId), connection, designation, info.SerialNumber, VersionByte(info.SwVersion, 0),
                       VersionByte(info.SwVersion, 1), VersionByte(info.SwVersion, 2), VersionByte(info.SwVersion, 3),
                       VersionByte(info.HwVersion, 0), VersionByte(info.HwVersion, 1));
  dialog.icon = PromptIcon::Information;
  dialog.buttons = {PromptResult::Yes, PromptResult::Cancel};
  dialog.defaultButton = PromptResult::Yes;
  dialog.links = {{kBackupLink, LoadStr(kTextBackupLink), LoadStr(kTextBackupLinkHint)}};

  // A TCP connection is closed while the user decides; the next request opens it again.
  Transport.Disconnect();
  for (;;) {
    if (IsCancelled()) return false;
    const int answer = prompts_.TaskDialog(PromptOwner, dialog);
    if (answer != kBackupLink) return answer == static_cast<int>(PromptResult::Yes);
    // The serial number alone: a device's text never becomes a folder or a path.
    std::string path = Format("%u", info.SerialNumber);
    if (!AskBackupFileName(path)) continue;
    if (IsCancelled()) return false;
    return MakeBackup(op, config, path);
  }
}

bool TRegUpgradeThread::MakeBackup(Registrator::TRegConfigOp& op, TRegConfig& config, const std::string& path)
{
  if (!op.ReadInfo(Transport, Unit(), {}, &config.RegInfo)) return false;
  if (!op.ReadConfig(Transport, Unit(), {}, config)) return false;
  config.SaveToFile(path);
  PostTextFmt(LoadStr(kTextBackupSaved), path);
  return true;
}

bool TRegUpgradeThread::AskBackupFileName(std::string& fileName)
{
  BackupFileName = fileName;
  Synchronize([this] { PromptBackupFile(); });
  if (BackupChosen) fileName = BackupFileName;
  return BackupChosen;
}

void TRegUpgradeThread::PromptBackupFile()
{
  // One entry: the backup files, by their extension.
  static const std::string filter = Format("%0:s (*.%1:s)|*.%1:s", LoadStr(kTextBackupFilter), kBackupExtension);
  BackupChosen = false;
  SaveFileRequest request;
  const std::size_t slash = BackupFileName.rfind('/');
  if (slash != std::string::npos) request.folder = BackupFileName.substr(0, slash + 1);
  request.fileName = BackupFileName.substr(slash == std::string::npos ? 0 : slash + 1);
  request.filter = filter;
  request.defaultExt = kBackupExtension;
  request.confirmOverwrite = true;
  if (auto chosen = prompts_.SaveFile(PromptOwner, request)) {
    BackupFileName = *chosen;
    BackupChosen = true;
  }
}
