// The main window's log after an update that installed nothing: below the planned line
// it says that the update did not happen and why, whether the user cancelled, declined,
// or the recorder refused or went away.

#include <QPlainTextEdit>

#include "WindowDriving.h"

namespace {

constexpr const char* kRecorder = "corvane-21-2.1.70-h2.5";

std::vector<std::string> LinesAfterTheImages(const TMainForm& form)
{
  std::vector<std::string> lines;
  const QStringList all = form.mmoLog->toPlainText().split(QLatin1Char('\n'));
  for (qsizetype i = static_cast<qsizetype>(form.Updates().Count()); i < all.size(); ++i)
    lines.push_back(all[i].toStdString());
  return lines;
}

TEST(MainWindowLog, AnUploadDeclinedCancelledOrFailedSaysWhyBelowThePlannedLine)
{
  struct Row {
    const char* name;
    std::function<void(RecorderRoad&)> recorder;
    PromptResult confirmation;      // the job's final confirmation
    bool cancelInTheWindow;         // the user presses "Отмена" during the upload
    std::vector<std::string> tail;  // the lines below the planned one; "*" ends a prefix
  };
  const Row rows[] = {
      {"the install refused", [](RecorderRoad& road) {
         road.Device([](recsim::Device& device) {
           device.upload.installStatus = 10;
           return 0;
         });
       },
       PromptResult::Yes, false,
       {"Обновление не выполнено: Ошибка обновления [10]", "Обновление не предназначено для данной версии регистратора"}},
      {"the final confirmation declined", {}, PromptResult::Cancel, false, {"Обновление не выполнено: отменено"}},
      {"cancelled in the progress window", [](RecorderRoad& road) {
         road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Delay, -1).OnFunction(0x68).Ms(100));
       },
       PromptResult::Yes, true, {"Обновление не выполнено: прервано"}},
      {"the recorder gone during the upload", [](RecorderRoad& road) {
         road.server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::CloseConnection, -1).OnFunction(0x68));
       },
       PromptResult::Yes, false, {"Обновление не выполнено: *"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TestApp();
    RecorderRoad road(LinkKind::Tcp);
    road.Serve(kRecorder);
    if (row.recorder) row.recorder(road);
    ScriptedPrompts prompts;
    ProgramWindow program(prompts);
    TMainForm& form = program.form;
    ProgressRecord progress;
    std::string captionAtTheEnd;
    prompts.Answer(PromptResult::Ok)  // the recorder as read
        .Answer(PromptResult::Ok)     // "Обновить до версии 2.1.160.115?"
        .AnswerModal(DriveProgress(progress, [&row, &captionAtTheEnd](TProgressDialog& window) {
          QObject::connect(&window, &TProgressDialog::JobFinished, &window, [&window, &captionAtTheEnd] {
            captionAtTheEnd = window.Button1->text().toStdString();
          });
          if (!row.cancelInTheWindow) return;
          QObject::connect(window.ProgressBar1, &QProgressBar::valueChanged, &window, [&window](int value) {
            if (value > 0 && !window.IsCancelled()) window.Button1->click();
          });
        }))
        .AnswerTask(row.confirmation);
    if (row.cancelInTheWindow) prompts.Answer(PromptResult::Yes);  // "Прервать процесс?"
    const bool retryOffered = row.confirmation == PromptResult::Yes && !row.cancelInTheWindow;
    if (retryOffered) prompts.Answer(PromptResult::Cancel);  // the job's Retry box
    form.RunUpdate(*road.transport, road.unit);

    EXPECT_TRUE(prompts.Faults().empty()) << ::testing::PrintToString(prompts.Faults());
    const auto lines = LinesAfterTheImages(form);
    ASSERT_EQ(lines.size(), 1 + row.tail.size()) << form.mmoLog->toPlainText().toStdString();
    EXPECT_EQ(lines[0], road.Source() + ": регистратор зав. №2170025 (Corvane-Tovi-318K) v2.1.70.0 -> v2.1.160.115");
    for (std::size_t i = 0; i < row.tail.size(); ++i) {
      const std::string& expected = row.tail[i];
      if (!expected.empty() && expected.back() == '*') {
        EXPECT_EQ(lines[1 + i].substr(0, expected.size() - 1), expected.substr(0, expected.size() - 1));
      } else {
        EXPECT_EQ(lines[1 + i], expected);
      }
    }
    // The window's button keeps its caption when the job ended without the upload.
    if (row.confirmation == PromptResult::Cancel) {
      EXPECT_EQ(captionAtTheEnd, "Отмена");
    }
  }
}

}  // namespace
