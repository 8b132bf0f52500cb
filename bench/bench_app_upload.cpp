// The upload of a 1 MiB image to recsim over loopback TCP: the whole job behind its
// (offscreen) progress window, from the connection to the install, next to the floor of
// the same number of chunk exchanges made by a minimal raw-socket client. The job runs
// on a worker thread of its own, and a thread that has just started is served more
// slowly by the scheduler than the long-running main thread is, so the floor is taken
// on both: on a fresh thread, as the job's, and on the main thread.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QMetaObject>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/ui/ProgressDialog.h"
#include "app/ui/PromptsQt.h"
#include "app/ui/QtGuiThread.h"
#include "app/ui/RunUpgrade.h"
#include "modbus/CModbusEth.h"
#include "modbus/MBCommand.h"
#include "platform/Stream.h"
#include "recsim/Device.h"
#include "recsim/FirmwareUpdate.h"
#include "recsim/Server.h"
#include "support/ScriptedPrompts.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kImageSize = 1u << 20;
constexpr std::size_t kChunk = 246;
constexpr std::size_t kChunks = (kImageSize + kChunk - 1) / kChunk;
constexpr int kRounds = 15;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::vector<std::uint8_t> Image()
{
  std::vector<std::uint8_t> image(kImageSize);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 31 + 7);
  return image;
}

// The job as the workflow runs it; the user confirms and closes the window at the end.
double Upload(recsim::Server& server, const std::string& url, const std::vector<std::uint8_t>& bytes)
{
  ModbusMaster::CModbusEth transport;
  transport.SetParams(url);
  TMemoryStream image;
  image.WriteBuffer(bytes.data(), bytes.size());
  ScriptedPrompts prompts;
  prompts.AnswerModal([](QDialog& dialog) {
    auto& window = dynamic_cast<TProgressDialog&>(dialog);
    QObject::connect(&window, &TProgressDialog::JobFinished, &window, [&window](JobEnd) {
      QMetaObject::invokeMethod(&window, [&window] { window.Button1->click(); }, Qt::QueuedConnection);
    });
    return ExecDialog(window);
  });
  prompts.AnswerTask(PromptResult::Yes);
  auto start = Clock::now();
  bool installed = RunUpgrade(UpgradeEnvironment{prompts, {}}, transport, 1, image).installed;
  double seconds = Seconds(start);
  bool whole = server.WithDevice([&](recsim::Device& device) { return device.upload.image == bytes; });
  if (!installed || !whole) {
    std::fprintf(stderr, "bench_app_upload: the upload did not go through\n");
    std::exit(1);
  }
  return seconds;
}

double TransportChunks(const std::string& url, const std::vector<std::uint8_t>& bytes)
{
  ModbusMaster::CModbusEth transport;
  transport.SetParams(url);
  transport.Open();
  TMemoryStream image;
  image.WriteBuffer(bytes.data(), bytes.size());
  image.SetPosition(0);
  ModbusMaster::TUpgradeWriteCommand chunk;
  auto start = Clock::now();
  std::uint32_t sent = 0;
  while (sent < bytes.size()) {
    sent += chunk.LoadChunk(sent, image);
    transport.Execute(1, chunk);
  }
  return Seconds(start);
}

// The least a client can do for the same chunks: prebuilt frames, one send and one
// read of the 9-byte reply each.
double RawChunks(std::uint16_t port, const std::vector<std::uint8_t>& bytes)
{
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) return 0;
  std::vector<std::vector<std::uint8_t>> frames;
  for (std::size_t offset = 0; offset < bytes.size(); offset += kChunk) {
    std::size_t n = std::min(kChunk, bytes.size() - offset);
    std::vector<std::uint8_t> frame{0, 0, 0, 0, 0, static_cast<std::uint8_t>(n + 8), 1, 0x68, 1,
                                    static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(offset >> 8),
                                    static_cast<std::uint8_t>(offset >> 16), static_cast<std::uint8_t>(offset >> 24),
                                    static_cast<std::uint8_t>(n)};
    frame.insert(frame.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + n));
    frame[1] = static_cast<std::uint8_t>(frames.size());
    frame[0] = static_cast<std::uint8_t>(frames.size() >> 8);
    frames.push_back(std::move(frame));
  }
  std::uint8_t reply[64];
  auto start = Clock::now();
  for (const auto& frame : frames) {
    if (::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(frame.size())) return 0;
    std::size_t got = 0;
    while (got < 9) {
      ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
      if (n <= 0) return 0;
      got += static_cast<std::size_t>(n);
    }
  }
  double seconds = Seconds(start);
  ::close(fd);
  return seconds;
}

