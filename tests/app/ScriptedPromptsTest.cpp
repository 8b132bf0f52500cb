#include <gtest/gtest.h>

#include <QDialog>
#include <QThread>

#include <atomic>
#include <thread>

#include "GuiDriving.h"
#include "support/ScriptedPrompts.h"

namespace {

SaveFileRequest SaveAs(const char* fileName)
{
  SaveFileRequest request;
  request.fileName = fileName;
  request.filter = "Конфигурация регистратора (*.cfg)|*.cfg";
  request.defaultExt = "cfg";
  return request;
}

PasswordRequest PasswordFor(const char* connection)
{
  PasswordRequest request;
  request.connection = connection;
  request.user = "?";
  return request;
}

}  // namespace

TEST(ScriptedPrompts, AnswersInTheirOrderAndRecordsWhatWasAsked)
{
  TestApp();
  ScriptedPrompts prompts;
  QWidget owner;
  QDialog dialog;
  prompts.Answer(PromptResult::Retry)
      .AnswerTask(100)
      .AnswerSaveFile("/tmp/1234.cfg")
      .AnswerPassword("pw", false)
      .AnswerModal(1);

  EXPECT_EQ(prompts.MessageBox(&owner, "Ошибка: нет ответа", PromptIcon::Error, PromptButtons::RetryCancel),
            PromptResult::Retry);
  TaskDialogRequest task{"Обновление ПО регистратора", "Вы действительно хотите обновить ПО?", PromptIcon::Information,
                         {PromptResult::Yes, PromptResult::Cancel}, PromptResult::Yes,
                         {{100, "Сделать резервную копию", "текущей конфигурации регистратора в файл на ПК"}}};
  EXPECT_EQ(prompts.TaskDialog(&owner, task), 100);
  EXPECT_EQ(prompts.SaveFile(&owner, SaveAs("1234")),
            "/tmp/1234.cfg");
  const auto reply = prompts.Password(&owner, PasswordFor("COM1 (1)"));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->password, "pw");
  EXPECT_FALSE(reply->remember);
  EXPECT_EQ(prompts.ShowModal(dialog), 1);
  EXPECT_FALSE(dialog.isVisible());

  EXPECT_TRUE(prompts.Faults().empty());
  EXPECT_EQ(prompts.Pending(), 0u);
  const auto asked = prompts.Asked();
  ASSERT_EQ(asked.size(), 5u);
  EXPECT_EQ(asked[0].kind, PromptKind::MessageBox);
  EXPECT_EQ(asked[0].caption, "Kestrel");
  EXPECT_EQ(asked[0].message.text, "Ошибка: нет ответа");
  EXPECT_EQ(asked[0].owner, &owner);
  EXPECT_EQ(asked[1].kind, PromptKind::TaskDialog);
  EXPECT_EQ(asked[1].caption, "Kestrel");
  EXPECT_EQ(asked[1].task.links.at(0).caption, "Сделать резервную копию");
  EXPECT_EQ(asked[2].kind, PromptKind::SaveFile);
  EXPECT_EQ(asked[2].saveFile.fileName, "1234");
  EXPECT_EQ(asked[3].kind, PromptKind::Password);
  EXPECT_EQ(asked[4].kind, PromptKind::Modal);
  EXPECT_EQ(asked[4].dialog, &dialog);
}

