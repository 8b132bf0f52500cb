#include "app/ui/ScanRSDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/core/Prompts.h"
#include "app/ui/ScanList.h"
#include "app/ui/WindowPlacement.h"
#include "app/ui/WindowSize.h"
#include "platform/LoadStr.h"
#include "platform/Registry.h"

namespace {

constexpr int kTextEnterParameters = 1607;
constexpr int kTextStopScan = 1612;

constexpr const char* kSection = "ScanRSDialog";
constexpr const char* kStartCaption = "С&канировать сеть";
constexpr const char* kStopCaption = "Остановить";

QString Qs(const std::string& text) { return QString::fromStdString(text); }

QLineEdit* EditOf(QSpinBox* spin) { return spin->findChild<QLineEdit*>(); }

// A check list shown in `columns` columns: the items run down and wrap to the next one.
// Every cell is as large as the largest item and the list as large as its cells, so no
// item is cut in any font; a scroll bar would only take the room of a row.
QListWidget* NewCheckList(const std::vector<std::string>& items, int columns)
{
  auto* list = new QListWidget;
  list->setFlow(QListView::TopToBottom);
  list->setWrapping(true);
  list->setResizeMode(QListView::Adjust);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QSize cell;
  for (const std::string& text : items) {
    auto* item = new QListWidgetItem(Qs(text), list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    cell = cell.expandedTo(list->sizeHintForIndex(list->indexFromItem(item)));
  }
  list->setGridSize(cell);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
  const int frame = 2 * list->frameWidth();
  // One pixel more: the list starts a new column for an item that would end on the
  // view's last pixel row.
  list->setFixedHeight(rows * cell.height() + frame + 1);
  list->setMinimumWidth(columns * cell.width() + frame);
  return list;
}

QSpinBox* NewSpin(int minimum, int maximum, int value)
{
  auto* spin = new QSpinBox;
  spin->setRange(minimum, maximum);
  spin->setValue(value);
  return spin;
}

// The positions of the ticked items, in list order.
std::vector<int> Ticked(const QListWidget& list)
{
  std::vector<int> ticked;
  for (int row = 0; row < list.count(); ++row)
    if (list.item(row)->checkState() == Qt::Checked) ticked.push_back(row);
  return ticked;
}

// The number the edit stands for, brought into its up-down's range.
int Position(QSpinBox* spin)
{
  return UpDownPosition(EditOf(spin)->text().trimmed().toStdString(), spin->value(), spin->minimum(), spin->maximum());
}

// The position the scan uses, written back so that the edit shows it.
int TakePosition(QSpinBox* spin)
{
  const int position = Position(spin);
  spin->setValue(position);
  EditOf(spin)->setText(QString::number(position));
  return position;
}

void LoadTicks(const RegistryIniFile& ini, QListWidget& list)
{
  for (int row = 0; row < list.count(); ++row) {
    QListWidgetItem* item = list.item(row);
    item->setCheckState(ini.ReadBool(kSection, item->text().toStdString(), false) ? Qt::Checked : Qt::Unchecked);
  }
}

void SaveTicks(TRegistryIniFile& ini, const QListWidget& list)
{
  for (int row = 0; row < list.count(); ++row) {
    const QListWidgetItem* item = list.item(row);
    ini.WriteBool(kSection, item->text().toStdString(), item->checkState() == Qt::Checked);
  }
}

}  // namespace

const std::vector<int>& TScanRSDialog::BaudRates()
{
  static const std::vector<int> rates{1200, 9600, 19200, 38400, 57600, 115200, 230400};
  return rates;
}

const std::vector<std::string>& TScanRSDialog::ParityNames()
{
  static const std::vector<std::string> names{ScanParityName(0), ScanParityName(1), ScanParityName(2)};
  return names;
}

const std::vector<std::string>& TScanRSDialog::StopBitNames()
{
  static const std::vector<std::string> names{"1", "2"};
  return names;
}

TScanRSDialog::TScanRSDialog(Prompts& prompts, QWidget* owner, PortSource ports,
                             ModbusMaster::CModbusRTU::LineOpener opener)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      prompts_(prompts), watcher_(new PortWatcher(std::move(ports), this)), scan_(*this, std::move(opener))
{
  setObjectName(QStringLiteral("ScanRSDialog"));
  setWindowTitle(QStringLiteral("Сканирование сети RS-232/RS-485"));
  setSizeGripEnabled(true);

  ComboBox5 = new QComboBox;
  ComboBox5->setEditable(true);
  ComboBox5->setInsertPolicy(QComboBox::NoInsert);
  std::vector<std::string> rates;
  for (int rate : BaudRates()) rates.push_back(std::to_string(rate));
  CheckListBox1 = NewCheckList(rates, 3);
  CheckListBox2 = NewCheckList(ParityNames(), 2);
  CheckListBox3 = NewCheckList(StopBitNames(), 2);
  Edit1 = NewSpin(kScanMinAddress, kScanMaxAddress, 1);
  Edit2 = NewSpin(kScanMinAddress, kScanMaxAddress, 1);
  Edit3 = NewSpin(kScanMinTimeoutMs, kScanMaxTimeoutMs, 100);
  Edit3->setToolTip(QStringLiteral("Максимальное время ожидания ответа устройства"));
  Button1 = new QPushButton(QString::fromUtf8(kStartCaption));

  gbLine = new QGroupBox(QStringLiteral("RS-485"));
  auto* grid = new QGridLayout(gbLine);
  auto label = [](const char* caption, QWidget* buddy) {
    auto* l = new QLabel(QString::fromUtf8(caption));
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label("&Порт", ComboBox5), 0, 0, 1, 4);
  grid->addWidget(ComboBox5, 1, 0, 1, 4);
  grid->addWidget(label("&Скорость", CheckListBox1), 2, 0, 1, 4);
  grid->addWidget(CheckListBox1, 3, 0, 1, 4);
  grid->addWidget(label("&Контроль четности", CheckListBox2), 4, 0, 1, 4);
  grid->addWidget(CheckListBox2, 5, 0, 1, 4);
  grid->addWidget(label("С&топовые биты", CheckListBox3), 6, 0, 1, 4);
  grid->addWidget(CheckListBox3, 7, 0, 1, 4);
  grid->addWidget(label("&Адрес с", Edit1), 8, 0);
  grid->addWidget(Edit1, 8, 1);
  grid->addWidget(label("по", Edit2), 8, 2);
  grid->addWidget(Edit2, 8, 3);
  grid->addWidget(label("Тай&маут", Edit3), 9, 0);
  grid->addWidget(Edit3, 9, 1);
  grid->addWidget(new QLabel(QStringLiteral("мс")), 9, 2);
  grid->addWidget(Button1, 10, 0, 1, 4);
  grid->setRowStretch(11, 1);

  Label8 = new QLabel;
  Label8->setWordWrap(true);
  // Room for the longest status, which wraps once beside the line settings.
  Label8->setMinimumHeight(2 * Label8->fontMetrics().lineSpacing());
  ProgressBar1 = new QProgressBar;
  ProgressBar1->setTextVisible(false);
  ListView1 = new ScanListView;
  lblList = new QLabel(QStringLiteral("Список найденных &устройств"));
  lblList->setBuddy(ListView1);
  auto* found = new QVBoxLayout;
  found->addWidget(Label8);
  found->addWidget(ProgressBar1);
  found->addWidget(lblList);
  found->addWidget(ListView1, 1);

  auto* top = new QHBoxLayout;
  top->addWidget(gbLine);
  top->addLayout(found, 1);

  btnClear = new QPushButton(QStringLiteral("О&чистить список"));
  btnOK = new QPushButton(QStringLiteral("OK"));
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Отмена"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnClear);
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
  SetDesignedMinimumSize(*this, {534, 342});  // 550 x 381 with the frame of a sizeable dialog
  resize(GrownToContents(*this, {653, 354}));

  connect(Button1, &QPushButton::clicked, this, &TScanRSDialog::Button1Click);
  connect(btnClear, &QPushButton::clicked, this, &TScanRSDialog::ClearListActionExecute);
  connect(btnOK, &QPushButton::clicked, this, &TScanRSDialog::OKActionExecute);
  connect(btnCancel, &QPushButton::clicked, this, &TScanRSDialog::reject);
  connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &TScanRSDialog::ListView1DblClick);
  connect(watcher_, &PortWatcher::PortsChanged, this,
          [this] { RefillPortBox(*ComboBox5, watcher_->Ports()); });
}

