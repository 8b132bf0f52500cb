// The README's walk through the program, against a simulated recorder started as the
// README says: tools/readme-check.sh starts it and names its address here. The real
// windows and the Qt message boxes, driven offscreen as the README tells the user to
// drive them. Without KESTREL_README_ADDRESS there is nothing to walk to: skipped.
//
//   KESTREL_README_ADDRESS   mbtcp://..., mbudp://... or a serial device path (/dev/pts/5);
//                            with the discovery, the address the recorder is found at
//   KESTREL_README_PASSWORD  the password to type when the recorder asks for one
//   KESTREL_README_ENDS      installed (the default) or refused (the install is refused)
//   KESTREL_README_BACKUP    the file name to type for the backup before the upload; the
//                            confirmation's "Сделать резервную копию" then stands for "Да"
//   KESTREL_README_VERSION   the recorder's firmware before the upload (2.1.70.0)
//   KESTREL_README_SCAN      serial: the recorder is found by the serial bus scan on the
//                            address's line, not typed; ethernet: found by the discovery
//                            (KESTREL_DISCOVERY_TARGET names where it asks) and reached at
//                            the address it was found at, on Modbus TCP's own port

#include <QApplication>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "WindowDriving.h"
#include "app/ui/RegPasswordDialog.h"
#include "app/ui/ScanEthDialog.h"
#include "app/ui/ScanList.h"
#include "app/ui/ScanRSDialog.h"
#include "support/WindowWalker.h"

namespace {

std::string Variable(const char* name)
{
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The user of the README: answers each modal window as it comes, as the walk says, and
// notes what each one showed.
class ReadmeUser : public WindowWalker {
public:
  ReadmeUser(std::string address, std::string password, std::string scan = {}, std::string backup = {})
      : address_(std::move(address)),
        password_(std::move(password)),
        scan_(std::move(scan)),
        backup_(std::move(backup))
  {
  }

  std::vector<std::string> seen;  // "window: text", in order

private:
  void Act(QWidget& shown) override
  {
    QWidget* window = &shown;
    if (auto* settings = dynamic_cast<TMBSetupDialog2*>(window)) return scan_.empty() ? Connect(*settings) : Find(*settings);
    if (auto* discovery = dynamic_cast<TScanEthDialog*>(window)) return Discover(*discovery);
    if (auto* serial = dynamic_cast<TScanRSDialog*>(window)) return Sweep(*serial);
    if (auto* box = qobject_cast<QMessageBox*>(window)) return Answer(*box);
    if (auto* password = dynamic_cast<TRegPasswordDialog*>(window)) return Type(*password);
    if (auto* progress = dynamic_cast<TProgressDialog*>(window)) return Close(*progress);
    if (auto* files = qobject_cast<QFileDialog*>(window)) return Name(*files);
    if (auto* buttons = window->findChild<QDialogButtonBox*>()) return Confirm(*window, *buttons);
  }

  void Connect(TMBSetupDialog2& dialog)
  {
    Done(dialog);
    seen.push_back("settings");
    const bool serial = address_.rfind("/dev/", 0) == 0;
    QTest::mouseClick(serial ? dialog.rbSerial : dialog.rbEthernet, Qt::LeftButton);
    QLineEdit* box = (serial ? dialog.cbPort : dialog.cbEthAddress)->lineEdit();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QString::fromStdString(address_));
    if (serial) {
      // Any speed: a pseudo-terminal has none.
      dialog.cbBaudRate->setCurrentIndex(dialog.cbBaudRate->findText(QStringLiteral("115200")));
      QLineEdit* unit = dialog.seAddress->findChild<QLineEdit*>();
      unit->selectAll();
      QTest::keyClicks(unit, QStringLiteral("1"));
    }
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
  }

  // "Сканировать сеть" of the interface the README names.
  void Find(TMBSetupDialog2& dialog)
  {
    Done(dialog);
    seen.push_back("settings");
    const bool serial = scan_ == "serial";
    QTest::mouseClick(serial ? dialog.rbSerial : dialog.rbEthernet, Qt::LeftButton);
    // Clicked once this turn is over: the scan's modal window runs its own loop, in
    // which this timer must go on acting.
    QPushButton* scan = serial ? dialog.btnScanRS : dialog.btnScanEth;
    QMetaObject::invokeMethod(scan, [scan] { QTest::mouseClick(scan, Qt::LeftButton); }, Qt::QueuedConnection);
  }

  // "Сканировать сеть" in the dialog, then the recorder listed, with "OK".
  void Discover(TScanEthDialog& dialog)
  {
    if (!scanned_) {
      scanned_ = true;
      QTest::mouseClick(dialog.btnScan, Qt::LeftButton);
      return;
    }
    if (dialog.ListView1->topLevelItemCount() == 0) return;
    Done(dialog);
    Choose(*dialog.ListView1, dialog.btnOK, "discovery: ");
  }

  // The printed path in the port box, 9600 and 115200, "нет" and "1" ticked, addresses 1
  // to 10, "Сканировать сеть"; once the scan is over, the first recorder listed, with "OK".
  void Sweep(TScanRSDialog& dialog)
  {
    if (!scanned_) {
      scanned_ = true;
      QLineEdit* port = dialog.ComboBox5->lineEdit();
      port->setFocus();
      QTest::keyClicks(port, QString::fromStdString(address_));
      const std::pair<QListWidget*, const char*> ticks[] = {{dialog.CheckListBox1, "9600"},
                                                             {dialog.CheckListBox1, "115200"},
                                                             {dialog.CheckListBox2, "нет"},
                                                             {dialog.CheckListBox3, "1"}};
      for (const auto& [list, text] : ticks)
        list->findItems(QString::fromUtf8(text), Qt::MatchExactly).value(0)->setCheckState(Qt::Checked);
      for (auto [spin, text] : {std::pair{dialog.Edit1, "1"}, std::pair{dialog.Edit2, "10"}}) {
        QLineEdit* edit = spin->findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromUtf8(text));
      }
      QTest::mouseClick(dialog.Button1, Qt::LeftButton);
      return;
    }
    if (dialog.Scan().IsScanning() || dialog.ListView1->topLevelItemCount() == 0) return;
    Done(dialog);
    seen.push_back("scan: " + dialog.Label8->text().toStdString());
    Choose(*dialog.ListView1, dialog.btnOK, "found: ");
  }

