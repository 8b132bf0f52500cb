#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>

#include <functional>

#include "SetupDialogFixture.h"
#include "app/core/ProgramSettings.h"
#include "modbus/CModbusEth.h"
#include "modbus/CModbusRTU.h"
#include "platform/Registry.h"

namespace {

const char kNoPort[] = "Выберите порт для связи с регистратором";
const char kNoBaudRate[] = "Выберите скорость порта для связи с регистратором";
const char kNoParity[] = "Выберите режим контроля четности для связи с регистратором";
const char kNoStopBits[] = "Выберите количество стоповых бит для связи с регистратором";
const char kAddress1To247[] = "Ошибка. Введите значение от 1 до 247";
const char kAddress0To247[] = "Ошибка. Введите значение от 0 до 247";
const char kTimeout1To200[] =
    "Введите максимальное время ожидания (таймаут) ответа от регистратора - значение от 1 до 200 секунд";
const char kNoAddress[] = "Введите адрес регистратора";

const char kMirelKey[] = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";

ConnectionSettings SomeSettings()
{
  ConnectionSettings s;
  s.Interface = ConnectionSettings::Ethernet;
  s.PortName = "/dev/ttyUSB3";
  s.BaudRate = 38400;
  s.Parity = 1;
  s.StopBits = 1;
  s.DeviceAddress = 42;
  s.RtuTimeout = 7;
  s.EthAddress = "mbudp://10.1.2.3:1502";
  s.EthTimeout = 15;
  return s;
}

}  // namespace

TEST_F(SetupDialogTest, WithNothingStoredItOpensOnTheSerialLineAndRefusesOK)
{
  Dialog().LoadSettings(kMirelKey);  // an empty store
  TMBSetupDialog2& dialog = Shown();

  EXPECT_EQ(dialog.windowTitle(), "Настройки");
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "a fixed border";
  EXPECT_TRUE(dialog.rbSerial->isChecked());
  EXPECT_TRUE(dialog.gbSerial->isVisible());
  EXPECT_FALSE(dialog.gbEthernet->isVisible());
  EXPECT_EQ(dialog.cbPort->currentText(), "");
  EXPECT_EQ(dialog.cbBaudRate->currentIndex(), -1);
  EXPECT_EQ(dialog.cbParity->currentText(), "нет");
  EXPECT_EQ(dialog.cbStopBits->currentText(), "1");
  EXPECT_EQ(dialog.seAddress->text(), "1");
  EXPECT_EQ(dialog.seRtuTimeout->value(), 10);
  EXPECT_EQ(dialog.seEthTimeout->value(), 10);
  EXPECT_FALSE(dialog.btnScanRS->isEnabled()) << "no scan is installed";
  EXPECT_FALSE(dialog.btnScanEth->isEnabled());

  prompts.Answer(PromptResult::Ok);
  dialog.btnOK->click();
  const auto asked = prompts.Asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].message.text, kNoPort);
  EXPECT_EQ(asked[0].caption, "Kestrel");
  EXPECT_EQ(asked[0].message.icon, PromptIcon::Error);
  EXPECT_EQ(asked[0].message.buttons, PromptButtons::Ok);
  EXPECT_EQ(asked[0].owner, &dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.focusWidget(), dialog.cbPort);
  EXPECT_TRUE(prompts.Faults().empty());
}

