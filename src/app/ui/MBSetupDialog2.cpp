#include "app/ui/MBSetupDialog2.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/AddressHistory.h"
#include "app/core/Prompts.h"
#include "platform/Format.h"
#include "platform/LoadStr.h"
#include "platform/Registry.h"

namespace {

constexpr int kTextTimeoutRange = 1600;
constexpr int kTextNoPort = 1601;
constexpr int kTextNoBaudRate = 1602;
constexpr int kTextNoParity = 1603;
constexpr int kTextNoStopBits = 1604;
constexpr int kTextAddressRange = 1605;
constexpr int kTextNoAddress = 1606;

constexpr const char* kSectionMB = "MB";
constexpr const char* kSectionSetup = "MBSetup";

constexpr const char* kTimeoutHint =
    "Таймаут ожидания ответа от регистратора, секунды\n"
    "Для надежной связи при наличии промежуточных узлов на линии связи может потребоваться увеличить значение таймаута";

QString Qs(const std::string& text) { return QString::fromStdString(text); }

// Surrounding blanks are never part of a device path or an address, and a box holding
// only blanks is as empty as one holding nothing.
std::string TrimmedText(const QString& text) { return text.trimmed().toStdString(); }

QLineEdit* EditOf(QSpinBox* spin) { return spin->findChild<QLineEdit*>(); }

// An edit with an up-down whose text stays what the user left in it. A plain spin box
// puts its last good value back when the focus moves on or Enter is pressed, so a box
// emptied and left with a click on OK would pass OK's check with a value the user no
// longer sees.
class UpDownEdit : public QSpinBox {
protected:
  void focusOutEvent(QFocusEvent* event) override
  {
    KeepingText([&] { QSpinBox::focusOutEvent(event); });
  }
  void keyPressEvent(QKeyEvent* event) override
  {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
      KeepingText([&] { QSpinBox::keyPressEvent(event); });
    else
      QSpinBox::keyPressEvent(event);
  }

private:
  template <typename F>
  void KeepingText(F handle)
  {
    const QString text = lineEdit()->text();
    handle();
    if (lineEdit()->text() != text) lineEdit()->setText(text);
  }
};

QSpinBox* NewSpin(int minimum, int maximum)
{
  auto* spin = new UpDownEdit;
  spin->setRange(minimum, maximum);
  return spin;
}

QSpinBox* NewTimeoutSpin()
{
  QSpinBox* spin = NewSpin(kMinReplyTimeoutSeconds, kMaxReplyTimeoutSeconds);
  spin->setToolTip(QString::fromUtf8(kTimeoutHint));
  if (QLineEdit* edit = EditOf(spin)) edit->setPlaceholderText(QStringLiteral("введите значение"));
  return spin;
}

QComboBox* NewList(std::initializer_list<const char*> items)
{
  auto* box = new QComboBox;
  for (const char* item : items) box->addItem(QString::fromUtf8(item));
  return box;
}

QComboBox* NewEditableBox()
{
  auto* box = new QComboBox;
  box->setEditable(true);
  // What the user types is not an entry until OK says so.
  box->setInsertPolicy(QComboBox::NoInsert);
  // The text typed is the text used: an inline completion would turn 192.168.0.1 into a
  // listed 192.168.0.10 and take the first Enter for itself.
  box->setCompleter(nullptr);
  box->setMinimumContentsLength(20);
  return box;
}

void AddRow(QGridLayout* grid, int row, const char* caption, QWidget* field)
{
  auto* label = new QLabel(QString::fromUtf8(caption));
  label->setBuddy(field);
  grid->addWidget(label, row, 0);
  grid->addWidget(field, row, 1);
}

// The up-down's position as the edit shows it: nothing when the edit holds no number or
// one outside the up-down's range. The spin box keeps its last good value behind such
// text, so its value() cannot tell.
std::optional<int> SpinPosition(const QSpinBox& spin)
{
  const QString text = spin.cleanText();
  if (text.isEmpty()) return std::nullopt;
  for (QChar c : text)
    if (!c.isDigit()) return std::nullopt;
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < spin.minimum() || value > spin.maximum()) return std::nullopt;
  return value;
}

