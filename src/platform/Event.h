#pragma once

#include "platform/UniqueFd.h"

// A manual- or auto-reset event over an eventfd: settable from any thread and
// pollable next to sockets and serial ports (Fd()). A manual-reset event stays set
// until Reset; an auto-reset event is consumed by the Wait that sees it.
class Event {
public:
  enum class Mode { ManualReset, AutoReset };

  // Created not set. Raises EOSError when the system refuses the eventfd.
  explicit Event(Mode mode = Mode::ManualReset);

  void Set();
  void Reset();
  bool IsSet() const;
  // True when the event was (or became) set within timeoutMs; an auto-reset event is
  // reset again by that.
  bool Wait(int timeoutMs);

  int Fd() const { return fd_.Get(); }
  Mode GetMode() const { return mode_; }

private:
  bool Consume();

  UniqueFd fd_;
  Mode mode_;
};
