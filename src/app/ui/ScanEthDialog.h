#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

#include "app/core/EthDiscovery.h"

class QLabel;
class QPushButton;
class QSocketNotifier;
class Prompts;
class ScanListView;

// The Ethernet discovery dialog: each press of its scan button sends one request, and
// every recorder that answers becomes a row. The answers arrive on the GUI thread
// through a socket notifier, so the dialog stays responsive and has no time-out of its
// own. One instance lives for the whole run; its rows stay until cleared. The socket
// exists only while the dialog is shown (from its first scan), so every showing starts
// with a fresh socket and port.
class TScanEthDialog : public QDialog {
  Q_OBJECT

public:
  using TScanResultItem = EthScanResultItem;

  // The requests go to target (DiscoveryTarget::FromEnvironment() in the program). Boxes
  // go through prompts.
  TScanEthDialog(Prompts& prompts, DiscoveryTarget target, QWidget* owner = nullptr);
  ~TScanEthDialog() override;

  // Set before showing: whether OK may take several rows.
  void SetMultiSelect(bool on) { multiSelect_ = on; }
  // The rows chosen by the last OK or double click.
  const std::vector<TScanResultItem>& Results() const { return results_; }

  // Shows the dialog modally for one recorder; its address, or nothing when cancelled.
  std::optional<std::string> ChooseAddress();

  // The placement and the "Адрес" column's width ("LWidth"), in the placement section of
  // the screen size. A store that cannot be read or written raises ERegistryException.
  void LoadSettings(const std::string& key);
  void SaveSettings(const std::string& key);

  void ScanButtonClick();
  void ClearButtonClick();
  void OKButtonClick();
  void ListDoubleClick();

  const EthDiscovery& Discovery() const { return discovery_; }
  // The socket is being watched.
  bool IsListening() const { return notifier_ != nullptr; }

  QLabel* lblList;
  ScanListView* ListView1;
  QPushButton* btnScan;
  QPushButton* btnClear;
  QPushButton* btnOK;
  QPushButton* btnCancel;

protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  void Listen();
  void StopListening();
  void OnReadable();
  void TakeRows(const std::vector<int>& rows);

  Prompts& prompts_;
  EthDiscovery discovery_;
  QSocketNotifier* notifier_ = nullptr;
  bool multiSelect_ = false;
  std::vector<TScanResultItem> results_;
};
