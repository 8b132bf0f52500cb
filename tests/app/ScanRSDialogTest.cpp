// The serial scan dialog, offscreen, against the simulated recorder on a
// pseudo-terminal. The tests that scan cross threads (the scan's events come from its
// thread): their suite's name puts them into the ThreadSanitizer run.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "GuiDriving.h"
#include "SetupDialogFixture.h"
#include "app/ui/Program.h"
#include "app/ui/ScanEthDialog.h"
#include "app/ui/ScanList.h"
#include "app/ui/ScanRSDialog.h"
#include "app/ui/WindowPlacement.h"
#include "platform/Registry.h"
#include "recsim/Device.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/Server.h"
#include "support/WatchedLine.h"

namespace {

const char kMirelKey[] = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";
const char kEnterParameters[] = "Введите параметры сканирования и нажмите кнопку \"Сканировать сеть\"";
const char kStopScan[] = "Остановить процесс сканирования?";
const char kIdentified[] = "Pelkar / Pelkar-740-L7 / v2.1.160";

void Tick(QListWidget* list, int row) { list->item(row)->setCheckState(Qt::Checked); }

std::vector<std::string> Items(const QListWidget* list)
{
  std::vector<std::string> texts;
  for (int row = 0; row < list->count(); ++row) texts.push_back(list->item(row)->text().toStdString());
  return texts;
}

class ScanRSDialogTest : public SetupDialogTest {
protected:
  ScanRSDialogTest() : pty(server.OpenRtu())
  {
    server.WithDevice([](recsim::Device& device) { recsim::LoadProfile(device, "pelkar-2.1.160"); });
    scan = std::make_unique<TScanRSDialog>(prompts, nullptr, ports.Source(), WatchedLineOpener(line));
  }
  ~ScanRSDialogTest() override
  {
    scan.reset();
    server.Stop();
  }

  // Another recorder on the line.
  void AddDevice(std::uint8_t unit)
  {
    server.AddLineDevice(unit);
    server.WithDeviceAt(unit, [](recsim::Device& device) { recsim::LoadProfile(device, "pelkar-2.1.160"); });
  }

  // Shown on the pseudo-terminal at 115200 baud, no parity, one stop bit, addresses
  // first to last, a timeout long enough for an answer on a busy machine.
  TScanRSDialog& Ready(int first, int last, int baudRow = 5)
  {
    server.Start();
    scan->show();
    scan->ComboBox5->setEditText(QString::fromStdString(pty));
    Tick(scan->CheckListBox1, baudRow);
    Tick(scan->CheckListBox2, 0);
    Tick(scan->CheckListBox3, 0);
    scan->Edit1->setValue(first);
    scan->Edit2->setValue(last);
    scan->Edit3->setValue(500);
    return *scan;
  }
  bool WaitIdle() { return WaitUntil([&] { return !scan->Scan().IsScanning(); }); }
  std::vector<std::string> Row(int row) const
  {
    std::vector<std::string> texts;
    for (int column = 0; column < 3; ++column)
      texts.push_back(scan->ListView1->topLevelItem(row)->text(column).toStdString());
    return texts;
  }
  static void SetText(QSpinBox* spin, const char* text) { spin->findChild<QLineEdit*>()->setText(QString::fromUtf8(text)); }
  static std::string Text(QSpinBox* spin) { return spin->findChild<QLineEdit*>()->text().toStdString(); }

  int Writes()
  {
    std::lock_guard lock(line->mutex);
    return line->writes;
  }

  recsim::Server server;
  std::string pty;
  std::shared_ptr<WatchedLineState> line = std::make_shared<WatchedLineState>();
  std::unique_ptr<TScanRSDialog> scan;
};

using ScanRSThreadDialogTest = ScanRSDialogTest;

}  // namespace

