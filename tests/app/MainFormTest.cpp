#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ReleaseImages.h"
#include "app/ui/MainForm.h"
#include "platform/ExecutablePath.h"
#include "platform/ProgramResources.h"
#include "support/FirmwareImage.h"
#include "support/QtTestApp.h"

namespace {

std::vector<std::string> LogLines(const TMainForm& form)
{
  std::vector<std::string> lines;
  for (const QString& line : form.mmoLog->toPlainText().split(QLatin1Char('\n'))) lines.push_back(line.toStdString());
  return lines;
}

}  // namespace

TEST(MainForm, TheWindowAsDesigned)
{
  TestApp();
  ResourceTable none;
  TMainForm form(none);
  EXPECT_EQ(form.windowTitle().toStdString(), "Обновление ПО регистратора v2.1.160.115");
  EXPECT_EQ(form.lblInstructions->text().toStdString(),
            "Подключите регистратор к компьютеру с помощью RS-232/485 или Ethernet.\n"
            "Нажмите кнопку <Обновление> и введите настройки подключения\n"
            "(их нужно взять из меню конфигурации регистратора).");
  EXPECT_EQ(form.actUpdateStart->text().toStdString(), "Обновление");
  EXPECT_EQ(form.ExitAction->text().toStdString(), "Выход");
  EXPECT_EQ(form.btnUpdateStart->text().toStdString(), "Обновление");
  EXPECT_EQ(form.btnExit->text().toStdString(), "Выход");
  EXPECT_TRUE(form.btnUpdateStart->isDefault());
  EXPECT_TRUE(form.mmoLog->isReadOnly());
  EXPECT_FALSE(form.actUpdateStart->isEnabled());  // nothing loaded yet

  form.show();
  ASSERT_TRUE(form.isVisible());
  form.ExitAction->trigger();
  EXPECT_FALSE(form.isVisible());
}

TEST(MainForm, NoImagesLeavesUpdateDisabled)
{
  TestApp();
  ResourceTable none;
  TMainForm form(none);
  form.LoadUpdates();
  EXPECT_EQ(LogLines(form),
            (std::vector<std::string>{"Internal ERROR: no updates in exe", "No updates in " + ExecutablePath()}));
  EXPECT_FALSE(form.actUpdateStart->isEnabled());
  EXPECT_FALSE(form.btnUpdateStart->isEnabled());
}

TEST(MainForm, OnlyBadImagesLeaveUpdateDisabled)
{
  TestApp();
  FirmwareImage bad;
  bad.line = 2;
  CraftedResources resources;
  resources.Add("FW_bad", bad);
  ResourceTable table = resources.Table();
  TMainForm form(table);
  form.LoadUpdates();
  EXPECT_EQ(LogLines(form), (std::vector<std::string>{"FW_bad: Internal ERROR: Ошибка [99]",
                                                      "No updates in " + ExecutablePath()}));
  EXPECT_FALSE(form.actUpdateStart->isEnabled());
}

TEST(MainForm, ReleaseImagesAreLoggedAndEnableUpdate)
{
  TestApp();
  if (ProgramResources().Names("FW").size() != 11) GTEST_SKIP() << "built without the release's images";
  TMainForm form(ProgramResources());
  form.LoadUpdates();
  // One line per image, in the order the resources are enumerated (by name).
  EXPECT_EQ(LogLines(form), kReleaseDescriptionsByName);
  EXPECT_TRUE(form.actUpdateStart->isEnabled());
  EXPECT_TRUE(form.btnUpdateStart->isEnabled());
  EXPECT_EQ(form.Updates().Count(), 11u);
}
