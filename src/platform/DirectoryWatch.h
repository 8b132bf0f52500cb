#pragma once

#include <string>

#include "platform/UniqueFd.h"

// Tells when entries appear in or vanish from one folder (inotify): the device nodes of
// /dev come and go with the hardware behind them. Non-blocking and pollable (Fd()), so a
// GUI can watch it beside its other events.
class DirectoryWatch {
public:
  // Raises EOSError when the system refuses the watch (no such folder, no inotify, the
  // user's watch limit reached).
  explicit DirectoryWatch(const std::string& folder);

  int Fd() const { return fd_.Get(); }
  const std::string& Folder() const { return folder_; }

  // Consumes every notification queued so far; true when there was any.
  bool Drain();

private:
  std::string folder_;
  UniqueFd fd_;
};