TEST_F(ScanRSDialogTest, TheFormsTexts)
{
  EXPECT_EQ(scan->windowTitle(), "Сканирование сети RS-232/RS-485");
  EXPECT_EQ(scan->objectName(), "ScanRSDialog");
  EXPECT_EQ(scan->gbLine->title(), "RS-485");
  EXPECT_EQ(Items(scan->CheckListBox1),
            (std::vector<std::string>{"1200", "9600", "19200", "38400", "57600", "115200", "230400"}));
  EXPECT_EQ(Items(scan->CheckListBox2), (std::vector<std::string>{"нет", "нечетный", "четный"}));
  EXPECT_EQ(Items(scan->CheckListBox3), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(scan->Edit1->minimum(), 1);
  EXPECT_EQ(scan->Edit1->maximum(), 247);
  EXPECT_EQ(scan->Edit1->value(), 1);
  EXPECT_EQ(scan->Edit2->value(), 1);
  EXPECT_EQ(scan->Edit3->minimum(), 1);
  EXPECT_EQ(scan->Edit3->maximum(), 1000);
  EXPECT_EQ(scan->Edit3->value(), 100);
  EXPECT_EQ(scan->Edit3->toolTip(), "Максимальное время ожидания ответа устройства");
  EXPECT_EQ(scan->Button1->text(), "С&канировать сеть");
  EXPECT_EQ(scan->lblList->text(), "Список найденных &устройств");
  EXPECT_EQ(scan->btnClear->text(), "О&чистить список");
  EXPECT_TRUE(scan->btnOK->isDefault());
  EXPECT_EQ(scan->btnCancel->text(), "Отмена");
  EXPECT_EQ(scan->ListView1->headerItem()->text(1), "Адрес");

  ports.Plug("ttyUSB0");
  ports.Plug("ttyUSB1");
  scan->SetPortName(ports.Path("ttyUSB1"));
  scan->show();
  EXPECT_EQ(scan->ComboBox5->count(), 2);
  EXPECT_EQ(scan->ComboBox5->currentText().toStdString(), ports.Path("ttyUSB1"));
  EXPECT_EQ(scan->Label8->text(), kEnterParameters);
  EXPECT_EQ(scan->ProgressBar1->value(), 0);
}

// Each row breaks its own check and every one after it: the message must be the row's.
TEST_F(ScanRSDialogTest, TheChecksBeforeAScanFocusTheirBox)
{
  struct Row {
    const char* name;
    std::function<void(TScanRSDialog&)> breakIt;
    const char* message;
    std::function<QWidget*(TScanRSDialog&)> focused;
  };
  const Row rows[] = {
      {"no port", [](TScanRSDialog& d) { d.ComboBox5->setEditText(" "); }, "Выберите порт для связи с регистратором",
       [](TScanRSDialog& d) -> QWidget* { return d.ComboBox5; }},
      {"no baud rate", [](TScanRSDialog& d) { d.CheckListBox1->item(5)->setCheckState(Qt::Unchecked); },
       "Выберите скорость(ти) связи для сканирования", [](TScanRSDialog& d) -> QWidget* { return d.CheckListBox1; }},
      {"no parity", [](TScanRSDialog& d) { d.CheckListBox2->item(0)->setCheckState(Qt::Unchecked); },
       "Выберите контроль четность(ти) для сканирования",
       [](TScanRSDialog& d) -> QWidget* { return d.CheckListBox2; }},
      {"no stop bits", [](TScanRSDialog& d) { d.CheckListBox3->item(0)->setCheckState(Qt::Unchecked); },
       "Выберите количество стоп бит для сканирования", [](TScanRSDialog& d) -> QWidget* { return d.CheckListBox3; }},
  };
  Ready(1, 1);
  for (std::size_t first = 0; first < std::size(rows); ++first) {
    SCOPED_TRACE(rows[first].name);
    for (std::size_t i = first; i < std::size(rows); ++i) rows[i].breakIt(*scan);
    prompts.Answer(PromptResult::Ok);
    scan->Button1->click();
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back(), rows[first].message);
    EXPECT_EQ(prompts.Asked().back().message.icon, PromptIcon::Error);
    EXPECT_EQ(scan->focusWidget(), rows[first].focused(*scan));
    EXPECT_FALSE(scan->Scan().IsScanning());
    // Mended again for the next row.
    scan->ComboBox5->setEditText(QString::fromStdString(pty));
    Tick(scan->CheckListBox1, 5);
    Tick(scan->CheckListBox2, 0);
    Tick(scan->CheckListBox3, 0);
  }
  EXPECT_TRUE(server.Log().empty());
}

