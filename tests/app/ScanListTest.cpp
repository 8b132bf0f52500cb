// The list of found devices, as both scan dialogs show it, offscreen: the row a user
// picks stays readable, and the "Адрес" and "Описание" columns show what is listed in
// them. One test lists a recorder as a real scan finds it (the simulated recorder on a
// pseudo-terminal and on loopback); the serial scan's events come from its thread, so
// that suite's name puts it into the ThreadSanitizer run.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>

#include <functional>
#include <memory>

#include "GuiDriving.h"
#include "ListChecks.h"
#include "SetupDialogFixture.h"
#include "app/ui/ScanEthDialog.h"
#include "app/ui/ScanList.h"
#include "app/ui/ScanRSDialog.h"
#include "app/ui/WindowPlacement.h"
#include "platform/Registry.h"
#include "recsim/Device.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/Server.h"

namespace {

const char kMirelKey[] = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";
// A long address as a serial scan lists it: a USB adapter's port, a fast rate and the
// longest parity.
const char kLongAddress[] = "5 @ /dev/ttyUSB0-115200-нечетный-2 / 8 мс";
// The longest texts of the simulator's profiles: its identification on the line, and
// its answer to the discovery.
const char kLongestProfile[] = "corvane-21-2.1.160.115-h2.5";
const char kLongestIdentification[] = "Corvane / Corvane-KX-318 / v2.1.160";
const char kLongestDiscovery[] = "Corvane-KX-318 / 2160025 / v2.1.160.115 / 2.5.0.0";

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

using ScanListThreadTest = ScanListTest;

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

// A recorder as a real scan lists it, in a window at the size it opens with and a
// desktop's 11 pt. The description is its cell's tooltip, whole; where the address,
// fitted to a pseudo-terminal's path, pushes the description out of view, the scroll
// bar reaches the description's end; otherwise the description fills the list's room;
// and a wider window shows more of it.
TEST_F(ScanListThreadTest, TheDescriptionOfAFoundRecorderIsWithinReach)
{
  const ScopedFontSize desktop(11);
  recsim::Server server;
  const std::string pty = server.OpenRtu();
  DiscoveryTarget target;
  target.Endpoint = {0x7F000001, server.ListenDiscovery()};
  server.WithDevice([](recsim::Device& device) {
    recsim::LoadProfile(device, kLongestProfile);
    device.unit = 5;
  });
  server.Start();

  auto serialScan = [&] {
    auto dialog = std::make_unique<TScanRSDialog>(prompts, nullptr, ports.Source());
    dialog->show();
    dialog->ComboBox5->setEditText(QString::fromStdString(pty));
    dialog->CheckListBox1->item(5)->setCheckState(Qt::Checked);  // 115200
    dialog->CheckListBox2->item(0)->setCheckState(Qt::Checked);  // нет
    dialog->CheckListBox3->item(0)->setCheckState(Qt::Checked);  // 1
    dialog->Edit1->setValue(5);
    dialog->Edit2->setValue(5);
    dialog->Edit3->setValue(500);
    dialog->Button1->click();
    EXPECT_TRUE(WaitUntil([&] { return !dialog->Scan().IsScanning(); }));
    ScanListView* list = dialog->ListView1;
    return ScanWindow{std::move(dialog), list};
  };
  auto discovery = [&] {
    auto dialog = std::make_unique<TScanEthDialog>(prompts, target);
    dialog->show();
    dialog->btnScan->click();
    EXPECT_TRUE(WaitUntil([&] { return dialog->ListView1->topLevelItemCount() > 0; }));
    ScanListView* list = dialog->ListView1;
    return ScanWindow{std::move(dialog), list};
  };
  const struct {
    const char* name;
    std::function<ScanWindow()> find;
    const char* description;
    bool pushedOut;  // by the address, at the size the window opens with
  } scans[] = {
      {"serial scan", serialScan, kLongestIdentification, true},
      {"Ethernet discovery", discovery, kLongestDiscovery, false},
  };
  const int column = ScanListView::kDescriptionColumn;
  for (const auto& scan : scans) {
    SCOPED_TRACE(scan.name);
    ScanWindow window = scan.find();
    QApplication::processEvents();  // the list lays out its scroll bars for the row
    ScanListView& list = *window.list;
    ASSERT_EQ(list.topLevelItemCount(), 1);
    const QTreeWidgetItem* row = list.topLevelItem(0);
    ASSERT_EQ(row->text(column).toStdString(), scan.description);
    EXPECT_EQ(row->toolTip(column).toStdString(), scan.description);

    QScrollBar* bar = list.horizontalScrollBar();
    if (scan.pushedOut) {
      ASSERT_GT(bar->maximum(), 0) << "the case needs an address that pushes the description out";
      bar->setValue(bar->maximum());
      EXPECT_GE(ShownWidth(list, column), CellWidthFor(list, row->text(column))) << "scrolled to the end";
      bar->setValue(0);
    } else {
      EXPECT_EQ(bar->maximum(), 0);
      EXPECT_EQ(ShownWidth(list, column), list.viewport()->width() - list.header()->sectionPosition(column));
    }
    const int shown = ShownWidth(list, column);
    window.dialog->resize(window.dialog->width() + 200, window.dialog->height());
    QApplication::processEvents();
    EXPECT_GT(ShownWidth(list, column), shown) << "in a wider window";
  }
}

// The user's own width of "Адрес" ("LWidth") can leave the description no room: it is
// then as wide as its text, for the scroll bar to reach; when the address leaves room
// again, the description fills it and nothing scrolls. An emptied list forgets the
// texts it held.
TEST_F(ScanListTest, TheDescriptionTakesTheRoomTheAddressLeaves)
{
  ScanWindow window = Serial();
  ScanListView& list = *window.list;
  window.dialog->show();
  const int column = ScanListView::kDescriptionColumn;
  const QString longest = QString::fromUtf8(kLongestIdentification);
  const char address[] = "1 @ /dev/ttyS0-9600-нет-1 / 80 мс";
  QScrollBar* bar = list.horizontalScrollBar();
  // The list lays out its scroll bars once the events of the change are served.
  auto fillsTheRoom = [&] {
    QApplication::processEvents();
    return bar->maximum() == 0 && list.header()->length() == list.viewport()->width();
  };
  auto scrolledToTheEnd = [&] {
    QApplication::processEvents();
    bar->setValue(bar->maximum());
    return ShownWidth(list, column);
  };

  list.AddRow("1", address, kLongestIdentification);
  EXPECT_TRUE(fillsTheRoom());
  list.SetAddressWidth(500);
  ASSERT_LT(list.viewport()->width(), list.header()->sectionPosition(column) + 50);
  EXPECT_GE(scrolledToTheEnd(), CellWidthFor(list, longest));

  list.SetAddressWidth(160);
  EXPECT_TRUE(fillsTheRoom());

  list.clear();
  list.SetAddressWidth(500);
  list.AddRow("1", address, "SERVER EXCEPTION [2]");
  EXPECT_LT(list.columnWidth(column), CellWidthFor(list, longest));
  EXPECT_GE(scrolledToTheEnd(), CellWidthFor(list, QStringLiteral("SERVER EXCEPTION [2]")));
}
