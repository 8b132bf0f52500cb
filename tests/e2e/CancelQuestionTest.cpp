// "Прервать процесс?" in the progress window while the job goes on behind it: the real
// windows and the Qt message boxes, offscreen, against a simulated recorder that answers
// slowly. The job may end while the question is open (its box runs the event loop that
// delivers the end): an answer given after the end changes nothing, and the workflow goes
// on from how the job really ended. A "Да" given while the job still runs cancels it.

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <functional>

#include "WindowDriving.h"
#include "support/WindowWalker.h"

namespace {

constexpr const char* kRecorder = "corvane-21-2.1.70-h2.5";
constexpr std::uint32_t kRelease = 0x0201A073;  // 2.1.160.115
constexpr const char* kQuestion = "Прервать процесс?";

// How the user asks to cancel in the progress window.
enum class Ask { Button, Escape, CloseBox };

// When the user answers "Да" to the question.
enum class Answer {
  AtOnce,       // while the job still runs
  AfterTheEnd,  // once the window shows that the job has ended
};

// A user who asks to cancel during the upload and then takes the question's answer
// slowly. Every other window is answered as a user who wants the update answers it:
// OK to the boxes, "Да" to the final confirmation (or its "Отмена" when declining),
// "Отмена" to a Retry box, and the progress window's button once the job has ended.
class HesitantUser : public WindowWalker {
public:
  HesitantUser(Ask ask, Answer answer, bool askAtOnce, bool decline)
      : ask_(ask), answer_(answer), askAtOnce_(askAtOnce), decline_(decline)
  {
  }

  std::vector<std::string> seen;  // what the user met, in order
  int progressResult = -1;        // the progress window's modal result

private:
  void Act(QWidget& window) override
  {
    if (auto* progress = dynamic_cast<TProgressDialog*>(&window)) return Progress(*progress);
    if (auto* box = qobject_cast<QMessageBox*>(&window)) return Box(*box);
    if (auto* buttons = window.findChild<QDialogButtonBox*>()) return Confirm(window, *buttons);
  }

  void Progress(TProgressDialog& window)
  {
    if (progress_ != &window) {
      progress_ = &window;
      connect(&window, &QDialog::finished, this, [this](int result) { progressResult = result; });
    }
    if (window.IsFinished()) {
      if (window.Button1->text() == QStringLiteral("OK")) seen.push_back("OK pressed");
      QTest::mouseClick(window.Button1, Qt::LeftButton);
      return;
    }
    if (asked_ || (!askAtOnce_ && window.ProgressBar1->value() == 0)) return;
    asked_ = true;
    seen.push_back("asked");
    // The question's box runs its own loop, in which this timer must go on acting.
    QMetaObject::invokeMethod(
        &window,
        [this, &window] {
          switch (ask_) {
          case Ask::Button: QTest::mouseClick(window.Button1, Qt::LeftButton); break;
          case Ask::Escape: QTest::keyClick(&window, Qt::Key_Escape); break;
          case Ask::CloseBox: window.close(); break;
          }
        },
        Qt::QueuedConnection);
  }

  void Box(QMessageBox& box)
  {
    const std::string text = box.text().toStdString();
    if (text == kQuestion) {
      if (answer_ == Answer::AfterTheEnd && !(progress_ && progress_->IsFinished())) return;
      seen.push_back(answer_ == Answer::AtOnce ? "Да at once" : "Да after the end");
      QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton);
      return;
    }
    if (QAbstractButton* cancel = box.button(QMessageBox::Retry) ? box.button(QMessageBox::Cancel) : nullptr) {
      seen.push_back("retry box: " + text);
      if (QuestionShown()) seen.push_back("the question still open under it");
      QTest::mouseClick(cancel, Qt::LeftButton);
      return;
    }
    seen.push_back("box: " + text);
    QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
  }

  void Confirm(QWidget&, QDialogButtonBox& buttons)
  {
    QPushButton* button = buttons.button(decline_ ? QDialogButtonBox::Cancel : QDialogButtonBox::Yes);
    if (!button) return;
    seen.push_back(decline_ ? "confirmation declined" : "confirmation");
    QTest::mouseClick(button, Qt::LeftButton);
  }

  bool QuestionShown() const
  {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box && box->isVisible() && box->text() == QString::fromUtf8(kQuestion)) return true;
    }
    return false;
  }

  const Ask ask_;
  const Answer answer_;
  const bool askAtOnce_;  // as soon as the window shows, else once the upload has begun
  const bool decline_;
  TProgressDialog* progress_ = nullptr;
  bool asked_ = false;
};

const char* AskName(Ask ask)
{
  switch (ask) {
  case Ask::Button: return "Button";
  case Ask::Escape: return "Escape";
  case Ask::CloseBox: return "CloseBox";
  }
  return "?";
}