// Runs the measurement on a thread of its own, as the job runs its chunks.
template <typename F>
double OnFreshThread(F measure)
{
  double seconds = 0;
  std::thread thread([&] { seconds = measure(); });
  thread.join();
  return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QtGuiThread guiThread;
  recsim::Server server;
  std::uint16_t port = server.ListenTcp();
  server.WithDevice([](recsim::Device& device) {
    recsim::ServeProfile(device, *recsim::FindProfile("corvane-21-2.1.70-h2.5"));
    return 0;
  });
  server.Start();
  const std::string url = "mbtcp://127.0.0.1:" + std::to_string(port);
  const auto bytes = Image();

  Upload(server, url, bytes);  // warm up
  server.ClearLog();
  // The machine is shared: each upload is paired with the floors measured just before
  // and just after it, and the median of the pairs' ratios is the figure to go by.
  auto checked = [&](double seconds) {
    server.ClearLog();
    if (seconds <= 0) {
      std::fprintf(stderr, "bench_app_upload: the raw client failed\n");
      std::exit(1);
    }
    return seconds;
  };
  auto workerFloor = [&] { return checked(OnFreshThread([&] { return RawChunks(port, bytes); })); };
  auto mainFloor = [&] { return checked(RawChunks(port, bytes)); };
  double best = 1e9, bestWorker = 1e9, bestMain = 1e9, bestTransport = 1e9;
  std::vector<double> workerRatios, mainRatios, transportRatios;
  for (int round = 0; round < kRounds; ++round) {
    const double worker1 = workerFloor(), main1 = mainFloor();
    const double upload = Upload(server, url, bytes);
    server.ClearLog();
    const double worker2 = workerFloor(), main2 = mainFloor();
    const double transport = OnFreshThread([&] { return TransportChunks(url, bytes); });
    server.ClearLog();
    const double worker3 = workerFloor();
    best = std::min(best, upload);
    bestWorker = std::min({bestWorker, worker1, worker2, worker3});
    bestMain = std::min({bestMain, main1, main2});
    bestTransport = std::min(bestTransport, transport);
    workerRatios.push_back((worker1 + worker2) / 2 / upload);
    mainRatios.push_back((main1 + main2) / 2 / upload);
    transportRatios.push_back((worker2 + worker3) / 2 / transport);
  }
  auto median = [](std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  auto line = [](const char* what, double seconds) {
    std::printf("%-58s best %7.1f ms (%5.0f KiB/s)\n", what, seconds * 1000, kImageSize / 1024.0 / seconds);
  };
  std::printf("1 MiB image, %zu chunks of at most %zu bytes, loopback TCP, %d rounds\n", kChunks, kChunk, kRounds);
  line("upload job (connect, identify, read, confirm, chunks, install)", best);
  line("chunks through CModbusEth alone, on a fresh thread", bestTransport);
  line("raw chunk exchanges on a fresh thread (the floor)", bestWorker);
  line("raw chunk exchanges on the main thread", bestMain);
  std::printf("floor / upload job: median of the pairs %.3f (of the best %.3f)\n", median(workerRatios),
              bestWorker / best);
  std::printf("main-thread floor / upload job: median of the pairs %.3f\n", median(mainRatios));
  std::printf("floor / CModbusEth alone: median of the pairs %.3f\n", median(transportRatios));
  server.Stop();
  return 0;
}
