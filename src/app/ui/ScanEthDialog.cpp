#include "app/ui/ScanEthDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSocketNotifier>
#include <QVBoxLayout>

#include "app/core/Prompts.h"
#include "app/ui/ScanList.h"
#include "app/ui/WindowPlacement.h"
#include "app/ui/WindowSize.h"
#include "platform/Registry.h"

TScanEthDialog::TScanEthDialog(Prompts& prompts, DiscoveryTarget target, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::WindowMaximizeButtonHint),
      prompts_(prompts), discovery_(std::move(target))
{
  setObjectName(QStringLiteral("ScanEthDialog"));
  setWindowTitle(QStringLiteral("Сканирование сети Ethernet"));
  setSizeGripEnabled(true);

  ListView1 = new ScanListView;
  lblList = new QLabel(QStringLiteral("Список найденных &устройств"));
  lblList->setBuddy(ListView1);
  btnScan = new QPushButton(QStringLiteral("Сканировать сеть"));
  btnClear = new QPushButton(QStringLiteral("О&чистить список"));
  btnOK = new QPushButton(QStringLiteral("OK"));
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Отмена"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnScan);
  buttons->addWidget(btnClear);
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblList);
  layout->addWidget(ListView1, 1);
  layout->addLayout(buttons);
  SetDesignedMinimumSize(*this, {534, 342});  // 550 x 381 with the frame of a sizeable dialog
  resize(GrownToContents(*this, {600, 342}));

  connect(btnScan, &QPushButton::clicked, this, &TScanEthDialog::ScanButtonClick);
  connect(btnClear, &QPushButton::clicked, this, &TScanEthDialog::ClearButtonClick);
  connect(btnOK, &QPushButton::clicked, this, &TScanEthDialog::OKButtonClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &TScanEthDialog::ListDoubleClick);
}

TScanEthDialog::~TScanEthDialog() { StopListening(); }

std::optional<std::string> TScanEthDialog::ChooseAddress()
{
  SetMultiSelect(false);
  if (prompts_.ShowModal(*this) != QDialog::Accepted || results_.empty()) return std::nullopt;
  return results_.front().Address;
}

void TScanEthDialog::showEvent(QShowEvent* event)
{
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  ListView1->SetMultiSelect(multiSelect_);
}

void TScanEthDialog::hideEvent(QHideEvent* event)
{
  QDialog::hideEvent(event);
  // Minimised it keeps listening; closed it lets go of its socket and port.
  if (!event->spontaneous()) StopListening();
}

void TScanEthDialog::Listen()
{
  if (notifier_ || discovery_.SocketFd() < 0) return;
  notifier_ = new QSocketNotifier(discovery_.SocketFd(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TScanEthDialog::OnReadable);
}

void TScanEthDialog::StopListening()
{
  // The notifier goes before the descriptor it watches.
  delete notifier_;
  notifier_ = nullptr;
  discovery_.CloseSocket();
}

void TScanEthDialog::OnReadable()
{
  for (const DiscoveryRow& row : discovery_.ReadReplies())
    ListView1->AddRow(std::to_string(ListView1->topLevelItemCount() + 1), row.Item.Address, row.Description);
}

void TScanEthDialog::ScanButtonClick()
{
  try {
    discovery_.Scan();
  } catch (const Exception& e) {
    prompts_.MessageBox(this, e.Message(), PromptIcon::Error, PromptButtons::Ok);
  }
  // A socket made before the send failed still hears the answers to a later scan.
  Listen();
}

void TScanEthDialog::ClearButtonClick()
{
  ListView1->clear();
  discovery_.ClearRows();
}

void TScanEthDialog::TakeRows(const std::vector<int>& rows)
{
  results_.clear();
  for (int row : rows) results_.push_back(discovery_.Rows().at(static_cast<std::size_t>(row)).Item);
}

void TScanEthDialog::OKButtonClick()
{
  if (!CheckScanChoice(*ListView1, *btnScan, prompts_, this)) return;
  TakeRows(ListView1->ChosenRows());
  accept();
}

void TScanEthDialog::ListDoubleClick()
{
  if (!ListView1->currentItem()) return;
  TakeRows(ListView1->ChosenRows());
  accept();
}

void TScanEthDialog::LoadSettings(const std::string& key)
{
  const TRegistryIniFile ini(key, RegistryAccess::Read);
  LoadFormPlacement(*this, ini);
  ListView1->SetAddressWidth(ini.ReadInteger(FormPlacementSection(*this), "LWidth", ListView1->AddressWidth()));
}

void TScanEthDialog::SaveSettings(const std::string& key)
{
  TRegistryIniFile ini(key, RegistryAccess::Write);
  SaveFormPlacement(*this, ini);
  ini.WriteInteger(FormPlacementSection(*this), "LWidth", ListView1->AddressWidth());
}