  void Choose(ScanListView& list, QPushButton* ok, const std::string& what)
  {
    QTreeWidgetItem* row = list.topLevelItem(0);
    seen.push_back(what + row->text(1).toStdString() + " " + row->text(2).toStdString());
    list.setCurrentItem(row);
    QTest::mouseClick(ok, Qt::LeftButton);
  }

  // OK to every box, and "Отмена" to a Retry box.
  void Answer(QMessageBox& box)
  {
    Done(box);
    seen.push_back("box: " + box.text().toStdString());
    QAbstractButton* button = box.button(QMessageBox::Ok);
    if (box.button(QMessageBox::Retry)) button = box.button(QMessageBox::Cancel);
    if (!button) button = box.button(QMessageBox::Yes);
    if (!button) button = box.escapeButton();
    QTest::mouseClick(button, Qt::LeftButton);
  }

  void Type(TRegPasswordDialog& dialog)
  {
    Done(dialog);
    seen.push_back("password: " + dialog.EditDevice->text().toStdString());
    QTest::keyClicks(dialog.EditPassword, QString::fromStdString(password_));
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  }

  // The README's "Да" answers the job's final confirmation, or its backup link does.
  void Confirm(QWidget& dialog, QDialogButtonBox& buttons)
  {
    if (!buttons.button(QDialogButtonBox::Yes)) return;
    Done(dialog);
    seen.push_back("confirmation");
    if (!backup_.empty()) {
      for (auto* link : dialog.findChildren<QCommandLinkButton*>()) {
        if (link->text() != QStringLiteral("Сделать резервную копию")) continue;
        seen.push_back("backup link");
        QTest::mouseClick(link, Qt::LeftButton);
        return;
      }
    }
    QTest::mouseClick(buttons.button(QDialogButtonBox::Yes), Qt::LeftButton);
  }

  // The name given over the one proposed, then saved. Set, not typed: typed, it opens the
  // name box's completer, whose popup takes the Return when the machine is busy, and the
  // dialog stays open as it does for a user, who presses Return again.
  void Name(QFileDialog& dialog)
  {
    Done(dialog);
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    seen.push_back("file: " + (name ? name->text().toStdString() : std::string("no name box")));
    if (!name) return dialog.reject();
    name->setText(QString::fromStdString(backup_));
    static_cast<QDialog&>(dialog).accept();  // as the Save button does
  }

  // Once the job has ended with "OK" the user closes the window.
  void Close(TProgressDialog& window)
  {
    if (window.Button1->text() != QStringLiteral("OK")) return;
    Done(window);
    seen.push_back("progress: " + window.Memo1->toPlainText().toStdString());
    QTest::mouseClick(window.Button1, Qt::LeftButton);
  }

