#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "GuiDriving.h"
#include "app/ui/PromptsQt.h"
#include "app/ui/RegPasswordDialog.h"
#include "support/ScriptedPrompts.h"

namespace {

const char kInvalidCharacters[] =
    "Ошибка. Недопустимые символы в пароле.\nСледует использовать только цифры и буквы латинского алфавита\n";

}  // namespace

TEST(RegPasswordDialog, OkChecksTheTypedCharacters)
{
  TestApp();
  struct Case {
    const char* name;
    const char* typed;  // UTF-8
    const char* refusal;  // nullptr: accepted
  };
  const Case cases[] = {
      {"empty", "", "Введите пароль"},
      {"digits and letters", "Pass1234", nullptr},
      {"underscore and space", "pass_word 1", nullptr},
      {"the space and 'z', the ends of the range", " z", nullptr},
      {"between 'Z' and 'a', and punctuation", "[\\]^`!#$%&'()*+,-./:;<=>?@", nullptr},
      {"opening brace", "a{b", kInvalidCharacters},
      {"tilde", "~", kInvalidCharacters},
      {"control character", "a\tb", kInvalidCharacters},
      {"Cyrillic", "пароль", kInvalidCharacters},
      // Not in code page 1251: its 8-bit form would be an acceptable '?'.
      {"letter the code page lacks", "ä", kInvalidCharacters},
      {"character outside the basic plane", "a\xF0\x9F\x98\x80", kInvalidCharacters},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPrompts prompts;
    TRegPasswordDialog dialog(prompts);
    dialog.show();
    dialog.EditPassword->setText(QString::fromUtf8(c.typed));
    if (c.refusal) {
      prompts.Answer(PromptResult::Ok);
      dialog.Button1->setFocus();
    }
    dialog.Button1->click();
    const auto asked = prompts.Asked();
    if (!c.refusal) {
      EXPECT_TRUE(asked.empty());
      EXPECT_EQ(dialog.result(), QDialog::Accepted);
      EXPECT_FALSE(dialog.isVisible());
      continue;
    }
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].message.text, c.refusal);
    EXPECT_EQ(asked[0].caption, "Kestrel");
    EXPECT_EQ(asked[0].message.icon, PromptIcon::Error);
    EXPECT_EQ(asked[0].message.buttons, PromptButtons::Ok);
    EXPECT_TRUE(asked[0].message.topMost);
    EXPECT_EQ(asked[0].owner, &dialog);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.focusWidget(), dialog.EditPassword);
    EXPECT_TRUE(prompts.Faults().empty());
  }
}

TEST(RegPasswordDialog, Form)
{
  TestApp();
  ScriptedPrompts prompts;
  TRegPasswordDialog dialog(prompts);
  EXPECT_EQ(dialog.windowTitle(), "Авторизация");
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "a fixed border";
  EXPECT_GE(dialog.width(), 382);
  EXPECT_GE(dialog.height(), 217);
  for (QLineEdit* shown : {dialog.EditConnection, dialog.EditDevice, dialog.EditUser}) {
    EXPECT_TRUE(shown->isReadOnly());
    EXPECT_FALSE(shown->focusPolicy() & Qt::TabFocus);
  }
  EXPECT_FALSE(dialog.EditPassword->isReadOnly());
  EXPECT_EQ(dialog.EditPassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialog.CheckBoxStore->text(), "Запомнить пароль до конца работы программы");
  EXPECT_TRUE(dialog.CheckBoxStore->isChecked());
  EXPECT_TRUE(dialog.Button1->isDefault());
  EXPECT_EQ(dialog.Button2->text(), "Отмена");

  dialog.show();
  dialog.EditPassword->setText("secret");
  dialog.Button2->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
}

TEST(RegPasswordDialog, ShownByTheQtPromptsWithItsRowsAndAtMost15Characters)
{
  TestApp();
  QtPrompts prompts;
  QWidget owner;
  PasswordRequest request{"mbtcp://127.0.0.1:1502", "Прибор №1234", "Управление выходами", 15};
  QString shownRows;
  int typedLength = -1;
  WhenModal<TRegPasswordDialog>([&](TRegPasswordDialog& dialog) {
    shownRows = dialog.EditConnection->text() + "|" + dialog.EditDevice->text() + "|" + dialog.EditUser->text();
    for (char c : std::string("abcdefghijklmnop")) {  // 16 characters
      const QString text(QLatin1Char{c});
      PressKey(*dialog.EditPassword, Qt::Key_A + (c - 'a'), text);
    }
    typedLength = static_cast<int>(dialog.EditPassword->text().size());
    dialog.Button1->click();
  });
  const auto reply = prompts.Password(&owner, request);
  EXPECT_EQ(shownRows, "mbtcp://127.0.0.1:1502|Прибор №1234|Управление выходами");
  EXPECT_EQ(typedLength, 15);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->password, "abcdefghijklmno");
  EXPECT_TRUE(reply->remember);
}

TEST(RegPasswordDialog, CancelOrTheCloseBoxGivesNoPassword)
{
  TestApp();
  struct Case {
    const char* name;
    std::function<void(TRegPasswordDialog&)> leave;
  };
  const Case cases[] = {
      {"cancel button", [](TRegPasswordDialog& d) { d.Button2->click(); }},
      {"close box", [](TRegPasswordDialog& d) { d.close(); }},
      {"Escape", [](TRegPasswordDialog& d) { PressKey(d, Qt::Key_Escape); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QtPrompts prompts;
    WhenModal<TRegPasswordDialog>([&c](TRegPasswordDialog& dialog) {
      dialog.EditPassword->setText("secret");
      c.leave(dialog);
    });
    EXPECT_FALSE(prompts.Password(nullptr, PasswordRequest{"COM1", "", "?", 15}).has_value());
  }
}

TEST(RegPasswordDialog, TheRememberBoxComesBackWithThePassword)
{
  TestApp();
  QtPrompts prompts;
  WhenModal<TRegPasswordDialog>([](TRegPasswordDialog& dialog) {
    dialog.EditPassword->setText("x_1");
    dialog.CheckBoxStore->setChecked(false);
    dialog.Button1->click();
  });
  const auto reply = prompts.Password(nullptr, PasswordRequest{"COM1", "", "Запись конфигурации", 15});
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->password, "x_1");
  EXPECT_FALSE(reply->remember);
}