void SelectText(QSpinBox* spin)
{
  if (QLineEdit* edit = EditOf(spin)) edit->selectAll();
}

}  // namespace

const std::vector<int>& TMBSetupDialog2::BaudRates()
{
  static const std::vector<int> rates{1200, 9600, 19200, 38400, 57600, 115200, 230400};
  return rates;
}

TMBSetupDialog2::TMBSetupDialog2(Prompts& prompts, QWidget* owner, PortSource ports)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      prompts_(prompts), watcher_(new PortWatcher(std::move(ports), this))
{
  setWindowTitle(QStringLiteral("Настройки"));

  gbInterface = new QGroupBox(QStringLiteral("Интерфейс"));
  rbSerial = new QRadioButton(QStringLiteral("RS-485/RS-232"));
  rbEthernet = new QRadioButton(QStringLiteral("Ethernet"));
  interfaceButtons_ = new QButtonGroup(this);
  interfaceButtons_->addButton(rbSerial, ConnectionSettings::Serial);
  interfaceButtons_->addButton(rbEthernet, ConnectionSettings::Ethernet);
  auto* interfaceRow = new QHBoxLayout(gbInterface);
  interfaceRow->addWidget(rbSerial);
  interfaceRow->addWidget(rbEthernet);
  interfaceRow->addStretch(1);

  gbSerial = new QGroupBox(QStringLiteral("Параметры соединения"));
  cbPort = NewEditableBox();
  cbBaudRate = new QComboBox;
  for (int rate : BaudRates()) cbBaudRate->addItem(QString::number(rate));
  cbParity = NewList({"нет", "нечетный", "четный"});
  cbStopBits = NewList({"1", "2"});
  seAddress = NewSpin(1, kMaxDeviceAddress);
  seAddress->setValue(1);
  seRtuTimeout = NewTimeoutSpin();
  btnScanRS = new QPushButton(QStringLiteral("Сканировать сеть"));
  auto* serialGrid = new QGridLayout(gbSerial);
  AddRow(serialGrid, 0, "&Порт", cbPort);
  AddRow(serialGrid, 1, "&Скорость", cbBaudRate);
  AddRow(serialGrid, 2, "&Контроль четности", cbParity);
  AddRow(serialGrid, 3, "С&топовые биты", cbStopBits);
  AddRow(serialGrid, 4, "&Адрес устройства", seAddress);
  AddRow(serialGrid, 5, "Таймаут о&твета, сек", seRtuTimeout);
  serialGrid->addWidget(btnScanRS, 6, 1, Qt::AlignRight);
  serialGrid->setRowStretch(7, 1);

  gbEthernet = new QGroupBox(QStringLiteral("Параметры соединения"));
  cbEthAddress = NewEditableBox();
  seEthTimeout = NewTimeoutSpin();
  btnScanEth = new QPushButton(QStringLiteral("Сканировать сеть"));
  auto* ethernetGrid = new QGridLayout(gbEthernet);
  AddRow(ethernetGrid, 0, "Адр&ес", cbEthAddress);
  AddRow(ethernetGrid, 1, "Таймаут о&твета, сек", seEthTimeout);
  ethernetGrid->addWidget(btnScanEth, 2, 1, Qt::AlignRight);
  ethernetGrid->setRowStretch(3, 1);

  // Both groups at one place: the stack is as large as the larger, so the fixed window
  // does not change its size with the interface.
  stConnection = new QStackedWidget;
  stConnection->addWidget(gbSerial);
  stConnection->addWidget(gbEthernet);

  btnOK = new QPushButton(QStringLiteral("OK"));
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Отмена"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(gbInterface);
  layout->addWidget(stConnection);
  layout->addLayout(buttons);
  setFixedSize(sizeHint());

  btnScanRS->setEnabled(false);
  btnScanEth->setEnabled(false);

  connect(interfaceButtons_, &QButtonGroup::idToggled, this, [this](int, bool) { ShowInterfaceGroup(); });
  connect(btnOK, &QPushButton::clicked, this, &TMBSetupDialog2::OKButtonClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnScanRS, &QPushButton::clicked, this, &TMBSetupDialog2::ScanRSButtonClick);
  connect(btnScanEth, &QPushButton::clicked, this, &TMBSetupDialog2::ScanEthButtonClick);
  connect(watcher_, &PortWatcher::PortsChanged, this, &TMBSetupDialog2::OnPortsChanged);
}

