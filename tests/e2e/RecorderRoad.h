#pragma once

// The whole road of an update: the simulated recorder on one link, the connection the
// program builds from its settings, the release's images, scripted prompts, and the
// progress window driven as a user would drive it.

#include <gtest/gtest.h>

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/ConnectionSettings.h"
#include "app/FwUpRes.h"
#include "app/ProgressDialog.h"
#include "app/PromptsQt.h"
#include "app/ScriptedPrompts.h"
#include "app/UpdateWorkflow.h"
#include "app/UpgradeJob.h"
#include "modbus/CBaseModbus.h"
#include "platform/ProgramResources.h"
#include "platform/Stream.h"
#include "recsim/Device.h"
#include "recsim/FirmwareUpdate.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/Server.h"
#include "support/QtTestApp.h"
#include "support/RecorderLink.h"  // the links of the tests

// The release's images, as the program loads them at start-up.
inline const Registrator::TFWUpRes& ReleaseImages()
{
  static const Registrator::TFWUpRes images = [] {
    Registrator::TFWUpRes store;
    store.Load(ProgramResources(), [](const std::string&) {});
    return store;
  }();
  return images;
}

inline const Registrator::TFWResRec& ReleaseImage(const std::string& name)
{
  for (const auto& image : ReleaseImages().Items())
    if (image.ResName == name) return image;
  throw std::out_of_range("no image " + name);
}

inline std::vector<std::uint8_t> PayloadOf(const Registrator::TFWResRec& image)
{
  TMemoryStream stream;
  ReleaseImages().ExtractImage(image, stream);
  return stream.Data();
}

// What a user sees of one progress window, and how it ended.
struct ProgressRecord {
  std::string log;            // the window's log when it closed
  int result = 0;             // its modal result
  std::vector<int> finishes;  // the Finish results, in order
  TProgressDialog* window = nullptr;
};

// The modal showing of the progress window: it runs for real (offscreen), and once the
// job leaves it open with its button ("OK" or ended as cancelled) the button is
// pressed. whileShown may act on the window before its loop starts (to cancel later).
inline ScriptedPrompts::ModalHandler DriveProgress(ProgressRecord& record,
                                                   std::function<void(TProgressDialog&)> whileShown = {})
{
  return [&record, whileShown](QDialog& dialog) {
    auto* window = dynamic_cast<TProgressDialog*>(&dialog);
    if (!window) {
      ADD_FAILURE() << "the modal dialog is not the progress window";
      return 2;
    }
    record.window = window;
    QObject::connect(window, &TProgressDialog::JobFinished, window, [window, &record](int result) {
      record.finishes.push_back(result);
      if (result == 0 || result == 3)
        QMetaObject::invokeMethod(window, [window] { window->Button1->click(); }, Qt::QueuedConnection);
    });
    if (whileShown) whileShown(*window);
    record.result = ExecDialog(*window);
    record.log = window->Memo1->toPlainText().toStdString();
    return record.result;
  };
}

// The simulated recorder on one link and the connection the program makes to it from
// its connection settings (serial on the pseudo-terminal at 115200 baud, unit 1).
class RecorderRoad {
public:
  explicit RecorderRoad(LinkKind link) : link_(link)
  {
    TestApp();
    switch (link) {
    case LinkKind::Tcp:
      settings.Interface = ConnectionSettings::Ethernet;
      settings.EthAddress = "mbtcp://127.0.0.1:" + std::to_string(server.ListenTcp());
      break;
    case LinkKind::Udp:
      settings.Interface = ConnectionSettings::Ethernet;
      settings.EthAddress = "mbudp://127.0.0.1:" + std::to_string(server.ListenUdp());
      break;
    case LinkKind::Rtu:
      settings.Interface = ConnectionSettings::Serial;
      settings.PortName = server.OpenRtu();
      settings.BaudRate = 115200;
      settings.DeviceAddress = 1;
      break;
    }
    settings.EthTimeout = settings.RtuTimeout = 3;
    server.Start();
    if (!CreateConnectionFromSettings(settings, transport, unit)) ADD_FAILURE() << "no connection from the settings";
  }
  ~RecorderRoad() { server.Stop(); }

  // The recorder of the profile; after an install answered with status 0 it runs
  // versionAfterInstall when one is given.
  void Serve(const recsim::DeviceProfile& profile, std::optional<std::uint32_t> versionAfterInstall = {})
  {
    server.WithDevice([&](recsim::Device& device) {
      recsim::ServeProfile(device, profile);
      recsim::Firmware(device).versionAfterInstall = versionAfterInstall;
      return 0;
    });
  }
  void Serve(const std::string& name, std::optional<std::uint32_t> versionAfterInstall = {})
  {
    auto profile = recsim::FindProfile(name);
    ASSERT_TRUE(profile) << name;
    Serve(*profile, versionAfterInstall);
  }

  template <typename F>
  auto Device(F&& f)
  {
    return server.WithDevice(std::forward<F>(f));
  }
  std::vector<std::uint8_t> ReceivedImage()
  {
    return Device([](recsim::Device& device) { return device.upload.image; });
  }

  // The requests of one function (and, for the upload's 0x68, one sub-function).
  std::vector<recsim::LogEntry> Requests(std::uint8_t function, int subFunction = -1) const
  {
    std::vector<recsim::LogEntry> found;
    for (const auto& entry : server.Log())
      if (entry.function == function && (subFunction < 0 || (!entry.data.empty() && entry.data[0] == subFunction)))
        found.push_back(entry);
    return found;
  }
  std::size_t TcpConnections() const
  {
    std::set<std::uint32_t> ids;
    for (const auto& entry : server.Log()) ids.insert(entry.connection);
    return ids.size();
  }
  std::string Source() const { return transport->Description(unit); }
  LinkKind Link() const { return link_; }

  recsim::Server server;
  ConnectionSettings settings;
  std::unique_ptr<ModbusMaster::CBaseModbus> transport;
  std::uint8_t unit = 1;

private:
  LinkKind link_;
};

// The sounds the job made.
class BeepLog {
public:
  BeepEvent Event()
  {
    return [this](BeepSound sound) {
      std::lock_guard lock(mutex_);
      sounds_.push_back(sound);
    };
  }
  std::vector<BeepSound> Sounds() const
  {
    std::lock_guard lock(mutex_);
    return sounds_;
  }

private:
  mutable std::mutex mutex_;
  std::vector<BeepSound> sounds_;
};

// The texts of the message boxes asked, in order.
inline std::vector<std::string> BoxTexts(const ScriptedPrompts& prompts)
{
  std::vector<std::string> texts;
  for (const auto& asked : prompts.Asked())
    if (asked.kind == PromptKind::MessageBox) texts.push_back(asked.message.text);
  return texts;
}

inline std::vector<PromptKind> AskedKinds(const ScriptedPrompts& prompts)
{
  std::vector<PromptKind> kinds;
  for (const auto& asked : prompts.Asked()) kinds.push_back(asked.kind);
  return kinds;
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
