#pragma once

// The configuration read as its tests run it: the simulated recorder on one link, the
// information read first as the backup does, then the configuration read, and the
// requests the recorder logged in between.

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Exception.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/config/RegConfig.h"
#include "recsim/ConfigProfiles.h"
#include "recsim/FirmwareUpdate.h"
#include "recsim/RecorderHandlers.h"
#include "support/RecorderLink.h"

constexpr std::uint8_t kRead = 0x65;
constexpr std::uint8_t kReadLong = 0x6B;

// A request as the log shows it: function, first record (or first data byte), and the
// records asked for (or the data bytes of a file or blob request).
using Request = std::tuple<int, int, std::size_t>;

inline std::vector<Request> ConfigRequests(const RecorderLink& link)
{
  std::vector<Request> requests;
  for (const auto& entry : link.server.Log()) {
    if (entry.function == 0x64 || entry.function == 0x2B) continue;
    requests.emplace_back(entry.function, entry.data.empty() ? -1 : entry.data[0], entry.data.size());
  }
  return requests;
}

inline std::vector<Request> OnePerRequest(int function, int first, int count)
{
  std::vector<Request> run;
  for (int i = 0; i < count; ++i) run.emplace_back(function, first + i, 1);
  return run;
}

inline std::vector<Request> Joined(std::initializer_list<std::vector<Request>> parts)
{
  std::vector<Request> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// --- A whole read: the information first, as the backup does, then the configuration ---

struct WholeRead {
  explicit WholeRead(LinkKind kind, std::uint32_t timeoutMs = 3000) : link(kind, timeoutMs) {}

  void Load(const std::string& profile) { Load(*recsim::FindProfile(profile)); }
  void Load(const recsim::DeviceProfile& profile)
  {
    link.Device([&](recsim::Device& device) { recsim::LoadProfile(device, profile); });
  }
  // The information read; the log keeps only what the configuration read asks after it.
  void ReadInfo()
  {
    ASSERT_TRUE(op.ReadInfo(*link.transport, RecorderLink::kUnit, {}, &config.RegInfo));
    link.server.ClearLog();
  }
  bool ReadConfig(const Registrator::TRegProgressEvent& progress = {})
  {
    return op.ReadConfig(*link.transport, RecorderLink::kUnit, progress, config);
  }
  // The information, then the whole configuration, of a profile (by name or changed).
  template <typename Profile>
  void ReadWhole(const Profile& profile)
  {
    Load(profile);
    ReadInfo();
    ASSERT_TRUE(ReadConfig());
  }
  // The message of the error the configuration read ends with, or "read".
  std::string Failure()
  {
    try {
      ReadConfig();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "read";
  }

  RecorderLink link;
  Registrator::TRegConfigOp op;
  TRegConfig config;
};

// A profile with its configuration changed by `change`.
inline recsim::DeviceProfile Changed(const std::string& name, const std::function<void(recsim::DeviceConfiguration&)>& change)
{
  recsim::DeviceProfile profile = *recsim::FindProfile(name);
  auto configuration = std::make_shared<recsim::DeviceConfiguration>(*profile.Configuration);
  change(*configuration);
  profile.Configuration = configuration;
  return profile;
}

// Records a read asked for of one function within [from, to].
inline std::vector<Request> RequestsIn(const RecorderLink& link, int function, int from, int to)
{
  std::vector<Request> found;
  for (const auto& r : ConfigRequests(link))
    if (std::get<0>(r) == function && std::get<1>(r) >= from && std::get<1>(r) <= to) found.push_back(r);
  return found;
}