TEST_F(SetupDialogTest, TheFormsTexts)
{
  TMBSetupDialog2& dialog = Shown();
  std::vector<std::string> labels;
  for (QLabel* label : dialog.gbSerial->findChildren<QLabel*>()) labels.push_back(label->text().toStdString());
  EXPECT_EQ(labels, (std::vector<std::string>{"&Порт", "&Скорость", "&Контроль четности", "С&топовые биты",
                                              "&Адрес устройства", "Таймаут о&твета, сек"}));
  labels.clear();
  for (QLabel* label : dialog.gbEthernet->findChildren<QLabel*>()) labels.push_back(label->text().toStdString());
  EXPECT_EQ(labels, (std::vector<std::string>{"Адр&ес", "Таймаут о&твета, сек"}));
  EXPECT_EQ(dialog.gbInterface->title(), "Интерфейс");
  EXPECT_EQ(dialog.rbSerial->text(), "RS-485/RS-232");
  EXPECT_EQ(dialog.rbEthernet->text(), "Ethernet");
  EXPECT_EQ(dialog.gbSerial->title(), "Параметры соединения");
  EXPECT_EQ(dialog.gbEthernet->title(), "Параметры соединения");
  EXPECT_EQ(dialog.btnScanRS->text(), "Сканировать сеть");
  EXPECT_EQ(dialog.btnScanEth->text(), "Сканировать сеть");
  EXPECT_EQ(dialog.btnOK->text(), "OK");
  EXPECT_TRUE(dialog.btnOK->isDefault());
  EXPECT_EQ(dialog.btnCancel->text(), "Отмена");

  QStringList items;
  for (int i = 0; i < dialog.cbBaudRate->count(); ++i) items << dialog.cbBaudRate->itemText(i);
  EXPECT_EQ(items.join(' '), "1200 9600 19200 38400 57600 115200 230400");
  items.clear();
  for (int i = 0; i < dialog.cbParity->count(); ++i) items << dialog.cbParity->itemText(i);
  EXPECT_EQ(items.join(' '), "нет нечетный четный");
  EXPECT_EQ(dialog.cbStopBits->count(), 2);

  EXPECT_EQ(dialog.seAddress->minimum(), 1);
  EXPECT_EQ(dialog.seAddress->maximum(), 247);
  for (QSpinBox* timeout : {dialog.seRtuTimeout, dialog.seEthTimeout}) {
    EXPECT_EQ(timeout->minimum(), 1);
    EXPECT_EQ(timeout->maximum(), 200);
    EXPECT_EQ(timeout->toolTip(),
              "Таймаут ожидания ответа от регистратора, секунды\nДля надежной связи при наличии промежуточных узлов "
              "на линии связи может потребоваться увеличить значение таймаута");
    EXPECT_EQ(timeout->findChild<QLineEdit*>()->placeholderText(), "введите значение");
  }
}

// Each row breaks its own check and every check after it: the message must be the row's,
// so a check that ran too early would show.
TEST_F(SetupDialogTest, OkChecksTheSerialLineInOrder)
{
  ports.Plug("ttyUSB0");
  struct Row {
    const char* name;
    std::function<void(TMBSetupDialog2&)> breakIt;
    const char* message;
    std::function<QWidget*(TMBSetupDialog2&)> focused;
  };
  const Row rows[] = {
      {"blank port", [](TMBSetupDialog2& d) { d.cbPort->setEditText("  "); }, kNoPort,
       [](TMBSetupDialog2& d) -> QWidget* { return d.cbPort; }},
      {"no baud rate", [](TMBSetupDialog2& d) { d.cbBaudRate->setCurrentIndex(-1); }, kNoBaudRate,
       [](TMBSetupDialog2& d) -> QWidget* { return d.cbBaudRate; }},
      {"no parity", [](TMBSetupDialog2& d) { d.cbParity->setCurrentIndex(-1); }, kNoParity,
       [](TMBSetupDialog2& d) -> QWidget* { return d.cbParity; }},
      {"no stop bits", [](TMBSetupDialog2& d) { d.cbStopBits->setCurrentIndex(-1); }, kNoStopBits,
       [](TMBSetupDialog2& d) -> QWidget* { return d.cbStopBits; }},
      {"address above 247", [](TMBSetupDialog2& d) { SetEditText(d.seAddress, "248"); }, kAddress1To247,
       [](TMBSetupDialog2& d) -> QWidget* { return d.seAddress; }},
      {"timeout empty", [](TMBSetupDialog2& d) { SetEditText(d.seRtuTimeout, ""); }, kTimeout1To200,
       [](TMBSetupDialog2& d) -> QWidget* { return d.seRtuTimeout; }},
  };
  const std::size_t count = std::size(rows);
  for (std::size_t first = 0; first < count; ++first) {
    SCOPED_TRACE(rows[first].name);
    ConnectionSettings valid;
    valid.PortName = ports.Path("ttyUSB0");
    valid.BaudRate = 9600;
    valid.DeviceAddress = 5;
    Fresh fresh(ports.Source(), valid);
    auto& [local, dialog] = fresh;
    for (std::size_t i = first; i < count; ++i) rows[i].breakIt(dialog);
    local.Answer(PromptResult::Ok);
    dialog.btnOK->click();
    ASSERT_EQ(local.Asked().size(), 1u);
    EXPECT_EQ(local.Asked()[0].message.text, rows[first].message);
    EXPECT_EQ(dialog.focusWidget(), rows[first].focused(dialog));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Settings(), valid) << "a refused OK changes no field";
  }
}

