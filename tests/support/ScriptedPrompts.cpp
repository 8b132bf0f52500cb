#include "support/ScriptedPrompts.h"

#include <algorithm>

namespace {

const char* KindName(PromptKind kind)
{
  switch (kind) {
  case PromptKind::MessageBox: return "message box";
  case PromptKind::TaskDialog: return "task dialog";
  case PromptKind::SaveFile: return "save-file prompt";
  case PromptKind::Password: return "password prompt";
  case PromptKind::Modal: return "modal dialog";
  }
  return "prompt";
}

std::string PromptName(PromptKind kind, const std::string& what)
{
  return std::string(KindName(kind)) + " \"" + what + "\"";
}

AskedPrompt Asking(PromptKind kind, QWidget* owner)
{
  AskedPrompt asked;
  asked.kind = kind;
  asked.owner = owner;
  if (kind == PromptKind::MessageBox || kind == PromptKind::TaskDialog) asked.caption = kAppTitle;
  return asked;
}

}  // namespace

ScriptedPrompts& ScriptedPrompts::Push(PromptKind kind, Reply reply)
{
  std::lock_guard lock(mutex_);
  script_.push_back({kind, std::move(reply)});
  return *this;
}

ScriptedPrompts& ScriptedPrompts::Answer(PromptResult result)
{
  return AnswerWith([result](const MessageBoxRequest&) { return result; });
}

ScriptedPrompts& ScriptedPrompts::AnswerWith(MessageHandler handler)
{
  return Push(PromptKind::MessageBox, std::move(handler));
}

ScriptedPrompts& ScriptedPrompts::AnswerTask(PromptResult result)
{
  return AnswerTask(static_cast<int>(result));
}

ScriptedPrompts& ScriptedPrompts::AnswerTask(int result)
{
  return Push(PromptKind::TaskDialog, result);
}

ScriptedPrompts& ScriptedPrompts::AnswerSaveFile(std::optional<std::string> path)
{
  return Push(PromptKind::SaveFile, std::move(path));
}

ScriptedPrompts& ScriptedPrompts::AnswerSaveFileWith(SaveFileHandler handler)
{
  return Push(PromptKind::SaveFile, std::move(handler));
}

ScriptedPrompts& ScriptedPrompts::AnswerPassword(std::string password, bool remember)
{
  return Push(PromptKind::Password, std::optional<PasswordReply>(PasswordReply{std::move(password), remember}));
}

ScriptedPrompts& ScriptedPrompts::RefusePassword()
{
  return Push(PromptKind::Password, std::optional<PasswordReply>());
}

ScriptedPrompts& ScriptedPrompts::AnswerModal(int result)
{
  return AnswerModal([result](QDialog&) { return result; });
}

ScriptedPrompts& ScriptedPrompts::AnswerModal(ModalHandler handler)
{
  return Push(PromptKind::Modal, std::move(handler));
}

std::vector<AskedPrompt> ScriptedPrompts::Asked() const
{
  std::lock_guard lock(mutex_);
  return asked_;
}

std::vector<std::string> ScriptedPrompts::Faults() const
{
  std::lock_guard lock(mutex_);
  return faults_;
}

std::size_t ScriptedPrompts::Pending() const
{
  std::lock_guard lock(mutex_);
  return script_.size();
}

void ScriptedPrompts::NotOffered(PromptKind kind, const std::string& what, int answer)
{
  std::lock_guard lock(mutex_);
  faults_.push_back(PromptName(kind, what) + ": the answer " + std::to_string(answer) + " is not among its buttons");
}

std::optional<ScriptedPrompts::Reply> ScriptedPrompts::Take(AskedPrompt asked, const std::string& what)
{
  const PromptKind kind = asked.kind;
  std::lock_guard lock(mutex_);
  asked_.push_back(std::move(asked));
  const std::string name = PromptName(kind, what);
  if (script_.empty()) {
    faults_.push_back(name + ": no answer scripted");
    return std::nullopt;
  }
  if (script_.front().kind != kind) {
    faults_.push_back(name + ": the next answer is for a " + KindName(script_.front().kind));
    return std::nullopt;
  }
  Reply reply = std::move(script_.front().reply);
  script_.pop_front();
  return reply;
}

PromptResult ScriptedPrompts::DoMessageBox(QWidget* owner, const MessageBoxRequest& request)
{
  AskedPrompt asked = Asking(PromptKind::MessageBox, owner);
  asked.message = request;
  const auto reply = Take(std::move(asked), request.text);
  const PromptResult refused = EscapeResult(request.buttons);
  if (!reply) return refused;
  // Run outside the lock: the handler may act on windows that prompt again.
  const PromptResult result = std::get<MessageHandler>(*reply)(request);
  const auto row = ButtonsOf(request.buttons);
  if (std::find(row.begin(), row.end(), result) == row.end()) {
    NotOffered(PromptKind::MessageBox, request.text, static_cast<int>(result));
    return refused;
  }
  return result;
}

int ScriptedPrompts::DoTaskDialog(QWidget* owner, const TaskDialogRequest& request)
{
  AskedPrompt asked = Asking(PromptKind::TaskDialog, owner);
  asked.task = request;
  const int refused = static_cast<int>(PromptResult::Cancel);
  const auto reply = Take(std::move(asked), request.title);
  if (!reply) return refused;
  const int result = std::get<int>(*reply);
  const bool offered =
      std::any_of(request.buttons.begin(), request.buttons.end(),
                  [result](PromptResult r) { return static_cast<int>(r) == result; }) ||
      std::any_of(request.links.begin(), request.links.end(), [result](const CommandLink& l) { return l.id == result; });
  if (!offered) {
    NotOffered(PromptKind::TaskDialog, request.title, result);
    return refused;
  }
  return result;
}

std::optional<std::string> ScriptedPrompts::DoSaveFile(QWidget* owner, const SaveFileRequest& request)
{
  AskedPrompt asked = Asking(PromptKind::SaveFile, owner);
  asked.saveFile = request;
  const auto reply = Take(std::move(asked), request.fileName);
  if (!reply) return std::nullopt;
  if (const auto* handler = std::get_if<SaveFileHandler>(&*reply)) return (*handler)(request);
  return std::get<std::optional<std::string>>(*reply);
}

std::optional<PasswordReply> ScriptedPrompts::DoPassword(QWidget* owner, const PasswordRequest& request)
{
  AskedPrompt asked = Asking(PromptKind::Password, owner);
  asked.password = request;
  const auto reply = Take(std::move(asked), request.connection);
  if (!reply) return std::nullopt;
  return std::get<std::optional<PasswordReply>>(*reply);
}

int ScriptedPrompts::DoShowModal(QDialog& dialog, const std::string& className)
{
  AskedPrompt asked = Asking(PromptKind::Modal, nullptr);
  asked.dialog = &dialog;
  const auto reply = Take(std::move(asked), className);
  if (!reply) return static_cast<int>(PromptResult::Cancel);
  return std::get<ModalHandler>(*reply)(dialog);
}
