#pragma once

#include <cstdint>
#include <string>

// How a run of a job ended, as the one who shows its progress is told.
enum class JobEnd {
  Succeeded,  // the job did its work: the window stays open with "OK"
  Cancelled,  // the user cancelled, or left an error without retrying: the window closes at once
  Declined,   // the job ended without doing its work, for a reason its log gives (refused, or
              // declined by the user): the window stays open to be read, ended as cancelled
};

// What a job reports to whoever shows its progress (the progress window), so that the
// job knows nothing of windows. SetProgress may come from any thread; the rest come on
// the GUI thread.
class JobProgress {
public:
  virtual ~JobProgress() = default;

  // Back to the running state, before each start of the job.
  virtual void Reset() = 0;
  virtual void SetProgress(std::uint32_t position, std::uint32_t total) = 0;
  // One line of the job's log; it may hold CR LF line breaks.
  virtual void AddLog(const std::string& text) = 0;
  virtual void Finish(JobEnd end) = 0;
  // The run has failed and its Retry box, owned by the progress's window, comes next: a
  // question of the window's own still open about the run gives way to it first, so that
  // the two do not stand one on the other.
  virtual void BeforeRetryBox() = 0;
  // The user's cancel came when the run had already reached its end: it changes nothing,
  // and that end follows.
  virtual void CancelCameTooLate() = 0;
};
