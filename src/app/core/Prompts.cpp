#include "app/core/Prompts.h"

#include <algorithm>

#include "app/core/Synchronize.h"

std::vector<PromptResult> ButtonsOf(PromptButtons buttons)
{
  using R = PromptResult;
  switch (buttons) {
  case PromptButtons::Ok: return {R::Ok};
  case PromptButtons::OkCancel: return {R::Ok, R::Cancel};
  case PromptButtons::YesNo: return {R::Yes, R::No};
  case PromptButtons::YesNoCancel: return {R::Yes, R::No, R::Cancel};
  case PromptButtons::RetryCancel: return {R::Retry, R::Cancel};
  case PromptButtons::AbortRetryIgnore: return {R::Abort, R::Retry, R::Ignore};
  }
  return {R::Ok};
}

PromptResult EscapeResult(PromptButtons buttons)
{
  const auto row = ButtonsOf(buttons);
  auto has = [&row](PromptResult r) { return std::find(row.begin(), row.end(), r) != row.end(); };
  if (has(PromptResult::Cancel)) return PromptResult::Cancel;
  if (row.size() == 1) return row.front();
  if (has(PromptResult::No)) return PromptResult::No;
  return PromptResult::Abort;
}

PromptResult Prompts::MessageBox(QWidget* owner, const MessageBoxRequest& request)
{
  PromptResult result = PromptResult::None;
  Synchronize([&] { result = DoMessageBox(owner, request); });
  return result;
}

PromptResult Prompts::MessageBox(QWidget* owner, std::string text, PromptIcon icon,
                                 PromptButtons buttons, PromptResult defaultButton)
{
  MessageBoxRequest request;
  request.text = std::move(text);
  request.icon = icon;
  request.buttons = buttons;
  request.defaultButton = defaultButton;
  return MessageBox(owner, request);
}

void Prompts::ShowErrorBox(QWidget* owner, const std::string& message)
{
  MessageBox(owner, message, PromptIcon::Error, PromptButtons::Ok);
}

int Prompts::TaskDialog(QWidget* owner, const TaskDialogRequest& request)
{
  int result = 0;
  Synchronize([&] { result = DoTaskDialog(owner, request); });
  return result;
}

std::optional<std::string> Prompts::SaveFile(QWidget* owner, const SaveFileRequest& request)
{
  std::optional<std::string> result;
  Synchronize([&] { result = DoSaveFile(owner, request); });
  return result;
}

std::optional<PasswordReply> Prompts::Password(QWidget* owner, const PasswordRequest& request)
{
  std::optional<PasswordReply> result;
  Synchronize([&] { result = DoPassword(owner, request); });
  return result;
}

int Prompts::ShowModal(QDialog& dialog, const std::string& className)
{
  int result = 0;
  Synchronize([&] { result = DoShowModal(dialog, className); });
  return result;
}