  const std::string address_;
  const std::string password_;
  const std::string scan_;
  bool scanned_ = false;
  const std::string backup_;
};

bool AnyContains(const std::vector<std::string>& lines, const std::string& text)
{
  for (const auto& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

TEST(ReadmeWalk, UpdateTheSimulatedRecorderAsTheReadmeSays)
{
  const std::string address = Variable("KESTREL_README_ADDRESS");
  if (address.empty()) GTEST_SKIP() << "tools/readme-check.sh names the simulator to walk to";
  const std::string scan = Variable("KESTREL_README_SCAN");
  const bool refused = Variable("KESTREL_README_ENDS") == "refused";
  const std::string backup = Variable("KESTREL_README_BACKUP");
  const std::string version = Variable("KESTREL_README_VERSION").empty() ? "2.1.70.0" : Variable("KESTREL_README_VERSION");
  TestApp();
  ASSERT_EQ(ProgramResources().Names("FW").size(), 11u) << "the walk needs the sample images";

  QtPrompts prompts;
  ProgramWindow program(prompts);
  TMainForm& form = program.form;
  form.show();
  ReadmeUser user(address, Variable("KESTREL_README_PASSWORD"), scan, backup);
  QTest::mouseClick(form.btnUpdateStart, Qt::LeftButton);

  const std::string walked = ::testing::PrintToString(user.seen);
  if (scan == "serial") {
    EXPECT_TRUE(AnyContains(user.seen, "scan: Сканирование завершено. Найдено 2 устройств.")) << walked;
    EXPECT_TRUE(AnyContains(user.seen, "found: 5 @ " + address + "-115200-нет-1 / ")) << walked;
    EXPECT_EQ(program.settings.Settings().DeviceAddress, 5);
  }
  if (scan == "ethernet") {
    EXPECT_TRUE(AnyContains(user.seen, "discovery: " + address + " ")) << walked;
    EXPECT_EQ(program.settings.Settings().Interface, ConnectionSettings::Ethernet);
    EXPECT_EQ(program.settings.Settings().EthAddress, address);
  }
  EXPECT_TRUE(AnyContains(user.seen, "текущая версия ПО " + version + ".")) << walked;
  EXPECT_TRUE(AnyContains(user.seen, "имеет версию ПО " + version + ".\nОбновить до версии 2.1.160.115?")) << walked;
  EXPECT_TRUE(AnyContains(user.seen, "confirmation")) << walked;
  if (!backup.empty()) {
    // The serial number proposed, the name typed, the file saved with its extension,
    // and the upload on without a second confirmation.
    EXPECT_TRUE(AnyContains(user.seen, "backup link")) << walked;
    const auto proposed = std::find_if(user.seen.begin(), user.seen.end(),
                                       [](const std::string& line) { return line.rfind("file: ", 0) == 0; });
    ASSERT_NE(proposed, user.seen.end()) << walked;
    const std::string number = proposed->substr(6);
    EXPECT_TRUE(!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) << *proposed;
    const std::string saved = std::filesystem::absolute(backup + ".cfg").string();
    EXPECT_TRUE(AnyContains(user.seen, "резервная копия сохранена в " + saved + "\nЗагрузка обновления\n")) << walked;
    EXPECT_TRUE(std::filesystem::is_regular_file(saved)) << saved;
    EXPECT_EQ(std::count(user.seen.begin(), user.seen.end(), "confirmation"), 1) << walked;
  }
  EXPECT_EQ(AnyContains(user.seen, "password: "), !Variable("KESTREL_README_PASSWORD").empty()) << walked;
  const QStringList log = form.mmoLog->toPlainText().split(QLatin1Char('\n'));
  if (refused) {
    EXPECT_TRUE(AnyContains(user.seen, "box: Ошибка обновления [10]\nОбновление не предназначено")) << walked;
    EXPECT_EQ(log.value(log.size() - 2).toStdString(), "Обновление не выполнено: Ошибка обновления [10]");
  } else {
    EXPECT_TRUE(AnyContains(user.seen, "Загрузка обновления выполнена успешно.")) << walked;
    EXPECT_TRUE(AnyContains(user.seen, "текущая версия ПО 2.1.160.115.")) << "read again after the upload: " << walked;
    EXPECT_EQ(log.value(log.size() - 1).toStdString(), "OK");
  }
}

}  // namespace