TMBSetupDialog2::~TMBSetupDialog2() = default;

void TMBSetupDialog2::SetAddressHistory(std::vector<std::string> history)
{
  history_ = std::move(history);
  // An empty entry is no address; the shared store may hold one.
  history_.erase(std::remove(history_.begin(), history_.end(), std::string()), history_.end());
}

void TMBSetupDialog2::SetAddressMinimum(int minimum) { seAddress->setMinimum(std::clamp(minimum, 0, 1)); }

void TMBSetupDialog2::SetSerialScan(SerialScan scan)
{
  serialScan_ = std::move(scan);
  btnScanRS->setEnabled(static_cast<bool>(serialScan_));
}

void TMBSetupDialog2::SetEthernetScan(EthernetScan scan)
{
  ethernetScan_ = std::move(scan);
  btnScanEth->setEnabled(static_cast<bool>(ethernetScan_));
}

bool TMBSetupDialog2::Execute(bool addressZeroAllowed)
{
  SetAddressMinimum(addressZeroAllowed ? 0 : 1);
  return prompts_.ShowModal(*this) == QDialog::Accepted;
}

void TMBSetupDialog2::showEvent(QShowEvent* event)
{
  QDialog::showEvent(event);
  // A window restored by the window system keeps what the user has typed.
  if (event->spontaneous()) return;
  ShowFields();
  watcher_->Start();
}

void TMBSetupDialog2::hideEvent(QHideEvent* event)
{
  QDialog::hideEvent(event);
  if (!event->spontaneous()) watcher_->Stop();
}

void TMBSetupDialog2::ShowFields()
{
  watcher_->Refresh();
  FillPortList();
  cbPort->setCurrentIndex(cbPort->findText(Qs(settings_.PortName), Qt::MatchExactly | Qt::MatchCaseSensitive));
  if (cbPort->currentIndex() < 0) cbPort->setEditText(QString());

  cbBaudRate->setCurrentIndex(cbBaudRate->findText(QString::number(settings_.BaudRate), Qt::MatchExactly));
  cbParity->setCurrentIndex(settings_.Parity == 0 ? 0 : settings_.Parity == 1 ? 1 : 2);
  cbStopBits->setCurrentIndex(settings_.StopBits == 1 ? 1 : 0);

  cbEthAddress->clear();
  for (const std::string& address : history_) cbEthAddress->addItem(Qs(address));
  cbEthAddress->setEditText(Qs(settings_.EthAddress));
  cbEthAddress->lineEdit()->selectAll();
  seAddress->setValue(settings_.DeviceAddress);
  SelectText(seAddress);
  seRtuTimeout->setValue(settings_.RtuTimeout);
  seEthTimeout->setValue(settings_.EthTimeout);

  SelectInterface(settings_.Interface);
  FocusConnectionBox();
}

void TMBSetupDialog2::FocusConnectionBox()
{
  // The window would give the focus back to whatever had it when the dialog last closed
  // (a radio button, OK), and what the user then typed went nowhere.
  const int item = interfaceButtons_->checkedId();
  QComboBox* box = item == ConnectionSettings::Serial     ? cbPort
                   : item == ConnectionSettings::Ethernet ? cbEthAddress
                                                          : nullptr;
  if (!box) return;
  box->setFocus(Qt::OtherFocusReason);
  box->lineEdit()->selectAll();
}

