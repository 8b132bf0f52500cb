#include "app/ui/Program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

#include "app/core/Release.h"
#include "app/ui/MBSetupDialog2.h"
#include "app/ui/MainForm.h"
#include "app/ui/PromptsQt.h"
#include "app/ui/ScanEthDialog.h"
#include "app/ui/ScanRSDialog.h"
#include "app/ui/QtGuiThread.h"
#include "app/ui/StandardErrorBox.h"
#include "platform/Format.h"
#include "platform/Stream.h"
#include "platform/TextWriter.h"

namespace {

bool IsSwitchWord(std::string_view word)
{
  constexpr std::string_view kInfo = "info";
  if (word.size() != kInfo.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kInfo[i]) return false;
  }
  return true;
}

bool IsInfoSwitch(const std::string& param)
{
  return param.size() > 1 && (param[0] == '-' || param[0] == '/') && IsSwitchWord(std::string_view(param).substr(1));
}

// On this system "/" also begins every absolute path, so only "/" and a switch word is a switch.
bool IsSwitch(const std::string& param) { return (!param.empty() && param[0] == '-') || IsInfoSwitch(param); }

// The info mode is for scripts: Qt's chatter about the environment (a missing runtime
// folder, fonts) would only clutter their standard error, so only its errors go there.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}

constexpr const char* kNoDisplay = "no display: set DISPLAY or use -info\n";

// Where Qt finds a window system: the variables of X11, Wayland and Qt's own, or its
// -platform option.
bool DisplayNamed(const std::vector<std::string>& params)
{
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (!qEnvironmentVariableIsEmpty(name)) return true;
  for (const std::string& param : params)
    if (param == "-platform" || param == "--platform") return true;
  return false;
}

// While the application object starts: a display that is named but cannot be reached
// ends in Qt's fatal error and an abort; the user is told the same as without one.
QtMessageHandler qtMessages = nullptr;
void NoDisplayOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
  if (type != QtFatalMsg) return qtMessages(type, context, message);
  std::fputs(kNoDisplay, stderr);
  std::_Exit(1);
}

template <typename Steps>
int Guarded(const ErrorBox& showError, Steps steps)
{
  try {
    return steps();
  } catch (const Exception& e) {
    showError(e.Message());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", kAppTitle, e.what());
    showError("");
  } catch (...) {
    showError("");
  }
  return 1;
}

}  // namespace

InfoSwitch FindInfoSwitch(const std::vector<std::string>& params)
{
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (!IsInfoSwitch(params[i])) continue;
    InfoSwitch result{true, {}};
    if (i + 1 < params.size() && !IsSwitch(params[i + 1])) result.fileName = params[i + 1];
    return result;
  }
  return {};
}

bool HandleInfoSwitch(const std::vector<std::string>& params, TMainForm& mainForm)
{
  // Sockets need no library start-up here, so the step that starts one has nothing to do.
  InfoSwitch info = FindInfoSwitch(params);
  if (!info.found) return false;
  TFileStream file(info.fileName, FileMode::Create);
  {
    TextWriter writer(file);
    writer.WriteLine(Format("%s v2.1.160.115", "Corvane-Tovi"));
    mainForm.WriteUpdateList(writer);
    writer.Flush();
  }
  file.Close();
  return true;
}

void ConnectScans(TMBSetupDialog2& setupDialog, TScanRSDialog& scanRSDialog, TScanEthDialog& scanEthDialog)
{
  setupDialog.SetSerialScan([&scanRSDialog](const std::string& portText) -> std::optional<TMBSetupDialog2::SerialScanChoice> {
    const auto device = scanRSDialog.ChooseDevice(portText);
    if (!device) return std::nullopt;
    return TMBSetupDialog2::SerialScanChoice{device->Port, device->BaudRate, device->Parity, device->StopBits,
                                             device->Address};
  });
  setupDialog.SetEthernetScan([&scanEthDialog] { return scanEthDialog.ChooseAddress(); });
}

bool InstallRussianTranslation(QCoreApplication& app)
{
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  app.installTranslator(translator);
  return true;
}

int RunProgramSteps(const std::vector<std::string>& params, TMainForm& mainForm, const ProgramSettings& settings,
                    const std::function<void()>& messageLoop, const ErrorBox& showError)
{
  return Guarded(showError, [&] {
    LoadProgramSettings(settings, [&mainForm] { mainForm.LoadUpdates(); }, showError);
    if (!HandleInfoSwitch(params, mainForm)) messageLoop();
    SaveProgramSettings(settings);
    return 0;
  });
}

int RunProgram(int argc, char** argv, const ResourceTable& resources)
{
  std::vector<std::string> params(argv + (argc > 0 ? 1 : 0), argv + argc);
  // Decided before any window exists: the info mode is for scripts and CI, which may
  // have no display at all.
  if (FindInfoSwitch(params).found) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
  } else if (!DisplayNamed(params)) {
    std::fputs(kNoDisplay, stderr);
    return 1;
  }
  ErrorBox showError = [](const std::string& message) { ShowStandardErrorBox(message); };
  return Guarded(showError, [&] {
    qtMessages = qInstallMessageHandler(NoDisplayOnFatal);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtMessages);
    QtGuiThread guiThread;
    QApplication::setApplicationName(QString::fromUtf8(kAppTitle));
    InstallRussianTranslation(app);

    QtPrompts prompts;
    TMainForm mainForm(resources);
    // The dialogs are created next, in this order, and live until the program ends.
    // The discovery's target is read once, here.
    TScanEthDialog scanEthDialog(prompts, DiscoveryTarget::FromEnvironment(), &mainForm);
    TScanRSDialog scanRSDialog(prompts, &mainForm);
    TMBSetupDialog2 setupDialog(prompts, &mainForm);
    ConnectScans(setupDialog, scanRSDialog, scanEthDialog);
    mainForm.ConnectUpdate(prompts, setupDialog);

    ProgramSettings settings;
    settings.Join(kProgramKey, mainForm);
    settings.Join(kSettingsKey, scanRSDialog);
    settings.Join(kSettingsKey, scanEthDialog);
    settings.Join(kSettingsKey, setupDialog);

    return RunProgramSteps(params, mainForm, settings,
                           [&] {
                             mainForm.show();
                             QApplication::exec();
                           },
                           showError);
  });
}
