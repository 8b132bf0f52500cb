#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cstdint>
#include <thread>

#include "GuiDriving.h"
#include "app/ui/ProgressDialog.h"
#include "app/ui/PromptsQt.h"
#include "support/ScriptedPrompts.h"

namespace {

class ProgressDialogTest : public ::testing::Test {
protected:
  ProgressDialogTest()
  {
    dialog.Reset();
    dialog.show();
  }

  // The window's end as its owner sees it: closed and with which result.
  bool Closed() const { return !dialog.isVisible(); }

  void ExpectAskedToAbort(std::size_t index)
  {
    const auto asked = prompts.Asked();
    ASSERT_LT(index, asked.size());
    const AskedPrompt& p = asked[index];
    EXPECT_EQ(p.kind, PromptKind::MessageBox);
    EXPECT_EQ(p.caption, "Kestrel");
    EXPECT_EQ(p.message.text, "Прервать процесс?");
    EXPECT_EQ(p.message.buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(p.message.defaultButton, PromptResult::No);
    EXPECT_EQ(p.message.icon, PromptIcon::Question);
    EXPECT_EQ(p.owner, &dialog);
  }

  QApplication& app = TestApp();  // before any window
  ScriptedPrompts prompts;
  TProgressDialog dialog{prompts};
  int cancelCalls = 0;
};

}  // namespace

TEST_F(ProgressDialogTest, StartsRunningWithTheApplicationTitle)
{
  EXPECT_EQ(dialog.windowTitle(), "Kestrel");
  EXPECT_EQ(dialog.Button1->text(), "Отмена");
  EXPECT_FALSE(dialog.IsFinished());
  EXPECT_FALSE(dialog.IsCancelled());
  EXPECT_TRUE(dialog.Memo1->isReadOnly());
  EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
}

TEST_F(ProgressDialogTest, EscapeWhileRunningAsksAndNoKeepsTheJobGoing)
{
  dialog.OnCancel = [&](TProgressDialog*) { ++cancelCalls; };
  prompts.Answer(PromptResult::No).Answer(PromptResult::Cancel);
  PressKey(dialog, Qt::Key_Escape);
  dialog.Button1->click();
  ExpectAskedToAbort(0);
  ExpectAskedToAbort(1);
  EXPECT_TRUE(prompts.Faults().empty());
  EXPECT_FALSE(Closed());
  EXPECT_FALSE(dialog.IsCancelled());
  EXPECT_EQ(cancelCalls, 0);
}

TEST_F(ProgressDialogTest, ConfirmedCancelCallsOnCancelOnceAndFurtherPressesDoNothing)
{
  // The owner's OnCancel usually closes the window; this one leaves it open, as while
  // the job is still ending.
  dialog.OnCancel = [&](TProgressDialog* sender) {
    EXPECT_EQ(sender, &dialog);
    EXPECT_TRUE(dialog.IsCancelled());
    ++cancelCalls;
  };
  prompts.Answer(PromptResult::Yes);
  dialog.Button1->click();
  EXPECT_EQ(cancelCalls, 1);
  EXPECT_FALSE(Closed());

  dialog.Button1->click();
  PressKey(dialog, Qt::Key_Escape);
  EXPECT_EQ(prompts.Asked().size(), 1u);
  EXPECT_EQ(cancelCalls, 1);
  EXPECT_FALSE(Closed());

  dialog.Finish(JobEnd::Cancelled);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(dialog.result(), 2);
}

TEST_F(ProgressDialogTest, ConfirmedCancelWithoutOnCancelClosesWithTheCancelResult)
{
  prompts.Answer(PromptResult::Yes);
  PressKey(dialog, Qt::Key_Escape);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(dialog.result(), 2);
}

TEST(ProgressDialog, HowTheJobEndsDecidesTheButtonAndTheResult)
{
  TestApp();
  enum class Then { Nothing, Button, Escape, CloseBox };
  struct Case {
    const char* name;
    JobEnd finish;
    const char* caption;  // after Finish, while still open
    Then then;
    int result;
  };
  const Case cases[] = {
      {"installed, button", JobEnd::Succeeded, "OK", Then::Button, 1},
      {"installed, Escape", JobEnd::Succeeded, "OK", Then::Escape, 1},
      {"installed, close box", JobEnd::Succeeded, "OK", Then::CloseBox, 1},
      {"ended without upload, button", JobEnd::Declined, "Отмена", Then::Button, 2},
      {"ended without upload, Escape", JobEnd::Declined, "Отмена", Then::Escape, 2},
      {"ended without upload, close box", JobEnd::Declined, "Отмена", Then::CloseBox, 2},
      {"cancelled closes at once", JobEnd::Cancelled, nullptr, Then::Nothing, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPrompts prompts;
    TProgressDialog dialog(prompts);
    dialog.Reset();
    dialog.show();
    dialog.Finish(c.finish);
    EXPECT_TRUE(dialog.IsFinished());
    if (c.caption) {
      ASSERT_TRUE(dialog.isVisible());
      EXPECT_EQ(dialog.Button1->text(), c.caption);
    }
    switch (c.then) {
    case Then::Button: dialog.Button1->click(); break;
    case Then::Escape: PressKey(dialog, Qt::Key_Escape); break;
    case Then::CloseBox: EXPECT_TRUE(dialog.close()); break;
    case Then::Nothing: break;
    }
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), c.result);
    EXPECT_TRUE(prompts.Asked().empty());  // an ended job asks nothing
  }
}

