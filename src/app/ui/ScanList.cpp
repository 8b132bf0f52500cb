#include "app/ui/ScanList.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

#include "app/core/Prompts.h"
#include "platform/LoadStr.h"

namespace {

constexpr int kTextListEmpty = 1613;
constexpr int kTextChooseDevice = 1614;

struct ColumnLimits {
  int width;
  int minimum;
  int maximum;
};
// "#", "Адрес"; "Описание" takes the rest.
constexpr ColumnLimits kColumns[] = {{30, 30, 60}, {160, 50, 500}};
constexpr int kDescriptionMinimum = 50;

// The report's grid lines, drawn over each cell as the style has painted it. A style
// sheet rule for the items would make the style sheet paint the selection too, and it
// drew the selected row's text in the colour of its background.
class GridLineDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
  {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Midlight));
    const QRect& r = option.rect;
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
  }
};

}  // namespace

ScanListView::ScanListView(QWidget* parent) : QTreeWidget(parent), addressWidth_(kColumns[kAddressColumn].width)
{
  setColumnCount(3);
  setHeaderLabels({QStringLiteral("#"), QStringLiteral("Адрес"), QStringLiteral("Описание")});
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemDelegate(new GridLineDelegate(this));
  QHeaderView* head = header();
  head->setSectionsClickable(false);
  head->setSectionsMovable(false);
  // Sized by the list itself (FitDescriptionColumn), not by the user. Qt's stretched
  // last section falls to the header's minimum where the columns before it fill the
  // view, and the scroll bar then ends inside the description.
  head->setSectionResizeMode(kDescriptionColumn, QHeaderView::Fixed);
  head->setMinimumSectionSize(std::min({kColumns[0].minimum, kColumns[1].minimum, kDescriptionMinimum}));
  for (int column = 0; column < 2; ++column) setColumnWidth(column, kColumns[column].width);
  connect(head, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
    if (column >= kDescriptionColumn) return;
    const int limited = std::clamp(size, kColumns[column].minimum, kColumns[column].maximum);
    if (limited != size) {
      header()->resizeSection(column, limited);
      return;
    }
    if (column == kAddressColumn && !fitting_) addressWidth_ = size;
    FitDescriptionColumn();
  });
  // Emptied (clear()), the address column goes back to the user's width.
  connect(model(), &QAbstractItemModel::modelReset, this, [this] {
    widestAddress_ = 0;
    widestDescription_ = 0;
    FitAddressColumn();
    FitDescriptionColumn();
  });
  SetMultiSelect(false);
}

ScanListView::~ScanListView()
{
  // The model is a child of the list and empties itself when the list's base deletes
  // it, after this part of the list is gone.
  disconnect(model(), nullptr, this, nullptr);
}

void ScanListView::AddRow(const std::string& number, const std::string& address, const std::string& description)
{
  auto* item = new QTreeWidgetItem(
      QStringList{QString::fromStdString(number), QString::fromStdString(address), QString::fromStdString(description)});
  for (int column : {kAddressColumn, kDescriptionColumn}) item->setToolTip(column, item->text(column));
  addTopLevelItem(item);
  auto needs = [&](int column) { return sizeHintForIndex(indexFromItem(item, column)).width(); };
  widestAddress_ = std::max(widestAddress_, needs(kAddressColumn));
  widestDescription_ = std::max(widestDescription_, needs(kDescriptionColumn));
  FitAddressColumn();
  FitDescriptionColumn();
}

void ScanListView::SetMultiSelect(bool on)
{
  setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void ScanListView::SetAddressWidth(int width)
{
  addressWidth_ = std::clamp(width, kColumns[kAddressColumn].minimum, kColumns[kAddressColumn].maximum);
  FitAddressColumn();
}

void ScanListView::FitAddressColumn()
{
  // Within the column's limits: an address wider than the widest column is cut, and
  // its tooltip shows it.
  fitting_ = true;
  setColumnWidth(kAddressColumn, std::min(std::max(addressWidth_, widestAddress_), kColumns[kAddressColumn].maximum));
  fitting_ = false;
}

void ScanListView::FitDescriptionColumn()
{
  const int room = viewport()->width() - header()->sectionPosition(kDescriptionColumn);
  const int width = room >= kDescriptionMinimum ? room : std::max(kDescriptionMinimum, widestDescription_);
  setColumnWidth(kDescriptionColumn, width);
}

void ScanListView::resizeEvent(QResizeEvent* event)
{
  // Before the base lays out the scroll bars, which then count the new width.
  FitDescriptionColumn();
  QTreeWidget::resizeEvent(event);
}

std::vector<int> ScanListView::ChosenRows() const
{
  std::vector<int> rows;
  for (int row = 0; row < topLevelItemCount(); ++row)
    if (topLevelItem(row)->isSelected()) rows.push_back(row);
  if (rows.empty() && currentItem()) rows.push_back(indexOfTopLevelItem(currentItem()));
  return rows;
}

bool CheckScanChoice(ScanListView& list, QWidget& scanButton, Prompts& prompts, QWidget* owner)
{
  if (list.currentItem()) return true;
  if (list.topLevelItemCount() == 0) {
    scanButton.setFocus();
    prompts.MessageBox(owner, LoadStr(kTextListEmpty), PromptIcon::Error, PromptButtons::Ok);
    return false;
  }
  if (list.selectedItems().isEmpty()) {
    list.setFocus();
    prompts.MessageBox(owner, LoadStr(kTextChooseDevice), PromptIcon::Error, PromptButtons::Ok);
    return false;
  }
  return true;
}
