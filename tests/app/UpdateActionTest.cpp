// The main window's Update action with the real windows offscreen: the connection
// settings dialog it shows, and what becomes of the connection the user chose.

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>

#include "ReleaseImages.h"
#include "SetupDialogFixture.h"
#include "app/ui/MainForm.h"
#include "platform/ProgramResources.h"
#include "platform/Socket.h"

namespace {

class UpdateActionTest : public SetupDialogTest {
protected:
  UpdateActionTest() : form(ProgramResources())
  {
    form.LoadUpdates();
    form.ConnectUpdate(prompts, Dialog(), [this](const std::string& url) {
      opened.push_back(url);
      return 42;
    });
  }

  // The user chooses Ethernet with the address and presses OK.
  void ChooseEthernet(const std::string& address)
  {
    prompts.AnswerModal([address](QDialog& shown) {
      auto& dialog = dynamic_cast<TMBSetupDialog2&>(shown);
      dialog.show();
      dialog.rbEthernet->click();
      dialog.cbEthAddress->setEditText(QString::fromStdString(address));
      dialog.btnOK->click();
      return dialog.result();
    });
  }

  std::vector<AskedPrompt> Boxes() const
  {
    std::vector<AskedPrompt> boxes;
    for (const auto& asked : prompts.Asked())
      if (asked.kind == PromptKind::MessageBox) boxes.push_back(asked);
    return boxes;
  }

  TMainForm form;
  std::vector<std::string> opened;
};

// A TCP port on this computer where nothing listens.
std::uint16_t ClosedPort()
{
  Socket socket = Socket::Create(Socket::Type::Tcp);
  socket.Bind({0x7F000001, 0});
  return socket.LocalAddress().port;
}

TEST_F(UpdateActionTest, TheUpdateButtonShowsTheConnectionSettings)
{
  if (ProgramResources().Names("FW").size() != 11) GTEST_SKIP() << "built without the release's images";
  ASSERT_TRUE(form.actUpdateStart->isEnabled());
  int minimumSeen = -1;
  prompts.AnswerModal([&](QDialog& shown) {
    minimumSeen = dynamic_cast<TMBSetupDialog2&>(shown).seAddress->minimum();
    return static_cast<int>(QDialog::Rejected);
  });
  form.btnUpdateStart->click();

  const auto asked = prompts.Asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, PromptKind::Modal);
  EXPECT_EQ(asked[0].dialog, &Dialog());
  // The Update action allows no broadcast address.
  EXPECT_EQ(minimumSeen, 1);
  EXPECT_TRUE(prompts.Faults().empty());
}

// The chosen connection is the update's: a recorder that cannot be reached is offered
// for retry, in boxes owned by the main window.
TEST_F(UpdateActionTest, TheChosenConnectionIsIdentifiedWithRetry)
{
  const std::string url = "mbtcp://127.0.0.1:" + std::to_string(ClosedPort());
  ChooseEthernet(url);
  prompts.Answer(PromptResult::Retry).Answer(PromptResult::Cancel);
  form.actUpdateStart->trigger();

  const std::string expected = "Ошибка: " + url + ": Ошибка подключения\r\nSystem error. Code: 111.\r\nConnection refused";
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const auto& box : boxes) {
    EXPECT_EQ(box.message.text, expected);
    EXPECT_EQ(box.message.buttons, PromptButtons::RetryCancel);
    EXPECT_EQ(box.message.icon, PromptIcon::Error);
    EXPECT_EQ(box.owner, &form);
    EXPECT_EQ(box.caption, "Kestrel");
  }
  EXPECT_EQ(Dialog().Settings().EthAddress, url);
  EXPECT_TRUE(prompts.Faults().empty());
}

// An address the transport refuses reaches the standard error box, not Qt's loop.
TEST_F(UpdateActionTest, AnAddressTheTransportRefusesIsShownInTheErrorBox)
{
  ChooseEthernet("ftp://127.0.0.1");
  prompts.Answer(PromptResult::Ok);
  form.actUpdateStart->trigger();

  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].message.text, "ftp://127.0.0.1: Неподдерживаемый протокол (ftp)");
  EXPECT_EQ(boxes[0].message.icon, PromptIcon::Error);
  EXPECT_EQ(boxes[0].message.buttons, PromptButtons::Ok);
  EXPECT_EQ(boxes[0].owner, &form);
  // The action can run again afterwards.
  prompts.AnswerModal(static_cast<int>(QDialog::Rejected));
  form.actUpdateStart->trigger();
  EXPECT_EQ(prompts.Asked().size(), 3u);
}

// Enter presses the default button "Обновление" from the start, also after a click into
// the log; on the focused "Выход" it is that button's.
TEST_F(UpdateActionTest, EnterStartsTheUpdateUnlessAnotherButtonHasTheFocus)
{
  if (ProgramResources().Names("FW").size() != 11) GTEST_SKIP() << "built without the release's images";
  struct Row {
    const char* name;
    std::function<QWidget*(TMainForm&)> focused;  // null: where the window opens
    bool updates;
  };
  const Row rows[] = {
      {"at start-up", nullptr, true},
      {"in the log", [](TMainForm& f) -> QWidget* { return f.mmoLog; }, true},
      {"on Выход", [](TMainForm& f) -> QWidget* { return f.btnExit; }, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TMainForm window(ProgramResources());
    window.LoadUpdates();
    window.ConnectUpdate(prompts, Dialog());
    const std::size_t before = prompts.Asked().size();
    window.show();
    QApplication::setActiveWindow(&window);
    if (row.focused) row.focused(window)->setFocus(Qt::MouseFocusReason);
    QWidget* target = window.focusWidget();
    ASSERT_NE(target, nullptr);
    if (!row.focused) {
      EXPECT_EQ(target, window.btnUpdateStart);
    }
    if (row.updates) prompts.AnswerModal(static_cast<int>(QDialog::Rejected));
    QTest::keyClick(target, Qt::Key_Return);
    const auto asked = prompts.Asked();
    ASSERT_EQ(asked.size() - before, row.updates ? 1u : 0u);
    if (row.updates) {
      EXPECT_EQ(asked.back().dialog, &Dialog()) << "the update starts with the connection settings";
    }
    EXPECT_EQ(window.isVisible(), row.updates);
  }
}

TEST(UpdateActionUnconnected, DoesNothingWithoutItsPrompts)
{
  TestApp();
  TMainForm form(ProgramResources());
  form.actUpdateStart->setEnabled(true);
  form.actUpdateStart->trigger();  // no dialog, no crash
  EXPECT_TRUE(form.mmoLog->toPlainText().isEmpty());
}

}  // namespace
