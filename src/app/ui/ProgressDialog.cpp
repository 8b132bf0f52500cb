#include "app/ui/ProgressDialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <climits>

namespace {

// The log of a whole upload with a login, from "Подключение к" and an address to the two
// lines of success, shows without scrolling when the window opens.
constexpr int kShownLogLines = 9, kShownLogColumns = 44;

}  // namespace

#include "app/core/Prompts.h"
#include "app/ui/LogView.h"
#include "app/ui/WindowSize.h"

TProgressDialog::TProgressDialog(Prompts& prompts, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      prompts_(prompts)
{
  setWindowTitle(QString::fromUtf8(kAppTitle));

  ProgressBar1 = new QProgressBar;
  ProgressBar1->setTextVisible(false);
  Button1 = new QPushButton(QStringLiteral("Отмена"));
  Memo1 = new LogView(kShownLogLines, kShownLogColumns);

  auto* layout = new QGridLayout(this);
  layout->addWidget(ProgressBar1, 0, 0);
  layout->addWidget(Button1, 0, 1);
  layout->addWidget(Memo1, 1, 0, 1, 2);
  layout->setRowStretch(1, 1);
  layout->setColumnStretch(0, 1);

  connect(Button1, &QPushButton::clicked, this, &TProgressDialog::Button1Click);

  resize(GrownToContents(*this, {384, 153}));
  // The design's minimum of 295 x 160 counts the window frame; this is its client part.
  SetDesignedMinimumSize(*this, {279, 121});
}

void TProgressDialog::Reset()
{
  ++runs_;
  Button1->setText(QStringLiteral("Отмена"));
  Cancelled = false;
  Finished = false;
  ProgressBar1->setValue(0);
  Memo1->clear();
}

void TProgressDialog::Finish(JobEnd end)
{
  Finished = true;
  switch (end) {
  case JobEnd::Succeeded:
    Cancelled = false;
    Button1->setText(QStringLiteral("OK"));
    break;
  case JobEnd::Declined: Cancelled = true; break;
  case JobEnd::Cancelled: done(2); break;
  }
  emit JobFinished(end);
}

void TProgressDialog::AddLog(const std::string& text)
{
  QString line = QString::fromStdString(text);
  line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  Memo1->appendPlainText(line);
}

void TProgressDialog::SetProgress(std::uint32_t position, std::uint32_t total)
{
  // The bar counts in int: halve both until the total fits.
  while (total > static_cast<std::uint32_t>(INT_MAX)) {
    total >>= 1;
    position >>= 1;
  }
  // A maximum of 0 would turn the bar into a busy indicator.
  const int maximum = total ? static_cast<int>(total) : 1;
  const int value = static_cast<int>(position < total ? position : total);
  QMetaObject::invokeMethod(
      this,
      [this, maximum, value] {
        ProgressBar1->setMaximum(maximum);
        ProgressBar1->setValue(value);
      },
      Qt::AutoConnection);
}

void TProgressDialog::BeforeRetryBox()
{
  if (!asking_) return;
  // The job asks nothing while its end is delivered, so the one dialog of this window
  // open now is the question.
  for (QDialog* dialog : findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
    if (dialog->isVisible()) dialog->reject();
}

void TProgressDialog::CancelCameTooLate()
{
  if (!Finished) Cancelled = false;
}

TProgressDialog::AbortAnswer TProgressDialog::ConfirmAbort()
{
  // One question at a time: a second press can only come from a program, not through
  // the open box.
  if (asking_) return AbortAnswer::Keep;
  asking_ = true;
  const unsigned run = runs_;
  const bool yes = prompts_.MessageBox(this, "Прервать процесс?", PromptIcon::Question, PromptButtons::YesNoCancel,
                                       PromptResult::No) == PromptResult::Yes;
  asking_ = false;
  if (!yes) return AbortAnswer::Keep;
  return Finished || run != runs_ ? AbortAnswer::Late : AbortAnswer::Abort;
}

void TProgressDialog::Button1Click()
{
  if (Finished) {
    done(Cancelled ? 2 : 1);
    return;
  }
  if (Cancelled) return;  // cancel confirmed, the job is still ending
  // A late "Да" leaves the window as the job's end has left it: with "OK" after an
  // install, for the user to read and close.
  if (ConfirmAbort() != AbortAnswer::Abort) return;
  Cancelled = true;
  if (OnCancel)
    OnCancel(this);
  else
    done(2);
}

void TProgressDialog::reject()
{
  Button1Click();
}

void TProgressDialog::closeEvent(QCloseEvent* event)
{
  if (!Finished && !Cancelled) {
    switch (ConfirmAbort()) {
    case AbortAnswer::Keep:
      event->ignore();
      return;
    case AbortAnswer::Late:
      // The user wants the window closed, and an ended one closes as its button would;
      // one running a retry started meanwhile is not the one the question was about.
      if (!Finished) {
        event->ignore();
        return;
      }
      break;
    case AbortAnswer::Abort:
      Cancelled = true;
      if (OnCancel) OnCancel(this);
      // The job had already ended: its end, on its way, decides how the window closes.
      if (!Cancelled) {
        event->ignore();
        return;
      }
      break;
    }
  }
  // Closed by its close box the window ends as its button would: after a successful
  // run that is OK, so the caller goes on as after the button.
  if (isVisible()) done(Finished && !Cancelled ? 1 : 2);
  event->accept();
}
