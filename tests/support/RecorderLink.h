#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "modbus/CModbusEth.h"
#include "modbus/CModbusRTU.h"
#include "recsim/Device.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/Server.h"
#include "support/ModbusTestUtil.h"

enum class LinkKind { Tcp, Udp, Rtu };

inline const char* LinkKindName(LinkKind kind)
{
  switch (kind) {
    case LinkKind::Tcp: return "Tcp";
    case LinkKind::Udp: return "Udp";
    case LinkKind::Rtu: return "Rtu";
  }
  return "?";
}

// The simulated recorder on one link and our transport to it (unit 1).
class RecorderLink {
public:
  static constexpr std::uint8_t kUnit = 1;

  explicit RecorderLink(LinkKind kind, std::uint32_t replyTimeoutMs = 3000)
  {
    switch (kind) {
      case LinkKind::Tcp: {
        auto eth = std::make_unique<ModbusMaster::CModbusEth>();
        eth->SetParams("mbtcp://127.0.0.1:" + std::to_string(server.ListenTcp()));
        transport = std::move(eth);
        break;
      }
      case LinkKind::Udp: {
        auto eth = std::make_unique<ModbusMaster::CModbusEth>();
        eth->SetParams("mbudp://127.0.0.1:" + std::to_string(server.ListenUdp()));
        transport = std::move(eth);
        break;
      }
      case LinkKind::Rtu: {
        auto rtu = std::make_unique<ModbusMaster::CModbusRTU>();
        rtu->SetParams(server.OpenRtu(), 115200, ModbusMaster::ParityNone, ModbusMaster::OneStopBit);
        transport = std::move(rtu);
        break;
      }
    }
    transport->SetReplyTimeout(replyTimeoutMs);
    server.Start();
  }
  ~RecorderLink() { server.Stop(); }

  void Load(std::string_view profile)
  {
    ASSERT_TRUE(server.WithDevice([&](recsim::Device& device) { return recsim::LoadProfile(device, profile); }))
        << profile;
  }
  template <typename F>
  auto Device(F&& f)
  {
    return server.WithDevice(std::forward<F>(f));
  }
  // Data of the requests of one function, in order.
  std::vector<std::vector<std::uint8_t>> Requests(std::uint8_t function) const
  {
    std::vector<std::vector<std::uint8_t>> found;
    for (const auto& entry : server.Log())
      if (entry.function == function) found.push_back(entry.data);
    return found;
  }
  std::string Source() const { return transport->Description(kUnit); }

  recsim::Server server;
  std::unique_ptr<ModbusMaster::CBaseModbus> transport;
};

inline std::vector<LinkKind> AllLinks() { return {LinkKind::Tcp, LinkKind::Udp, LinkKind::Rtu}; }
