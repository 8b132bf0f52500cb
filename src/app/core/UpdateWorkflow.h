#pragma once

#include <cstdint>
#include <functional>
#include <string>

class Prompts;
class QWidget;
class TRegInfo;
class TStream;

namespace ModbusMaster {
class CBaseModbus;
}
namespace Registrator {
class TFWUpRes;
class TRegConfigOp;
struct TFWResRec;
}  // namespace Registrator

// Opens a web address in the user's browser as the shell's "open" verb does: a value
// above 32 when it was handed to a browser, else an error number (31: nothing on this
// computer opens it). The windows' OpenUrlInBrowser is the real one.
using UrlOpener = std::function<int(const std::string& url)>;

// Runs one exchange with the recorder, which blocks until the recorder answers or its
// time-out passes, for the GUI thread. The windows' WaitForRecorder shows the wait
// cursor and keeps the windows painted meanwhile; empty, the call simply runs. The
// call's errors come through.
using RecorderWait = std::function<void(const std::function<void()>& call)>;

// What the version policy makes of the firmware version the identification reports.
enum class VersionRule {
  SeparateProgram,  // below 2.0: another program updates these recorders
  TooOld,           // 2.0 to below 2.0.16: refused
  Branch22,         // 2.2.0 to 2.2.3: ask the maker
  Newer,            // above 2.1.160: offer a newer updater
  ImageWalk,        // 2.0.16 to 2.1.160: look for an image
};
VersionRule ApplyVersionPolicy(std::uint32_t version);

// Whether the image fits the recorder: 0, or the number of the first test it fails
// (1 brand line, 2 model, 3 hardware, 4 general hardware, 5 below the lowest firmware,
// 6 below the lowest general firmware, 7 older than installed, 8 installed, 9 model
// unknown, 10-15 the variant by model, firmware and feature bit 29).
int CheckImageApplicable(const TRegInfo& info, const Registrator::TFWResRec& image);

// The identification and its version text ("v%u.%u.%u") as a version word. Raises
// EMBUnsupportedDevice with the three identification texts, one a line, when the text
// holds no three numbers, and the identification's own errors.
bool IdentifyDevice(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, Registrator::TRegConfigOp& op,
                    std::uint32_t& version);

// The device and general information into info (read through wait), then, the
// connection dropped while the user reads it, the recorder shown for confirmation: true
// on OK. Raises "Ошибка [%d]" 292 for a brand line other than 0, 1 and 2 and 303 for a
// model other than 21 and 51.
bool ReadDeviceInfoAndConfirm(Prompts& prompts, QWidget* owner, ModbusMaster::CBaseModbus& transport,
                              std::uint8_t unit, Registrator::TRegConfigOp& op, TRegInfo& info,
                              const RecorderWait& wait = {});
// ReadDeviceInfoAndConfirm until it gives an answer: an error is offered for a retry
// ("Ошибка: %s", Retry and Cancel); false on Cancel, on a cancelled transport and when
// the user did not confirm.
bool ReadDeviceInfoWithRetry(Prompts& prompts, QWidget* owner, ModbusMaster::CBaseModbus& transport,
                             std::uint8_t unit, Registrator::TRegConfigOp& op, TRegInfo& info,
                             const RecorderWait& wait = {});

// How the upload of one image ended: installed, or why not, in a few words or the error
// the upload ended with.
struct UpgradeOutcome {
  bool installed = false;
  std::string whyNot;
};

// Runs the upload of one image (the real one is the windows' RunUpgrade, in the progress
// window).
using UpgradeRunner =
    std::function<UpgradeOutcome(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, TStream& image)>;

// What one update works with besides its connection.
struct UpdateEnvironment {
  UpdateEnvironment(Prompts& prompts, const Registrator::TFWUpRes& images, QWidget* owner = nullptr)
      : prompts(prompts), owner(owner), images(images)
  {
  }

  Prompts& prompts;
  QWidget* owner = nullptr;  // the main window: owner of every box
  const Registrator::TFWUpRes& images;
  std::function<void(const std::string& line)> log;  // the main window's log
  UrlOpener openUrl;                                 // empty: as if no browser opened it
  UpgradeRunner runUpgrade;                          // empty: nothing uploads, none installs
  RecorderWait wait;                                 // the identification and the reads
};

// One update on the GUI thread: identification (offered for retry), the version policy,
// the device information and the walk over the images from the newest, each fitting
// image offered and uploaded, until no further image fits; an upload that installed
// nothing ends the update with a log line that says why. Errors outside the retry
// loops (a version too old, an image that cannot be extracted) are raised for the
// caller's error box.
void RunUpdateWorkflow(const UpdateEnvironment& environment, ModbusMaster::CBaseModbus& transport,
                       std::uint8_t unit);
