// Firmware-chunk exchanges (0x68/1, 246 bytes) against recsim: through CModbusEth
// over loopback TCP and UDP next to a minimal raw-socket client that only sends the
// frame and reads the reply, and through CModbusRTU over a pseudo-terminal next to
// the character timeout that ends every serial reply.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "modbus/CModbusEth.h"
#include "modbus/CModbusRTU.h"
#include "modbus/MBCommand.h"
#include "platform/Stream.h"
#include "recsim/Server.h"

using namespace ModbusMaster;
using Clock = std::chrono::steady_clock;

namespace {

// Short rounds, the two clients taking turns, so that load from elsewhere on the
// machine falls on both alike; the best round of each is reported with the median
// of the per-round ratios.
constexpr int kEthExchanges = 3000;
constexpr int kRounds = 10;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// One stream holding a 246-byte chunk, positioned at its start.
void LoadChunk(TUpgradeWriteCommand& command)
{
  std::vector<std::uint8_t> chunk(246, 0x5A);
  TMemoryStream stream;
  stream.WriteBuffer(chunk.data(), chunk.size());
  stream.SetPosition(0);
  command.LoadChunk(0, stream);
}

double ThroughTransport(const std::string& url)
{
  CModbusEth transport;
  transport.SetParams(url);
  TUpgradeWriteCommand command;
  LoadChunk(command);
  transport.Execute(1, command);  // connect outside the timing
  auto start = Clock::now();
  for (int i = 0; i < kEthExchanges; ++i) transport.Execute(1, command);
  return kEthExchanges / Seconds(start);
}

// The least a client can do: one prebuilt frame, one send, read the 9-byte reply.
double RawClient(bool udp, std::uint16_t port)
{
  int fd = ::socket(AF_INET, udp ? SOCK_DGRAM : SOCK_STREAM, 0);
  int one = 1;
  if (!udp) ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) return 0;
  std::vector<std::uint8_t> frame{0, 0, 0, 0, 0, 254, 1, 0x68, 1, 0, 0, 0, 0, 246};
  frame.resize(frame.size() + 246, 0x5A);
  std::uint8_t reply[64];
  auto exchange = [&](std::uint16_t id) {
    frame[0] = static_cast<std::uint8_t>(id >> 8);
    frame[1] = static_cast<std::uint8_t>(id);
    if (::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(frame.size())) return false;
    std::size_t got = 0;
    while (got < 9) {
      ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
      if (n <= 0) return false;
      got += static_cast<std::size_t>(n);
    }
    return true;
  };
  exchange(0);
  auto start = Clock::now();
  for (int i = 0; i < kEthExchanges; ++i)
    if (!exchange(static_cast<std::uint16_t>(i + 1))) return 0;
  double rate = kEthExchanges / Seconds(start);
  ::close(fd);
  return rate;
}

void Ethernet(recsim::Server& server, bool udp, std::uint16_t port)
{
  std::string url = (udp ? "mbudp://127.0.0.1:" : "127.0.0.1:") + std::to_string(port);
  double best = 0, bestRaw = 0;
  std::vector<double> ratios;
  for (int round = 0; round < kRounds; ++round) {
    double rate = ThroughTransport(url);
    server.ClearLog();
    double raw = RawClient(udp, port);
    server.ClearLog();
    best = std::max(best, rate);
    bestRaw = std::max(bestRaw, raw);
    ratios.push_back(raw > 0 ? rate / raw : 0);
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("%s: CModbusEth %8.0f exchanges/s, raw client %8.0f exchanges/s, ratio of the best %.3f, median ratio %.3f\n",
              udp ? "UDP" : "TCP", best, bestRaw, bestRaw > 0 ? best / bestRaw : 0.0, ratios[ratios.size() / 2]);
}

void Serial(recsim::Server& server, const std::string& path)
{
  std::printf("RTU over a pseudo-terminal (no line delay: the time is the reply's silence and our overhead)\n");
  std::printf("%8s %14s %16s %12s\n", "baud", "char timeout", "per exchange", "difference");
  for (std::uint32_t baud : {1200u, 9600u, 19200u, 57600u, 115200u, 230400u}) {
    CModbusRTU transport;
    transport.SetParams(path, baud, ParityNone, OneStopBit);
    TUpgradeWriteCommand command;
    LoadChunk(command);
    transport.Execute(1, command);
    int exchanges = baud <= 1200 ? 30 : 150;
    auto start = Clock::now();
    for (int i = 0; i < exchanges; ++i) transport.Execute(1, command);
    double perExchange = Seconds(start) * 1000 / exchanges;
    std::printf("%8u %11u ms %13.2f ms %9.2f ms\n", baud, transport.CharTimeout(), perExchange,
                perExchange - transport.CharTimeout());
    server.ClearLog();
  }
}

}  // namespace

int main()
{
  recsim::Server server;
  std::uint16_t tcp = server.ListenTcp();
  std::uint16_t udp = server.ListenUdp();
  std::string rtu = server.OpenRtu();
  server.Start();
  try {
    Ethernet(server, false, tcp);
    Ethernet(server, true, udp);
    Serial(server, rtu);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_modbus_exchange: %s\n", e.what());
    return 1;
  }
  return 0;
}
