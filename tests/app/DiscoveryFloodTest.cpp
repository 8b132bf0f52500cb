// The Ethernet discovery dialog under a flood: one scan answered by ten thousand
// datagrams within a second, most of them malformed as a broken or hostile device would
// shape them, the rest well-formed. The dialog must keep its event loop turning (the
// user can still press Cancel) and list nothing but the well-formed replies.

#include <gtest/gtest.h>

#include <poll.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "GuiDriving.h"
#include "app/ui/ScanEthDialog.h"
#include "app/ui/ScanList.h"
#include "platform/Socket.h"
#include "recsim/Device.h"
#include "recsim/Discovery.h"
#include "recsim/RecorderHandlers.h"
#include "support/ScriptedPrompts.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kDatagrams = 10000;
constexpr auto kFloodTime = 800ms;  // the whole flood goes out within this
constexpr int kBurst = 50;          // datagrams sent back to back, then a pause
// How late the event loop may turn under the flood. A turn takes well under a
// millisecond; this leaves room for sanitizers and a machine busy with other tests,
// and still catches a dialog that reads until the flood is over.
constexpr auto kLatencyBound = 500ms;

// What one datagram of the flood is; every fourth is well-formed.
enum class Shape { Valid, CutOversize, Short, BadMagic, ShortLength, NotARecorder, NoVersion, StaleTick, StringPastEnd,
                   Noise, Empty, NoiseWithMagic };
constexpr Shape kCycle[] = {Shape::Valid,        Shape::Short,        Shape::BadMagic,  Shape::ShortLength,
                            Shape::CutOversize,  Shape::NotARecorder, Shape::NoVersion, Shape::StaleTick,
                            Shape::Valid,        Shape::StringPastEnd, Shape::Noise,    Shape::Empty,
                            Shape::Valid,        Shape::NoiseWithMagic, Shape::Short,   Shape::StringPastEnd};

bool WellFormed(Shape shape) { return shape == Shape::Valid || shape == Shape::CutOversize; }

// A recorder that answers the discovery request with the flood, from a thread of its
// own; the datagrams are shaped by the simulated recorder's own discovery faults where
// it has one, each malformed one named "bad-N" and each well-formed one "ok-N", so a row
// tells which it came from.
class Flood {
public:
  Flood() : socket_(Socket::Create(Socket::Type::Udp))
  {
    socket_.Bind({0x7F000001, 0});
    recsim::LoadProfile(device_, "pelkar-2.1.160");
    thread_ = std::thread([this] { Run(); });
  }
  ~Flood()
  {
    stop_.store(true);
    thread_.join();
  }

  std::uint16_t Port() const { return socket_.LocalAddress().port; }
  bool Done() const { return done_.load(); }
  int WellFormedSent() const { return wellFormed_.load(); }
  std::chrono::milliseconds Took() const { return took_; }

private:
  void Run()
  {
    std::vector<std::uint8_t> request(64);
    SocketAddress from;
    for (;;) {
      if (stop_.load()) return;
      pollfd fd{socket_.Fd(), POLLIN, 0};
      if (poll(&fd, 1, 50) <= 0) continue;
      const IoResult got = socket_.RecvFrom(request.data(), request.size(), &from);
      if (got.wouldBlock) continue;
      if (const auto tick = recsim::ReadDiscoveryRequest(std::span(request.data(), got.bytes))) {
        Send(*tick, from);
        return;
      }
    }
  }

  void Send(std::uint32_t tick, const SocketAddress& to)
  {
    std::mt19937 random(2363);
    const auto start = Clock::now();
    const auto pause = kFloodTime / (kDatagrams / kBurst);
    for (int n = 0; n < kDatagrams && !stop_.load(); ++n) {
      if (n % kBurst == 0) std::this_thread::sleep_until(start + pause * (n / kBurst));
      const Shape shape = kCycle[n % std::size(kCycle)];
      const std::vector<std::uint8_t> datagram = Shaped(shape, n, tick, random);
      socket_.SendTo(datagram.data(), datagram.size(), to);
      if (WellFormed(shape)) ++wellFormed_;
    }
    took_ = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    done_.store(true);
  }

