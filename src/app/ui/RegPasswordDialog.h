#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class Prompts;

// The password the recorder asks for: which connection, which recorder and which access
// level it is for, the password, and whether to remember it until the program exits.
// Its OK button refuses an empty password and characters outside the space to 'z'.
class TRegPasswordDialog : public QDialog {
public:
  // The dialog's error boxes go through prompts.
  explicit TRegPasswordDialog(Prompts& prompts, QWidget* owner = nullptr);

  QLineEdit* EditConnection;
  QLineEdit* EditDevice;
  QLineEdit* EditUser;
  QLineEdit* EditPassword;
  QCheckBox* CheckBoxStore;
  QPushButton* Button1;  // OK, the default button
  QPushButton* Button2;  // Отмена

  // The OK button's check: closes the dialog with the OK result, or shows why not and
  // puts the focus back into the password.
  void Button1Click();

private:
  void Refuse(const char* text);

  Prompts& prompts_;
};

// True when every typed character lies from the space (32) to 'z' (122), punctuation and
// the characters between 'Z' and 'a' included. Checked on the characters as typed, not
// on their 8-bit form, where a character the code page lacks would turn into an
// acceptable '?'.
bool PasswordCharactersValid(const QString& password);