void TMBSetupDialog2::FillPortList() { FillPortBox(*cbPort, watcher_->Ports()); }

void TMBSetupDialog2::OnPortsChanged() { RefillPortBox(*cbPort, watcher_->Ports()); }

void TMBSetupDialog2::SelectInterface(int interfaceItem)
{
  if (QAbstractButton* button = interfaceButtons_->button(interfaceItem)) {
    button->setChecked(true);
  } else {
    // A stored value that names neither: nothing selected, no group, and OK waits for a
    // choice.
    interfaceButtons_->setExclusive(false);
    rbSerial->setChecked(false);
    rbEthernet->setChecked(false);
    interfaceButtons_->setExclusive(true);
  }
  ShowInterfaceGroup();
}

void TMBSetupDialog2::ShowInterfaceGroup()
{
  const int item = interfaceButtons_->checkedId();
  stConnection->setVisible(item == ConnectionSettings::Serial || item == ConnectionSettings::Ethernet);
  if (item == ConnectionSettings::Serial) stConnection->setCurrentWidget(gbSerial);
  if (item == ConnectionSettings::Ethernet) stConnection->setCurrentWidget(gbEthernet);
}

bool TMBSetupDialog2::Refuse(QWidget* control, const std::string& text)
{
  control->setFocus();
  prompts_.MessageBox(this, text, PromptIcon::Error, PromptButtons::Ok);
  return false;
}

bool TMBSetupDialog2::RefuseTimeout(QSpinBox* timeout)
{
  return Refuse(timeout, Format(LoadStr(kTextTimeoutRange), timeout->minimum(), timeout->maximum()));
}

void TMBSetupDialog2::OKButtonClick()
{
  const int item = interfaceButtons_->checkedId();
  const bool accepted = item == ConnectionSettings::Serial     ? AcceptSerial()
                        : item == ConnectionSettings::Ethernet ? AcceptEthernet()
                                                               : false;
  if (accepted) accept();
}

bool TMBSetupDialog2::AcceptSerial()
{
  const std::string port = TrimmedText(cbPort->currentText());
  if (port.empty()) return Refuse(cbPort, LoadStr(kTextNoPort));
  if (cbBaudRate->currentIndex() < 0) return Refuse(cbBaudRate, LoadStr(kTextNoBaudRate));
  if (cbParity->currentIndex() < 0) return Refuse(cbParity, LoadStr(kTextNoParity));
  if (cbStopBits->currentIndex() < 0) return Refuse(cbStopBits, LoadStr(kTextNoStopBits));
  const std::optional<int> address = SpinPosition(*seAddress);
  if (!address) return Refuse(seAddress, Format(LoadStr(kTextAddressRange), seAddress->minimum(), seAddress->maximum()));
  const std::optional<int> timeout = SpinPosition(*seRtuTimeout);
  if (!timeout) return RefuseTimeout(seRtuTimeout);
  settings_.Interface = ConnectionSettings::Serial;
  settings_.PortName = port;
  settings_.DeviceAddress = *address;
  settings_.BaudRate = BaudRates()[static_cast<std::size_t>(cbBaudRate->currentIndex())];
  settings_.Parity = std::min(cbParity->currentIndex(), 2);
  settings_.StopBits = cbStopBits->currentIndex() == 1 ? 1 : 0;
  settings_.RtuTimeout = *timeout;
  return true;
}

bool TMBSetupDialog2::AcceptEthernet()
{
  const std::string address = TrimmedText(cbEthAddress->currentText());
  if (address.empty()) return Refuse(cbEthAddress, LoadStr(kTextNoAddress));
  const std::optional<int> timeout = SpinPosition(*seEthTimeout);
  if (!timeout) return RefuseTimeout(seEthTimeout);
  settings_.Interface = ConnectionSettings::Ethernet;
  TakeEthernetAddress(address);
  settings_.EthTimeout = *timeout;
  return true;
}

