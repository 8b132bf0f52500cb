// Many whole updates with the configuration backup in one run of the program, as an
// engineer going from recorder to recorder would make them: over TCP, UDP and the serial
// line in turn, every few updates with a fault the Retry box rides out. After each one
// the process must hold what it held before: no thread, descriptor or memory may pile
// up, every image must reach the recorder whole and every backup file must read back.
//
// The number of updates comes from KESTREL_SOAK_UPDATES (20 unless set); ctest runs the
// long version (200) under the label "long", which ./test leaves out.

#include "WindowDriving.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/BackupReader.h"
#include "support/ProcessHoldings.h"
#include "support/ServedRecords.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using Kind = recsim::Fault::Kind;

constexpr const char* kRecorder = "corvane-21-2.1.160-h2.5";
constexpr std::uint32_t kRelease = 0x0201A073;                   // 2.1.160.115, run after the install
constexpr const char* kImage = "FW_Q318-0-RU-V2.1.160.115-25";  // the one image that fits it
constexpr int kBackupLink = 100;
constexpr int kTimeoutSeconds = 1;  // the shortest the settings offer: a silence costs little
constexpr int kFaultEvery = 4;      // updates: 3 and 4 are coprime, so the faults visit every link

// The updates before the measure is taken: each link once with and without a fault,
// Qt's and the allocator's first growth over.
constexpr int kWarmUp = 6;
// What the process may hold beyond the measure after any later update. Threads and
// descriptors are counted without Qt's painting pool, so none may be added. The heap
// settles within some tens of KiB after 20 updates and about 130 KiB after 200, a part
// of it with Qt's painting pool, which may start a thread of its own late in the run.
// What one update would keep if something held on to it is larger (the recorder's
// request log of one update is about 18 KiB, its configuration read about 20 KiB): the
// short run catches that, and the long one anything of 1.5 KiB an update.
constexpr std::size_t kHeapSettlesBytes = 128 * 1024;
constexpr std::size_t kHeapPerUpdateBytes = 512;
constexpr std::size_t kResidentGrowthKiB = 4 * 1024;

int UpdatesToMake()
{
  const char* text = std::getenv("KESTREL_SOAK_UPDATES");
  const int updates = text ? std::atoi(text) : 0;
  return updates > kWarmUp ? updates : 20;
}

// A fault that ends one attempt of the job with the Retry box: during the backup's
// reads (0x65, its fourth request) or during the upload (0x68, its sixth chunk).
struct SoakFault {
  const char* name;
  std::function<void(RecorderRoad&)> inject;
};

recsim::Fault Once(Kind kind, int function, int skip) { return recsim::Fault::Of(kind).OnFunction(function).After(skip); }

std::vector<SoakFault> FaultsOf(LinkKind link)
{
  auto server = [](recsim::Fault fault) {
    return [fault](RecorderRoad& road) { road.server.AddFault(fault); };
  };
  auto refuseChunk = [](RecorderRoad& road) { road.RefuseChunk(5, 3); };
  switch (link) {
  case LinkKind::Tcp:
    return {{"reset during the backup", server(Once(Kind::ResetConnection, 0x65, 3))},
            {"silence at a chunk", server(Once(Kind::Silence, 0x68, 5))},
            {"busy during the backup", server(Once(Kind::ExceptionReply, 0x65, 3).Code(6))}};
  case LinkKind::Udp:
    return {{"silence during the backup", server(Once(Kind::Silence, 0x65, 3))},
            {"busy at a chunk", server(Once(Kind::ExceptionReply, 0x68, 5).Code(6))},
            {"chunk refused", refuseChunk}};
  case LinkKind::Rtu:
    // The serial line asks again by itself after a silence or a bad CRC: only an
    // answer that is an error reaches the user.
    return {{"busy during the backup", server(Once(Kind::ExceptionReply, 0x65, 3).Code(6))},
            {"chunk refused", refuseChunk},
            {"busy at a chunk", server(Once(Kind::ExceptionReply, 0x68, 5).Code(6))}};
  }
  return {};
}

// One sample of the process, taken after an update.
struct Sample {
  std::size_t residentKiB = 0;
  std::size_t heapBytes = 0;
  std::size_t descriptors = 0;  // all of them, Qt's pool's included
  std::size_t threads = 0;      // likewise
};