TEST_F(SetupDialogTest, OkChecksTheRangesTheDialogShows)
{
  struct Row {
    const char* name;
    int addressMinimum;
    const char* address;
    const char* timeout;
    const char* message;  // nullptr: accepted
  };
  const Row rows[] = {
      {"address 0 where 1 is the lowest", 1, "0", "10", kAddress1To247},
      {"address 0 where the broadcast is allowed", 0, "0", "10", nullptr},
      {"address 248 where 0 is the lowest", 0, "248", "10", kAddress0To247},
      {"address empty", 1, "", "10", kAddress1To247},
      {"address 247, the highest", 1, "247", "10", nullptr},
      {"timeout 0", 1, "1", "0", kTimeout1To200},
      {"timeout 201", 1, "1", "201", kTimeout1To200},
      {"timeout 200, the highest", 1, "1", "200", nullptr},
  };
  ports.Plug("ttyS0");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConnectionSettings s;
    s.PortName = ports.Path("ttyS0");
    s.BaudRate = 115200;
    Fresh fresh(ports.Source(), s, {}, row.addressMinimum);
    auto& [local, dialog] = fresh;
    SetEditText(dialog.seAddress, row.address);
    SetEditText(dialog.seRtuTimeout, row.timeout);
    if (row.message) local.Answer(PromptResult::Ok);
    dialog.btnOK->click();
    if (!row.message) {
      EXPECT_TRUE(local.Asked().empty());
      EXPECT_EQ(dialog.result(), QDialog::Accepted);
      EXPECT_EQ(dialog.Settings().DeviceAddress, std::stoi(row.address));
      EXPECT_EQ(dialog.Settings().RtuTimeout, std::stoi(row.timeout));
      continue;
    }
    ASSERT_EQ(local.Asked().size(), 1u);
    EXPECT_EQ(local.Asked()[0].message.text, row.message);
    EXPECT_TRUE(dialog.isVisible());
  }
}

TEST_F(SetupDialogTest, OkChecksTheEthernetAddressThenItsTimeout)
{
  struct Row {
    const char* name;
    const char* address;
    const char* timeout;
    const char* message;
  };
  const Row rows[] = {
      {"empty address, bad timeout too", "", "0", kNoAddress},
      {"blank address", "   ", "10", kNoAddress},
      {"timeout empty", "10.0.0.1", "", kTimeout1To200},
      {"timeout above 200", "10.0.0.1", "999", kTimeout1To200},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConnectionSettings s;
    s.Interface = ConnectionSettings::Ethernet;
    Fresh fresh(ports.Source(), s);
    auto& [local, dialog] = fresh;
    dialog.cbEthAddress->setEditText(row.address);
    SetEditText(dialog.seEthTimeout, row.timeout);
    local.Answer(PromptResult::Ok);
    dialog.btnOK->click();
    ASSERT_EQ(local.Asked().size(), 1u);
    EXPECT_EQ(local.Asked()[0].message.text, row.message);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Settings(), s);
    EXPECT_TRUE(dialog.AddressHistory().empty());
  }
}

TEST_F(SetupDialogTest, OkTakesTheSerialChoiceAndLeavesEthernetAlone)
{
  ports.Plug("ttyUSB0");
  ports.Plug("ttyUSB1");
  const ConnectionSettings before = SomeSettings();
  Dialog().SetSettings(before);
  TMBSetupDialog2& dialog = Shown();
  dialog.rbSerial->click();
  EXPECT_TRUE(dialog.gbSerial->isVisible());
  EXPECT_FALSE(dialog.gbEthernet->isVisible());
  dialog.cbPort->setCurrentIndex(dialog.cbPort->findText(QString::fromStdString(ports.Path("ttyUSB1"))));
  dialog.cbBaudRate->setCurrentIndex(2);  // 19200
  dialog.cbParity->setCurrentIndex(2);    // четный
  dialog.cbStopBits->setCurrentIndex(1);  // 2
  dialog.seAddress->setValue(17);
  dialog.seRtuTimeout->setValue(25);
  dialog.btnOK->click();

  EXPECT_TRUE(prompts.Asked().empty());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());
  ConnectionSettings expected = before;
  expected.Interface = ConnectionSettings::Serial;
  expected.PortName = ports.Path("ttyUSB1");
  expected.BaudRate = 19200;
  expected.Parity = 2;
  expected.StopBits = 1;
  expected.DeviceAddress = 17;
  expected.RtuTimeout = 25;
  EXPECT_EQ(dialog.Settings(), expected);
}

TEST_F(SetupDialogTest, OkTakesTheEthernetChoiceAndLeavesTheSerialLineAlone)
{
  ConnectionSettings before = SomeSettings();
  before.Interface = ConnectionSettings::Serial;
  Dialog().SetSettings(before);
  TMBSetupDialog2& dialog = Shown();
  dialog.rbEthernet->click();
  EXPECT_TRUE(dialog.gbEthernet->isVisible());
  EXPECT_FALSE(dialog.gbSerial->isVisible());
  dialog.cbEthAddress->setEditText(" mbtcp://192.168.0.10:502 ");
  dialog.seEthTimeout->setValue(3);
  dialog.btnOK->click();

  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  ConnectionSettings expected = before;
  expected.Interface = ConnectionSettings::Ethernet;
  expected.EthAddress = "mbtcp://192.168.0.10:502";
  expected.EthTimeout = 3;
  EXPECT_EQ(dialog.Settings(), expected);
  EXPECT_EQ(dialog.AddressHistory(), std::vector<std::string>{"mbtcp://192.168.0.10:502"});
}

