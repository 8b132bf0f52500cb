#pragma once

#include <QTreeWidget>

#include <string>
#include <vector>

class Prompts;
class QResizeEvent;
class QWidget;

// The list of found devices both scan dialogs show: "#", "Адрес" and "Описание", whole
// rows selected, nothing editable, the selection kept when the list loses the focus.
class ScanListView : public QTreeWidget {
  Q_OBJECT

public:
  explicit ScanListView(QWidget* parent = nullptr);
  ~ScanListView() override;

  void AddRow(const std::string& number, const std::string& address, const std::string& description);
  void SetMultiSelect(bool on);

  // The "Адрес" column. Its width as the user gave it (dragging the header, or from the
  // settings, "LWidth") is what the dialogs keep; the column shows at least that, and
  // wider while an address listed needs more room. Each address is also its cell's
  // tooltip, for a column the user has narrowed.
  static constexpr int kAddressColumn = 1;
  int AddressWidth() const { return addressWidth_; }
  void SetAddressWidth(int width);

  // The "Описание" column takes the room the list has left, at least 50. Where the
  // columns before it leave less (a long address fitted), it is as wide as its longest
  // text, so the scroll bar they make reaches the end of that text. Each description is
  // also its cell's tooltip, for one cut at the window's width.
  static constexpr int kDescriptionColumn = 2;

  // The rows OK and a double click take, in list order: the selected ones, or the
  // current row when none is selected. Empty when there is no current row and none is
  // selected.
  std::vector<int> ChosenRows() const;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void FitAddressColumn();
  void FitDescriptionColumn();

  int addressWidth_;
  // The widths the widest address and description listed need; 0 for an empty list.
  int widestAddress_ = 0;
  int widestDescription_ = 0;
  // Set while the list itself sizes the column, which is not the user's width.
  bool fitting_ = false;
};

// OK's checks: with no current row, an empty list focuses the scan button and says it
// is empty (1613), and a list without a selected row focuses the list and asks for one
// (1614), in a box owned by `owner`. False after such a refusal.
bool CheckScanChoice(ScanListView& list, QWidget& scanButton, Prompts& prompts, QWidget* owner);