TScanRSDialog::~TScanRSDialog() = default;

std::optional<TScanRSDialog::TScanResultItem> TScanRSDialog::ChooseDevice(const std::string& portName)
{
  SetMultiSelect(false);
  SetPortName(portName);
  if (prompts_.ShowModal(*this) != QDialog::Accepted || results_.empty()) return std::nullopt;
  return results_.front();
}

void TScanRSDialog::showEvent(QShowEvent* event)
{
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  ListView1->SetMultiSelect(multiSelect_);
  FillPortBox(*ComboBox5, watcher_->Refresh());
  ComboBox5->setCurrentIndex(ComboBox5->findText(Qs(portName_), Qt::MatchExactly | Qt::MatchCaseSensitive));
  if (ComboBox5->currentIndex() < 0) ComboBox5->setEditText(QString());
  Label8->setText(Qs(LoadStr(kTextEnterParameters)));
  ProgressBar1->setValue(0);
  watcher_->Start();
}

void TScanRSDialog::hideEvent(QHideEvent* event)
{
  QDialog::hideEvent(event);
  if (!event->spontaneous()) watcher_->Stop();
}

RSScanPlan TScanRSDialog::Plan() const
{
  RSScanPlan plan;
  plan.Port = ComboBox5->currentText().trimmed().toStdString();
  for (int row : Ticked(*CheckListBox1)) plan.BaudRates.push_back(BaudRates()[static_cast<std::size_t>(row)]);
  plan.Parities = Ticked(*CheckListBox2);
  plan.StopBits = Ticked(*CheckListBox3);
  return plan;
}