TEST_F(SetupDialogTest, CancelLeavesEveryFieldAsItWas)
{
  ports.Plug("ttyUSB0");
  const ConnectionSettings before = SomeSettings();
  Dialog().SetSettings(before);
  Dialog().SetAddressHistory({"10.0.0.1"});
  TMBSetupDialog2& dialog = Shown();
  dialog.rbSerial->click();
  dialog.cbPort->setCurrentIndex(0);
  dialog.cbBaudRate->setCurrentIndex(0);
  dialog.cbEthAddress->setEditText("10.0.0.99");
  dialog.btnCancel->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(dialog.Settings(), before);
  EXPECT_EQ(dialog.AddressHistory(), std::vector<std::string>{"10.0.0.1"});
}

TEST_F(SetupDialogTest, ShowingSelectsWhatIsStored)
{
  ports.Plug("ttyUSB0");
  struct Row {
    const char* name;
    std::function<void(ConnectionSettings&)> change;
    const char* port;
    int baudIndex;
    int parityIndex;
    int stopIndex;
  };
  const std::string listed = ports.Path("ttyUSB0");
  const Row rows[] = {
      {"listed port, 57600, odd, two", [&](ConnectionSettings& s) { s.PortName = listed; s.BaudRate = 57600; s.Parity = 1; s.StopBits = 1; },
       listed.c_str(), 4, 1, 1},
      {"port gone, odd rate", [](ConnectionSettings& s) { s.PortName = "/dev/ttyUSB9"; s.BaudRate = 12345; },
       "", -1, 0, 0},
      {"other parity is even, other stop bits one", [](ConnectionSettings& s) { s.BaudRate = 230400; s.Parity = 7; s.StopBits = 5; },
       "", 6, 2, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConnectionSettings s;
    row.change(s);
    Fresh fresh(ports.Source(), s);
    TMBSetupDialog2& dialog = fresh.dialog;
    EXPECT_EQ(dialog.cbPort->currentText().toStdString(), row.port);
    EXPECT_EQ(dialog.cbBaudRate->currentIndex(), row.baudIndex);
    EXPECT_EQ(dialog.cbParity->currentIndex(), row.parityIndex);
    EXPECT_EQ(dialog.cbStopBits->currentIndex(), row.stopIndex);
  }
}

TEST_F(SetupDialogTest, ShowingTheEthernetInterface)
{
  Dialog().SetSettings(SomeSettings());
  Dialog().SetAddressHistory({"10.0.0.2", "mbudp://10.1.2.3:1502"});
  TMBSetupDialog2& dialog = Shown();
  EXPECT_TRUE(dialog.rbEthernet->isChecked());
  EXPECT_TRUE(dialog.gbEthernet->isVisible());
  EXPECT_FALSE(dialog.gbSerial->isVisible());
  EXPECT_EQ(dialog.cbEthAddress->currentText(), "mbudp://10.1.2.3:1502");
  EXPECT_EQ(dialog.cbEthAddress->lineEdit()->selectedText(), "mbudp://10.1.2.3:1502");
  ASSERT_EQ(dialog.cbEthAddress->count(), 2);
  EXPECT_EQ(dialog.cbEthAddress->itemText(0), "10.0.0.2");
  EXPECT_EQ(dialog.seAddress->value(), 42);
  EXPECT_EQ(dialog.seRtuTimeout->value(), 7);
  EXPECT_EQ(dialog.seEthTimeout->value(), 15);
}

// Every showing starts where the user types: in the chosen interface's address
// (Ethernet) or port (serial), its text selected, so that typing replaces it, wherever
// the focus was when the dialog last closed.
TEST_F(SetupDialogTest, EveryShowingStartsInTheAddressOrThePortOfTheInterface)
{
  ports.Plug("ttyUSB0");
  const std::string port = ports.Path("ttyUSB0");
  struct Row {
    const char* name;
    int interfaceItem;
    QComboBox* TMBSetupDialog2::*box;
    QRadioButton* TMBSetupDialog2::*radio;
    QPushButton* TMBSetupDialog2::*close;
    std::string text;  // the box's text at every showing, and what the user types there
  };
  const Row rows[] = {
      {"Ethernet, closed with Отмена", ConnectionSettings::Ethernet, &TMBSetupDialog2::cbEthAddress,
       &TMBSetupDialog2::rbEthernet, &TMBSetupDialog2::btnCancel, "mbtcp://10.0.0.5:1502"},
      {"serial, closed with OK", ConnectionSettings::Serial, &TMBSetupDialog2::cbPort, &TMBSetupDialog2::rbSerial,
       &TMBSetupDialog2::btnOK, port},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConnectionSettings s;
    s.Interface = row.interfaceItem;
    s.PortName = port;
    s.BaudRate = 9600;
    s.EthAddress = "mbtcp://10.0.0.5:1502";
    Fresh fresh(ports.Source(), s);
    TMBSetupDialog2& dialog = fresh.dialog;
    QComboBox* box = dialog.*row.box;
    for (const char* showing : {"first showing", "second showing"}) {
      SCOPED_TRACE(showing);
      QApplication::setActiveWindow(&dialog);
      QWidget* focused = QApplication::focusWidget();
      ASSERT_NE(focused, nullptr);
      EXPECT_EQ(focused, box) << "the focus is on " << focused->metaObject()->className();
      EXPECT_EQ(box->lineEdit()->selectedText().toStdString(), row.text);
      QTest::keyClicks(focused, QString::fromStdString(row.text));
      EXPECT_EQ(box->currentText().toStdString(), row.text);
      // A click on the radio button takes the focus there; the dialog closes from a button.
      QTest::mouseClick(dialog.*row.radio, Qt::LeftButton);
      QTest::mouseClick(dialog.*row.close, Qt::LeftButton);
      ASSERT_FALSE(dialog.isVisible());
      dialog.show();
    }
  }
}

TEST_F(SetupDialogTest, AnInterfaceNeitherSerialNorEthernetWaitsForAChoice)
{
  ConnectionSettings s = SomeSettings();
  s.Interface = 3;
  Dialog().SetSettings(s);
  TMBSetupDialog2& dialog = Shown();
  EXPECT_FALSE(dialog.rbSerial->isChecked());
  EXPECT_FALSE(dialog.rbEthernet->isChecked());
  EXPECT_FALSE(dialog.gbSerial->isVisible());
  EXPECT_FALSE(dialog.gbEthernet->isVisible());
  dialog.btnOK->click();
  EXPECT_TRUE(prompts.Asked().empty());
  EXPECT_TRUE(dialog.isVisible());
  dialog.rbEthernet->click();
  EXPECT_TRUE(dialog.gbEthernet->isVisible());
  dialog.btnOK->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Settings().Interface, ConnectionSettings::Ethernet);
}

