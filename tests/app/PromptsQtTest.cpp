#include <gtest/gtest.h>

#include <QCommandLinkButton>
#include <QDir>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include "GuiDriving.h"
#include "app/ui/PromptsQt.h"
#include "platform/LastSaveFolder.h"
#include "platform/Registry.h"
#include "support/ScopedEnv.h"

namespace {

// Where a save remembers its folder: in the test's own folder, not the user's settings.
LastSaveFolder SaveFolderIn(const QTemporaryDir& folder)
{
  return LastSaveFolder(Registry(folder.filePath("config").toStdString()));
}

}  // namespace

TEST(QtPrompts, MessageBoxHasTheApplicationTitleTheButtonsAndTheDefault)
{
  TestApp();
  struct Case {
    const char* name;
    MessageBoxRequest request;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::Icon icon;
    std::function<void(QMessageBox&)> answer;
    PromptResult result;
  };
  const Case cases[] = {
      {"retry box, first button default, Cancel clicked",
       {"Ошибка: %s\r\nнет ответа", PromptIcon::Error, PromptButtons::RetryCancel, PromptResult::None, false},
       QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry, QMessageBox::Critical,
       [](QMessageBox& b) { b.button(QMessageBox::Cancel)->click(); }, PromptResult::Cancel},
      {"question with No default, Escape",
       {"Прервать процесс?", PromptIcon::Question, PromptButtons::YesNoCancel, PromptResult::No, false},
       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No, QMessageBox::Question,
       [](QMessageBox& b) { PressKey(b, Qt::Key_Escape); }, PromptResult::Cancel},
      {"information OK/Cancel, Enter takes the default",
       {"Обновить до версии 2.1.160.115?", PromptIcon::Information, PromptButtons::OkCancel, PromptResult::Ok, false},
       QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Information,
       [](QMessageBox& b) { b.defaultButton()->click(); }, PromptResult::Ok},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QtPrompts prompts;
    QString title, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
      title = box.windowTitle();
      text = box.text();
      buttons = box.standardButtons();
      defaultButton = box.standardButton(box.defaultButton());
      icon = box.icon();
      c.answer(box);
    });
    EXPECT_EQ(prompts.MessageBox(nullptr, c.request), c.result);
    EXPECT_EQ(title, "Kestrel");
    EXPECT_EQ(text, QString::fromStdString(c.request.text).replace("\r\n", "\n"));
    EXPECT_EQ(buttons, c.buttons);
    EXPECT_EQ(defaultButton, c.defaultButton);
    EXPECT_EQ(icon, c.icon);
  }
}

TEST(QtPrompts, TopMostBoxStaysAboveOtherWindows)
{
  TestApp();
  QtPrompts prompts;
  bool onTop = false;
  WhenModal<QMessageBox>([&](QMessageBox& box) {
    onTop = box.windowFlags() & Qt::WindowStaysOnTopHint;
    box.button(QMessageBox::Ok)->click();
  });
  MessageBoxRequest request{"Введите пароль", PromptIcon::Error, PromptButtons::Ok, PromptResult::None, true};
  EXPECT_EQ(prompts.MessageBox(nullptr, request), PromptResult::Ok);
  EXPECT_TRUE(onTop);
}

namespace {

// The upload's final confirmation with its backup link (id 100).
TaskDialogRequest BackupConfirmation()
{
  return {"Обновление ПО регистратора", "Регистратор по адресу COM1 (1)\r\n\r\nВы действительно хотите обновить ПО?",
          PromptIcon::Information, {PromptResult::Yes, PromptResult::Cancel}, PromptResult::Yes,
          {{100, "Сделать резервную копию", "текущей конфигурации регистратора в файл на ПК"}}};
}

}  // namespace

