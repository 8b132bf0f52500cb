#pragma once

// A connection settings dialog over a port tree of its own (a sysfs tty folder and a
// device folder in a temp dir) and a settings store in the same temp dir.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSpinBox>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "GuiDriving.h"
#include "app/ui/MBSetupDialog2.h"
#include "modbus/EnumPorts.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

// Ports appear as the kernel shows them: a tty entry with a device link, and a node.
class FakePorts {
public:
  explicit FakePorts(const std::filesystem::path& root) : sys_(root / "sys"), dev_(root / "dev")
  {
    std::filesystem::create_directories(sys_);
    std::filesystem::create_directories(dev_);
  }

  void Plug(const std::string& name)
  {
    std::filesystem::create_directories(sys_ / name / "device");
    WriteFileBytes((dev_ / name).string(), "");
  }
  void Unplug(const std::string& name)
  {
    std::filesystem::remove(dev_ / name);
    std::filesystem::remove_all(sys_ / name);
  }
  std::string Path(const std::string& name) const { return (dev_ / name).string(); }

  PortSource Source() const
  {
    const std::string sys = sys_.string();
    const std::string dev = dev_.string();
    return {[sys, dev] {
              std::vector<std::string> ports;
              ModbusMaster::EnumSerialPorts(&ports, sys, dev);
              return ports;
            },
            dev};
  }

private:
  std::filesystem::path sys_;
  std::filesystem::path dev_;
};

class SetupDialogTest : public ::testing::Test {
protected:
  SetupDialogTest() : configHome_("KESTREL_CONFIG_HOME", (dir_ / "config").c_str()), ports(dir_.path())
  {
    TestApp();
    std::filesystem::create_directories(dir_.path() / "config");
  }

  // Made on first use, so that a test can lay out its ports first.
  TMBSetupDialog2& Dialog()
  {
    if (!dialog_) dialog_ = std::make_unique<TMBSetupDialog2>(prompts, nullptr, ports.Source());
    return *dialog_;
  }
  TMBSetupDialog2& Shown()
  {
    TMBSetupDialog2& dialog = Dialog();
    dialog.show();
    return dialog;
  }

  // A dialog and prompts of its own, for one row of a table: shown with these fields.
  struct Fresh {
    Fresh(const PortSource& source, const ConnectionSettings& settings, std::vector<std::string> history = {},
          int addressMinimum = 1)
        : dialog(prompts, nullptr, source)
    {
      dialog.SetSettings(settings);
      dialog.SetAddressHistory(std::move(history));
      dialog.SetAddressMinimum(addressMinimum);
      dialog.show();
    }
    ScriptedPrompts prompts;
    TMBSetupDialog2 dialog;
  };

  // The message boxes asked so far, as their texts.
  std::vector<std::string> Messages() const
  {
    std::vector<std::string> texts;
    for (const AskedPrompt& asked : prompts.Asked())
      if (asked.kind == PromptKind::MessageBox) texts.push_back(asked.message.text);
    return texts;
  }

  static void SetEditText(QSpinBox* spin, const QString& text) { spin->findChild<QLineEdit*>()->setText(text); }

  TempDir dir_;
  ScopedEnv configHome_;
  FakePorts ports;
  ScriptedPrompts prompts;
  std::unique_ptr<TMBSetupDialog2> dialog_;
};