TEST_F(ScanRSThreadDialogTest, AScanListsTheDevicesAndEnds)
{
  AddDevice(2);
  Ready(1, 3);
  scan->Button1->click();
  EXPECT_FALSE(scan->ComboBox5->isEnabled());
  EXPECT_EQ(scan->Button1->text(), "Остановить");
  EXPECT_EQ(scan->ProgressBar1->maximum(), 3);
  ASSERT_TRUE(WaitIdle());

  EXPECT_EQ(scan->Label8->text(), "Сканирование завершено. Найдено 2 устройств.");
  EXPECT_EQ(scan->ProgressBar1->value(), 3);
  EXPECT_TRUE(scan->ComboBox5->isEnabled());
  EXPECT_EQ(scan->Button1->text(), "С&канировать сеть");
  ASSERT_EQ(scan->ListView1->topLevelItemCount(), 2);
  for (int row = 0; row < 2; ++row) {
    SCOPED_TRACE(row);
    const std::vector<std::string> texts = Row(row);
    EXPECT_EQ(texts[0], std::to_string(row + 1));
    EXPECT_EQ(texts[1].rfind(std::to_string(row + 1) + " @ " + pty + "-115200-нет-1 / ", 0), 0u) << texts[1];
    EXPECT_EQ(texts[2], kIdentified);
  }
  EXPECT_TRUE(prompts.Asked().empty());

  // Cleared, the list starts again from nothing: rows, records and the count.
  scan->btnClear->click();
  EXPECT_EQ(scan->ListView1->topLevelItemCount(), 0);
  EXPECT_TRUE(scan->Scan().Rows().empty());
  EXPECT_EQ(scan->Scan().FoundCount(), 0u);
  scan->Button1->click();
  ASSERT_TRUE(WaitIdle());
  ASSERT_EQ(scan->ListView1->topLevelItemCount(), 2);
  EXPECT_EQ(Row(0)[0], "1");
  EXPECT_EQ(scan->Label8->text(), "Сканирование завершено. Найдено 2 устройств.");
}

TEST_F(ScanRSThreadDialogTest, TypedNumbersAreClampedAndShownAsUsed)
{
  AddDevice(2);
  Ready(1, 1);
  SetText(scan->Edit1, "0");
  scan->Edit2->setValue(2);
  SetText(scan->Edit2, "abc");
  SetText(scan->Edit3, "5000");
  scan->Button1->click();
  EXPECT_EQ(Text(scan->Edit1), "1");
  EXPECT_EQ(Text(scan->Edit2), "2") << "not a number: the up-down's own position";
  EXPECT_EQ(Text(scan->Edit3), "1000");
  ASSERT_TRUE(WaitIdle());
  std::vector<int> units;
  for (const recsim::LogEntry& entry : server.Log()) units.push_back(entry.unit);
  EXPECT_EQ(units, (std::vector<int>{1, 2}));
  EXPECT_EQ(scan->Transport().ReplyTimeout(), 1000u);
}

TEST_F(ScanRSThreadDialogTest, StopKeepsWhatWasFound)
{
  Ready(1, 30, 1);  // 9600 baud: from address 2 on nobody answers
  scan->Button1->click();
  ASSERT_TRUE(WaitUntil([&] { return scan->ListView1->topLevelItemCount() == 1; }));
  // Stopped once the next probe is on the line: a frame cut short by the stop would
  // garble the next scan's first one, on this line as on a real bus.
  ASSERT_TRUE(WaitUntil([&] { return server.Log().size() >= 2; }));
  scan->Button1->click();
  EXPECT_FALSE(scan->Scan().IsScanning());
  EXPECT_EQ(scan->Label8->text(), "Сканирование завершено. Найдено 1 устройств.");
  EXPECT_EQ(scan->Button1->text(), "С&канировать сеть");
  EXPECT_TRUE(scan->ComboBox5->isEnabled());
  EXPECT_EQ(scan->ListView1->topLevelItemCount(), 1);
  const int written = Writes();
  EXPECT_LE(written, 3);
  EXPECT_FALSE(WaitUntil([&] { return Writes() > written; }, std::chrono::milliseconds(300)));

  // And again, to its end.
  scan->Edit2->setValue(1);
  scan->Button1->click();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(scan->ListView1->topLevelItemCount(), 2);
  EXPECT_EQ(scan->Label8->text(), "Сканирование завершено. Найдено 1 устройств.");
}

TEST_F(ScanRSThreadDialogTest, OkDuringAScanAsksWhetherToStopIt)
{
  Ready(1, 30, 1);
  scan->Button1->click();
  ASSERT_TRUE(WaitUntil([&] { return scan->ListView1->topLevelItemCount() == 1; }));
  prompts.Answer(PromptResult::No);
  scan->btnOK->click();
  ASSERT_EQ(Messages(), std::vector<std::string>{kStopScan});
  const AskedPrompt asked = prompts.Asked()[0];
  EXPECT_EQ(asked.message.icon, PromptIcon::Question);
  EXPECT_EQ(asked.message.buttons, PromptButtons::YesNoCancel);
  EXPECT_EQ(asked.message.defaultButton, PromptResult::No);
  EXPECT_TRUE(scan->Scan().IsScanning());
  EXPECT_TRUE(scan->isVisible());

  scan->ListView1->setCurrentItem(scan->ListView1->topLevelItem(0));
  prompts.Answer(PromptResult::Yes);
  scan->btnOK->click();
  EXPECT_FALSE(scan->Scan().IsScanning());
  EXPECT_EQ(scan->result(), QDialog::Accepted);
  ASSERT_EQ(scan->Results().size(), 1u);
  EXPECT_EQ(scan->Results()[0], (RSScanResultItem{pty, 9600, 0, 0, 1, true, kIdentified}));
}