TEST(QtPrompts, TaskDialogGivesTheCommandLinkOrTheCommonButton)
{
  TestApp();
  const TaskDialogRequest request = BackupConfirmation();
  auto link = [](QDialog& d) { return d.findChild<QCommandLinkButton*>(); };
  auto defaultButton = [](QDialog& d) -> QPushButton* {
    for (auto* b : d.findChildren<QPushButton*>())
      if (b->isDefault()) return b;
    return nullptr;
  };
  struct Case {
    const char* name;
    std::function<void(QDialog&)> answer;
    int result;
  };
  const Case cases[] = {
      {"command link", [&](QDialog& d) { link(d)->click(); }, 100},
      {"default button", [&](QDialog& d) { defaultButton(d)->click(); }, static_cast<int>(PromptResult::Yes)},
      {"Escape", [](QDialog& d) { PressKey(d, Qt::Key_Escape); }, static_cast<int>(PromptResult::Cancel)},
      {"close box", [](QDialog& d) { d.close(); }, static_cast<int>(PromptResult::Cancel)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QtPrompts prompts;
    QString title, linkText, linkHint, defaultText;
    WhenModal<QDialog>([&](QDialog& d) {
      title = d.windowTitle();
      if (auto* l = link(d)) {
        linkText = l->text();
        linkHint = l->description();
      }
      if (auto* b = defaultButton(d)) defaultText = b->text();
      c.answer(d);
    });
    EXPECT_EQ(prompts.TaskDialog(nullptr, request), c.result);
    EXPECT_EQ(title, "Kestrel");
    EXPECT_EQ(linkText, "Сделать резервную копию");
    EXPECT_EQ(linkHint, "текущей конфигурации регистратора в файл на ПК");
    EXPECT_FALSE(defaultText.isEmpty());
  }
}

// The final confirmation opens with the focus on "Да", where Space and Enter answer.
// Tab onto the backup link marks the link as focused and takes the default look from
// "Да"; Space and Enter then choose the link, the control that shows the focus.
TEST(QtPrompts, TheTaskDialogsKeysGoWhereTheFocusShows)
{
  TestApp();
  const TaskDialogRequest request = BackupConfirmation();
  const int yes = static_cast<int>(PromptResult::Yes);
  struct Case {
    const char* name;
    bool tabToLink;
    Qt::Key key;
    int result;
  };
  const Case cases[] = {
      {"Space at the start", false, Qt::Key_Space, yes},
      {"Enter at the start", false, Qt::Key_Return, yes},
      {"Tab onto the link, Space", true, Qt::Key_Space, 100},
      {"Tab onto the link, Enter", true, Qt::Key_Return, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QtPrompts prompts;
    WhenModal<QDialog>([&](QDialog& d) {
      QApplication::setActiveWindow(&d);
      auto* link = d.findChild<QCommandLinkButton*>();
      QPushButton* yesButton = d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Yes);
      EXPECT_EQ(QApplication::focusWidget(), yesButton);
      if (c.tabToLink) {
        const QImage linkAtRest = link->grab().toImage();
        const QImage yesAtStart = yesButton->grab().toImage();
        for (int tabs = 0; tabs < 4 && QApplication::focusWidget() != link; ++tabs)
          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), link);
        EXPECT_TRUE(link->grab().toImage() != linkAtRest) << "no focus mark on the link";
        EXPECT_FALSE(yesButton->isDefault());
        EXPECT_TRUE(yesButton->grab().toImage() != yesAtStart) << "\"Да\" still looks as it did with the focus";
      }
      if (QWidget* focused = QApplication::focusWidget()) QTest::keyClick(focused, c.key);
      if (d.isVisible()) d.reject();
    });
    EXPECT_EQ(prompts.TaskDialog(nullptr, request), c.result);
  }
}

TEST(QtPrompts, SaveFileAddsTheDefaultExtension)
{
  TestApp();
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QtPrompts prompts(SaveFolderIn(folder));
  QStringList filters;
  WhenModal<QFileDialog>([&](QFileDialog& d) {
    filters = d.nameFilters();
    d.selectFile(folder.filePath("backup"));
    static_cast<QDialog&>(d).accept();  // as the Save button does
  });
  SaveFileRequest request;
  request.fileName = "1234";
  request.folder = folder.path().toStdString();
  request.filter = "Конфигурация регистратора (*.cfg)|*.cfg";
  request.defaultExt = "cfg";
  EXPECT_EQ(prompts.SaveFile(nullptr, request), folder.filePath("backup.cfg").toStdString());
  EXPECT_EQ(filters, QStringList{"Конфигурация регистратора (*.cfg)"});

  WhenModal<QFileDialog>([](QFileDialog& d) { d.reject(); });
  EXPECT_FALSE(prompts.SaveFile(nullptr, request).has_value());
}

