#pragma once

// The whole road of an update as the main window runs it: the road of the logic
// (support/RecorderRoad.h), the release's images, and the progress window driven as a
// user would drive it.

#include <gtest/gtest.h>

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/FwUpRes.h"
#include "app/core/UpdateWorkflow.h"
#include "app/ui/MBSetupDialog2.h"
#include "app/ui/MainForm.h"
#include "app/ui/Program.h"
#include "app/ui/ProgressDialog.h"
#include "app/ui/PromptsQt.h"
#include "app/ui/RunUpgrade.h"
#include "app/ui/ScanEthDialog.h"
#include "app/ui/ScanRSDialog.h"
#include "platform/ProgramResources.h"
#include "platform/Stream.h"
#include "support/QtTestApp.h"
#include "support/RecorderRoad.h"
#include "support/WindowWalker.h"

// The release's images, as the program loads them at start-up.
inline const Registrator::TFWUpRes& ReleaseImages()
{
  static const Registrator::TFWUpRes images = [] {
    Registrator::TFWUpRes store;
    store.Load(ProgramResources(), [](const std::string&) {});
    return store;
  }();
  return images;
}

inline const Registrator::TFWResRec& ReleaseImage(const std::string& name)
{
  for (const auto& image : ReleaseImages().Items())
    if (image.ResName == name) return image;
  throw std::out_of_range("no image " + name);
}

inline std::vector<std::uint8_t> PayloadOf(const Registrator::TFWResRec& image)
{
  TMemoryStream stream;
  ReleaseImages().ExtractImage(image, stream);
  return stream.Data();
}

// What a user sees of one progress window, and how it ended.
struct ProgressRecord {
  std::string log;            // the window's log when it closed
  int result = 0;             // its modal result
  std::vector<JobEnd> finishes;  // how the job ended each time, in order
  TProgressDialog* window = nullptr;
};

// The modal showing of the progress window: it runs for real (offscreen), and once the
// job leaves it open with its button ("OK" or ended as cancelled) the button is
// pressed. whileShown may act on the window before its loop starts (to cancel later).
inline ScriptedPrompts::ModalHandler DriveProgress(ProgressRecord& record,
                                                   std::function<void(TProgressDialog&)> whileShown = {})
{
  return [&record, whileShown](QDialog& dialog) {
    auto* window = dynamic_cast<TProgressDialog*>(&dialog);
    if (!window) {
      ADD_FAILURE() << "the modal dialog is not the progress window";
      return 2;
    }
    record.window = window;
    QObject::connect(window, &TProgressDialog::JobFinished, window, [window, &record](JobEnd end) {
      record.finishes.push_back(end);
      if (end != JobEnd::Cancelled)
        QMetaObject::invokeMethod(window, [window] { window->Button1->click(); }, Qt::QueuedConnection);
    });
    if (whileShown) whileShown(*window);
    // Only the job's end closes the window: one that never comes fails the test within
    // the walk's time, naming what stayed open.
    struct Watch : WindowWalker {
      void Act(QWidget&) override {}
    } watch;
    record.result = ExecDialog(*window);
    record.log = window->Memo1->toPlainText().toStdString();
    return record.result;
  };
}

// The workflow's upload in the progress window, as the main window runs it. The
// application object comes first, as in the program: the job's calls into the GUI
// thread need its event loop.
inline UpgradeRunner ProgressWindowUpload(ScriptedPrompts& prompts, BeepEvent beep)
{
  TestApp();
  return UpgradeInProgressWindow(prompts, std::move(beep));
}

// The main window as the program makes it: the release's images loaded, and the Update
// action bound to the prompts and a connection settings dialog of its own, whose scan
// buttons show the two scans (the discovery's target from the environment, as the
// program reads it). The application object comes first (TestApp).
struct ProgramWindow {
  explicit ProgramWindow(Prompts& prompts)
      : scanEth(prompts, DiscoveryTarget::FromEnvironment()), scanRS(prompts), settings(prompts),
        form(ProgramResources())
  {
    form.LoadUpdates();
    ConnectScans(settings, scanRS, scanEth);
    form.ConnectUpdate(prompts, settings);
  }
  TScanEthDialog scanEth;
  TScanRSDialog scanRS;
  TMBSetupDialog2 settings;
  TMainForm form;
};
