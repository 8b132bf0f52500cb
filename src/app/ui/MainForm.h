#pragma once

#include <QMainWindow>
#include <cstdint>
#include <string>

#include "app/core/FwUpRes.h"
#include "app/core/UpdateWorkflow.h"
#include "app/ui/OpenUrl.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class Prompts;
class TMBSetupDialog2;

namespace ModbusMaster {
class CBaseModbus;
}

// The main window: the instructions, the log and the two actions. It owns the firmware
// image store, loaded once at start-up from the resources it is given (the program's own
// in the product, a crafted table in tests).
class TMainForm : public QMainWindow {
  Q_OBJECT

public:
  explicit TMainForm(const ResourceTable& resources, QWidget* parent = nullptr);

  // Loads the image store into the log; with no image adds "No updates in " and the
  // executable's full path.
  void LoadUpdates();
  // The image lines of the info mode; the store's result (0, 501 or 506).
  int WriteUpdateList(TextWriter& writer) const;

  // The window's hooks of the settings, given the program's own key: nothing is stored
  // there, but the key is named so a later setting has its place.
  void LoadSettings(const std::string& key);
  void SaveSettings(const std::string& key);

  // The Update action is enabled exactly when the store holds an image.
  void actUpdateStartUpdate();
  void ExitActionExecute();

  // Connects the Update action to one update: the connection from the settings dialog,
  // the prompts of the workflow and the opener of the maker's web addresses. Until
  // then the action does nothing.
  void ConnectUpdate(Prompts& prompts, TMBSetupDialog2& setupDialog, UrlOpener openUrl = OpenUrlInBrowser);
  // The Update action: the connection from the settings dialog (unit 1 on Ethernet),
  // the update, and any error of it in the standard error box.
  void actUpdateStartExecute();
  // The driver of one update over the connection.
  void RunUpdate(ModbusMaster::CBaseModbus& transport, std::uint8_t unitAddress);

  void AddLogLine(const std::string& line);
  const Registrator::TFWUpRes& Updates() const { return fwUpRes_; }

  QLabel* lblInstructions;
  QPlainTextEdit* mmoLog;
  QAction* actUpdateStart;
  QAction* ExitAction;
  QPushButton* btnUpdateStart;
  QPushButton* btnExit;

protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  const ResourceTable& resources_;
  Registrator::TFWUpRes fwUpRes_;
  Prompts* prompts_ = nullptr;
  TMBSetupDialog2* setupDialog_ = nullptr;
  UrlOpener openUrl_;
  bool updating_ = false;
  bool waitingForRecorder_ = false;
};
