// The Ethernet discovery dialog, offscreen, against the simulated recorder answering on
// loopback (127.0.0.1, a port of the test's own).

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "GuiDriving.h"
#include "SetupDialogFixture.h"
#include "app/ui/Program.h"
#include "app/ui/ScanEthDialog.h"
#include "app/ui/ScanList.h"
#include "app/ui/ScanRSDialog.h"
#include "app/ui/WindowPlacement.h"
#include "platform/Registry.h"
#include "recsim/Server.h"
#include "support/DiscoveryRecorder.h"

namespace {

const char kEmptyList[] = "Список найденных устройств пуст. Выполните сканирование сети.";
const char kChooseDevice[] = "Выберите устройство из списка";
const char kDescription[] = "Pelkar-740-L7 / 12345 / v2.1.160.115 / 2.5.0.0";
const char kMirelKey[] = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";

class ScanEthDialogTest : public SetupDialogTest {
protected:
  ScanEthDialogTest()
  {
    DiscoveryTarget target;
    target.Endpoint = {0x7F000001, ListenAsTheVectorsRecorder(server)};
    server.Start();
    scan = std::make_unique<TScanEthDialog>(prompts, target);
  }
  ~ScanEthDialogTest() override
  {
    scan.reset();
    server.Stop();
  }

  // Scans, one press and its answer at a time, until the list holds `rows` rows.
  bool ScanFor(int rows)
  {
    while (scan->ListView1->topLevelItemCount() < rows) {
      const int before = scan->ListView1->topLevelItemCount();
      scan->btnScan->click();
      if (!WaitUntil([&] { return scan->ListView1->topLevelItemCount() > before; }, std::chrono::seconds(10)))
        return false;
    }
    return true;
  }
  std::vector<std::string> Row(int row) const
  {
    std::vector<std::string> texts;
    for (int column = 0; column < 3; ++column)
      texts.push_back(scan->ListView1->topLevelItem(row)->text(column).toStdString());
    return texts;
  }

  recsim::Server server;
  std::unique_ptr<TScanEthDialog> scan;
};

}  // namespace

TEST_F(ScanEthDialogTest, TheFormsTexts)
{
  EXPECT_EQ(scan->windowTitle(), "Сканирование сети Ethernet");
  EXPECT_EQ(scan->objectName(), "ScanEthDialog");
  EXPECT_EQ(scan->lblList->text(), "Список найденных &устройств");
  EXPECT_EQ(scan->btnScan->text(), "Сканировать сеть");
  EXPECT_EQ(scan->btnClear->text(), "О&чистить список");
  EXPECT_EQ(scan->btnOK->text(), "OK");
  EXPECT_TRUE(scan->btnOK->isDefault());
  EXPECT_EQ(scan->btnCancel->text(), "Отмена");
  const QTreeWidgetItem* header = scan->ListView1->headerItem();
  EXPECT_EQ(header->text(0), "#");
  EXPECT_EQ(header->text(1), "Адрес");
  EXPECT_EQ(header->text(2), "Описание");
  EXPECT_EQ(scan->ListView1->columnWidth(0), 30);
  EXPECT_EQ(scan->ListView1->AddressWidth(), 160);
  // The user's widths stay within the column's limits.
  scan->ListView1->setColumnWidth(1, 900);
  EXPECT_EQ(scan->ListView1->AddressWidth(), 500);
  scan->ListView1->setColumnWidth(0, 10);
  EXPECT_EQ(scan->ListView1->columnWidth(0), 30);
}

TEST_F(ScanEthDialogTest, EveryScanListsTheRecordersThatAnswerItUntilCleared)
{
  scan->show();
  ASSERT_TRUE(ScanFor(1));
  EXPECT_EQ(Row(0), (std::vector<std::string>{"1", "127.0.0.1", kDescription}));
  ASSERT_TRUE(ScanFor(2));
  EXPECT_EQ(Row(1), (std::vector<std::string>{"2", "127.0.0.1", kDescription}));

  scan->btnClear->click();
  EXPECT_EQ(scan->ListView1->topLevelItemCount(), 0);
  EXPECT_TRUE(scan->Discovery().Rows().empty());
  ASSERT_TRUE(ScanFor(1));
  EXPECT_EQ(Row(0)[0], "1");
  EXPECT_TRUE(prompts.Asked().empty());
}

TEST_F(ScanEthDialogTest, TheSocketLivesOnlyWhileTheDialogIsShown)
{
  EXPECT_EQ(scan->Discovery().SocketFd(), -1);
  scan->show();
  EXPECT_EQ(scan->Discovery().SocketFd(), -1) << "made by the first scan";
  ASSERT_TRUE(ScanFor(1));
  EXPECT_TRUE(scan->IsListening());
  scan->hide();
  EXPECT_EQ(scan->Discovery().SocketFd(), -1);
  EXPECT_FALSE(scan->IsListening());

  // The rows stay; the next showing listens on a fresh socket.
  scan->show();
  EXPECT_EQ(scan->ListView1->topLevelItemCount(), 1);
  ASSERT_TRUE(ScanFor(2));
  EXPECT_EQ(Row(1)[0], "2");
}

