#include "app/ui/PromptsQt.h"

#include <QCommandLinkButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVBoxLayout>

#include <map>

#include "app/ui/RegPasswordDialog.h"
#include "platform/Exception.h"

namespace {

// The texts carry the design's CR LF line breaks; a Qt label wants LF alone.
QString DisplayText(const std::string& text)
{
  QString s = QString::fromStdString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

QMessageBox::Icon QtIcon(PromptIcon icon)
{
  switch (icon) {
  case PromptIcon::Information: return QMessageBox::Information;
  case PromptIcon::Warning: return QMessageBox::Warning;
  case PromptIcon::Error: return QMessageBox::Critical;
  case PromptIcon::Question: return QMessageBox::Question;
  case PromptIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QStyle::StandardPixmap StylePixmap(PromptIcon icon)
{
  switch (icon) {
  case PromptIcon::Warning: return QStyle::SP_MessageBoxWarning;
  case PromptIcon::Error: return QStyle::SP_MessageBoxCritical;
  case PromptIcon::Question: return QStyle::SP_MessageBoxQuestion;
  default: return QStyle::SP_MessageBoxInformation;
  }
}

QMessageBox::StandardButton QtButton(PromptResult result)
{
  switch (result) {
  case PromptResult::Ok: return QMessageBox::Ok;
  case PromptResult::Cancel: return QMessageBox::Cancel;
  case PromptResult::Abort: return QMessageBox::Abort;
  case PromptResult::Retry: return QMessageBox::Retry;
  case PromptResult::Ignore: return QMessageBox::Ignore;
  case PromptResult::Yes: return QMessageBox::Yes;
  case PromptResult::No: return QMessageBox::No;
  case PromptResult::None: break;
  }
  return QMessageBox::NoButton;
}

QDialogButtonBox::StandardButton QtBoxButton(PromptResult result)
{
  // QMessageBox and QDialogButtonBox share the values of their standard buttons.
  return static_cast<QDialogButtonBox::StandardButton>(QtButton(result));
}

// A command link that shows when it has the focus. The style draws a link's panel only
// under the mouse, so a link reached with Tab looked like the text around it while
// Space was its; with the focus it is drawn as a focused button is.
class FocusMarkedLink : public QCommandLinkButton {
public:
  using QCommandLinkButton::QCommandLinkButton;

protected:
  void paintEvent(QPaintEvent* event) override
  {
    if (hasFocus()) {
      QStylePainter painter(this);
      QStyleOptionButton panel;
      initStyleOption(&panel);
      panel.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
      painter.drawPrimitive(QStyle::PE_PanelButtonCommand, panel);
    }
    QCommandLinkButton::paintEvent(event);
  }
};

}  // namespace

QStringList QtFileFilters(const std::string& filter)
{
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QString patterns = parts[i + 1].trimmed();
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QString suffix = QStringLiteral("(") + patterns + QStringLiteral(")");
    filters << (description.endsWith(suffix) ? description : description + QLatin1Char(' ') + suffix);
  }
  return filters;
}

PromptResult QtPrompts::DoMessageBox(QWidget* owner, const MessageBoxRequest& request)
{
  QMessageBox box(QtIcon(request.icon), QString::fromUtf8(kAppTitle), DisplayText(request.text),
                  QMessageBox::NoButton, owner);
  box.setTextFormat(Qt::PlainText);
  if (request.topMost) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);

  std::map<QAbstractButton*, PromptResult> results;
  const auto row = ButtonsOf(request.buttons);
  const PromptResult escape = EscapeResult(request.buttons);
  for (PromptResult r : row) {
    QPushButton* button = box.addButton(QtButton(r));
    results[button] = r;
    if (r == request.defaultButton || (request.defaultButton == PromptResult::None && r == row.front()))
      box.setDefaultButton(button);
    if (r == escape) box.setEscapeButton(button);
  }
  box.exec();
  const auto found = results.find(box.clickedButton());
  return found != results.end() ? found->second : escape;
}

int QtPrompts::DoTaskDialog(QWidget* owner, const TaskDialogRequest& request)
{
  QDialog dialog(owner);
  dialog.setWindowTitle(QString::fromUtf8(kAppTitle));

  auto* iconLabel = new QLabel;
  const int side = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
  iconLabel->setPixmap(dialog.style()->standardIcon(StylePixmap(request.icon), nullptr, &dialog).pixmap(side, side));
  iconLabel->setAlignment(Qt::AlignTop);

  auto* title = new QLabel(DisplayText(request.title));
  title->setTextFormat(Qt::PlainText);
  QFont titleFont = title->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
  title->setFont(titleFont);
  auto* text = new QLabel(DisplayText(request.text));
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);