TEST_F(ScanRSThreadDialogTest, ClosingDuringAScanStopsItWhenTheUserAgrees)
{
  Ready(2, 30, 1);
  scan->Button1->click();
  ASSERT_TRUE(WaitUntil([&] { return !server.Log().empty(); }));
  prompts.Answer(PromptResult::Cancel);
  scan->close();
  EXPECT_TRUE(scan->isVisible());
  EXPECT_TRUE(scan->Scan().IsScanning());

  prompts.Answer(PromptResult::Yes);
  scan->btnCancel->click();
  EXPECT_FALSE(scan->isVisible());
  EXPECT_FALSE(scan->Scan().IsScanning());
  EXPECT_EQ(scan->result(), QDialog::Rejected);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kStopScan, kStopScan}));
}

TEST_F(ScanRSThreadDialogTest, DestroyedDuringAScanItEndsTheScanFirst)
{
  Ready(2, 30, 1);
  scan->Button1->click();
  ASSERT_TRUE(WaitUntil([&] { return !server.Log().empty(); }));
  scan.reset();
  // Its thread is gone with it: nothing more goes out on the line.
  const int written = Writes();
  EXPECT_FALSE(WaitUntil([&] { return Writes() > written; }, std::chrono::milliseconds(400)));
}

TEST_F(ScanRSThreadDialogTest, APortThatCannotBeOpenedIsShown)
{
  Ready(1, 1);
  scan->ComboBox5->setEditText(QStringLiteral("/nonexistent/ttyKestrel"));
  prompts.Answer(PromptResult::Ok);
  scan->Button1->click();
  ASSERT_TRUE(WaitIdle());
  ASSERT_TRUE(WaitUntil([&] { return !Messages().empty(); }));
  EXPECT_EQ(Messages()[0].rfind("Error connecting to /nonexistent/ttyKestrel:\n", 0), 0u) << Messages()[0];
  EXPECT_EQ(prompts.Asked()[0].message.icon, PromptIcon::Error);
  EXPECT_EQ(scan->Label8->text(), "Сканирование завершено. Найдено 0 устройств.");
  EXPECT_TRUE(scan->ComboBox5->isEnabled());
}

TEST_F(ScanRSDialogTest, OkOnAnEmptyListFocusesTheScanButton)
{
  scan->show();
  prompts.Answer(PromptResult::Ok);
  scan->btnOK->click();
  EXPECT_EQ(Messages(), std::vector<std::string>{"Список найденных устройств пуст. Выполните сканирование сети."});
  EXPECT_EQ(scan->focusWidget(), scan->Button1);
  EXPECT_TRUE(scan->isVisible());
}

