// One client side of the password login's arithmetic: SrpClientStart (A = g^a) and
// SrpClientComputeProof (x, u, v = g^x, S = (B - k*v)^(a + u*x), M1). It runs inside the
// device's reply time-out, so it has to stay far below it.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "recorder/access/SrpClient.h"
#include "recsim/SrpServer.h"

int main()
{
  recsim::SrpServer server;
  server.SetPassword(1, "bench-password");

  constexpr int Runs = 50;
  std::vector<double> ms;
  for (int run = 0; run < Runs; ++run) {
    std::vector<std::uint8_t> request(recsim::SrpServer::RequestSize, 0);
    request[0] = 1;
    const std::array<std::uint8_t, 4> U = {1, 0, 0, 0};
    SrpClientContext context;
    auto u = std::span<std::uint8_t, 4>(&request[2], 4);
    auto A = std::span<std::uint8_t, Srp::ImageSize>(&request[6], Srp::ImageSize);

    // The server's share is not timed; the B it answers is the real kind, not a toy value.
    auto t0 = std::chrono::steady_clock::now();
    SrpClientStart(context, U, u, A);
    auto t1 = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> reply = server.HandleRequest(request);
    auto t2 = std::chrono::steady_clock::now();
    bool ok = SrpClientComputeProof(context, U, "bench-password", std::span<const std::uint8_t, 4>(&reply[5], 4),
                                    std::span<const std::uint8_t, Srp::ImageSize>(&reply[9], Srp::ImageSize));
    auto t3 = std::chrono::steady_clock::now();
    if (!ok) {
      std::fprintf(stderr, "proof refused\n");
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>((t1 - t0) + (t3 - t2)).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("SRP-6 client exchange (SrpClientStart + SrpClientComputeProof), %d runs:\n", Runs);
  std::printf("  best %.2f ms, median %.2f ms, worst %.2f ms\n", ms.front(), ms[ms.size() / 2], ms.back());
  return 0;
}
