#pragma once

// The simulated recorder answering the Ethernet discovery on loopback, its answer set to
// the values of tests/app/core/discovery_vectors.py's "both strings" reply:
// "Pelkar-740-L7 / 12345 / v2.1.160.115 / 2.5.0.0".

#include <cstdint>

#include "recsim/Device.h"
#include "recsim/Discovery.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/Server.h"

// Listens (before the server starts) and returns the port.
inline std::uint16_t ListenAsTheVectorsRecorder(recsim::Server& server)
{
  const std::uint16_t port = server.ListenDiscovery();
  server.WithDevice([](recsim::Device& device) {
    recsim::LoadProfile(device, "pelkar-2.1.160");
    recsim::DiscoveryState& state = recsim::Discovery(device);
    state.modelCode = 51;
    state.firmwareVersion = 0x0201A073;
    state.hardwareVersion = 0x02050000;
    state.stringA = "12345";
    state.stringB = "Pelkar-740-L7";
  });
  return port;
}
