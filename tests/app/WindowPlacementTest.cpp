// Dialog placement per screen size, on the offscreen platform (one screen of 800 x 800),
// through a settings store in a temp folder.

#include <gtest/gtest.h>

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

#include "GuiDriving.h"
#include "app/ui/WindowPlacement.h"
#include "platform/Registry.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

const char kKey[] = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";
const char kSection[] = "ScanEthDialog\\Screen800x800";

class FormPlacementTest : public ::testing::Test {
protected:
  FormPlacementTest() : env_("KESTREL_CONFIG_HOME", dir_.path().c_str()) { TestApp(); }

  // A dialog as the scan dialogs are made: named, resizable (or not), its designed size.
  static std::unique_ptr<QDialog> Form(bool resizable)
  {
    auto form = std::make_unique<QDialog>();
    form->setObjectName(QStringLiteral("ScanEthDialog"));
    if (resizable) {
      form->setMinimumSize(300, 200);
      form->resize(400, 300);
    } else {
      form->setFixedSize(400, 300);
    }
    return form;
  }

  static void Load(QDialog& form)
  {
    const TRegistryIniFile ini(kKey, RegistryAccess::Read);
    LoadFormPlacement(form, ini, false);
  }
  static void Save(const QDialog& form)
  {
    TRegistryIniFile ini(kKey, RegistryAccess::Write);
    SaveFormPlacement(form, ini);
  }
  static void Store(const char* section, std::initializer_list<std::pair<const char*, int>> values)
  {
    TRegistryIniFile ini(kKey, RegistryAccess::Write);
    for (const auto& [name, value] : values) ini.WriteInteger(section, name, value);
  }
  static std::vector<std::string> Names(const char* section)
  {
    return Registry().ValueNames(Registry::JoinKey(kKey, section));
  }
  static std::optional<RegistryValue> Value(const char* section, const char* name)
  {
    return Registry().ReadValue(Registry::JoinKey(kKey, section), name);
  }

private:
  TempDir dir_;
  ScopedEnv env_;
};

}  // namespace

TEST_F(FormPlacementTest, OneSectionPerScreenSize)
{
  ASSERT_EQ(QGuiApplication::primaryScreen()->size(), QSize(800, 800)) << "the offscreen platform's screen";
  EXPECT_EQ(FormPlacementSection(*Form(true)), kSection);
}

TEST_F(FormPlacementTest, AFirstRunLeavesTheDesignedPlacement)
{
  auto form = Form(true);
  Load(*form);
  EXPECT_EQ(form->size(), QSize(400, 300));
  EXPECT_FALSE(form->testAttribute(Qt::WA_Moved)) << "still centred on its owner when shown";
  EXPECT_FALSE(form->windowState().testFlag(Qt::WindowMaximized));
}

TEST_F(FormPlacementTest, AnotherScreenSizeStartsFromTheDesignedPlacementAndKeepsItsOwn)
{
  Store("ScanEthDialog\\Screen1920x1080", {{"Left", 700}, {"Top", 500}, {"Width", 900}, {"Height", 700}});
  auto form = Form(true);
  Load(*form);
  EXPECT_EQ(form->size(), QSize(400, 300));
  EXPECT_FALSE(form->testAttribute(Qt::WA_Moved));

  Store(kSection, {{"Left", 30}, {"Top", 40}, {"Width", 500}, {"Height", 350}});
  Load(*form);
  EXPECT_EQ(form->geometry(), QRect(30, 40, 500, 350));

  // Saved on this screen, the other screen's placement stays for its return.
  form->show();
  form->setGeometry(60, 70, 450, 320);
  Save(*form);
  EXPECT_EQ(Value(kSection, "Left"), RegistryValue::Dword(60));
  EXPECT_EQ(Value("ScanEthDialog\\Screen1920x1080", "Left"), RegistryValue::Dword(700));
  EXPECT_EQ(Value("ScanEthDialog\\Screen1920x1080", "Width"), RegistryValue::Dword(900));
}

TEST_F(FormPlacementTest, AFixedDialogStoresOnlyItsPosition)
{
  auto form = Form(false);
  form->show();
  form->move(25, 35);
  Save(*form);
  EXPECT_EQ(Names(kSection), (std::vector<std::string>{"Left", "Top"}));

  // ... and restores only that, whatever else the section holds.
  Store(kSection, {{"Width", 900}, {"Height", 700}});
  auto again = Form(false);
  Load(*again);
  EXPECT_EQ(again->size(), QSize(400, 300));
  EXPECT_EQ(again->geometry().topLeft(), form->geometry().topLeft());
}

TEST_F(FormPlacementTest, AMaximisedDialogStoresItsRestoredBounds)
{
  auto form = Form(true);
  form->show();
  form->setGeometry(50, 60, 420, 310);
  form->showMaximized();
  ASSERT_TRUE(WaitUntil([&] { return form->isMaximized() && form->geometry() != QRect(50, 60, 420, 310); }));
  Save(*form);
  EXPECT_EQ(Names(kSection), (std::vector<std::string>{"Left", "Top", "Width", "Height", "Maximized"}));
  EXPECT_EQ(Value(kSection, "Left"), RegistryValue::Dword(50));
  EXPECT_EQ(Value(kSection, "Top"), RegistryValue::Dword(60));
  EXPECT_EQ(Value(kSection, "Width"), RegistryValue::Dword(420));
  EXPECT_EQ(Value(kSection, "Height"), RegistryValue::Dword(310));
  EXPECT_EQ(Value(kSection, "Maximized"), RegistryValue::String("1"));

  // The next restore sets those bounds, then maximises.
  auto again = Form(true);
  Load(*again);
  EXPECT_EQ(again->normalGeometry(), QRect(50, 60, 420, 310));
  again->show();
  EXPECT_TRUE(again->isMaximized());
  again->showNormal();
  ASSERT_TRUE(WaitUntil([&] { return !again->isMaximized(); }));
  EXPECT_EQ(again->geometry(), QRect(50, 60, 420, 310));
}

TEST_F(FormPlacementTest, NothingIsStoredForADialogNeverShownNorRestoredWithShiftHeld)
{
  Save(*Form(true));
  EXPECT_TRUE(Names(kSection).empty());

  Store(kSection, {{"Left", 30}, {"Top", 40}, {"Width", 500}, {"Height", 350}});
  auto form = Form(true);
  const TRegistryIniFile ini(kKey, RegistryAccess::Read);
  LoadFormPlacement(*form, ini, true);
  EXPECT_EQ(form->size(), QSize(400, 300));
  EXPECT_FALSE(form->testAttribute(Qt::WA_Moved));
}

TEST_F(FormPlacementTest, TextValuesAndNumbersAreBothRead)
{
  // The sibling program may have written a value as text; the store keeps it so.
  {
    TRegistryIniFile ini(kKey, RegistryAccess::Write);
    ini.WriteString(kSection, "Left", "15");
    ini.WriteString(kSection, "Top", "not a number");
  }
  auto form = Form(true);
  form->move(5, 6);
  Load(*form);
  EXPECT_EQ(form->geometry().topLeft(), QPoint(15, 6));
  form->show();
  Save(*form);
  EXPECT_EQ(Value(kSection, "Left"), RegistryValue::String("15"));
}
