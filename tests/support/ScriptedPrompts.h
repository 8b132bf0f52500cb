#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/core/Prompts.h"

enum class PromptKind { MessageBox, TaskDialog, SaveFile, Password, Modal };

// One prompt as it was asked. Only the request of its kind is filled.
struct AskedPrompt {
  PromptKind kind = PromptKind::MessageBox;
  QWidget* owner = nullptr;
  std::string caption;  // message boxes and task dialogs: the application title
  MessageBoxRequest message;
  TaskDialogRequest task;
  SaveFileRequest saveFile;
  PasswordRequest password;
  QDialog* dialog = nullptr;  // Modal
};

// Prompts for tests: every answer is scripted beforehand, in the order the prompts will
// come, and every prompt is recorded. A prompt that finds no fitting answer (none left,
// one for another kind of prompt, or a button the prompt does not offer) is refused as
// Escape would refuse it and noted in Faults(), so a test sees it without hanging on a
// modal loop nobody answers.
class ScriptedPrompts : public Prompts {
public:
  using MessageHandler = std::function<PromptResult(const MessageBoxRequest&)>;
  using ModalHandler = std::function<int(QDialog&)>;
  using SaveFileHandler = std::function<std::optional<std::string>(const SaveFileRequest&)>;

  // The next message box.
  ScriptedPrompts& Answer(PromptResult result);
  ScriptedPrompts& AnswerWith(MessageHandler handler);
  // The next task dialog: a common button or a command link's id.
  ScriptedPrompts& AnswerTask(PromptResult result);
  ScriptedPrompts& AnswerTask(int result);
  // The next save-file prompt: the chosen path, or nothing for a cancel.
  ScriptedPrompts& AnswerSaveFile(std::optional<std::string> path);
  // ...or the handler's answer. It runs where the prompt runs: on the GUI thread, or on
  // the asking thread when none is bound (a worker's system calls can be failed there).
  ScriptedPrompts& AnswerSaveFileWith(SaveFileHandler handler);
  // The next password prompt.
  ScriptedPrompts& AnswerPassword(std::string password, bool remember = true);
  ScriptedPrompts& RefusePassword();
  // The next modal dialog: closed at once with the result, not shown...
  ScriptedPrompts& AnswerModal(int result);
  // ...or handed to the handler, which may fill it, show it (ExecDialog) and returns
  // its modal result.
  ScriptedPrompts& AnswerModal(ModalHandler handler);

  std::vector<AskedPrompt> Asked() const;
  std::vector<std::string> Faults() const;
  // Answers not used yet.
  std::size_t Pending() const;

protected:
  PromptResult DoMessageBox(QWidget* owner, const MessageBoxRequest& request) override;
  int DoTaskDialog(QWidget* owner, const TaskDialogRequest& request) override;
  std::optional<std::string> DoSaveFile(QWidget* owner, const SaveFileRequest& request) override;
  std::optional<PasswordReply> DoPassword(QWidget* owner, const PasswordRequest& request) override;
  int DoShowModal(QDialog& dialog, const std::string& className) override;

private:
  using Reply = std::variant<MessageHandler, int, std::optional<std::string>, std::optional<PasswordReply>, ModalHandler,
                             SaveFileHandler>;
  struct Scripted {
    PromptKind kind;
    Reply reply;
  };

  ScriptedPrompts& Push(PromptKind kind, Reply reply);
  // Records the prompt and takes the next answer when it is meant for this kind.
  std::optional<Reply> Take(AskedPrompt asked, const std::string& what);
  void NotOffered(PromptKind kind, const std::string& what, int answer);

  mutable std::mutex mutex_;
  std::deque<Scripted> script_;
  std::vector<AskedPrompt> asked_;
  std::vector<std::string> faults_;
};
