// A whole configuration backup of the simulator's largest recorder, as the upload job
// makes it: the full information read, the configuration read and the file saved.
// Over loopback TCP and over RTU at 115200 baud on a pseudo-terminal; beside the time,
// the number of requests and the bytes exchanged, and for RTU the time those bytes take
// on the wire (10 bits a character, 8N1, and a silence of 3.5 characters after each
// frame), which no implementation can beat.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "modbus/CModbusEth.h"
#include "modbus/CModbusRTU.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/config/RegConfig.h"
#include "recsim/Device.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/Server.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kProfile = "corvane-51-2.1.140-h2.5-large";
constexpr double kBaud = 115200.0;
constexpr double kBitsPerChar = 10.0;

struct Traffic {
  std::atomic<std::size_t> requests{0};
  std::atomic<std::size_t> requestPdu{0};  // function code and data
  std::atomic<std::size_t> replyPdu{0};
};

// The simulator's handlers, each wrapped to count what it is asked and answers.
recsim::HandlerTable CountingHandlers(Traffic& traffic)
{
  recsim::HandlerTable table = recsim::DefaultHandlers();
  for (int function = 0; function < 256; ++function) {
    const recsim::Handler* found = table.Find(static_cast<std::uint8_t>(function));
    if (!found || !*found) continue;
    recsim::Handler inner = *found;
    table.Register(static_cast<std::uint8_t>(function),
                   [inner, &traffic](recsim::Device& device, const recsim::Request& request) {
                     recsim::Response response = inner(device, request);
                     ++traffic.requests;
                     traffic.requestPdu += 1 + request.data.size();
                     if (response.kind == recsim::Response::Kind::Reply) traffic.replyPdu += 1 + response.data.size();
                     if (response.kind == recsim::Response::Kind::Exception) traffic.replyPdu += 2;
                     return response;
                   });
  }
  return table;
}

struct Result {
  double readSeconds = 0;
  double saveSeconds = 0;
  std::size_t fileBytes = 0;
};

Result Backup(ModbusMaster::CBaseModbus& transport, const std::string& path)
{
  TRegConfig config;
  Registrator::TRegConfigOp op;
  const auto start = Clock::now();
  op.Identify(transport, 1);
  op.ReadDeviceInfo(transport, 1, &config.RegInfo);
  if (!op.ReadInfo(transport, 1, {}, &config.RegInfo) || !op.ReadConfig(transport, 1, {}, config)) {
    std::fprintf(stderr, "bench_backup: a read was cancelled\n");
    std::exit(1);
  }
  const auto read = Clock::now();
  config.SaveToFile(path);
  const auto saved = Clock::now();
  return {std::chrono::duration<double>(read - start).count(), std::chrono::duration<double>(saved - read).count(),
          static_cast<std::size_t>(std::filesystem::file_size(path))};
}

void Run(const char* link, int rounds, const std::string& folder)
{
  Traffic traffic;
  recsim::Server server(CountingHandlers(traffic));
  std::unique_ptr<ModbusMaster::CBaseModbus> transport;
  std::size_t frameOverhead = 0;  // per frame, beyond the PDU
  if (std::string(link) == "tcp") {
    auto eth = std::make_unique<ModbusMaster::CModbusEth>();
    eth->SetParams("mbtcp://127.0.0.1:" + std::to_string(server.ListenTcp()));
    transport = std::move(eth);
    frameOverhead = 7;  // MBAP header with the unit
  } else {
    auto rtu = std::make_unique<ModbusMaster::CModbusRTU>();
    rtu->SetParams(server.OpenRtu(), 115200, ModbusMaster::ParityNone, ModbusMaster::OneStopBit);
    transport = std::move(rtu);
    frameOverhead = 3;  // unit and CRC
  }
  transport->SetReplyTimeout(3000);
  if (!server.WithDevice([](recsim::Device& device) { return recsim::LoadProfile(device, kProfile); })) {
    std::fprintf(stderr, "bench_backup: no profile %s\n", kProfile);
    std::exit(1);
  }
  server.Start();

  double best = 0, total = 0, save = 0;
  std::size_t fileBytes = 0, requests = 0, requestBytes = 0, replyBytes = 0;
  for (int round = 0; round < rounds; ++round) {
    traffic.requests = traffic.requestPdu = traffic.replyPdu = 0;
    const Result r = Backup(*transport, folder + "/backup-" + link + ".cfg");
    transport->Disconnect();
    best = round == 0 ? r.readSeconds : std::min(best, r.readSeconds);
    total += r.readSeconds;
    save += r.saveSeconds;
    fileBytes = r.fileBytes;
    requests = traffic.requests;
    requestBytes = traffic.requestPdu + requests * frameOverhead;
    replyBytes = traffic.replyPdu + requests * frameOverhead;
  }
  server.Stop();

  std::printf("%s: %zu requests, %zu bytes sent, %zu received; file %zu bytes\n", link, requests, requestBytes,
              replyBytes, fileBytes);
  std::printf("%s: reads best %.3f s, mean %.3f s over %d rounds (%.2f ms a request); save %.2f ms\n", link, best,
              total / rounds, rounds, 1000.0 * best / static_cast<double>(requests), 1000.0 * save / rounds);
  if (std::string(link) == "rtu") {
    const double chars = static_cast<double>(requestBytes + replyBytes);
    const double bytesTime = chars * kBitsPerChar / kBaud;
    const double gaps = 2.0 * static_cast<double>(requests) * 3.5 * kBitsPerChar / kBaud;
    std::printf("rtu: wire time %.3f s (%.3f s of characters, %.3f s of frame silences); the reads take %.2f times "
                "that\n",
                bytesTime + gaps, bytesTime, gaps, best / (bytesTime + gaps));
    // A pseudo-terminal passes the bytes at once: what the reads take there is the
    // transport's own time, mostly the silence that tells it a reply has ended.
    const double silence = ModbusMaster::CModbusRTU::CharTimeoutFor(115200) / 1000.0;
    std::printf("rtu: the pseudo-terminal does not pace the bytes; the reply-end silences alone are %.3f s "
                "(%.0f ms a reply), so a real line at 115200 needs about %.2f s\n",
                silence * static_cast<double>(requests), silence * 1000.0,
                bytesTime + gaps + silence * static_cast<double>(requests));
  }
}

}  // namespace

int main()
{
  // A folder of this run's own: another run at the same time must not remove it.
  const std::string folder =
      std::filesystem::temp_directory_path() / ("kestrel-bench-backup-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  Run("tcp", 10, folder);
  Run("rtu", 2, folder);
  std::filesystem::remove_all(folder);
  return 0;
}