// Choosing a file that exists asks before it is replaced; No keeps the dialog open.
TEST(QtPrompts, SaveFileAsksBeforeReplacingAFile)
{
  TestApp();
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString existing = folder.filePath("1234.cfg");
  QFile(existing).open(QIODevice::WriteOnly);
  SaveFileRequest request;
  request.fileName = "1234";
  request.folder = folder.path().toStdString();
  request.filter = "Конфигурация регистратора (*.cfg)|*.cfg";
  request.defaultExt = "cfg";

  const struct {
    const char* name;
    QMessageBox::StandardButton answer;
    std::optional<std::string> result;
  } cases[] = {
      {"replace", QMessageBox::Yes, existing.toStdString()},
      {"keep", QMessageBox::No, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QtPrompts prompts(SaveFolderIn(folder));
    QString question;
    bool stillOpen = false;
    WhenModal<QFileDialog>([&](QFileDialog& d) {
      WhenModal<QMessageBox>([&](QMessageBox& box) {
        question = box.text();
        box.button(c.answer)->click();
      });
      d.selectFile(existing);
      static_cast<QDialog&>(d).accept();  // as the Save button does
      stillOpen = d.isVisible();
      if (stillOpen) d.reject();
    });
    EXPECT_EQ(prompts.SaveFile(nullptr, request), c.result);
    EXPECT_TRUE(question.contains("1234.cfg")) << question.toStdString();
    EXPECT_EQ(stillOpen, c.answer == QMessageBox::No);
  }
}

// The backup's save dialog is given no folder: it opens where this user last saved,
// also in a later run of the program, and the first time in the home folder, never in
// the folder the program was started from. The program as it runs: its settings folder
// and the home folder from the environment.
TEST(QtPrompts, SaveFileOpensWhereTheUserLastSaved)
{
  TestApp();
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const QString home = root.filePath("home"), config = root.filePath("config"), started = root.filePath("started"),
                backups = root.filePath("backups"), elsewhere = root.filePath("elsewhere");
  for (const QString& folder : {home, started, backups, elsewhere}) ASSERT_TRUE(QDir().mkpath(folder));
  ScopedEnv homeEnv("HOME", home.toUtf8().constData());
  ScopedEnv configEnv("KESTREL_CONFIG_HOME", config.toUtf8().constData());
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(started));

  SaveFileRequest request;  // as the backup asks: a name, no folder
  request.fileName = "1234";
  request.filter = "Конфигурация регистратора (*.cfg)|*.cfg";
  request.defaultExt = "cfg";
  // Shows the dialog, notes the folder it opened in and whether a box came before it,
  // and saves as `name` in `into`, or cancels without one.
  struct Showing {
    std::string folder;
    bool boxFirst = false;
    std::optional<std::string> result;
  };
  auto show = [&request](QtPrompts& prompts, const QString& into = {}) {
    Showing showing;
    WhenModal<QFileDialog>([&](QFileDialog& d) {
      showing.folder = d.directory().absolutePath().toStdString();
      for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(window) && window->isVisible()) showing.boxFirst = true;
      if (into.isEmpty()) return d.reject();
      d.selectFile(into + "/backup");
      static_cast<QDialog&>(d).accept();  // as the Save button does
    });
    showing.result = prompts.SaveFile(nullptr, request);
    return showing;
  };

  {
    QtPrompts program;
    const Showing first = show(program, backups);
    EXPECT_EQ(first.folder, home.toStdString());
    EXPECT_EQ(first.result, (backups + "/backup.cfg").toStdString());
    EXPECT_EQ(show(program).folder, backups.toStdString());
  }
  {
    QtPrompts restarted;
    EXPECT_EQ(show(restarted).folder, backups.toStdString());
  }
  // Another run of the program has saved elsewhere since: the next run follows it.
  LastSaveFolder().Remember((elsewhere + "/5678.cfg").toStdString());
  {
    QtPrompts restarted;
    EXPECT_EQ(show(restarted).folder, elsewhere.toStdString());
  }
  // That folder gone, the dialog opens at home again, without an error box.
  ASSERT_TRUE(QDir(elsewhere).removeRecursively());
  {
    QtPrompts restarted;
    const Showing showing = show(restarted);
    EXPECT_EQ(showing.folder, home.toStdString());
    EXPECT_FALSE(showing.boxFirst);
  }
  QDir::setCurrent(before);
}

TEST(QtPrompts, FileFiltersInQtForm)
{
  EXPECT_EQ(QtFileFilters("Конфигурация регистратора (*.cfg)|*.cfg"), QStringList{"Конфигурация регистратора (*.cfg)"});
  EXPECT_EQ(QtFileFilters("Logs|*.txt;*.log|All (*.*)|*.*"), (QStringList{"Logs (*.txt *.log)", "All (*.*)"}));
  EXPECT_TRUE(QtFileFilters("").isEmpty());
}

TEST(QtPrompts, ShowModalGivesTheModalResultAndCountsARejectionAsCancel)
{
  TestApp();
  struct Case {
    const char* name;
    std::function<void(QDialog&)> close;
    int result;
  };
  const Case cases[] = {
      {"accepted", [](QDialog& d) { d.accept(); }, 1},
      {"rejected", [](QDialog& d) { d.reject(); }, 2},
      {"closed with a number", [](QDialog& d) { d.done(6); }, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QtPrompts prompts;
    QDialog dialog;
    QTimer::singleShot(0, &dialog, [&] { c.close(dialog); });
    EXPECT_EQ(prompts.ShowModal(dialog), c.result);
  }
}