Sample Take()
{
  const Holdings now = Holdings::Now();
  return {ResidentKiB(), HeapInUseBytes(), now.descriptors.size(), now.threads + now.qtPooled};
}

// "first F, last L, max M" of one measure.
template <typename Of>
std::string Curve(const std::vector<Sample>& samples, Of of)
{
  std::size_t max = 0;
  for (const Sample& sample : samples) max = std::max(max, of(sample));
  return "first " + std::to_string(of(samples.front())) + ", last " + std::to_string(of(samples.back())) +
         ", max " + std::to_string(max);
}

// The three recorders, one per link, up for the whole run as the recorders on a bench
// would be; each update connects anew from the settings, as the main window does.
class Bench {
public:
  Bench()
  {
    for (LinkKind link : AllLinks()) {
      auto road = std::make_unique<RecorderRoad>(link);
      road->settings.EthTimeout = road->settings.RtuTimeout = kTimeoutSeconds;
      roads_.push_back(std::move(road));
    }
  }
  RecorderRoad& Road(LinkKind link) { return *roads_[static_cast<std::size_t>(link)]; }

  // The recorder as it was before its last update: the old firmware, nothing uploaded,
  // no fault still waiting, an empty request log.
  void Reset(RecorderRoad& road)
  {
    road.server.ClearFaults();
    road.server.ClearLog();
    road.Serve(kRecorder, kRelease);
    road.Device([](recsim::Device& device) {
      device.upload = {};
      return 0;
    });
  }

private:
  std::vector<std::unique_ptr<RecorderRoad>> roads_;
};

// One update through the main window's workflow and the progress window, its backup
// saved to `path` (the previous one kept as its ".bak"). With a fault, its Retry box is
// answered and the backup made again on the second attempt.
struct SoakUpdate {
  SoakUpdate(RecorderRoad& road, const std::string& path, const std::string& served, const SoakFault* fault)
      : road(road), environment(prompts, ReleaseImages())
  {
    environment.log = [this](const std::string& line) { log.push_back(line); };
    environment.openUrl = [](const std::string&) { return 31; };
    environment.runUpgrade = ProgressWindowUpload(prompts, beeps.Event());
    auto save = [&road, path, served](const SaveFileRequest&) {
      road.Device([&](recsim::Device& device) {
        DumpServed(device, served);
        return 0;
      });
      return std::optional<std::string>(path);
    };
    prompts.Answer(PromptResult::Ok)                   // the recorder as read
        .Answer(PromptResult::Ok)                      // "Обновить до версии 2.1.160.115?"
        .AnswerModal(DriveProgress(progress))          // the progress window, and in it
        .AnswerTask(kBackupLink)                       // the final confirmation: the backup
        .AnswerSaveFileWith(save);
    if (fault) prompts.Answer(PromptResult::Retry).AnswerTask(kBackupLink).AnswerSaveFileWith(save);
    prompts.Answer(PromptResult::Ok);                  // the restarted recorder as read
  }

  void Run()
  {
    std::uint8_t unit = 1;
    std::unique_ptr<ModbusMaster::CBaseModbus> transport;
    ASSERT_TRUE(CreateConnectionFromSettings(road.settings, transport, unit));
    RunUpdateWorkflow(environment, *transport, unit);
  }

  RecorderRoad& road;
  ScriptedPrompts prompts;
  UpdateEnvironment environment;
  std::vector<std::string> log;
  BeepLog beeps;
  ProgressRecord progress;
};

