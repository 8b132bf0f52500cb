#include "app/ui/ScanList.h"

#include <QHeaderView>

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

}  // namespace

ScanListView::ScanListView(QWidget* parent) : QTreeWidget(parent)
{
  setColumnCount(3);
  setHeaderLabels({QStringLiteral("#"), QStringLiteral("Адрес"), QStringLiteral("Описание")});
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The report's grid lines.
  setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid palette(midlight); "
                               "border-bottom: 1px solid palette(midlight); }"));
  QHeaderView* head = header();
  head->setSectionsClickable(false);
  head->setSectionsMovable(false);
  head->setStretchLastSection(true);
  head->setMinimumSectionSize(std::min({kColumns[0].minimum, kColumns[1].minimum, kDescriptionMinimum}));
  for (int column = 0; column < 2; ++column) setColumnWidth(column, kColumns[column].width);
  connect(head, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
    if (column >= 2) return;
    const int limited = std::clamp(size, kColumns[column].minimum, kColumns[column].maximum);
    if (limited != size) header()->resizeSection(column, limited);
  });
  SetMultiSelect(false);
}

void ScanListView::AddRow(const std::string& number, const std::string& address, const std::string& description)
{
  addTopLevelItem(new QTreeWidgetItem(
      QStringList{QString::fromStdString(number), QString::fromStdString(address), QString::fromStdString(description)}));
}

void ScanListView::SetMultiSelect(bool on)
{
  setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void ScanListView::SetAddressWidth(int width) { setColumnWidth(kAddressColumn, width); }

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