  auto* body = new QVBoxLayout;
  body->addWidget(title);
  body->addWidget(text);
  for (const CommandLink& link : request.links) {
    auto* button = new FocusMarkedLink(QString::fromStdString(link.caption), QString::fromStdString(link.hint));
    // A link the user has moved the focus to is the default while it has it, as a
    // button is: "Да" stops looking like the one Enter presses, and Enter chooses the
    // link. The dialog opens with the focus on the default button, so Enter chooses a
    // link only after Tab.
    button->setAutoDefault(true);
    const int id = link.id;
    QObject::connect(button, &QCommandLinkButton::clicked, &dialog, [&dialog, id] { dialog.done(id); });
    body->addWidget(button);
  }
  auto* top = new QHBoxLayout;
  top->addWidget(iconLabel);
  top->addLayout(body, 1);

  auto* buttons = new QDialogButtonBox;
  QPushButton* defaultButton = nullptr;
  for (PromptResult r : request.buttons) {
    QPushButton* button = buttons->addButton(QtBoxButton(r));
    const int value = static_cast<int>(r);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, value] { dialog.done(value); });
    if (r == request.defaultButton || (!defaultButton && request.defaultButton == PromptResult::None))
      defaultButton = button;
  }

  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(top);
  layout->addWidget(buttons);
  if (defaultButton) {
    defaultButton->setDefault(true);
    defaultButton->setFocus();
  }
  return ExecDialog(dialog);
}

std::optional<std::string> QtPrompts::DoSaveFile(QWidget* owner, const SaveFileRequest& request)
{
  // No folder of the caller's: the system's choice, where this user last saved. Qt's
  // own would be the current folder, which is wherever the program was started.
  const std::string folder = request.folder.empty() ? saveFolder_.InitialFolder() : request.folder;
  QFileDialog dialog(owner, QString::fromStdString(request.title), QString::fromStdString(folder));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QStringList filters = QtFileFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  dialog.selectFile(QString::fromStdString(request.fileName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  const std::string path = chosen.front().toStdString();
  try {
    saveFolder_.Remember(path);
  } catch (const Exception&) {
    // Only where the next dialog opens depends on it; the file chosen is the caller's to
    // write, and a settings folder that cannot be written must not stand in its way.
  }
  return path;
}

std::optional<PasswordReply> QtPrompts::DoPassword(QWidget* owner, const PasswordRequest& request)
{
  TRegPasswordDialog dialog(*this, owner);
  dialog.EditConnection->setText(QString::fromStdString(request.connection));
  dialog.EditDevice->setText(QString::fromStdString(request.device));
  dialog.EditUser->setText(QString::fromStdString(request.user));
  dialog.EditPassword->setMaxLength(request.maxLength);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  PasswordReply reply{dialog.EditPassword->text().toStdString(), dialog.CheckBoxStore->isChecked()};
  dialog.EditPassword->clear();
  return reply;
}

int QtPrompts::DoShowModal(QDialog& dialog, const std::string&)
{
  return ExecDialog(dialog);
}

int ExecDialog(QDialog& dialog)
{
  const int result = dialog.exec();
  return result == QDialog::Rejected ? static_cast<int>(PromptResult::Cancel) : result;
}
