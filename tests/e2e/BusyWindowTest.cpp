// The main window while it waits for a recorder that does not answer: the GUI thread is
// as blocked as the exchange keeps it, yet the wait cursor shows and the window paints.

#include <QApplication>
#include <QCursor>
#include <QPlainTextEdit>
#include <QTimer>

#include <thread>

#include "WindowDriving.h"
#include "app/ui/WaitForRecorder.h"
#include "support/ExpectThrowMsg.h"

namespace {

bool WaitCursorUp() { return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor; }

// Counts the paints of a widget that came while the wait cursor was up.
class PaintsWhileWaiting : public QObject {
public:
  int count = 0;

protected:
  bool eventFilter(QObject*, QEvent* event) override
  {
    if (event->type() == QEvent::Paint && WaitCursorUp()) ++count;
    return false;
  }
};

TEST(BusyMainWindow, WaitCursorAndPaintsWhileTheWorkerIdentifiesASilentRecorder)
{
  TestApp();
  RecorderRoad road(LinkKind::Tcp);
  road.Serve("corvane-21-2.1.70-h2.5");
  road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Silence, -1).OnFunction(0x2B));
  road.transport->SetReplyTimeout(300);
  ScriptedPrompts prompts;
  ProgramWindow program(prompts);
  TMainForm& form = program.form;
  form.show();
  PaintsWhileWaiting paints;
  form.mmoLog->viewport()->installEventFilter(&paints);

  // Nothing serves the GUI thread's events before the identification but its wait: this
  // runs inside it.
  bool cursorDuring = false, closedDuring = true;
  QTimer::singleShot(0, &form, [&] {
    cursorDuring = WaitCursorUp();
    form.mmoLog->viewport()->update();
    closedDuring = form.close();
  });
  bool cursorAtTheBox = true;
  prompts.AnswerWith([&](const MessageBoxRequest&) {
    cursorAtTheBox = WaitCursorUp();
    return PromptResult::Cancel;
  });
  form.RunUpdate(*road.transport, road.unit);

  EXPECT_TRUE(cursorDuring);
  EXPECT_GT(paints.count, 0) << "the window painted while it waited";
  EXPECT_FALSE(closedDuring) << "the window closes only once the exchange is over";
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(cursorAtTheBox) << "the Retry box comes with the normal cursor";
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  const auto asked = prompts.Asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].message.text.rfind("Ошибка: " + road.Source() + ": ", 0), 0u) << asked[0].message.text;
  EXPECT_FALSE(road.Requests(0x2B).empty());
  EXPECT_TRUE(prompts.Faults().empty()) << ::testing::PrintToString(prompts.Faults());
}

// The exchange runs off the GUI thread; what it raises is raised on the GUI thread.
TEST(BusyMainWindow, TheWorkersErrorComesThroughAndTheCursorGoes)
{
  TestApp();
  std::thread::id ranOn;
  EXPECT_THROW_MSG(WaitForRecorder([&] {
                     ranOn = std::this_thread::get_id();
                     throw Exception("127.0.0.1: Таймаут приема ответа (принято 0 байт)");
                   }),
                   Exception, "127.0.0.1: Таймаут приема ответа (принято 0 байт)");
  EXPECT_NE(ranOn, std::this_thread::get_id());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  int answer = 0;
  WaitForRecorder([&] { answer = 42; });
  EXPECT_EQ(answer, 42);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
