// Every window and message at the size it opens with, in the fonts of this machine: no
// text is cut and no log line hides behind a scroll bar. The design's sizes were made
// in a smaller font than any desktop here uses, so each widget's size is compared with
// what its contents ask for (their size hints), which holds whatever the font; a second
// run uses a desktop's larger font.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "GuiDriving.h"
#include "ListChecks.h"
#include "ReleaseImages.h"
#include "SetupDialogFixture.h"
#include "app/ui/MainForm.h"
#include "app/ui/ProgressDialog.h"
#include "app/ui/PromptsQt.h"
#include "app/ui/RegPasswordDialog.h"
#include "app/ui/ScanEthDialog.h"
#include "app/ui/ScanList.h"
#include "app/ui/ScanRSDialog.h"
#include "platform/ProgramResources.h"

namespace {

std::string Describe(const QWidget& widget, const QSize& has, const QSize& needs)
{
  std::ostringstream out;
  out << widget.metaObject()->className() << " \"";
  if (auto* label = qobject_cast<const QLabel*>(&widget)) out << label->text().left(40).toStdString();
  if (auto* button = qobject_cast<const QAbstractButton*>(&widget)) out << button->text().toStdString();
  if (auto* group = qobject_cast<const QGroupBox*>(&widget)) out << group->title().toStdString();
  out << "\" is " << has.width() << "x" << has.height() << ", needs " << needs.width() << "x" << needs.height();
  return out.str();
}

// What a widget's contents ask for: the whole text of a label, a button or a check box
// on one line (one whose text wraps: its height at its width); a group box's title and
// a list's or up-down's widest entry.
QSize Needs(const QWidget& widget)
{
  const bool text = qobject_cast<const QLabel*>(&widget) || qobject_cast<const QAbstractButton*>(&widget);
  if (text && widget.hasHeightForWidth()) return {widget.minimumSizeHint().width(), widget.heightForWidth(widget.width())};
  if (text) return widget.sizeHint();
  if (qobject_cast<const QGroupBox*>(&widget) || qobject_cast<const QComboBox*>(&widget) ||
      qobject_cast<const QAbstractSpinBox*>(&widget))
    return widget.minimumSizeHint();
  return {};
}

// The items of a list (the check lists) that do not show whole: each must lie in the
// list's view, as wide and as high as the item asks for, with no scroll bar to reach it.
void CutItems(const QListWidget& list, std::vector<std::string>& cut)
{
  const QRect view = list.viewport()->rect();
  for (int row = 0; row < list.count(); ++row) {
    const QListWidgetItem* item = list.item(row);
    const QRect shown = list.visualItemRect(item) & view;
    const QSize needs = list.sizeHintForIndex(list.model()->index(row, 0));
    if (shown.width() < needs.width() || shown.height() < needs.height())
      cut.push_back("list item \"" + item->text().toStdString() + "\" shows " + std::to_string(shown.width()) + "x" +
                    std::to_string(shown.height()) + ", needs " + std::to_string(needs.width()) + "x" +
                    std::to_string(needs.height()));
  }
  for (const QScrollBar* bar : {list.horizontalScrollBar(), list.verticalScrollBar()})
    if (bar->isVisibleTo(&list)) cut.push_back("a list of \"" + list.item(0)->text().toStdString() + "\" scrolls");
}

// The visible widgets of a shown window that are smaller than their contents ask for.
std::vector<std::string> CutWidgets(const QWidget& window)
{
  std::vector<std::string> cut;
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&window)) continue;
    if (auto* list = qobject_cast<const QListWidget*>(widget)) CutItems(*list, cut);
    const QSize needs = Needs(*widget);
    if (!needs.isValid()) continue;
    if (widget->width() < needs.width() || widget->height() < needs.height())
      cut.push_back(Describe(*widget, widget->size(), needs));
  }
  return cut;
}

// A log whose every line is in view: no scrolling either way.
void ExpectAllLinesShown(const QPlainTextEdit& log)
{
  EXPECT_EQ(log.verticalScrollBar()->maximum(), 0) << "lines hidden above or below: " << log.toPlainText().toStdString();
  EXPECT_EQ(log.horizontalScrollBar()->maximum(), 0) << "a line cut at the right";
}

