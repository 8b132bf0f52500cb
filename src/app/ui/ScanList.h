#pragma once

#include <QTreeWidget>

#include <string>
#include <vector>

class Prompts;
class QWidget;

// The list of found devices both scan dialogs show: "#", "Адрес" and "Описание", whole
// rows selected, nothing editable, the selection kept when the list loses the focus.
class ScanListView : public QTreeWidget {
  Q_OBJECT

public:
  explicit ScanListView(QWidget* parent = nullptr);

  void AddRow(const std::string& number, const std::string& address, const std::string& description);
  void SetMultiSelect(bool on);

  // The "Адрес" column, whose width the dialogs keep in the settings ("LWidth").
  static constexpr int kAddressColumn = 1;
  int AddressWidth() const { return columnWidth(kAddressColumn); }
  void SetAddressWidth(int width);

  // The rows OK and a double click take, in list order: the selected ones, or the
  // current row when none is selected. Empty when there is no current row and none is
  // selected.
  std::vector<int> ChosenRows() const;
};

// OK's checks: with no current row, an empty list focuses the scan button and says it
// is empty (1613), and a list without a selected row focuses the list and asks for one
// (1614), in a box owned by `owner`. False after such a refusal.
bool CheckScanChoice(ScanListView& list, QWidget& scanButton, Prompts& prompts, QWidget* owner);
