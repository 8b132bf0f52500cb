#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

#include "app/core/JobProgress.h"

class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class Prompts;

// The modal window of a running upload: a progress bar, the job's log and one button
// that first cancels the job and, once the job has ended, closes the window. The job
// reports to it as its JobProgress; the user's wish to cancel reaches the job's owner
// through OnCancel. Modal results: 1 OK, 2 cancel.
class TProgressDialog : public QDialog, public JobProgress {
  Q_OBJECT

public:
  // The cancel question goes through prompts.
  explicit TProgressDialog(Prompts& prompts, QWidget* owner = nullptr);

  // Back to the running state, before each start of the job.
  void Reset() override;
  // The job has ended: Succeeded leaves the window open with "OK", Declined leaves it
  // open ended as cancelled, Cancelled closes it at once with the cancel result.
  void Finish(JobEnd end) override;
  // CR LF in the text shows as one line break.
  void AddLog(const std::string& text) override;
  // May be called from any thread: the bar is set on the GUI thread by a queued call.
  void SetProgress(std::uint32_t position, std::uint32_t total) override;
  // An open "Прервать процесс?" is closed as if unanswered.
  void BeforeRetryBox() override;
  // The window goes on running until the job's end arrives.
  void CancelCameTooLate() override;

  bool IsCancelled() const { return Cancelled; }
  bool IsFinished() const { return Finished; }

  // Called when the user confirms cancelling; empty at construction.
  std::function<void(TProgressDialog* sender)> OnCancel;

  QPushButton* Button1;
  QPlainTextEdit* Memo1;
  QProgressBar* ProgressBar1;

signals:
  // Emitted by Finish, after the window took its new state.
  void JobFinished(JobEnd end);

protected:
  // Escape presses the button.
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

private:
  // What became of "Прервать процесс?". The job goes on while the question is open, and
  // its box's event loop may deliver the job's end: a "Да" given after that is Late.
  enum class AbortAnswer {
    Abort,  // "Да", the run it was asked about still going
    Keep,   // any other answer
    Late,   // "Да", but that run has ended (or a retry has started) meanwhile
  };

  void Button1Click();
  AbortAnswer ConfirmAbort();

  Prompts& prompts_;
  bool Cancelled = false;
  bool Finished = false;
  bool asking_ = false;   // the question is open
  unsigned runs_ = 0;     // counts the runs shown (Reset): whose end a question awaits
};
