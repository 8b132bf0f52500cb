#pragma once

#include <QStringList>

#include "app/core/Prompts.h"
#include "platform/LastSaveFolder.h"

// The prompts as Qt windows: QMessageBox, a QDialog with command links for the task
// dialog, QFileDialog, the password dialog.
class QtPrompts : public Prompts {
public:
  // A save dialog given no folder opens where the user last saved (saveFolder).
  explicit QtPrompts(LastSaveFolder saveFolder = {}) : saveFolder_(std::move(saveFolder)) {}

protected:
  PromptResult DoMessageBox(QWidget* owner, const MessageBoxRequest& request) override;
  int DoTaskDialog(QWidget* owner, const TaskDialogRequest& request) override;
  std::optional<std::string> DoSaveFile(QWidget* owner, const SaveFileRequest& request) override;
  std::optional<PasswordReply> DoPassword(QWidget* owner, const PasswordRequest& request) override;
  int DoShowModal(QDialog& dialog, const std::string& className) override;

private:
  LastSaveFolder saveFolder_;
};

// The file filter in Qt's form: "Text (*.txt)|*.txt|All (*.*)|*.*" gives the entries
// "Text (*.txt)" and "All (*.*)"; a description without its patterns gets them added.
QStringList QtFileFilters(const std::string& filter);

// Runs the dialog's modal loop and gives its modal result, a plain rejection (Escape,
// the close box) counting as 2, cancel.
int ExecDialog(QDialog& dialog);