struct FontCase {
  const char* name;
  double pointSize;  // 0: the platform's own
};
void PrintTo(const FontCase& font, std::ostream* out) { *out << font.name; }

class WindowSizeTest : public SetupDialogTest, public ::testing::WithParamInterface<FontCase> {
protected:
  void SetUp() override
  {
    // Without a font on the machine every text measures next to nothing and nothing
    // would ever look cut (tools/setup.sh installs fonts-dejavu-core).
    const QFontMetrics metrics(QApplication::font());
    ASSERT_GT(metrics.horizontalAdvance(QStringLiteral("Запомнить пароль")), 60)
        << "no usable font: " << QFontInfo(QApplication::font()).family().toStdString();
  }

  // Shows a modal message through the Qt prompts and checks it while it is up.
  std::vector<std::string> CutInMessage(const std::function<void(QtPrompts&)>& ask)
  {
    std::vector<std::string> cut;
    bool seen = false;
    WhenModal<QDialog>([&](QDialog& shown) {
      seen = true;
      cut = CutWidgets(shown);
      shown.reject();
    });
    QtPrompts qt;
    ask(qt);
    EXPECT_TRUE(seen) << "no modal window came";
    return cut;
  }

private:
  ScopedFontSize font_{GetParam().pointSize};
};

TEST_P(WindowSizeTest, TheMainWindowAtItsDefaultAndItsMinimumSize)
{
  TMainForm form(ProgramResources());
  form.LoadUpdates();
  form.show();
  EXPECT_EQ(CutWidgets(form), std::vector<std::string>{});
  ExpectAllLinesShown(*form.mmoLog);
  form.AddLogLine("mbtcp://192.168.100.200:1502: регистратор зав. №2170025 (Corvane-Tovi-318K) v2.1.70.0 -> "
                  "v2.1.160.115");
  form.AddLogLine("OK");
  ExpectAllLinesShown(*form.mmoLog);

  form.resize(form.minimumSize());
  QApplication::processEvents();
  EXPECT_EQ(CutWidgets(form), std::vector<std::string>{}) << "at the minimum size";
  EXPECT_EQ(form.mmoLog->horizontalScrollBar()->maximum(), 0) << "a line cut at the right";
}

TEST_P(WindowSizeTest, TheConnectionSettingsOnEitherInterface)
{
  ConnectionSettings s;
  s.PortName = "/dev/ttyUSB0";
  s.EthAddress = "mbtcp://192.168.100.200:1502";
  for (int interfaceItem : {ConnectionSettings::Serial, ConnectionSettings::Ethernet}) {
    SCOPED_TRACE(interfaceItem);
    s.Interface = interfaceItem;
    Fresh fresh(ports.Source(), s, {s.EthAddress, "mbudp://10.0.0.1:1503"});
    EXPECT_EQ(CutWidgets(fresh.dialog), std::vector<std::string>{});
  }
}

TEST_P(WindowSizeTest, ThePasswordDialog)
{
  TRegPasswordDialog dialog(prompts);
  dialog.EditConnection->setText("mbtcp://192.168.100.200:1502");
  dialog.EditDevice->setText("Corvane-Tovi-318K №2170026");
  dialog.EditUser->setText("Запись конфигурации");
  dialog.show();
  EXPECT_EQ(CutWidgets(dialog), std::vector<std::string>{});
}

// The log of a whole upload with a login shows without scrolling when the window opens.
TEST_P(WindowSizeTest, TheProgressWindowWithTheLogOfAWholeUpload)
{
  TProgressDialog window(prompts);
  for (const char* line : {"Подключение к mbtcp://192.168.100.200:1502", "IP адрес: 192.168.100.200", "Идентификация",
                           "Corvane-Tovi-318K v2.1.70", "Загрузка обновления", "Авторизация", "Установка обновления",
                           "Загрузка обновления выполнена успешно.\r\nВыключите и снова включите питание."})
    window.AddLog(line);
  window.show();
  EXPECT_EQ(CutWidgets(window), std::vector<std::string>{});
  ExpectAllLinesShown(*window.Memo1);

  window.AddLog("Ошибка: Ошибка. Регистратор по адресу 1, версия 2.1.161.\nДанная версия программы не совместима с "
                "подключенным регистратором.\nОбратитесь к разработчику для обновления программы");
  EXPECT_EQ(window.Memo1->horizontalScrollBar()->maximum(), 0) << "a long line is cut at the right";
}

