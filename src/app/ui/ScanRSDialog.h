#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

#include "app/core/SerialBusScan.h"
#include "app/ui/PortWatcher.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class Prompts;
class ScanListView;

// The serial scan dialog: it tries every ticked baud rate, parity and stop-bits setting
// and, for each, every address of a range, and lists every device that answers. The
// sweep runs on the scan's own thread (SerialBusScan); the dialog waits for that thread
// before it starts another scan or closes. One instance lives for the whole run; its
// choices are kept in the settings store.
class TScanRSDialog : public QDialog, private RSScanView {
  Q_OBJECT

public:
  using TScanResultItem = RSScanResultItem;

  // Ports are listed from, and watched in, ports; the transport opens its line with
  // opener (tests put a line of their own in).
  explicit TScanRSDialog(Prompts& prompts, QWidget* owner = nullptr, PortSource ports = PortSource::System(),
                         ModbusMaster::CModbusRTU::LineOpener opener = {});
  ~TScanRSDialog() override;

  // Set before showing: whether OK may take several rows, and the port to preselect.
  void SetMultiSelect(bool on) { multiSelect_ = on; }
  void SetPortName(const std::string& port) { portName_ = port; }
  // The rows chosen by the last OK or double click.
  const std::vector<TScanResultItem>& Results() const { return results_; }

  // Shows the dialog modally for one device, the port preselected; the device, or
  // nothing when cancelled.
  std::optional<TScanResultItem> ChooseDevice(const std::string& portName);

  // The placement and the "Адрес" column's width ("LWidth") in the placement section,
  // the ticks, the address range and the timeout in the section "ScanRSDialog". A store
  // that cannot be read or written raises ERegistryException.
  void LoadSettings(const std::string& key);
  void SaveSettings(const std::string& key);

  // Button1: starts a scan, or stops the one that runs.
  void Button1Click();
  void ScanRSStartActionExecute();
  void ScanRSStopActionExecute();
  void OKActionExecute();
  void ListView1DblClick();
  void ClearListActionExecute();
  // Cancel, Escape and the close box: a running scan is stopped first, when the user
  // agrees.
  void reject() override;

  const SerialBusScan& Scan() const { return scan_; }
  ModbusMaster::CModbusRTU& Transport() { return scan_.Transport(); }

  QGroupBox* gbLine;
  QComboBox* ComboBox5;       // "&Порт"
  QListWidget* CheckListBox1;  // "&Скорость"
  QListWidget* CheckListBox2;  // "&Контроль четности"
  QListWidget* CheckListBox3;  // "С&топовые биты"
  QSpinBox* Edit1;             // "&Адрес с"
  QSpinBox* Edit2;             // "по"
  QSpinBox* Edit3;             // "Тай&маут", ms
  QPushButton* Button1;
  QLabel* Label8;
  QProgressBar* ProgressBar1;
  QLabel* lblList;
  ScanListView* ListView1;
  QPushButton* btnClear;
  QPushButton* btnOK;
  QPushButton* btnCancel;

  // The values each check list offers, in list order.
  static const std::vector<int>& BaudRates();
  static const std::vector<std::string>& ParityNames();
  static const std::vector<std::string>& StopBitNames();

protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  // RSScanView, on the GUI thread.
  void ShowScanStatus(const std::string& text) override;
  void ShowScanProgress(std::uint32_t position, std::uint32_t maximum) override;
  void AddScanRow(const RSScanRow& row) override;
  void ScanStopped() override;
  void ShowScanError(const std::string& text) override;

  // While a scan runs, asks whether to stop it; true when none runs any more.
  bool StopScanFirst();
  RSScanPlan Plan() const;
  void TakeRows(const std::vector<int>& rows);

  Prompts& prompts_;
  PortWatcher* watcher_;
  SerialBusScan scan_;
  bool multiSelect_ = false;
  std::string portName_;
  std::vector<TScanResultItem> results_;
};