TEST(ScriptedPrompts, APromptWithoutAFittingAnswerIsRefusedAndNoted)
{
  TestApp();
  struct Case {
    const char* name;
    std::function<void(ScriptedPrompts&)> script;
    std::function<bool(ScriptedPrompts&)> askIsRefused;
    const char* fault;
  };
  auto box = [](PromptButtons buttons, PromptResult expected) {
    return [buttons, expected](ScriptedPrompts& p) {
      return p.MessageBox(nullptr, "Вопрос", PromptIcon::Question, buttons) == expected;
    };
  };
  const Case cases[] = {
      {"nothing scripted, retry box", [](ScriptedPrompts&) {}, box(PromptButtons::RetryCancel, PromptResult::Cancel),
       "message box \"Вопрос\": no answer scripted"},
      {"nothing scripted, OK box", [](ScriptedPrompts&) {}, box(PromptButtons::Ok, PromptResult::Ok),
       "message box \"Вопрос\": no answer scripted"},
      {"nothing scripted, yes/no box", [](ScriptedPrompts&) {}, box(PromptButtons::YesNo, PromptResult::No),
       "message box \"Вопрос\": no answer scripted"},
      {"answer for another kind", [](ScriptedPrompts& p) { p.AnswerPassword("pw"); },
       box(PromptButtons::OkCancel, PromptResult::Cancel), "message box \"Вопрос\": the next answer is for a password prompt"},
      {"button not offered", [](ScriptedPrompts& p) { p.Answer(PromptResult::Yes); },
       box(PromptButtons::OkCancel, PromptResult::Cancel), "message box \"Вопрос\": the answer 6 is not among its buttons"},
      {"task dialog, link not offered", [](ScriptedPrompts& p) { p.AnswerTask(100); },
       [](ScriptedPrompts& p) {
         return p.TaskDialog(nullptr, TaskDialogRequest{"Заголовок", "", PromptIcon::None, {PromptResult::Yes}, {}, {}}) == 2;
       },
       "task dialog \"Заголовок\": the answer 100 is not among its buttons"},
      {"save file", [](ScriptedPrompts&) {},
       [](ScriptedPrompts& p) { return !p.SaveFile(nullptr, SaveAs("1234")).has_value(); },
       "save-file prompt \"1234\": no answer scripted"},
      {"password", [](ScriptedPrompts&) {},
       [](ScriptedPrompts& p) { return !p.Password(nullptr, PasswordFor("COM1")).has_value(); },
       "password prompt \"COM1\": no answer scripted"},
      {"modal dialog", [](ScriptedPrompts&) {},
       [](ScriptedPrompts& p) {
         QDialog d;
         return p.ShowModal(d) == 2;
       },
       "modal dialog \"QDialog\": no answer scripted"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPrompts prompts;
    c.script(prompts);
    EXPECT_TRUE(c.askIsRefused(prompts));
    EXPECT_EQ(prompts.Faults(), std::vector<std::string>{c.fault});
    EXPECT_EQ(prompts.Asked().size(), 1u);
  }
}

TEST(ScriptedPrompts, AMismatchKeepsTheAnswerForThePromptItWasMeantFor)
{
  TestApp();
  ScriptedPrompts prompts;
  prompts.AnswerPassword("pw");
  EXPECT_EQ(prompts.MessageBox(nullptr, "Неожиданный вопрос", PromptIcon::Question, PromptButtons::YesNoCancel),
            PromptResult::Cancel);
  const auto reply = prompts.Password(nullptr, PasswordFor("COM1"));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->password, "pw");
  EXPECT_EQ(prompts.Faults().size(), 1u);
}

TEST(ScriptedPrompts, AskedFromAWorkerThePromptRunsOnTheGuiThread)
{
  auto& app = TestApp();
  ScriptedPrompts prompts;
  bool onGui = false;
  prompts.AnswerWith([&](const MessageBoxRequest& request) {
    onGui = QThread::currentThread() == app.thread();
    return request.text == "Прервать процесс?" ? PromptResult::Yes : PromptResult::No;
  });
  std::atomic<bool> finished{false};
  PromptResult result = PromptResult::None;
  std::thread worker([&] {
    result = prompts.MessageBox(nullptr, "Прервать процесс?", PromptIcon::Question, PromptButtons::YesNoCancel,
                                PromptResult::No);
    finished = true;
  });
  const bool served = WaitUntil([&] { return finished.load(); });
  worker.join();
  ASSERT_TRUE(served);
  EXPECT_TRUE(onGui);
  EXPECT_EQ(result, PromptResult::Yes);
}