TEST_F(ProgressDialogTest, CloseBoxWhileRunningAsksAndOnlyYesCloses)
{
  dialog.OnCancel = [&](TProgressDialog*) { ++cancelCalls; };
  prompts.Answer(PromptResult::No).Answer(PromptResult::Cancel).Answer(PromptResult::Yes);
  EXPECT_FALSE(dialog.close());
  EXPECT_FALSE(dialog.close());
  EXPECT_EQ(cancelCalls, 0);
  EXPECT_FALSE(Closed());

  EXPECT_TRUE(dialog.close());
  for (std::size_t i = 0; i < 3; ++i) ExpectAskedToAbort(i);
  EXPECT_EQ(cancelCalls, 1);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(dialog.result(), 2);
}

TEST_F(ProgressDialogTest, ResetBringsBackTheRunningWindow)
{
  dialog.AddLog("Подключение к 127.0.0.1");
  dialog.AddLog("Загрузка обновления выполнена успешно.\r\nВыключите и снова включите питание.");
  EXPECT_EQ(dialog.Memo1->toPlainText(),
            "Подключение к 127.0.0.1\nЗагрузка обновления выполнена успешно.\nВыключите и снова включите питание.");
  dialog.SetProgress(50, 100);
  dialog.Finish(JobEnd::Succeeded);
  ASSERT_EQ(dialog.Button1->text(), "OK");

  dialog.Reset();
  EXPECT_EQ(dialog.Button1->text(), "Отмена");
  EXPECT_FALSE(dialog.IsFinished());
  EXPECT_FALSE(dialog.IsCancelled());
  EXPECT_TRUE(dialog.Memo1->toPlainText().isEmpty());
  EXPECT_EQ(dialog.ProgressBar1->value(), 0);

  prompts.Answer(PromptResult::No);
  dialog.Button1->click();  // running again: the button asks once more
  ExpectAskedToAbort(0);
}

TEST_F(ProgressDialogTest, ProgressFromAWorkerArrivesByAQueuedCall)
{
  std::thread worker([this] {
    dialog.SetProgress(246, 247);
    dialog.SetProgress(247, 247);
  });
  worker.join();
  // Nothing touched the bar off the GUI thread: the values wait in the queue.
  EXPECT_EQ(dialog.ProgressBar1->value(), 0);
  ASSERT_TRUE(WaitUntil([this] { return dialog.ProgressBar1->value() == 247; }));
  EXPECT_EQ(dialog.ProgressBar1->maximum(), 247);

  // Byte counts beyond the bar's int range are scaled, not wrapped.
  dialog.SetProgress(UINT32_MAX / 2, UINT32_MAX);
  EXPECT_GT(dialog.ProgressBar1->maximum(), 0);
  EXPECT_EQ(dialog.ProgressBar1->value(), dialog.ProgressBar1->maximum() / 2);
}

TEST(ProgressDialog, ShownModallyItEndsWithTheResultOfTheJob)
{
  TestApp();
  struct Case {
    const char* name;
    JobEnd finish;
    int result;
  };
  const Case cases[] = {{"cancelled", JobEnd::Cancelled, 2}, {"installed, then OK pressed", JobEnd::Succeeded, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPrompts prompts;
    TProgressDialog dialog(prompts);
    dialog.Reset();
    // A scripted owner: once the job has ended with "OK", it presses the button.
    prompts.AnswerModal([](QDialog& d) {
      auto& progress = static_cast<TProgressDialog&>(d);
      QObject::connect(&progress, &TProgressDialog::JobFinished, &progress, [&progress](JobEnd end) {
        if (end == JobEnd::Succeeded) QMetaObject::invokeMethod(progress.Button1, &QPushButton::click, Qt::QueuedConnection);
      });
      return ExecDialog(d);
    });
    QTimer::singleShot(0, &dialog, [&dialog, &c] { dialog.Finish(c.finish); });
    EXPECT_EQ(prompts.ShowModal(dialog), c.result);
    EXPECT_TRUE(prompts.Faults().empty());
  }
}
