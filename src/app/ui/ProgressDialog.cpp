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

bool TProgressDialog::ConfirmAbort()
{
  return prompts_.MessageBox(this, "Прервать процесс?", PromptIcon::Question, PromptButtons::YesNoCancel,
                             PromptResult::No) == PromptResult::Yes;
}

void TProgressDialog::Button1Click()
{
  if (Finished) {
    done(Cancelled ? 2 : 1);
    return;
  }
  if (Cancelled) return;  // cancel confirmed, the job is still ending
  if (!ConfirmAbort()) return;
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
    if (!ConfirmAbort()) {
      event->ignore();
      return;
    }
    Cancelled = true;
    if (OnCancel) OnCancel(this);
  }
  // Closed by its close box the window ends as its button would: after a successful
  // run that is OK, so the caller goes on as after the button.
  if (isVisible()) done(Finished && !Cancelled ? 1 : 2);
  event->accept();
}
