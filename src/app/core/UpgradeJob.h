#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "app/core/Beep.h"
#include "app/core/WorkThread.h"
#include "recorder/access/RegConfigOp.h"

class JobProgress;
class Prompts;
class QWidget;
class TRegConfig;
class TRegInfo;
class TStream;

namespace ModbusMaster {
class CBaseModbus;
}

// A worker bound to the update's connection, a unit address and whoever shows its
// progress: it turns the end of each run into the progress's end (or a Retry box),
// carries a cancel to the transport, and answers the login's password request.
//
// Threads: constructed, started, cancelled and destroyed on the GUI thread; the prompts
// it shows from the worker go through the prompt seam (synchronous calls), the progress
// bar through the progress's SetProgress, which may be called from any thread.
class TIOProgressThread : public TWorkThread {
public:
  // How the last run ended.
  enum TJobState : std::int32_t {
    JobRunning = 0,      // running, or stopped at the cancel flag
    JobInstalled = 2,    // the install command reported status 0
    JobNotUploaded = 3,  // the firmware is outside the accepted windows, or the user declined
    JobFailed = 4,       // a non-zero status from the recorder, or an error
  };

  // The shortest time between two moves of the progress bar.
  static constexpr std::chrono::milliseconds kProgressInterval{20};

  // This thread's OnDone and OnMessage are bound to the progress. The progress may be
  // null (nothing to report to); the prompts the job shows are owned by promptOwner (the
  // progress window, or null). None of them is owned.
  TIOProgressThread(ModbusMaster::CBaseModbus& transport, JobProgress* progress, Prompts& prompts,
                    QWidget* promptOwner = nullptr);

  // Worker: cancel := IsCancelled(); the progress is set to position of total (their
  // lower 32 bits): at the start, at the end, and in between at most once in
  // kProgressInterval.
  void UpdateProgress(std::uint64_t position, std::uint64_t total, bool& cancel);

  // GUI thread, the user's cancel: the run stops, a request waiting for its reply ends
  // at once, and the progress ends as cancelled. Nothing when the run was cancelled
  // already; nothing either, but the progress told so, once the run has reached its end
  // (its state is no longer JobRunning), even when that end is not yet delivered.
  void CancelRun();

  // GUI thread, the bound callbacks.
  void OnLog(TWorkThread* sender, const std::string& text);
  void OnJobDone(TWorkThread* sender, bool cancelled);

  // Worker, the login's password request (TRegPasswordRequestEvent): logs
  // "Авторизация" and asks on the GUI thread. False when cancelled, and without asking
  // when the run has been cancelled already.
  bool OnPasswordRequest(Registrator::TRegConfigOp* op, TRegInfo* info, std::int32_t& level, std::string& password,
                         bool& remember);

  std::int32_t State() const { return JobState.load(); }
  const std::string& Error() const { return ErrorText; }
  // GUI thread, once the last run has ended or been cancelled: why it installed nothing,
  // for the log of whoever started the job: "прервано" after the user's cancel,
  // "отменено" when the user declined, else the message the run ended with.
  std::string WhyNotDone() const;

protected:
  ModbusMaster::CBaseModbus& Transport;
  std::int32_t UnitAddress = 0;  // 1 to 247; its low byte goes into the requests
  // Written by the worker when the run reaches its end, before the end is delivered;
  // read on the GUI thread by the end and by a cancel, which may come in between.
  std::atomic<std::int32_t> JobState{JobRunning};
  std::string ErrorText;
  JobProgress* Progress;
  QWidget* PromptOwner;
  Prompts& prompts_;

  std::uint8_t Unit() const { return static_cast<std::uint8_t>(UnitAddress); }

private:
  std::chrono::steady_clock::time_point lastProgress_{};
  bool cancelledByUser_ = false;  // GUI thread only
};

// The upload job: connects, identifies the recorder again, checks its firmware,
// asks for the final confirmation, logs in at level 1 when the recorder wants it,
// sends the image in chunks with progress and cancel, and tells the recorder to
// install it. Every run starts from the connection again (a retry).
class TRegUpgradeThread : public TIOProgressThread {
public:
  TRegUpgradeThread(ModbusMaster::CBaseModbus& transport, JobProgress* progress, Prompts& prompts,
                    BeepEvent beep = {}, QWidget* promptOwner = nullptr);
  ~TRegUpgradeThread() override;

  // GUI thread: one run for the unit with the image (not owned; it must outlive the
  // thread's runs).
  void StartUpgrade(std::int32_t unitAddress, TStream& image);

  // Worker: the final confirmation (text stringId, 1853) in a task dialog owned by the
  // prompt owner; the transport is disconnected while the user decides. True on Yes, and
  // after the backup its command link offers has been written (the upload then goes on
  // without asking again); a cancelled file prompt shows the dialog again.
  bool ConfirmUpgrade(int stringId, const std::string& connection, Registrator::TRegConfigOp& op, TRegConfig& config,
                      const std::string& designation);

  // Worker: the backup's file prompt, run on the GUI thread; fileName is the proposed
  // name on the way in and the chosen path on the way out. False when it was cancelled.
  bool AskBackupFileName(std::string& fileName);
  // GUI thread: the save-file prompt for BackupFileName (its folder part the initial
  // folder, its name the proposed one), asking before it replaces a file.
  void PromptBackupFile();

protected:
  void DoJob() override;

private:
  void RunSteps();
  // The chunks; false when the run ends here (a cancel, a refused chunk).
  bool SendImage();
  void Install(std::uint32_t total);
  void EndRun(std::int32_t state, std::string errorText);
  // The whole information and configuration of the recorder into config, saved to path.
  // False when a read was cancelled.
  bool MakeBackup(Registrator::TRegConfigOp& op, TRegConfig& config, const std::string& path);

  Registrator::TRegConfigOp Op;
  TStream* Image = nullptr;
  // The backup's file name, handed to the GUI thread's prompt and back.
  std::string BackupFileName;
  bool BackupChosen = false;
  BeepEvent beep_;
};