TEST_F(ScanEthDialogTest, OkWantsARowAndTakesTheChosenOnes)
{
  scan->show();
  prompts.Answer(PromptResult::Ok).Answer(PromptResult::Ok);
  scan->btnOK->click();
  ASSERT_EQ(Messages(), std::vector<std::string>{kEmptyList});
  EXPECT_EQ(prompts.Asked()[0].owner, scan.get());
  EXPECT_EQ(prompts.Asked()[0].message.icon, PromptIcon::Error);
  EXPECT_EQ(scan->focusWidget(), scan->btnScan);
  EXPECT_TRUE(scan->isVisible());

  ASSERT_TRUE(ScanFor(2));
  scan->ListView1->setCurrentItem(nullptr);
  scan->ListView1->clearSelection();
  scan->btnOK->click();
  EXPECT_EQ(Messages(), (std::vector<std::string>{kEmptyList, kChooseDevice}));
  EXPECT_EQ(scan->focusWidget(), scan->ListView1);
  EXPECT_TRUE(scan->isVisible());

  scan->ListView1->setCurrentItem(scan->ListView1->topLevelItem(1));
  scan->btnOK->click();
  EXPECT_EQ(scan->result(), QDialog::Accepted);
  ASSERT_EQ(scan->Results().size(), 1u);
  EXPECT_EQ(scan->Results()[0], (EthScanResultItem{"127.0.0.1", 502, 1, "Pelkar-740-L7"}));
}

TEST_F(ScanEthDialogTest, SeveralRowsWhereTheOpenerAllowsIt)
{
  scan->SetMultiSelect(true);
  scan->show();
  ASSERT_TRUE(ScanFor(3));
  scan->ListView1->topLevelItem(0)->setSelected(true);
  scan->ListView1->topLevelItem(2)->setSelected(true);
  scan->ListView1->setCurrentItem(scan->ListView1->topLevelItem(2), 0, QItemSelectionModel::NoUpdate);
  scan->btnOK->click();
  EXPECT_EQ(scan->Results().size(), 2u);
}

TEST_F(ScanEthDialogTest, ADoubleClickTakesTheRowAtOnce)
{
  scan->show();
  emit scan->ListView1->itemDoubleClicked(nullptr, 0);
  EXPECT_TRUE(scan->isVisible()) << "no row: nothing happens";
  EXPECT_TRUE(prompts.Asked().empty());
  ASSERT_TRUE(ScanFor(1));
  scan->ListView1->setCurrentItem(scan->ListView1->topLevelItem(0));
  emit scan->ListView1->itemDoubleClicked(scan->ListView1->topLevelItem(0), 1);
  EXPECT_EQ(scan->result(), QDialog::Accepted);
  EXPECT_EQ(scan->Results().size(), 1u);
}

TEST_F(ScanEthDialogTest, AScanThatCannotBeSentIsShownAndNothingIsSent)
{
  DiscoveryTarget misspelt = DiscoveryTarget::Parse("127.0.0.l:40000");
  TScanEthDialog dialog(prompts, misspelt);
  dialog.show();
  prompts.Answer(PromptResult::Ok);
  dialog.btnScan->click();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], misspelt.Error);
  EXPECT_EQ(dialog.Discovery().SocketFd(), -1);
}

TEST_F(ScanEthDialogTest, TheColumnWidthAndPlacementGoThroughTheStore)
{
  scan->show();
  scan->ListView1->SetAddressWidth(222);
  scan->SaveSettings(kMirelKey);
  const std::string section = FormPlacementSection(*scan);
  EXPECT_EQ(Registry().ReadValue(Registry::JoinKey(kMirelKey, section), "LWidth"), RegistryValue::Dword(222));
  EXPECT_TRUE(Registry().ReadValue(Registry::JoinKey(kMirelKey, section), "Width").has_value());

  TScanEthDialog again(prompts, DiscoveryTarget::Parse("127.0.0.1:9"));
  again.LoadSettings(kMirelKey);
  EXPECT_EQ(again.ListView1->AddressWidth(), 222);
}

// The connection settings dialog's Ethernet button shows the discovery; the recorder
// picked there is the connection's address.
TEST_F(ScanEthDialogTest, ThePickedAddressReachesTheSettingsDialog)
{
  TScanRSDialog serial(prompts, nullptr, ports.Source());
  ConnectScans(Dialog(), serial, *scan);
  prompts.AnswerModal([&](QDialog& shown) {
    auto& discovery = dynamic_cast<TScanEthDialog&>(shown);
    discovery.show();
    EXPECT_TRUE(ScanFor(1));
    discovery.ListView1->setCurrentItem(discovery.ListView1->topLevelItem(0));
    discovery.btnOK->click();
    return discovery.result();
  });
  TMBSetupDialog2& dialog = Shown();
  dialog.rbEthernet->click();
  dialog.btnScanEth->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Settings().Interface, ConnectionSettings::Ethernet);
  EXPECT_EQ(dialog.Settings().EthAddress, "127.0.0.1");
  EXPECT_TRUE(prompts.Faults().empty());
}
