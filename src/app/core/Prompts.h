#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/Release.h"

class QDialog;
class QWidget;

// Results of prompts and modal windows, numbered as the design's message boxes and
// modal forms return them (1 OK, 2 cancel, ...).
enum class PromptResult : int {
  None = 0,
  Ok = 1,
  Cancel = 2,
  Abort = 3,
  Retry = 4,
  Ignore = 5,
  Yes = 6,
  No = 7,
};

enum class PromptIcon { None, Information, Warning, Error, Question };

// The button rows of a message box, left to right.
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
std::vector<PromptResult> ButtonsOf(PromptButtons buttons);

struct MessageBoxRequest {
  std::string text;
  PromptIcon icon = PromptIcon::None;
  PromptButtons buttons = PromptButtons::Ok;
  PromptResult defaultButton = PromptResult::None;  // None: the first button
  bool topMost = false;                             // kept above every window
};

// A custom button of a task dialog, shown as a command link; its id is what the dialog
// returns when it is chosen (use ids from 100 up, clear of PromptResult).
struct CommandLink {
  int id = 0;
  std::string caption;
  std::string hint;
};

struct TaskDialogRequest {
  std::string title;  // the main instruction above the text
  std::string text;
  PromptIcon icon = PromptIcon::None;
  std::vector<PromptResult> buttons;  // common buttons, in this order
  PromptResult defaultButton = PromptResult::None;
  std::vector<CommandLink> links;
};

struct SaveFileRequest {
  std::string fileName;    // proposed name, without folder
  std::string folder;      // initial folder; empty lets the system choose
  std::string filter;      // "Description (*.ext)|*.ext" pairs joined by '|'
  std::string defaultExt;  // without the dot; added when the user types none
  std::string title;       // empty: the system's own title
  bool confirmOverwrite = true;
};

// The rows the password dialog shows.
struct PasswordRequest {
  std::string connection;
  std::string device;
  std::string user;  // the access level's text
  int maxLength = 15;
};

struct PasswordReply {
  std::string password;  // as typed, UTF-8; the caller converts it for the device
  bool remember = true;
};

// Every modal interaction the program's logic has goes through this interface, so that
// the logic runs in tests with a scripted answer for each prompt. Each call may come
// from any thread: it is carried to the GUI thread (Synchronize) and blocks until the
// user has answered. The owner may be null (no owner window).
class Prompts {
public:
  virtual ~Prompts() = default;

  // A message box with the application title (kAppTitle) as its caption. Closing it without a
  // button gives EscapeResult of its buttons.
  PromptResult MessageBox(QWidget* owner, const MessageBoxRequest& request);
  PromptResult MessageBox(QWidget* owner, std::string text, PromptIcon icon,
                          PromptButtons buttons, PromptResult defaultButton = PromptResult::None);
  // The standard error box: the message, the error icon and OK.
  void ShowErrorBox(QWidget* owner, const std::string& message);

  // A task dialog with the application title as its caption: the value of the common
  // button chosen (as int), a command link's id, or Cancel when it was closed.
  int TaskDialog(QWidget* owner, const TaskDialogRequest& request);

  // The save-file prompt: the chosen full path, or nothing when cancelled.
  std::optional<std::string> SaveFile(QWidget* owner, const SaveFileRequest& request);

  // The password dialog: the typed password and the remember box, or nothing when
  // cancelled.
  std::optional<PasswordReply> Password(QWidget* owner, const PasswordRequest& request);

  // Shows the dialog modally and returns its modal result (1 OK, 2 cancel, or the
  // number it was closed with; a plain rejection counts as 2). Only the windows show
  // dialogs, so only they instantiate this: Dialog is QDialog or a class derived from
  // it, and its class name goes along for a scripted answer to tell dialogs apart.
  template <class Dialog>
  int ShowModal(Dialog& dialog)
  {
    return ShowModal(dialog, dialog.metaObject()->className());
  }
  int ShowModal(QDialog& dialog, const std::string& className);

protected:
  // These run on the GUI thread.
  virtual PromptResult DoMessageBox(QWidget* owner, const MessageBoxRequest& request) = 0;
  virtual int DoTaskDialog(QWidget* owner, const TaskDialogRequest& request) = 0;
  virtual std::optional<std::string> DoSaveFile(QWidget* owner, const SaveFileRequest& request) = 0;
  virtual std::optional<PasswordReply> DoPassword(QWidget* owner, const PasswordRequest& request) = 0;
  virtual int DoShowModal(QDialog& dialog, const std::string& className) = 0;
};

// The result of a box closed without choosing a button (Escape or the close box):
// Cancel, else the only button, else No, else Abort.
PromptResult EscapeResult(PromptButtons buttons);
