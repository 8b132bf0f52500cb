#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/ConnectionSettings.h"
#include "app/ui/PortWatcher.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class Prompts;

// The connection settings dialog: a serial port with its line settings and the
// recorder's address, or an Ethernet connection URL, each with a reply timeout in
// seconds. One instance lives for the whole run; the update workflow shows it before
// every update and builds the transport from Settings().
//
// Its fields change only by OK (after its checks) or by a device taken from one of the
// two scans; a cancelled dialog leaves them as they were.
class TMBSetupDialog2 : public QDialog {
  Q_OBJECT

public:
  // The dialog's error boxes and the modal showing go through prompts. Ports are listed
  // from, and watched in, ports.
  explicit TMBSetupDialog2(Prompts& prompts, QWidget* owner = nullptr, PortSource ports = PortSource::System());
  ~TMBSetupDialog2() override;

  const ConnectionSettings& Settings() const { return settings_; }
  // Shown from the next showing on.
  void SetSettings(const ConnectionSettings& settings) { settings_ = settings; }
  // The Ethernet addresses last used, newest first (at most kAddressHistorySize after OK).
  const std::vector<std::string>& AddressHistory() const { return history_; }
  void SetAddressHistory(std::vector<std::string> history);

  // The lowest device address OK accepts: 0 where the broadcast address is allowed,
  // else 1. The highest is 247.
  void SetAddressMinimum(int minimum);

  // The fields in the settings store under key: sections "MB" and "MBSetup", integers as
  // decimal text. Loading takes each field's current value as the default of its value.
  // A store that cannot be read or written raises ERegistryException (the program's
  // settings steps ignore it); a failed load changes no field.
  void LoadSettings(const std::string& key);
  void SaveSettings(const std::string& key);

  // Sets the address minimum (0 when addressZeroAllowed, else 1) and shows the dialog
  // modally; true on the OK result.
  bool Execute(bool addressZeroAllowed);

  // The device a scan found. The scans are their own dialogs; whoever owns them installs
  // these hooks, which show the scan modally and give its first chosen device, or nothing
  // when it was cancelled. Without a hook its button stays disabled.
  struct SerialScanChoice {
    std::string port;
    int baudRate = 0;
    int parity = 0;
    int stopBits = 0;
    int address = 0;
  };
  // Given the port text the user has in the box, to preselect it.
  using SerialScan = std::function<std::optional<SerialScanChoice>(const std::string& portText)>;
  // Gives the chosen recorder's address text.
  using EthernetScan = std::function<std::optional<std::string>()>;
  void SetSerialScan(SerialScan scan);
  void SetEthernetScan(EthernetScan scan);

  // The buttons' handlers.
  void OKButtonClick();
  void ScanRSButtonClick();
  void ScanEthButtonClick();

  QGroupBox* gbInterface;
  QRadioButton* rbSerial;    // "RS-485/RS-232", item 0
  QRadioButton* rbEthernet;  // "Ethernet", item 1
  QStackedWidget* stConnection;
  QGroupBox* gbSerial;
  QComboBox* cbPort;
  QComboBox* cbBaudRate;
  QComboBox* cbParity;
  QComboBox* cbStopBits;
  QSpinBox* seAddress;
  QSpinBox* seRtuTimeout;
  QPushButton* btnScanRS;
  QGroupBox* gbEthernet;
  QComboBox* cbEthAddress;
  QSpinBox* seEthTimeout;
  QPushButton* btnScanEth;
  QPushButton* btnOK;
  QPushButton* btnCancel;

  // The baud rates the list offers, in its order.
  static const std::vector<int>& BaudRates();

protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  void ShowFields();
  void FillPortList();
  void OnPortsChanged();
  void SelectInterface(int interfaceItem);
  void ShowInterfaceGroup();
  // Each showing starts in the chosen interface's address or port box, its text
  // selected.
  void FocusConnectionBox();
  // Focuses the control and shows why OK cannot close the dialog; false.
  bool Refuse(QWidget* control, const std::string& text);
  bool RefuseTimeout(QSpinBox* timeout);
  bool AcceptSerial();
  bool AcceptEthernet();
  void TakeEthernetAddress(const std::string& address);

  Prompts& prompts_;
  ConnectionSettings settings_;
  std::vector<std::string> history_;
  PortWatcher* watcher_;
  QButtonGroup* interfaceButtons_;
  SerialScan serialScan_;
  EthernetScan ethernetScan_;
};

// The connection of one update: the dialog is shown (the device address 0 allowed only
// when addressZeroAllowed) and on OK its settings build the transport as the
// settings-only form does. False when the dialog was not closed with OK.
bool CreateConnectionFromSettings(TMBSetupDialog2& dialog, std::unique_ptr<ModbusMaster::CBaseModbus>& transport,
                                  std::uint8_t& unitAddress, bool addressZeroAllowed);
