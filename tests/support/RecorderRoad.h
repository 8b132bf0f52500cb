#pragma once

// The road of an update up to the program's logic: the simulated recorder on one link,
// the connection the program builds from its settings, and what the scripted prompts
// and the beeps saw. No window system is needed here.

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/core/Beep.h"
#include "app/core/ConnectionSettings.h"
#include "modbus/CBaseModbus.h"
#include "recsim/Device.h"
#include "recsim/FirmwareUpdate.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/Server.h"
#include "support/RecorderLink.h"  // the links of the tests
#include "support/ScriptedPrompts.h"

// The simulated recorder on one link and the connection the program makes to it from
// its connection settings (serial on the pseudo-terminal at 115200 baud, unit 1).
class RecorderRoad {
public:
  explicit RecorderRoad(LinkKind link) : link_(link)
  {
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
  // The chunk of that index (0-based) is answered with the status instead of taken.
  void RefuseChunk(int index, std::uint8_t status)
  {
    Device([&](recsim::Device& device) {
      device.upload.failChunk = index;
      device.upload.failStatus = status;
      return 0;
    });
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

// The prompts of one kind asked, in order.
inline std::vector<AskedPrompt> AskedOfKind(const ScriptedPrompts& prompts, PromptKind kind)
{
  std::vector<AskedPrompt> found;
  for (const auto& asked : prompts.Asked())
    if (asked.kind == kind) found.push_back(asked);
  return found;
}

inline std::vector<PromptKind> AskedKinds(const ScriptedPrompts& prompts)
{
  std::vector<PromptKind> kinds;
  for (const auto& asked : prompts.Asked()) kinds.push_back(asked.kind);
  return kinds;
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Image bytes for an upload, no two neighbours alike.
inline std::vector<std::uint8_t> Pattern(std::size_t size)
{
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}