  std::vector<std::uint8_t> Shaped(Shape shape, int n, std::uint32_t tick, std::mt19937& random)
  {
    auto noise = [&](std::size_t size) {
      std::vector<std::uint8_t> bytes(size);
      for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
      return bytes;
    };
    recsim::DiscoveryState& state = recsim::Discovery(device_);
    state.stringB = (WellFormed(shape) ? "ok-" : "bad-") + std::to_string(n);
    switch (shape) {
    case Shape::Valid: break;
    case Shape::CutOversize: state.faults.push_back(recsim::DiscoveryFault::Oversize); break;
    case Shape::Short: state.faults.push_back(recsim::DiscoveryFault::Short); break;
    case Shape::BadMagic: state.faults.push_back(recsim::DiscoveryFault::BadMagic); break;
    case Shape::ShortLength: state.faults.push_back(recsim::DiscoveryFault::ShortLength); break;
    case Shape::NotARecorder: state.faults.push_back(recsim::DiscoveryFault::NotARecorder); break;
    case Shape::NoVersion: state.faults.push_back(recsim::DiscoveryFault::NoVersion); break;
    case Shape::StaleTick:
      state.faults.push_back(recsim::DiscoveryFault::StaleTick);
      state.lastTick = tick - 1;  // the request before this one
      break;
    case Shape::StringPastEnd: state.faults.push_back(recsim::DiscoveryFault::StringPastEnd); break;
    case Shape::Noise: return noise(random() % 1600);
    case Shape::Empty: return {};
    case Shape::NoiseWithMagic: {
      // The head of a reply, the rest noise: the echoed tick is right only by chance.
      std::vector<std::uint8_t> bytes = noise(40 + random() % 200);
      bytes[0] = 1;
      bytes[1] = bytes[2] = bytes[3] = 0;
      return bytes;
    }
    }
    return recsim::AnswerDiscovery(device_, tick);
  }

  Socket socket_;
  recsim::Device device_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  std::atomic<int> wellFormed_{0};
  std::chrono::milliseconds took_{0};  // read once done_
};

// The longest the event loop went without turning, measured by a timer that asks to
// run every millisecond.
class LoopLatency {
public:
  LoopLatency()
  {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
      if (since_.isValid()) worst_ = std::max(worst_, since_.nsecsElapsed() / 1000000);
      since_.restart();
    });
    timer_.start();
  }
  std::chrono::milliseconds Worst() const { return std::chrono::milliseconds(worst_); }

private:
  QTimer timer_;
  QElapsedTimer since_;
  qint64 worst_ = 0;
};

TEST(DiscoveryFlood, TheDialogKeepsTurningAndListsOnlyWellFormedReplies)
{
  TestApp();
  ScriptedPrompts prompts;
  Flood flood;
  DiscoveryTarget target;
  target.Endpoint = {0x7F000001, flood.Port()};
  TScanEthDialog scan(prompts, target);
  scan.show();

  LoopLatency latency;
  scan.btnScan->click();
  ASSERT_TRUE(WaitUntil([&] { return flood.Done(); }, 30s)) << "the flood never went out";
  // What is still queued is read within a few turns of the loop.
  WaitUntil([] { return false; }, 200ms);

  EXPECT_TRUE(prompts.Asked().empty());
  EXPECT_LE(latency.Worst(), kLatencyBound);

  const int rows = scan.ListView1->topLevelItemCount();
  EXPECT_EQ(static_cast<std::size_t>(rows), scan.Discovery().Rows().size());
  std::set<std::string> names;
  for (int row = 0; row < rows; ++row) {
    const QTreeWidgetItem* item = scan.ListView1->topLevelItem(row);
    const std::string description = item->text(2).toStdString();
    SCOPED_TRACE("row " + std::to_string(row + 1) + ": " + description);
    EXPECT_EQ(item->text(0).toStdString(), std::to_string(row + 1));
    EXPECT_EQ(item->text(1).toStdString(), "127.0.0.1");
    ASSERT_EQ(description.rfind("ok-", 0), 0u) << "a row from a malformed reply";
    EXPECT_TRUE(names.insert(description.substr(0, description.find(' '))).second) << "listed twice";
  }
  // Loopback drops what a full receive queue cannot take, so not every well-formed
  // reply need arrive; most do.
  EXPECT_LE(rows, flood.WellFormedSent());
  EXPECT_GT(rows, 0);
  std::printf("%d datagrams in %lld ms, %d of them well-formed; %d rows listed; the event loop's longest pause "
              "%lld ms\n",
              kDatagrams, static_cast<long long>(flood.Took().count()), flood.WellFormedSent(), rows,
              static_cast<long long>(latency.Worst().count()));
}

}  // namespace
