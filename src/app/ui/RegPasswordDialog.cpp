#include "app/ui/RegPasswordDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/Prompts.h"
#include "app/ui/WindowSize.h"

namespace {

QLineEdit* ReadOnlyRow(QGridLayout* grid, int row, const char* caption)
{
  auto* edit = new QLineEdit;
  edit->setReadOnly(true);
  // Shown, not typed into: grey, and left out of the Tab order.
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  edit->setPalette(palette);
  edit->setFocusPolicy(Qt::ClickFocus);
  auto* label = new QLabel(QString::fromUtf8(caption));
  label->setBuddy(edit);
  grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
  grid->addWidget(edit, row, 1);
  return edit;
}

}  // namespace

TRegPasswordDialog::TRegPasswordDialog(Prompts& prompts, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      prompts_(prompts)
{
  setWindowTitle(QStringLiteral("Авторизация"));

  auto* grid = new QGridLayout;
  EditConnection = ReadOnlyRow(grid, 0, "Подключение");
  EditDevice = ReadOnlyRow(grid, 1, "Регистратор");
  EditUser = ReadOnlyRow(grid, 2, "Доступ");

  EditPassword = new QLineEdit;
  EditPassword->setEchoMode(QLineEdit::Password);
  EditPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // '*'
  auto* passwordLabel = new QLabel(QStringLiteral("Пароль"));
  passwordLabel->setBuddy(EditPassword);
  grid->addWidget(passwordLabel, 3, 0, Qt::AlignRight | Qt::AlignVCenter);
  grid->addWidget(EditPassword, 3, 1);

  CheckBoxStore = new QCheckBox(QStringLiteral("Запомнить пароль до конца работы программы"));
  CheckBoxStore->setChecked(true);
  grid->addWidget(CheckBoxStore, 4, 1);

  Button1 = new QPushButton(QStringLiteral("OK"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("Отмена"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addLayout(buttons);

  connect(Button1, &QPushButton::clicked, this, &TRegPasswordDialog::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

  SetFixedDesignedSize(*this, {382, 217});
  EditPassword->setFocus();
}

void TRegPasswordDialog::Button1Click()
{
  const QString password = EditPassword->text();
  if (password.isEmpty()) return Refuse("Введите пароль");
  if (!PasswordCharactersValid(password))
    return Refuse("Ошибка. Недопустимые символы в пароле.\nСледует использовать только цифры и буквы латинского алфавита\n");
  accept();
}

void TRegPasswordDialog::Refuse(const char* text)
{
  MessageBoxRequest request;
  request.text = text;
  request.icon = PromptIcon::Error;
  request.buttons = PromptButtons::Ok;
  request.topMost = true;
  prompts_.MessageBox(this, request);
  EditPassword->setFocus();
}

bool PasswordCharactersValid(const QString& password)
{
  for (char32_t c : password.toUcs4())
    if (c < 32 || c > 122) return false;
  return true;
}