// The last line of the main window's log.
std::string LastLogLine(const TMainForm& form)
{
  const QStringList lines = form.mmoLog->toPlainText().split(QLatin1Char('\n'));
  return lines.value(lines.size() - 1).toStdString();
}

class CancelQuestion : public testing::TestWithParam<std::tuple<LinkKind, Ask>> {
protected:
  CancelQuestion()
  {
    TestApp();
    road.Serve(kRecorder, kRelease);
    // A recorder that takes its time over each chunk and the install: the question can
    // be open while the upload goes on.
    road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Delay, -1).OnFunction(0x68).Ms(60));
  }

  // One update from the main window with the user's way of asking.
  void Update(Answer answer, bool askAtOnce = false, bool decline = false)
  {
    QtPrompts prompts;
    ProgramWindow program(prompts);
    HesitantUser user(std::get<1>(GetParam()), answer, askAtOnce, decline);
    program.form.RunUpdate(*road.transport, road.unit);
    seen = user.seen;
    walked = testing::PrintToString(seen);
    progressResult = user.progressResult;
    lastLine = LastLogLine(program.form);
  }
  bool Seen(const std::string& text) const { return std::find(seen.begin(), seen.end(), text) != seen.end(); }

  RecorderRoad road{std::get<0>(GetParam())};
  std::vector<std::string> seen;  // what the user met
  std::string walked;             // the same, printed
  int progressResult = -1;
  std::string lastLine;  // of the main window's log
};

// The install completes while the question is open; the "Да" that follows changes
// nothing: the window ends with OK, and the workflow reads the recorder again and logs
// "OK", as after an upload nobody tried to cancel.
TEST_P(CancelQuestion, DaAfterTheInstallCarriesTheSuccessThrough)
{
  Update(Answer::AfterTheEnd);

  EXPECT_TRUE(Seen("Да after the end")) << walked;
  EXPECT_EQ(progressResult, 1) << walked;
  EXPECT_EQ(road.Requests(0x68, 2).size(), 1u);
  EXPECT_TRUE(Seen("box: " + road.Source() + ":\nРегистратор зав. №2170025 (Corvane-Tovi-318K),\nтекущая версия ПО 2.1.160.115.\n"))
      << "read again after the upload: " << walked;
  EXPECT_EQ(lastLine, "OK");
}

// "Да" while the job still runs: the job is cancelled as designed, nothing is installed
// and the workflow stops.
TEST_P(CancelQuestion, DaWhileTheUploadRunsCancelsIt)
{
  Update(Answer::AtOnce);

  EXPECT_TRUE(Seen("Да at once")) << walked;
  EXPECT_EQ(progressResult, 2) << walked;
  EXPECT_TRUE(road.Requests(0x68, 2).empty());
  EXPECT_FALSE(Seen("OK pressed")) << walked;
  EXPECT_EQ(lastLine, "Обновление не выполнено: прервано");
}

// A chunk refused while the question is open: the question gives way to the Retry box,
// which asks what the failed run leaves to decide; "Отмена" there ends the update.
TEST_P(CancelQuestion, AFailureWhileTheQuestionIsOpenShowsTheRetryBoxInItsPlace)
{
  road.RefuseChunk(8, 3);
  Update(Answer::AfterTheEnd);

  EXPECT_TRUE(Seen("retry box: Ошибка обновления 3")) << walked;
  EXPECT_FALSE(Seen("the question still open under it")) << walked;
  EXPECT_FALSE(Seen("Да after the end")) << walked;
  EXPECT_EQ(progressResult, 2) << walked;
  EXPECT_TRUE(road.Requests(0x68, 2).empty());
  EXPECT_EQ(lastLine, "Обновление не выполнено: Ошибка обновления 3");
}

// The question asked before the final confirmation, which then comes on top of it and
// is declined: the run ends without an upload while the question is open, and the late
// "Да" leaves that end as it is.
TEST_P(CancelQuestion, ADeclinedConfirmationStaysDeclined)
{
  // Slow identification: the question is open before the job's confirmation.
  road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Delay, -1).OnFunction(0x2B).Ms(300));
  Update(Answer::AfterTheEnd, /*askAtOnce=*/true, /*decline=*/true);

  EXPECT_TRUE(Seen("confirmation declined")) << walked;
  EXPECT_TRUE(Seen("Да after the end")) << walked;
  EXPECT_EQ(progressResult, 2) << walked;
  EXPECT_TRUE(road.Requests(0x68).empty());
  EXPECT_EQ(lastLine, "Обновление не выполнено: отменено");
}

INSTANTIATE_TEST_SUITE_P(Links, CancelQuestion,
                         testing::Combine(testing::Values(LinkKind::Tcp, LinkKind::Rtu),
                                          testing::Values(Ask::Button, Ask::Escape, Ask::CloseBox)),
                         [](const auto& info) {
                           return std::string(LinkKindName(std::get<0>(info.param))) + "_" +
                                  AskName(std::get<1>(info.param));
                         });

}  // namespace
