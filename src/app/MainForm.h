#pragma once

#include <QMainWindow>
#include <string>

#include "app/FwUpRes.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;

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

  void AddLogLine(const std::string& line);
  const Registrator::TFWUpRes& Updates() const { return fwUpRes_; }

  QLabel* lblInstructions;
  QPlainTextEdit* mmoLog;
  QAction* actUpdateStart;  // its workflow is connected by the update workflow
  QAction* ExitAction;
  QPushButton* btnUpdateStart;
  QPushButton* btnExit;

protected:
  void showEvent(QShowEvent* event) override;

private:
  const ResourceTable& resources_;
  Registrator::TFWUpRes fwUpRes_;
};