void TMBSetupDialog2::TakeEthernetAddress(const std::string& address)
{
  settings_.EthAddress = address;
  RememberAddress(history_, address);
  const QSignalBlocker blocker(cbEthAddress);
  cbEthAddress->clear();
  for (const std::string& entry : history_) cbEthAddress->addItem(Qs(entry));
  cbEthAddress->setEditText(Qs(address));
}

void TMBSetupDialog2::ScanRSButtonClick()
{
  if (!serialScan_) return;
  const std::optional<SerialScanChoice> found = serialScan_(TrimmedText(cbPort->currentText()));
  if (!found) return;
  // The scan has proven these settings on the line: no checks, and the reply timeout
  // stays as it was.
  settings_.Interface = ConnectionSettings::Serial;
  settings_.PortName = found->port;
  settings_.BaudRate = found->baudRate;
  settings_.Parity = found->parity;
  settings_.StopBits = found->stopBits;
  settings_.DeviceAddress = found->address;
  accept();
}

void TMBSetupDialog2::ScanEthButtonClick()
{
  if (!ethernetScan_) return;
  const std::optional<std::string> found = ethernetScan_();
  if (!found) return;
  rbEthernet->setChecked(true);
  settings_.Interface = ConnectionSettings::Ethernet;
  TakeEthernetAddress(*found);
  accept();
}

void TMBSetupDialog2::LoadSettings(const std::string& key)
{
  const TRegIniFile ini(key, RegistryAccess::Read);
  ConnectionSettings s = settings_;
  s.Interface = ini.ReadInteger(kSectionMB, "if", s.Interface);
  s.PortName = ini.ReadString(kSectionMB, "rtu_device", s.PortName);
  s.BaudRate = ini.ReadInteger(kSectionMB, "rtu_baudrate", s.BaudRate);
  s.Parity = ini.ReadInteger(kSectionMB, "rtu_parity", s.Parity);
  s.StopBits = ini.ReadInteger(kSectionMB, "rtu_stopbits", s.StopBits);
  s.DeviceAddress = ini.ReadInteger(kSectionMB, "rtu_address", s.DeviceAddress);
  s.RtuTimeout = ini.ReadInteger(kSectionMB, "rtu_timeout", s.RtuTimeout);
  s.EthAddress = ini.ReadString(kSectionMB, "tcp_device", s.EthAddress);
  std::vector<std::string> history = FromCommaText(ini.ReadString(kSectionSetup, "EthAddressMRU", ""));
  s.EthTimeout = ini.ReadInteger(kSectionSetup, "EthTimeout", s.EthTimeout);
  settings_ = s;
  SetAddressHistory(std::move(history));
}

void TMBSetupDialog2::SaveSettings(const std::string& key)
{
  TRegIniFile ini(key, RegistryAccess::Write);
  ini.WriteInteger(kSectionMB, "if", settings_.Interface);
  ini.WriteString(kSectionMB, "rtu_device", settings_.PortName);
  ini.WriteInteger(kSectionMB, "rtu_baudrate", settings_.BaudRate);
  ini.WriteInteger(kSectionMB, "rtu_parity", settings_.Parity);
  ini.WriteInteger(kSectionMB, "rtu_stopbits", settings_.StopBits);
  ini.WriteInteger(kSectionMB, "rtu_address", settings_.DeviceAddress);
  ini.WriteInteger(kSectionMB, "rtu_timeout", settings_.RtuTimeout);
  ini.WriteString(kSectionMB, "tcp_device", settings_.EthAddress);
  ini.WriteString(kSectionSetup, "EthAddressMRU", ToCommaText(history_));
  ini.WriteInteger(kSectionSetup, "EthTimeout", settings_.EthTimeout);
}

bool CreateConnectionFromSettings(TMBSetupDialog2& dialog, std::unique_ptr<ModbusMaster::CBaseModbus>& transport,
                                  std::uint8_t& unitAddress, bool addressZeroAllowed)
{
  if (!dialog.Execute(addressZeroAllowed)) return false;
  return CreateConnectionFromSettings(dialog.Settings(), transport, unitAddress);
}