TEST_P(WindowSizeTest, MessageBoxesAndTheFinalConfirmation)
{
  const char* const texts[] = {
      "mbtcp://192.168.100.200:1502:\r\nРегистратор Corvane-Tovi-318K имеет ПО версии v2.1.161 -\r\nболее свежее, чем "
      "данное обновление (2.1.160).\r\n\r\nЗагрузить свежую версию программы обновления ПО регистратора с сайта "
      "разработчика (потребуется доступ в сеть Интернет)?",
      "Введите максимальное время ожидания (таймаут) ответа от регистратора - значение от 1 до 200 секунд",
      "Прервать процесс?",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(CutInMessage([text](QtPrompts& qt) {
                qt.MessageBox(nullptr, text, PromptIcon::Question, PromptButtons::YesNoCancel);
              }),
              std::vector<std::string>{});
  }

  TaskDialogRequest confirmation;
  confirmation.title = "Обновление ПО регистратора";
  confirmation.text = "Регистратор по адресу mbtcp://192.168.100.200:1502: Corvane-Tovi-318K №2170025\r\nВерсия ПО: "
                      "2.1.70.0\r\nВерсия АО: 2.5\r\n\r\nВы действительно хотите обновить ПО?";
  confirmation.icon = PromptIcon::Information;
  confirmation.buttons = {PromptResult::Yes, PromptResult::Cancel};
  confirmation.links = {{100, "Сделать резервную копию", "текущей конфигурации регистратора в файл на ПК"}};
  EXPECT_EQ(CutInMessage([&](QtPrompts& qt) { qt.TaskDialog(nullptr, confirmation); }), std::vector<std::string>{});
}

// The two scans with a found device listed, at their default and their minimum size:
// the check lists show every item, and the "Адрес" column its address whole (the
// longest IPv4 address within the designed 160).
TEST_P(WindowSizeTest, TheScanDialogs)
{
  TScanRSDialog serial(prompts, nullptr, ports.Source());
  TScanEthDialog ethernet(prompts, DiscoveryTarget::Parse("127.0.0.1:9"));
  const struct {
    QDialog* dialog;
    ScanListView* list;
    QString address;
    const char* description;
    bool designedWidth;
  } scans[] = {
      {&serial, serial.ListView1, "5 @ /dev/ttyUSB0-115200-нечетный-2 / 12 мс", "Pelkar / Pelkar-740-L7 / v2.1.160",
       false},
      {&ethernet, ethernet.ListView1, "255.255.255.255", "Pelkar-740-L7 / 2160 / v2.1.160.0 / 2.1.0.0", true},
  };
  for (const auto& scan : scans) {
    SCOPED_TRACE(scan.dialog->objectName().toStdString());
    scan.list->AddRow("1", scan.address.toStdString(), scan.description);
    scan.dialog->show();
    EXPECT_EQ(CutWidgets(*scan.dialog), std::vector<std::string>{});
    EXPECT_GE(scan.list->columnWidth(ScanListView::kAddressColumn), CellWidthFor(*scan.list, scan.address));
    if (scan.designedWidth) {
      EXPECT_EQ(scan.list->columnWidth(ScanListView::kAddressColumn), 160);
    }
    scan.dialog->resize(scan.dialog->minimumSize());
    QApplication::processEvents();
    EXPECT_EQ(CutWidgets(*scan.dialog), std::vector<std::string>{}) << "at the minimum size";
  }
}

INSTANTIATE_TEST_SUITE_P(Fonts, WindowSizeTest,
                         ::testing::Values(FontCase{"OfThePlatform", 0}, FontCase{"OfADesktop", 11}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