TEST_F(ScanRSDialogTest, TheChoicesGoThroughTheStoreAndBack)
{
  scan->show();
  Tick(scan->CheckListBox1, 1);
  Tick(scan->CheckListBox1, 6);
  Tick(scan->CheckListBox2, 2);
  Tick(scan->CheckListBox3, 1);
  scan->Edit1->setValue(5);
  SetText(scan->Edit2, "");  // saved as the up-down's position
  scan->Edit2->setValue(3);
  SetText(scan->Edit2, "");
  scan->Edit3->setValue(250);
  scan->ListView1->SetAddressWidth(200);
  scan->SaveSettings(kMirelKey);

  const std::string section = Registry::JoinKey(kMirelKey, "ScanRSDialog");
  Registry store;
  EXPECT_EQ(store.ReadValue(section, "9600"), RegistryValue::String("1"));
  EXPECT_EQ(store.ReadValue(section, "1200"), RegistryValue::String("0"));
  EXPECT_EQ(store.ReadValue(section, "230400"), RegistryValue::String("1"));
  EXPECT_EQ(store.ReadValue(section, "четный"), RegistryValue::String("1"));
  EXPECT_EQ(store.ReadValue(section, "нет"), RegistryValue::String("0"));
  EXPECT_EQ(store.ReadValue(section, "2"), RegistryValue::String("1"));
  EXPECT_EQ(store.ReadValue(section, "AddrStart"), RegistryValue::Dword(5));
  EXPECT_EQ(store.ReadValue(section, "AddrStop"), RegistryValue::Dword(3));
  EXPECT_EQ(store.ReadValue(section, "Timeout"), RegistryValue::Dword(250));
  EXPECT_EQ(store.ReadValue(Registry::JoinKey(kMirelKey, FormPlacementSection(*scan)), "LWidth"),
            RegistryValue::Dword(200));

  TScanRSDialog again(prompts, nullptr, ports.Source());
  again.LoadSettings(kMirelKey);
  EXPECT_EQ(again.CheckListBox1->item(1)->checkState(), Qt::Checked);
  EXPECT_EQ(again.CheckListBox1->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(again.CheckListBox1->item(6)->checkState(), Qt::Checked);
  EXPECT_EQ(again.CheckListBox2->item(2)->checkState(), Qt::Checked);
  EXPECT_EQ(again.CheckListBox3->item(1)->checkState(), Qt::Checked);
  EXPECT_EQ(again.CheckListBox3->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(again.Edit1->value(), 5);
  EXPECT_EQ(again.Edit2->value(), 3);
  EXPECT_EQ(again.Edit3->value(), 250);
  EXPECT_EQ(again.ListView1->AddressWidth(), 200);

  // Nothing stored: the designed values.
  Registry().DeleteKey(kMirelKey);
  TScanRSDialog fresh(prompts, nullptr, ports.Source());
  fresh.LoadSettings(kMirelKey);
  EXPECT_EQ(fresh.Edit1->value(), 1);
  EXPECT_EQ(fresh.Edit2->value(), 1);
  EXPECT_EQ(fresh.Edit3->value(), 100);
  EXPECT_EQ(fresh.CheckListBox1->item(1)->checkState(), Qt::Unchecked);
}

TEST_F(ScanRSDialogTest, ThePortListFollowsAdaptersPluggedInAndPulledOut)
{
  ports.Plug("ttyUSB0");
  scan->SetPortName(ports.Path("ttyUSB0"));
  scan->show();
  ports.Plug("ttyUSB1");
  ASSERT_TRUE(WaitUntil([&] { return scan->ComboBox5->count() == 2; }));
  EXPECT_EQ(scan->ComboBox5->currentText().toStdString(), ports.Path("ttyUSB0"));
  ports.Unplug("ttyUSB0");
  ASSERT_TRUE(WaitUntil([&] { return scan->ComboBox5->count() == 1; }));
  EXPECT_EQ(scan->ComboBox5->currentText(), "") << "a port that went away is not offered";
}

// The connection settings dialog's serial button shows the scan; the device picked
// there is the connection's port, line settings and address.
TEST_F(ScanRSThreadDialogTest, ThePickedDeviceReachesTheSettingsDialog)
{
  AddDevice(7);
  TScanEthDialog ethernet(prompts, DiscoveryTarget::Parse("127.0.0.1:9"));
  ConnectScans(Dialog(), *scan, ethernet);
  std::string givenPort;
  prompts.AnswerModal([&](QDialog& shown) {
    auto& serial = dynamic_cast<TScanRSDialog&>(shown);
    serial.show();
    givenPort = serial.ComboBox5->currentText().toStdString();
    serial.ComboBox5->setEditText(QString::fromStdString(pty));
    Tick(serial.CheckListBox1, 5);
    Tick(serial.CheckListBox2, 0);
    Tick(serial.CheckListBox3, 0);
    serial.Edit1->setValue(7);
    serial.Edit2->setValue(7);
    serial.Edit3->setValue(1000);
    serial.Button1->click();
    EXPECT_TRUE(WaitUntil([&] { return !serial.Scan().IsScanning(); }));
    serial.ListView1->setCurrentItem(serial.ListView1->topLevelItem(0));
    serial.btnOK->click();
    return serial.result();
  });
  server.Start();
  ports.Plug("ttyUSB0");
  TMBSetupDialog2& dialog = Shown();
  dialog.rbSerial->click();
  dialog.cbPort->setEditText(QString::fromStdString(ports.Path("ttyUSB0")));
  dialog.btnScanRS->click();
  EXPECT_EQ(givenPort, ports.Path("ttyUSB0")) << "the port in the settings box is preselected";
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const ConnectionSettings& s = dialog.Settings();
  EXPECT_EQ(s.Interface, ConnectionSettings::Serial);
  EXPECT_EQ(s.PortName, pty);
  EXPECT_EQ(s.BaudRate, 115200);
  EXPECT_EQ(s.Parity, 0);
  EXPECT_EQ(s.StopBits, 0);
  EXPECT_EQ(s.DeviceAddress, 7);
  EXPECT_TRUE(prompts.Faults().empty());
}
