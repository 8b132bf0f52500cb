#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/core/ProgramSettings.h"

class QCoreApplication;
class ResourceTable;
class TMainForm;
class TMBSetupDialog2;
class TScanEthDialog;
class TScanRSDialog;

// The command-line switch "info": "-" or "/" and then info in any letter case. The file
// name is the next parameter unless that is itself a switch: it begins with "-", or it is
// "/" and a switch word ("/info"). An absolute path such as /tmp/list.txt is a file name.
// The first switch on the line counts.
struct InfoSwitch {
  bool found = false;
  std::string fileName;  // empty when none followed
};
InfoSwitch FindInfoSwitch(const std::vector<std::string>& params);

// With the info switch: writes the image list (UTF-8 with a byte-order mark, CR LF) to the
// named file, created anew, and returns true: the program then ends without running its
// window. Raises when the file cannot be created or written. False without the switch.
bool HandleInfoSwitch(const std::vector<std::string>& params, TMainForm& mainForm);

// The connection settings dialog's two "Сканировать сеть" buttons: each shows its scan
// dialog and takes the device chosen there.
void ConnectScans(TMBSetupDialog2& setupDialog, TScanRSDialog& scanRSDialog, TScanEthDialog& scanEthDialog);

// Qt's own Russian texts for the standard buttons and dialogs (qtbase_ru.qm).
bool InstallRussianTranslation(QCoreApplication& app);

// The entry's steps once the windows exist: settings and images, the info switch, the
// message loop (not run in the info mode), saving the settings. An error that escapes
// them is shown and ends the steps at once (the settings are not saved); the exit status
// is then 1, else 0.
int RunProgramSteps(const std::vector<std::string>& params, TMainForm& mainForm, const ProgramSettings& settings,
                    const std::function<void()>& messageLoop, const ErrorBox& showError);

// The whole program. The info mode needs no window system: it runs on the offscreen
// platform and never shows a window. Without the info switch and without a display the
// program says so in one line and ends with status 1.
int RunProgram(int argc, char** argv, const ResourceTable& resources);
