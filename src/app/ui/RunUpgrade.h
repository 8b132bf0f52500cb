#pragma once

#include <cstdint>

#include "app/core/UpdateWorkflow.h"
#include "app/ui/SystemBeep.h"

class Prompts;
class TStream;

namespace ModbusMaster {
class CBaseModbus;
}

// What an upload needs besides the connection: the prompts, and the beeps.
struct UpgradeEnvironment {
  Prompts& prompts;
  BeepEvent beep = SystemBeep;
};

// GUI thread: the upload job behind a modal progress window, which shows the job's
// progress, owns its prompts and cancels it with its button. Installed exactly when the
// window closed with OK (the image was installed and the user closed it); else why not.
UpgradeOutcome RunUpgrade(const UpgradeEnvironment& environment, ModbusMaster::CBaseModbus& transport, std::int32_t unitAddress,
                TStream& image);

// The workflow's upload as the main window runs it: RunUpgrade with these prompts and
// beeps.
UpgradeRunner UpgradeInProgressWindow(Prompts& prompts, BeepEvent beep = SystemBeep);