TEST_F(SetupDialogTest, OkKeepsTheAddressHistoryNewestFirst)
{
  const std::vector<std::string> nine{"a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "a9"};
  struct Row {
    const char* name;
    std::vector<std::string> before;
    const char* typed;
    std::vector<std::string> after;
  };
  const Row rows[] = {
      {"new address on an empty list", {}, "10.0.0.1", {"10.0.0.1"}},
      {"a listed address keeps its place", {"a1", "a2", "a3"}, "a3", {"a1", "a2", "a3"}},
      {"a new address goes first", {"a1", "a2"}, "b", {"b", "a1", "a2"}},
      {"eight listed: nine after", {"a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8"}, "b",
       {"b", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8"}},
      {"nine listed: the last one goes", nine, "b", {"b", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8"}},
      {"more than nine from the shared store", {"a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "a9", "a10", "a11"},
       "b", {"b", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConnectionSettings s;
    s.Interface = ConnectionSettings::Ethernet;
    Fresh fresh(ports.Source(), s, row.before);
    TMBSetupDialog2& dialog = fresh.dialog;
    dialog.cbEthAddress->setEditText(row.typed);
    dialog.btnOK->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.AddressHistory(), row.after);
    std::vector<std::string> items;
    for (int i = 0; i < dialog.cbEthAddress->count(); ++i) items.push_back(dialog.cbEthAddress->itemText(i).toStdString());
    EXPECT_EQ(items, row.after) << "the box lists the history";
    EXPECT_EQ(dialog.cbEthAddress->currentText().toStdString(), row.typed);
  }
}

TEST_F(SetupDialogTest, TheSettingsGoThroughTheStoreAndBack)
{
  ProgramSettings settings;
  TMBSetupDialog2& saved = Dialog();
  settings.Join(kSettingsKey, saved);
  const ConnectionSettings stored = SomeSettings();
  saved.SetSettings(stored);
  saved.SetAddressHistory({"mbudp://10.1.2.3:1502", "host name", "a,b", "q\"z"});
  ASSERT_TRUE(settings.Save());

  // The sibling program reads these values: integers as decimal text, the list as one text.
  Registry registry;
  const std::string mb = Registry::JoinKey(kMirelKey, "MB");
  const std::string setup = Registry::JoinKey(kMirelKey, "MBSetup");
  const std::pair<std::string, std::string> mbValues[] = {
      {"if", "1"},          {"rtu_device", "/dev/ttyUSB3"}, {"rtu_baudrate", "38400"},
      {"rtu_parity", "1"},  {"rtu_stopbits", "1"},          {"rtu_address", "42"},
      {"rtu_timeout", "7"}, {"tcp_device", "mbudp://10.1.2.3:1502"},
  };
  for (const auto& [name, text] : mbValues) {
    SCOPED_TRACE(name);
    EXPECT_EQ(registry.ReadValue(mb, name), RegistryValue::String(text));
  }
  EXPECT_EQ(registry.ReadValue(setup, "EthAddressMRU"),
            RegistryValue::String("mbudp://10.1.2.3:1502,\"host name\",\"a,b\",\"q\"\"z\""));
  EXPECT_EQ(registry.ReadValue(setup, "EthTimeout"), RegistryValue::String("15"));

  ScriptedPrompts other;
  TMBSetupDialog2 loaded(other, nullptr, ports.Source());
  ProgramSettings again;
  again.Join(kSettingsKey, loaded);
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(loaded.Settings(), stored);
  EXPECT_EQ(loaded.AddressHistory(), (std::vector<std::string>{"mbudp://10.1.2.3:1502", "host name", "a,b", "q\"z"}));
}

TEST_F(SetupDialogTest, LoadingKeepsAFieldWhoseValueIsMissingOrNotANumber)
{
  {
    TRegIniFile ini(kMirelKey);
    ini.WriteString("MB", "rtu_baudrate", "fast");
    ini.WriteString("MB", "rtu_address", "12");
    ini.WriteString("MBSetup", "EthAddressMRU", "10.0.0.1,,10.0.0.2");
  }
  const ConnectionSettings before = SomeSettings();
  Dialog().SetSettings(before);
  Dialog().LoadSettings(kMirelKey);
  ConnectionSettings expected = before;
  expected.DeviceAddress = 12;
  EXPECT_EQ(Dialog().Settings(), expected);
  EXPECT_EQ(Dialog().AddressHistory(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2"})) << "no empty entry";
}

TEST_F(SetupDialogTest, ADamagedStoreRaisesAndChangesNothing)
{
  WriteFileBytes((dir_.path() / "config" / "registry.txt").string(), "[SOFTWARE\n");
  const ConnectionSettings before = SomeSettings();
  Dialog().SetSettings(before);
  Dialog().SetAddressHistory({"10.0.0.1"});
  EXPECT_THROW(Dialog().LoadSettings(kMirelKey), ERegistryException);
  EXPECT_THROW(Dialog().SaveSettings(kMirelKey), ERegistryException);
  EXPECT_EQ(Dialog().Settings(), before);
  EXPECT_EQ(Dialog().AddressHistory(), std::vector<std::string>{"10.0.0.1"});
  // The program's settings step swallows it.
  ProgramSettings settings;
  settings.Join(kSettingsKey, Dialog());
  EXPECT_FALSE(settings.Load());
}

TEST_F(SetupDialogTest, TheSerialScanClosesTheDialogWithItsDevice)
{
  ports.Plug("ttyUSB0");
  ConnectionSettings before = SomeSettings();
  Dialog().SetSettings(before);
  std::vector<std::string> given;
  std::optional<TMBSetupDialog2::SerialScanChoice> answer;
  Dialog().SetSerialScan([&](const std::string& port) {
    given.push_back(port);
    return answer;
  });
  TMBSetupDialog2& dialog = Shown();
  EXPECT_TRUE(dialog.btnScanRS->isEnabled());
  dialog.rbSerial->click();
  dialog.cbPort->setEditText(QString::fromStdString(ports.Path("ttyUSB0")));
  dialog.cbBaudRate->setCurrentIndex(-1);  // OK would refuse this; the scan does not check

  dialog.btnScanRS->click();  // cancelled
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.Settings(), before);

  answer = TMBSetupDialog2::SerialScanChoice{"/dev/ttyUSB5", 115200, 2, 1, 33};
  dialog.btnScanRS->click();
  EXPECT_EQ(given, (std::vector<std::string>{ports.Path("ttyUSB0"), ports.Path("ttyUSB0")}));
  EXPECT_TRUE(prompts.Asked().empty());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());
  ConnectionSettings expected = before;
  expected.Interface = ConnectionSettings::Serial;
  expected.PortName = "/dev/ttyUSB5";
  expected.BaudRate = 115200;
  expected.Parity = 2;
  expected.StopBits = 1;
  expected.DeviceAddress = 33;
  EXPECT_EQ(dialog.Settings(), expected) << "the reply timeout stays as stored";
}

TEST_F(SetupDialogTest, TheEthernetScanClosesTheDialogWithTheDiscoveredAddress)
{
  ConnectionSettings before = SomeSettings();
  before.Interface = ConnectionSettings::Serial;
  Dialog().SetSettings(before);
  Dialog().SetAddressHistory({"10.0.0.1"});
  Dialog().SetEthernetScan([] { return std::optional<std::string>("192.168.1.77"); });
  TMBSetupDialog2& dialog = Shown();
  EXPECT_TRUE(dialog.btnScanEth->isEnabled());
  dialog.rbEthernet->click();
  SetEditText(dialog.seEthTimeout, "");  // OK would refuse this
  dialog.btnScanEth->click();

  EXPECT_TRUE(prompts.Asked().empty());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(dialog.rbEthernet->isChecked());
  EXPECT_EQ(dialog.cbEthAddress->currentText(), "192.168.1.77");
  ConnectionSettings expected = before;
  expected.Interface = ConnectionSettings::Ethernet;
  expected.EthAddress = "192.168.1.77";
  EXPECT_EQ(dialog.Settings(), expected) << "the reply timeout stays as stored";
  EXPECT_EQ(dialog.AddressHistory(), (std::vector<std::string>{"192.168.1.77", "10.0.0.1"}));
}

TEST_F(SetupDialogTest, ThePortListFollowsAdaptersPluggedInAndPulledOut)
{
  ports.Plug("ttyUSB0");
  ports.Plug("ttyS10");
  ports.Plug("ttyS2");
  TMBSetupDialog2& dialog = Shown();
  auto listed = [&dialog] {
    std::vector<std::string> items;
    for (int i = 0; i < dialog.cbPort->count(); ++i) items.push_back(dialog.cbPort->itemText(i).toStdString());
    return items;
  };
  EXPECT_EQ(listed(), (std::vector<std::string>{ports.Path("ttyS2"), ports.Path("ttyS10"), ports.Path("ttyUSB0")}));
  dialog.cbPort->setCurrentIndex(2);

  ports.Plug("ttyUSB1");
  ASSERT_TRUE(WaitUntil([&] { return dialog.cbPort->count() == 4; }));
  EXPECT_EQ(dialog.cbPort->currentText().toStdString(), ports.Path("ttyUSB0")) << "a listed port stays chosen";

  ports.Unplug("ttyUSB0");
  ASSERT_TRUE(WaitUntil([&] { return dialog.cbPort->count() == 3; }));
  EXPECT_EQ(dialog.cbPort->currentText(), "") << "the pulled adapter is no longer offered";

  // A path typed by hand that no list ever held (a pseudo-terminal) is the user's own.
  dialog.cbPort->setEditText("/dev/pts/7");
  ports.Unplug("ttyUSB1");
  ASSERT_TRUE(WaitUntil([&] { return dialog.cbPort->count() == 2; }));
  EXPECT_EQ(dialog.cbPort->currentText(), "/dev/pts/7");

  // Hidden, the dialog stops watching; showing lists anew.
  dialog.hide();
  ports.Plug("ttyACM0");
  dialog.show();
  EXPECT_EQ(listed(), (std::vector<std::string>{ports.Path("ttyACM0"), ports.Path("ttyS2"), ports.Path("ttyS10")}));
}

TEST_F(SetupDialogTest, TheConnectionOfAnUpdateComesFromTheShownDialog)
{
  ports.Plug("ttyUSB0");
  ConnectionSettings s;
  s.PortName = ports.Path("ttyUSB0");
  s.BaudRate = 9600;
  s.DeviceAddress = 5;
  Dialog().SetSettings(s);

  int minimumSeen = -1;
  prompts.AnswerModal([&](QDialog& shown) {
    auto& dialog = dynamic_cast<TMBSetupDialog2&>(shown);
    dialog.show();
    minimumSeen = dialog.seAddress->minimum();
    SetEditText(dialog.seAddress, "0");
    dialog.btnOK->click();
    return dialog.result();
  });
  std::unique_ptr<ModbusMaster::CBaseModbus> transport;
  std::uint8_t unit = 99;
  ASSERT_TRUE(CreateConnectionFromSettings(Dialog(), transport, unit, true));
  EXPECT_EQ(minimumSeen, 0);
  auto* rtu = dynamic_cast<ModbusMaster::CModbusRTU*>(transport.get());
  ASSERT_NE(rtu, nullptr);
  EXPECT_EQ(rtu->PortName(), ports.Path("ttyUSB0"));
  EXPECT_EQ(unit, 0);

  // The Update action allows no broadcast address; a cancelled dialog builds nothing.
  prompts.AnswerModal([&](QDialog& shown) {
    auto& dialog = dynamic_cast<TMBSetupDialog2&>(shown);
    minimumSeen = dialog.seAddress->minimum();
    return static_cast<int>(QDialog::Rejected);
  });
  ModbusMaster::CBaseModbus* kept = transport.get();
  EXPECT_FALSE(CreateConnectionFromSettings(Dialog(), transport, unit, false));
  EXPECT_EQ(minimumSeen, 1);
  EXPECT_EQ(transport.get(), kept);
  EXPECT_EQ(unit, 0);
  EXPECT_TRUE(prompts.Faults().empty());
}

// What the user types into an address box is the address used: no listed address that
// begins with it takes its place, and Enter presses OK at once.
TEST_F(SetupDialogTest, TheTypedAddressIsUsedNotAListedOneThatBeginsWithIt)
{
  ports.Plug("ttyUSB1");
  ports.Plug("ttyUSB10");
  struct Row {
    const char* name;
    bool serial;
    std::vector<std::string> history;
    std::string typed;
    int closingKey;  // 0: a click on OK
  };
  const Row rows[] = {
      {"a port of the simulator, Enter", false, {"mbtcp://127.0.0.1:1510"}, "mbtcp://127.0.0.1:1", Qt::Key_Return},
      {"two recorders on a site, Enter", false, {"192.168.0.10", "10.0.0.1"}, "192.168.0.1", Qt::Key_Enter},
      {"two recorders on a site, OK clicked", false, {"192.168.0.10"}, "192.168.0.1", 0},
      {"a serial port", true, {}, ports.Path("ttyUSB1"), Qt::Key_Return},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConnectionSettings s;
    s.Interface = row.serial ? ConnectionSettings::Serial : ConnectionSettings::Ethernet;
    s.BaudRate = 9600;
    // The port box lists ttyUSB10 after ttyUSB1: the completion would offer it.
    s.PortName = row.serial ? ports.Path("ttyUSB10") : "";
    Fresh fresh(ports.Source(), s, row.history);
    TMBSetupDialog2& dialog = fresh.dialog;
    QApplication::setActiveWindow(&dialog);
    QLineEdit* edit = (row.serial ? dialog.cbPort : dialog.cbEthAddress)->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(row.typed));
    EXPECT_EQ(edit->text().toStdString(), row.typed);
    if (row.closingKey)
      QTest::keyClick(edit, static_cast<Qt::Key>(row.closingKey));
    else
      QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << "one Enter closes the dialog";
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(row.serial ? dialog.Settings().PortName : dialog.Settings().EthAddress, row.typed);
    EXPECT_TRUE(fresh.prompts.Asked().empty());
  }
}

// An up-down emptied or set out of its range and left there: OK, clicked with the mouse
// (the focus leaves the box first) or pressed with Enter in the box, refuses what the
// box shows, and the box keeps showing it.
TEST_F(SetupDialogTest, OkChecksWhatTheUserLeftInAnUpDown)
{
  ports.Plug("ttyS0");
  struct Row {
    const char* name;
    bool serial;
    QSpinBox* TMBSetupDialog2::*box;
    const char* typed;
    bool enter;
    const char* message;
  };
  const Row rows[] = {
      {"serial timeout emptied, OK clicked", true, &TMBSetupDialog2::seRtuTimeout, "", false, kTimeout1To200},
      {"Ethernet timeout emptied, OK clicked", false, &TMBSetupDialog2::seEthTimeout, "", false, kTimeout1To200},
      {"Ethernet timeout emptied, Enter", false, &TMBSetupDialog2::seEthTimeout, "", true, kTimeout1To200},
      {"Ethernet timeout 0, OK clicked", false, &TMBSetupDialog2::seEthTimeout, "0", false, kTimeout1To200},
      {"address emptied, OK clicked", true, &TMBSetupDialog2::seAddress, "", false, kAddress1To247},
      {"address 0, Enter", true, &TMBSetupDialog2::seAddress, "0", true, kAddress1To247},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConnectionSettings s;
    s.Interface = row.serial ? ConnectionSettings::Serial : ConnectionSettings::Ethernet;
    s.PortName = ports.Path("ttyS0");
    s.BaudRate = 9600;
    s.EthAddress = "10.0.0.1";
    s.DeviceAddress = 5;
    Fresh fresh(ports.Source(), s);
    auto& [local, dialog] = fresh;
    QApplication::setActiveWindow(&dialog);
    QSpinBox* box = dialog.*row.box;
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, QString::fromUtf8(row.typed));
    local.Answer(PromptResult::Ok);
    if (row.enter)
      QTest::keyClick(box, Qt::Key_Return);
    else
      QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    ASSERT_EQ(local.Asked().size(), 1u);
    EXPECT_EQ(local.Asked()[0].message.text, row.message);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(box->text().toStdString(), row.typed) << "the box shows what was checked";
    EXPECT_EQ(dialog.Settings(), s);
  }
}