void TScanRSDialog::Button1Click()
{
  if (scan_.IsScanning()) ScanRSStopActionExecute();
  else ScanRSStartActionExecute();
}

void TScanRSDialog::ScanRSStartActionExecute()
{
  if (scan_.IsScanning()) return;
  RSScanPlan plan = Plan();
  if (const auto refusal = CheckScanPlan(plan)) {
    QWidget* const controls[] = {ComboBox5, CheckListBox1, CheckListBox2, CheckListBox3};
    controls[refusal->field]->setFocus();
    prompts_.MessageBox(this, refusal->text, PromptIcon::Error, PromptButtons::Ok);
    return;
  }
  plan.FirstAddress = TakePosition(Edit1);
  plan.LastAddress = TakePosition(Edit2);
  plan.TimeoutMs = TakePosition(Edit3);
  try {
    scan_.Start(plan);
  } catch (const std::exception& e) {
    prompts_.MessageBox(this, e.what(), PromptIcon::Error, PromptButtons::Ok);
    return;
  }
  ComboBox5->setEnabled(false);
  Button1->setText(QString::fromUtf8(kStopCaption));
}

void TScanRSDialog::ScanRSStopActionExecute() { scan_.Stop(); }

bool TScanRSDialog::StopScanFirst()
{
  if (!scan_.IsScanning()) return true;
  const PromptResult answer = prompts_.MessageBox(this, LoadStr(kTextStopScan), PromptIcon::Question,
                                                  PromptButtons::YesNoCancel, PromptResult::No);
  if (answer != PromptResult::Yes) return false;
  scan_.StopScan();
  return true;
}

void TScanRSDialog::TakeRows(const std::vector<int>& rows)
{
  results_.clear();
  for (int row : rows) results_.push_back(scan_.Rows().at(static_cast<std::size_t>(row)).Item);
}

void TScanRSDialog::OKActionExecute()
{
  if (!StopScanFirst()) return;
  if (!CheckScanChoice(*ListView1, *Button1, prompts_, this)) return;
  TakeRows(ListView1->ChosenRows());
  accept();
}

void TScanRSDialog::ListView1DblClick()
{
  if (!StopScanFirst()) return;
  if (!ListView1->currentItem()) return;
  TakeRows(ListView1->ChosenRows());
  accept();
}

void TScanRSDialog::reject()
{
  if (!StopScanFirst()) return;
  QDialog::reject();
}

void TScanRSDialog::ClearListActionExecute()
{
  ListView1->clear();
  scan_.ClearRows();
}

void TScanRSDialog::ShowScanStatus(const std::string& text) { Label8->setText(Qs(text)); }

void TScanRSDialog::ShowScanProgress(std::uint32_t position, std::uint32_t maximum)
{
  ProgressBar1->setMaximum(static_cast<int>(maximum));
  ProgressBar1->setValue(static_cast<int>(position));
}

void TScanRSDialog::AddScanRow(const RSScanRow& row) { ListView1->AddRow(row.Number, row.AddressText, row.Item.Text); }

void TScanRSDialog::ScanStopped()
{
  ComboBox5->setEnabled(true);
  Button1->setText(QString::fromUtf8(kStartCaption));
}

void TScanRSDialog::ShowScanError(const std::string& text)
{
  prompts_.MessageBox(this, text, PromptIcon::Error, PromptButtons::Ok);
}

void TScanRSDialog::LoadSettings(const std::string& key)
{
  const TRegistryIniFile ini(key, RegistryAccess::Read);
  LoadFormPlacement(*this, ini);
  ListView1->SetAddressWidth(ini.ReadInteger(FormPlacementSection(*this), "LWidth", ListView1->AddressWidth()));
  LoadTicks(ini, *CheckListBox1);
  LoadTicks(ini, *CheckListBox2);
  LoadTicks(ini, *CheckListBox3);
  Edit1->setValue(ini.ReadInteger(kSection, "AddrStart", Edit1->value()));
  Edit2->setValue(ini.ReadInteger(kSection, "AddrStop", 1));
  Edit3->setValue(ini.ReadInteger(kSection, "Timeout", 100));
}

void TScanRSDialog::SaveSettings(const std::string& key)
{
  TRegistryIniFile ini(key, RegistryAccess::Write);
  SaveFormPlacement(*this, ini);
  ini.WriteInteger(FormPlacementSection(*this), "LWidth", ListView1->AddressWidth());
  SaveTicks(ini, *CheckListBox1);
  SaveTicks(ini, *CheckListBox2);
  SaveTicks(ini, *CheckListBox3);
  ini.WriteInteger(kSection, "AddrStart", Position(Edit1));
  ini.WriteInteger(kSection, "AddrStop", Position(Edit2));
  ini.WriteInteger(kSection, "Timeout", Position(Edit3));
}
