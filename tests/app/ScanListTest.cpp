// The list of found devices, as both scan dialogs show it, offscreen: the row a user
// picks stays readable, and the "Адрес" column shows what is listed in it.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

#include "ListChecks.h"
#include "SetupDialogFixture.h"
#include "app/ui/ScanEthDialog.h"
#include "app/ui/ScanList.h"
#include "app/ui/ScanRSDialog.h"
#include "app/ui/WindowPlacement.h"
#include "platform/Registry.h"

namespace {

const char kMirelKey[] = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";
// A long address as a serial scan lists it: a USB adapter's port, a fast rate and the
// longest parity.
const char kLongAddress[] = "5 @ /dev/ttyUSB0-115200-нечетный-2 / 8 мс";

// One of the two dialogs, with its list.
struct ScanWindow {
  std::unique_ptr<QDialog> dialog;
  ScanListView* list;
};

class ScanListTest : public SetupDialogTest {
protected:
  ScanWindow Serial()
  {
    auto dialog = std::make_unique<TScanRSDialog>(prompts, nullptr, ports.Source());
    ScanListView* list = dialog->ListView1;
    return {std::move(dialog), list};
  }
  ScanWindow Ethernet()
  {
    auto dialog = std::make_unique<TScanEthDialog>(prompts, DiscoveryTarget::Parse("127.0.0.1:9"));
    ScanListView* list = dialog->ListView1;
    return {std::move(dialog), list};
  }

  struct Kind {
    const char* name;
    ScanWindow (ScanListTest::*make)();
    const char* address;
    const char* description;
  };
  static constexpr Kind kKinds[] = {
      {"serial scan", &ScanListTest::Serial, kLongAddress, "Pelkar / Pelkar-740-L7 / v2.1.160"},
      {"Ethernet discovery", &ScanListTest::Ethernet, "192.168.100.200", "Pelkar-740-L7 / 2160 / v2.1.160.0 / 2.5.0.0"},
  };

  // Drags the right edge of a column's header by dx, as a user widens or narrows it.
  static void DragColumnEdge(ScanListView& list, int column, int dx)
  {
    QHeaderView* head = list.header();
    const QPoint edge(head->sectionViewportPosition(column) + head->sectionSize(column) - 1, head->height() / 2);
    QTest::mousePress(head->viewport(), Qt::LeftButton, {}, edge);
    QTest::mouseMove(head->viewport(), edge + QPoint(dx / 2, 0));
    QTest::mouseMove(head->viewport(), edge + QPoint(dx, 0));
    QTest::mouseRelease(head->viewport(), Qt::LeftButton, {}, edge + QPoint(dx, 0));
  }
};

}  // namespace

// The row a user clicks is drawn with its text on the selection while the list has the
// focus (the pointer moved off the row), after Tab has taken the focus on, and when the
// dialog is shown again with the row kept.
TEST_F(ScanListTest, TheChosenRowStaysReadable)
{
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    ScanWindow window = (this->*kind.make)();
    ScanListView& list = *window.list;
    list.AddRow("1", kind.address, kind.description);
    list.AddRow("2", kind.address, kind.description);
    window.dialog->show();
    QApplication::setActiveWindow(window.dialog.get());

    QTreeWidgetItem* row = list.topLevelItem(0);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(row).center());
    // The pointer goes on, so the row is drawn as it is seen once the hand leaves it.
    QTest::mouseMove(list.viewport(), list.viewport()->rect().bottomRight() - QPoint(5, 5));
    ASSERT_TRUE(list.hasFocus());
    EXPECT_TRUE(SelectedRowReads(list, row)) << "focused";

    QTest::keyClick(&list, Qt::Key_Tab);
    ASSERT_FALSE(list.hasFocus());
    EXPECT_TRUE(SelectedRowReads(list, row)) << "unfocused";

    window.dialog->reject();
    window.dialog->show();
    QApplication::setActiveWindow(window.dialog.get());
    EXPECT_TRUE(SelectedRowReads(list, row)) << "shown again";
  }
}

// The column widens to the longest address when rows are added and carries each
// address whole as its tooltip; the width the user gave it ("LWidth") is what the
// settings keep, and the column is never narrower than that.
TEST_F(ScanListTest, TheAddressColumnShowsTheLongestAddressAndKeepsTheUsersWidth)
{
  ScanWindow window = Serial();
  auto& dialog = static_cast<TScanRSDialog&>(*window.dialog);
  ScanListView& list = *window.list;
  dialog.show();
  const int needed = CellWidthFor(list, QString::fromUtf8(kLongAddress));
  ASSERT_GT(needed, 160) << "the case needs an address wider than the designed column";
  auto storedWidth = [&] {
    dialog.SaveSettings(kMirelKey);
    return Registry().ReadValue(Registry::JoinKey(kMirelKey, FormPlacementSection(dialog)), "LWidth");
  };

  const int column = ScanListView::kAddressColumn;
  auto width = [&] { return list.columnWidth(column); };

  list.AddRow("1", "1 @ /dev/ttyS0-9600-нет-1 / 80 мс", "Pelkar");
  list.AddRow("2", kLongAddress, "Pelkar");
  EXPECT_GE(width(), needed);
  EXPECT_EQ(list.topLevelItem(1)->toolTip(column), QString::fromUtf8(kLongAddress));
  EXPECT_EQ(storedWidth(), RegistryValue::Dword(160)) << "the fitted width is not the user's";

  // The user narrows the column: that is the width kept, until the next row comes.
  DragColumnEdge(list, column, 100 - width());
  EXPECT_EQ(width(), 100);
  EXPECT_EQ(storedWidth(), RegistryValue::Dword(100));
  list.AddRow("3", "3 @ /dev/ttyS0-9600-нет-1 / 80 мс", "Pelkar");
  EXPECT_GE(width(), needed) << "the longest address listed shows whole again";
  EXPECT_EQ(storedWidth(), RegistryValue::Dword(100));

  // A width wider than any address stays as the user left it.
  DragColumnEdge(list, column, needed + 40 - width());
  EXPECT_EQ(width(), needed + 40);
  list.AddRow("4", kLongAddress, "Pelkar");
  EXPECT_EQ(width(), needed + 40);
  EXPECT_EQ(storedWidth(), RegistryValue::Dword(needed + 40));

  // Emptied, the list goes back to the user's width; loaded, the user's width is kept
  // beside rows that need more.
  DragColumnEdge(list, column, 120 - width());
  list.AddRow("5", kLongAddress, "Pelkar");
  ASSERT_GE(width(), needed);
  dialog.ClearListActionExecute();
  EXPECT_EQ(width(), 120);
  EXPECT_EQ(storedWidth(), RegistryValue::Dword(120));
  TScanRSDialog again(prompts, nullptr, ports.Source());
  again.ListView1->AddRow("1", kLongAddress, "Pelkar");
  again.LoadSettings(kMirelKey);
  EXPECT_EQ(again.ListView1->AddressWidth(), 120);
  EXPECT_GE(again.ListView1->columnWidth(column), needed) << "the row listed still shows whole";
}
