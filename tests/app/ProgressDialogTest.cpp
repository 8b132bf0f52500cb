#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <chrono>
#include <cstdint>
#include <optional>
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

// A progress window shown running, with prompts of its own: one for each row of a table.
struct ShownProgress {
  ShownProgress()
  {
    dialog.Reset();
    dialog.show();
  }
  QApplication& app = TestApp();  // before any window
  ScriptedPrompts prompts;
  TProgressDialog dialog{prompts};
};

// How a user ends the window or asks to: its button, Escape, its close box.
enum class Gesture { Button, Escape, CloseBox };

// For the close box: whether the window let itself be closed.
bool Use(TProgressDialog& dialog, Gesture gesture)
{
  switch (gesture) {
  case Gesture::Button: dialog.Button1->click(); break;
  case Gesture::Escape: PressKey(dialog, Qt::Key_Escape); break;
  case Gesture::CloseBox: return dialog.close();
  }
  return true;
}

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
  struct Case {
    const char* name;
    JobEnd finish;
    const char* caption;  // after Finish, while still open
    std::optional<Gesture> then;
    int result;
  };
  const Case cases[] = {
      {"installed, button", JobEnd::Succeeded, "OK", Gesture::Button, 1},
      {"installed, Escape", JobEnd::Succeeded, "OK", Gesture::Escape, 1},
      {"installed, close box", JobEnd::Succeeded, "OK", Gesture::CloseBox, 1},
      {"ended without upload, button", JobEnd::Declined, "Отмена", Gesture::Button, 2},
      {"ended without upload, Escape", JobEnd::Declined, "Отмена", Gesture::Escape, 2},
      {"ended without upload, close box", JobEnd::Declined, "Отмена", Gesture::CloseBox, 2},
      {"cancelled closes at once", JobEnd::Cancelled, nullptr, std::nullopt, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ShownProgress shown;
    TProgressDialog& dialog = shown.dialog;
    dialog.Finish(c.finish);
    EXPECT_TRUE(dialog.IsFinished());
    if (c.caption) {
      ASSERT_TRUE(dialog.isVisible());
      EXPECT_EQ(dialog.Button1->text(), c.caption);
    }
    if (c.then) {
      EXPECT_TRUE(Use(dialog, *c.then));
    }
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), c.result);
    EXPECT_TRUE(shown.prompts.Asked().empty());  // an ended job asks nothing
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

// The job goes on behind "Прервать процесс?", and its end (or a retry's start) may be
// delivered while the question is open. A "Да" given after that is about a run that is
// over: it changes nothing, and the window stays or closes as that end has it.
TEST(ProgressDialog, ADaAfterTheRunEndedLeavesTheEndAsItIs)
{
  enum class Meanwhile { Installed, EndedWithoutUpload, RetryStarted };
  struct Case {
    const char* name;
    Gesture ask;
    Meanwhile meanwhile;
    bool open;            // the window still shown after the answer
    const char* caption;  // ...with this button, or the result it closed with:
    int result;
  };
  const Case cases[] = {
      {"installed, button", Gesture::Button, Meanwhile::Installed, true, "OK", 0},
      {"installed, Escape", Gesture::Escape, Meanwhile::Installed, true, "OK", 0},
      {"installed, close box", Gesture::CloseBox, Meanwhile::Installed, false, nullptr, 1},
      {"ended without upload, button", Gesture::Button, Meanwhile::EndedWithoutUpload, true, "Отмена", 0},
      {"ended without upload, close box", Gesture::CloseBox, Meanwhile::EndedWithoutUpload, false, nullptr, 2},
      {"retry started, button", Gesture::Button, Meanwhile::RetryStarted, true, "Отмена", 0},
      {"retry started, close box", Gesture::CloseBox, Meanwhile::RetryStarted, true, "Отмена", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ShownProgress shown;
    TProgressDialog& dialog = shown.dialog;
    int cancelCalls = 0;
    dialog.OnCancel = [&](TProgressDialog*) { ++cancelCalls; };
    shown.prompts.AnswerWith([&](const MessageBoxRequest&) {
      switch (c.meanwhile) {
      case Meanwhile::Installed: dialog.Finish(JobEnd::Succeeded); break;
      case Meanwhile::EndedWithoutUpload: dialog.Finish(JobEnd::Declined); break;
      case Meanwhile::RetryStarted: dialog.Reset(); break;
      }
      return PromptResult::Yes;
    });
    const bool closed = Use(dialog, c.ask);
    if (c.ask == Gesture::CloseBox) {
      EXPECT_EQ(closed, !c.open);
    }
    EXPECT_EQ(shown.prompts.Asked().size(), 1u);
    EXPECT_EQ(cancelCalls, 0);
    ASSERT_EQ(dialog.isVisible(), c.open);
    if (c.open) {
      EXPECT_EQ(dialog.Button1->text(), c.caption);
      // An end that has not come yet is still to come: a retry's run may be cancelled.
      EXPECT_EQ(dialog.IsCancelled(), c.meanwhile == Meanwhile::EndedWithoutUpload);
    } else {
      EXPECT_EQ(dialog.result(), c.result);
    }
  }
}

// The job tells the window that the user's cancel came when the run had already ended:
// the window goes on running until that end arrives, by its button and by its close box.
TEST(ProgressDialog, ACancelTooLateForTheJobKeepsTheWindowForItsEnd)
{
  for (const Gesture ask : {Gesture::Button, Gesture::CloseBox}) {
    SCOPED_TRACE(ask == Gesture::Button ? "button" : "close box");
    ShownProgress shown;
    TProgressDialog& dialog = shown.dialog;
    dialog.OnCancel = [](TProgressDialog* sender) { sender->CancelCameTooLate(); };
    shown.prompts.Answer(PromptResult::Yes);
    Use(dialog, ask);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.IsCancelled());

    dialog.Finish(JobEnd::Succeeded);
    EXPECT_EQ(dialog.Button1->text(), "OK");
    dialog.Button1->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 1);
  }
}

// A failed run's Retry box comes in the place of an open question: the real box closes,
// unanswered, and nothing is cancelled.
TEST(ProgressDialog, TheQuestionGivesWayToTheRetryBox)
{
  TestApp();
  QtPrompts prompts;
  TProgressDialog dialog(prompts);
  dialog.Reset();
  dialog.show();
  int cancelCalls = 0;
  dialog.OnCancel = [&](TProgressDialog*) { ++cancelCalls; };
  bool questionShown = false, leftOpen = false;
  WhenModal<QMessageBox>([&](QMessageBox& box) {
    questionShown = box.text() == "Прервать процесс?";
    dialog.BeforeRetryBox();
    // A question left open is closed after a while, so that the test fails, not hangs.
    QTimer::singleShot(std::chrono::seconds(5), &box, [&box, &leftOpen] {
      leftOpen = true;
      box.reject();
    });
  });
  dialog.Button1->click();  // returns once the question has gone
  EXPECT_TRUE(questionShown);
  EXPECT_FALSE(leftOpen);
  EXPECT_EQ(cancelCalls, 0);
  EXPECT_FALSE(dialog.IsCancelled());
  EXPECT_TRUE(dialog.isVisible());
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