// What Qt's event loop would have done by the next user action: the windows the update
// closed are deleted.
void SettleQt()
{
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

TEST(UpdateSoak, RepeatedUpdatesWithBackupHoldNothingBack)
{
  TestApp();
  const int updates = UpdatesToMake();
  const std::vector<std::uint8_t> payload = PayloadOf(ReleaseImage(kImage));
  TempDir dir;
  const std::string path = dir / "recorder.cfg";
  const std::string served = dir / "served.txt";
  Bench bench;

  std::vector<Sample> samples;
  Holdings measure;
  Sample measured;
  std::size_t faults = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int index = 0; index < updates; ++index) {
    const LinkKind link = AllLinks()[static_cast<std::size_t>(index) % 3];
    RecorderRoad& road = bench.Road(link);
    const std::vector<SoakFault> linkFaults = FaultsOf(link);
    const SoakFault* fault =
        index % kFaultEvery == kFaultEvery - 1 ? &linkFaults[faults++ / 3 % linkFaults.size()] : nullptr;
    SCOPED_TRACE("update " + std::to_string(index + 1) + " over " + LinkKindName(link) +
                 (fault ? std::string(", ") + fault->name : std::string()));
    bench.Reset(road);
    if (fault) fault->inject(road);

    {
      SoakUpdate update(road, path, served, fault);
      update.Run();
      EXPECT_TRUE(update.prompts.Faults().empty()) << testing::PrintToString(update.prompts.Faults());
      EXPECT_EQ(update.prompts.Pending(), 0u) << testing::PrintToString(BoxTexts(update.prompts));
      EXPECT_EQ(BoxTexts(update.prompts).size(), fault ? 4u : 3u) << testing::PrintToString(BoxTexts(update.prompts));
      ASSERT_EQ(update.log.size(), 2u) << testing::PrintToString(update.log);
      EXPECT_EQ(update.log.back(), "OK");
      ASSERT_FALSE(update.progress.finishes.empty());
      EXPECT_EQ(update.progress.finishes.back(), JobEnd::Succeeded);
      EXPECT_TRUE(Contains(update.progress.log, "резервная копия сохранена в " + path + "\nЗагрузка обновления\n"))
          << update.progress.log;
    }
    EXPECT_EQ(road.ReceivedImage(), payload);
    const BackupReading backup = ReadBackupFile(path, {"--served", served, ConfigProfileFile(kRecorder)});
    EXPECT_EQ(backup.status, 0) << backup.faults;
    if (index > 0 || fault) {
      const BackupReading kept = ReadBackupFile(path + ".bak", {"--served", served, ConfigProfileFile(kRecorder)});
      EXPECT_EQ(kept.status, 0) << kept.faults;
    }
    if (HasFatalFailure()) return;

    SettleQt();
    if (index + 1 == kWarmUp) {
      measure = Holdings::Now();
      measured = Take();
    } else if (index + 1 > kWarmUp) {
      const Difference left = LeftBehindSince(measure, 2000ms);
      EXPECT_EQ(left.threads, 0) << "threads beyond the measure";
      EXPECT_TRUE(left.opened.empty()) << "left open: " << testing::PrintToString(left.opened);
      EXPECT_TRUE(left.closed.empty()) << "closed: " << testing::PrintToString(left.closed);
    }
    samples.push_back(Take());
    if (index + 1 > kWarmUp) {
      const std::size_t since = static_cast<std::size_t>(index + 1 - kWarmUp);
      const std::size_t allowed = kHeapSettlesBytes + kHeapPerUpdateBytes * since;
      EXPECT_LE(samples.back().heapBytes, measured.heapBytes + allowed) << "heap in use";
      if (kResidentSetFollowsTheHeap) {
        EXPECT_LE(samples.back().residentKiB, measured.residentKiB + kResidentGrowthKiB) << "resident set";
      }
    }
    if (HasFailure()) return;
  }

  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d updates (%zu with a fault) in %.1f s, measured after update %d\n"
              "  resident KiB: %s (measure %zu)\n  heap bytes: %s (measure %zu)\n"
              "  descriptors: %s (measure %zu)\n  threads: %s (measure %zu)\n",
              updates, faults, seconds, kWarmUp, Curve(samples, [](const Sample& s) { return s.residentKiB; }).c_str(),
              measured.residentKiB, Curve(samples, [](const Sample& s) { return s.heapBytes; }).c_str(),
              measured.heapBytes, Curve(samples, [](const Sample& s) { return s.descriptors; }).c_str(),
              measured.descriptors, Curve(samples, [](const Sample& s) { return s.threads; }).c_str(),
              measured.threads);
  if (std::getenv("KESTREL_SOAK_CURVE")) {
    for (std::size_t i = 0; i < samples.size(); ++i)
      std::printf("  %zu: rss %zu KiB, heap %zu, fds %zu, threads %zu\n", i + 1, samples[i].residentKiB,
                  samples[i].heapBytes, samples[i].descriptors, samples[i].threads);
  }
}

}  // namespace
