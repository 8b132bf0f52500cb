#include "app/ui/MainForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QShowEvent>
#include <QVBoxLayout>

#include <memory>

#include "app/core/Prompts.h"
#include "app/core/Release.h"
#include "app/ui/LogView.h"
#include "app/ui/MBSetupDialog2.h"
#include "app/ui/RunUpgrade.h"
#include "app/ui/WaitForRecorder.h"
#include "app/ui/WindowSize.h"
#include "modbus/CBaseModbus.h"
#include "platform/ExecutablePath.h"
#include "recorder/info/VersionWord.h"

namespace {

// The window was designed as 470 x 283 inside, at least 450 x 300 with its frame; Qt
// sizes the inside, so the minimum leaves out a common frame (8 + 8 wide, 31 + 8 high).
constexpr int kClientWidth = 470, kClientHeight = 283;
constexpr int kMinClientWidth = 450 - 16, kMinClientHeight = 300 - 39;
// The release's eleven images and the lines of an update below them show without
// scrolling; a line longer than the instructions wraps.
constexpr int kShownLogLines = 14, kShownLogColumns = 60;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A push button that stands for an action: its caption and enabled state follow the
// action, a click triggers it.
void BindButton(QPushButton* button, QAction* action)
{
  auto sync = [button, action] {
    button->setText(action->text());
    button->setEnabled(action->isEnabled());
  };
  sync();
  QObject::connect(action, &QAction::changed, button, sync);
  QObject::connect(button, &QPushButton::clicked, action, [action] { action->trigger(); });
}

}  // namespace

TMainForm::TMainForm(const ResourceTable& resources, QWidget* parent) : QMainWindow(parent), resources_(resources)
{
  setWindowTitle(Q("Обновление ПО регистратора v" + VersionToText(kProgramRelease)));

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);

  lblInstructions = new QLabel(Q("Подключите регистратор к компьютеру с помощью RS-232/485 или Ethernet.\n"
                                 "Нажмите кнопку <Обновление> и введите настройки подключения\n"
                                 "(их нужно взять из меню конфигурации регистратора)."),
                               central);
  lblInstructions->setTextFormat(Qt::PlainText);
  layout->addWidget(lblInstructions);

  mmoLog = new LogView(kShownLogLines, kShownLogColumns, central);
  mmoLog->setObjectName("mmoLog");
  mmoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(mmoLog, 1);

  actUpdateStart = new QAction(Q("Обновление"), this);
  actUpdateStart->setObjectName("actUpdateStart");
  ExitAction = new QAction(Q("Выход"), this);
  ExitAction->setObjectName("ExitAction");
  connect(ExitAction, &QAction::triggered, this, &TMainForm::ExitActionExecute);
  connect(actUpdateStart, &QAction::triggered, this, &TMainForm::actUpdateStartExecute);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  // As in a dialog: Enter presses the button that has the focus, else the default one.
  btnUpdateStart = new QPushButton(central);
  btnUpdateStart->setDefault(true);
  btnUpdateStart->setAutoDefault(true);
  BindButton(btnUpdateStart, actUpdateStart);
  buttons->addWidget(btnUpdateStart);
  btnExit = new QPushButton(central);
  btnExit->setAutoDefault(true);
  BindButton(btnExit, ExitAction);
  buttons->addWidget(btnExit);
  layout->addLayout(buttons);

  setCentralWidget(central);
  resize(GrownToContents(*this, {kClientWidth, kClientHeight}));
  SetDesignedMinimumSize(*this, {kMinClientWidth, kMinClientHeight});
  actUpdateStartUpdate();
}

void TMainForm::AddLogLine(const std::string& line)
{
  // A line may carry the design's CR LF breaks (an error's message).
  mmoLog->appendPlainText(Q(line).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TMainForm::LoadUpdates()
{
  fwUpRes_.Load(resources_, [this](const std::string& line) { AddLogLine(line); });
  if (fwUpRes_.IsEmpty()) AddLogLine("No updates in " + ExecutablePath());
  actUpdateStartUpdate();
}

int TMainForm::WriteUpdateList(TextWriter& writer) const { return fwUpRes_.WriteInfo(writer); }

void TMainForm::LoadSettings(const std::string&) {}

void TMainForm::SaveSettings(const std::string&) {}

void TMainForm::actUpdateStartUpdate() { actUpdateStart->setEnabled(!fwUpRes_.IsEmpty()); }

void TMainForm::ExitActionExecute() { close(); }

void TMainForm::ConnectUpdate(Prompts& prompts, TMBSetupDialog2& setupDialog, UrlOpener openUrl)
{
  prompts_ = &prompts;
  setupDialog_ = &setupDialog;
  openUrl_ = std::move(openUrl);
}

void TMainForm::actUpdateStartExecute()
{
  // The update blocks this thread but for its modal windows; a trigger that reaches
  // the action through one of them must not start a second update inside the first.
  if (!prompts_ || !setupDialog_ || updating_) return;
  updating_ = true;
  std::unique_ptr<ModbusMaster::CBaseModbus> transport;
  std::uint8_t unitAddress = 1;
  // Nothing may escape into Qt's event loop: every error ends here in the error box,
  // also a connection address the transport refuses.
  try {
    if (CreateConnectionFromSettings(*setupDialog_, transport, unitAddress, false)) RunUpdate(*transport, unitAddress);
  } catch (const Exception& e) {
    prompts_->ShowErrorBox(this, e.Message());
  } catch (const std::exception& e) {
    prompts_->ShowErrorBox(this, e.what());
  }
  transport.reset();
  updating_ = false;
}

void TMainForm::RunUpdate(ModbusMaster::CBaseModbus& transport, std::uint8_t unitAddress)
{
  if (!prompts_) return;
  UpdateEnvironment environment(*prompts_, fwUpRes_, this);
  environment.log = [this](const std::string& line) { AddLogLine(line); };
  environment.openUrl = openUrl_;
  environment.runUpgrade = UpgradeInProgressWindow(*prompts_);
  environment.wait = [this](const std::function<void()>& call) {
    waitingForRecorder_ = true;
    const auto waited = qScopeGuard([this] { waitingForRecorder_ = false; });
    WaitForRecorder(call);
  };
  RunUpdateWorkflow(environment, transport, unitAddress);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
  // While the recorder is being waited for, the window is as busy as a blocked one: a
  // close must not pull it from under the update, so it is refused until the exchange
  // is over.
  if (waitingForRecorder_) return event->ignore();
  QMainWindow::closeEvent(event);
}

void TMainForm::showEvent(QShowEvent* event)
{
  actUpdateStartUpdate();
  // The window opens on its default button, not in the log.
  if (!event->spontaneous() && btnUpdateStart->isEnabled()) btnUpdateStart->setFocus();
  QMainWindow::showEvent(event);
}

void TMainForm::keyPressEvent(QKeyEvent* event)
{
  // An Enter no control took (the log takes none) is the default button's, as in a dialog.
  const bool enter = (event->key() == Qt::Key_Return && event->modifiers() == Qt::NoModifier) ||
                     (event->key() == Qt::Key_Enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier);
  if (!enter) return QMainWindow::keyPressEvent(event);
  if (actUpdateStart->isEnabled()) actUpdateStart->trigger();
}
