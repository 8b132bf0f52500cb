// The serial bus scan against the simulated recorder on a pseudo-terminal. The test's
// thread plays the GUI thread: the scan thread's events wait until the test serves
// them, as they wait for the event loop in the program. The suite's name puts these
// tests into the ThreadSanitizer run.

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/core/SerialBusScan.h"
#include "modbus/MBErrors.h"
#include "recsim/Device.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/Server.h"
#include "support/TestGuiThread.h"
#include "support/WatchedLine.h"

namespace {

const char kIdentified[] = "Pelkar / Pelkar-740-L7 / v2.1.160";

// What the scan showed, in order.
struct ScanView : RSScanView {
  std::vector<std::string> statuses;
  std::uint32_t position = 0;
  std::uint32_t maximum = 0;
  std::vector<RSScanRow> rows;
  int stopped = 0;
  std::vector<std::string> errors;
  // Runs inside the status event (the scan thread waits meanwhile).
  std::function<void(const std::string&)> onStatus;

  void ShowScanStatus(const std::string& text) override
  {
    statuses.push_back(text);
    if (onStatus) onStatus(text);
  }
  void ShowScanProgress(std::uint32_t p, std::uint32_t m) override
  {
    position = p;
    maximum = m;
  }
  void AddScanRow(const RSScanRow& row) override { rows.push_back(row); }
  void ScanStopped() override { ++stopped; }
  void ShowScanError(const std::string& text) override { errors.push_back(text); }
};

// The number of milliseconds at the end of a row's address text ("... / 12 мс").
int ReplyMs(const std::string& addressText)
{
  const std::size_t slash = addressText.rfind("/ ");
  return std::stoi(addressText.substr(slash + 2));
}

class ScanRSThreadTest : public ::testing::Test {
protected:
  ScanRSThreadTest() : port(server.OpenRtu())
  {
    server.WithDevice([](recsim::Device& device) { recsim::LoadProfile(device, "pelkar-2.1.160"); });
  }
  ~ScanRSThreadTest() override { server.Stop(); }

  // Recorders at these addresses (the first device moves to the first of them).
  void Devices(std::initializer_list<std::uint8_t> units)
  {
    bool first = true;
    for (std::uint8_t unit : units) {
      if (first) {
        server.WithDevice([unit](recsim::Device& device) { device.unit = unit; });
        first = false;
        continue;
      }
      server.AddLineDevice(unit);
      server.WithDeviceAt(unit, [](recsim::Device& device) { recsim::LoadProfile(device, "pelkar-2.1.160"); });
    }
  }

  // A probe's timeout long enough for an answer on a busy machine, short enough for a few
  // silent addresses.
  RSScanPlan Plan(std::vector<int> baudRates, int first, int last, int timeoutMs) const
  {
    RSScanPlan plan;
    plan.Port = port;
    plan.BaudRates = std::move(baudRates);
    plan.Parities = {0};
    plan.StopBits = {0};
    plan.FirstAddress = first;
    plan.LastAddress = last;
    plan.TimeoutMs = timeoutMs;
    return plan;
  }

  // Runs the scan to its end.
  bool Finish(SerialBusScan& scan)
  {
    return TestGuiThread::Serve([&] { return !scan.IsScanning(); });
  }

  // The identification requests the recorder heard, as (baud rate, unit).
  std::vector<std::pair<std::uint32_t, int>> Probes() const
  {
    std::vector<std::pair<std::uint32_t, int>> probes;
    for (const recsim::LogEntry& entry : server.Log())
      if (entry.function == 0x2B) probes.emplace_back(entry.line ? entry.line->baudRate : 0, entry.unit);
    return probes;
  }

  std::string Probing(int baud, const char* parity, int stopBits, int address) const
  {
    return port + " / " + std::to_string(baud) + " / " + parity + " / " + std::to_string(stopBits) + " / " +
           std::to_string(address);
  }

  recsim::Server server;
  std::string port;
  TestGuiThread gui;
  ScanView view;
};

using Probe = std::pair<std::uint32_t, int>;

}  // namespace

TEST_F(ScanRSThreadTest, EachBaudRateSweepsTheAddressesInTurn)
{
  Devices({1, 2, 3});
  server.AnswerOnlyAt({115200, SerialParity::None, false});
  server.Start();
  SerialBusScan scan(view);
  scan.Start(Plan({57600, 115200}, 1, 3, 300));
  EXPECT_EQ(view.maximum, 6u);
  ASSERT_TRUE(Finish(scan));

  EXPECT_EQ(Probes(), (std::vector<Probe>{{57600, 1}, {57600, 2}, {57600, 3}, {115200, 1}, {115200, 2}, {115200, 3}}));
  const std::vector<std::string> probing{Probing(57600, "нет", 1, 1),  Probing(57600, "нет", 1, 2),
                                         Probing(57600, "нет", 1, 3),  Probing(115200, "нет", 1, 1),
                                         Probing(115200, "нет", 1, 2), Probing(115200, "нет", 1, 3),
                                         "Сканирование завершено. Найдено 3 устройств."};
  EXPECT_EQ(view.statuses, probing);
  EXPECT_EQ(view.position, 6u);
  ASSERT_EQ(view.rows.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const RSScanRow& row = view.rows[static_cast<std::size_t>(i)];
    EXPECT_EQ(row.Item, (RSScanResultItem{port, 115200, 0, 0, i + 1, true, kIdentified}));
    EXPECT_EQ(row.Number, std::to_string(i + 1));
    EXPECT_EQ(row.AddressText.rfind(std::to_string(i + 1) + " @ " + port + "-115200-нет-1 / ", 0), 0u) << row.AddressText;
    EXPECT_TRUE(row.AddressText.ends_with(" мс")) << row.AddressText;
  }
  EXPECT_EQ(scan.FoundCount(), 3u);
  EXPECT_EQ(view.stopped, 1);
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(ScanRSThreadTest, ALastAddressBelowTheFirstSweepsDownwards)
{
  Devices({4});
  server.Start();
  SerialBusScan scan(view);
  scan.Start(Plan({115200}, 5, 3, 300));
  EXPECT_EQ(view.maximum, 3u);
  ASSERT_TRUE(Finish(scan));
  EXPECT_EQ(Probes(), (std::vector<Probe>{{115200, 5}, {115200, 4}, {115200, 3}}));
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.rows[0].Item.Address, 4);
  EXPECT_EQ(view.rows[0].Number, "1");
}

TEST_F(ScanRSThreadTest, ADeviceAnsweringWithAnExceptionIsListed)
{
  Devices({1, 2});
  server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::ExceptionReply, -1).Code(2).OnUnit(2));
  // The first answer is slow: the exception's row must show its own reply time.
  server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Delay, -1).Ms(150).OnUnit(1));
  server.Start();
  SerialBusScan scan(view);
  scan.Start(Plan({115200}, 1, 2, 1000));
  ASSERT_TRUE(Finish(scan));
  ASSERT_EQ(view.rows.size(), 2u);
  EXPECT_EQ(view.rows[0].Item, (RSScanResultItem{port, 115200, 0, 0, 1, true, kIdentified}));
  EXPECT_EQ(view.rows[1].Item, (RSScanResultItem{port, 115200, 0, 0, 2, false, "SERVER EXCEPTION [2]"}));
  EXPECT_GE(ReplyMs(view.rows[0].AddressText), 150);
  EXPECT_LT(ReplyMs(view.rows[1].AddressText), 150) << view.rows[1].AddressText;
  EXPECT_EQ(view.statuses.back(), "Сканирование завершено. Найдено 2 устройств.");
}

TEST_F(ScanRSThreadTest, TheReplyTimeoutIsNeverBelowWhatAnAnswerTakesOnTheLine)
{
  const struct {
    std::uint32_t baud, userMs, expected;
  } rows[] = {{1200, 10, 587}, {9600, 10, 74}, {230400, 10, 10}, {9600, 100, 100}, {230400, 1, 4}, {1200, 1000, 1000}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.baud);
    EXPECT_EQ(ScanReplyTimeout(row.baud, row.userMs), row.expected);
  }

  // And the transport has it while the probe is made, at 1200 baud.
  server.Start();
  SerialBusScan scan(view);
  std::vector<std::uint32_t> timeouts;
  view.onStatus = [&](const std::string&) { timeouts.push_back(scan.Transport().ReplyTimeout()); };
  scan.Start(Plan({1200}, 1, 1, 10));
  ASSERT_TRUE(Finish(scan));
  EXPECT_EQ(timeouts.front(), 587u);
  EXPECT_EQ(view.rows.size(), 1u);
}

TEST_F(ScanRSThreadTest, APortThatCannotBeOpenedEndsTheScanWithItsError)
{
  server.Start();
  SerialBusScan scan(view);
  RSScanPlan plan = Plan({9600, 19200}, 1, 3, 10);
  plan.Port = "/nonexistent/ttyKestrel";
  scan.Start(plan);
  ASSERT_TRUE(Finish(scan));
  ASSERT_EQ(view.errors.size(), 1u);
  const std::string expected =
      "Error connecting to /nonexistent/ttyKestrel:\n/nonexistent/ttyKestrel: Ошибка подключения\r\n";
  EXPECT_EQ(view.errors[0].rfind(expected, 0), 0u) << view.errors[0];
  EXPECT_EQ(view.statuses, std::vector<std::string>{"Сканирование завершено. Найдено 0 устройств."});
  EXPECT_TRUE(Probes().empty());
}

TEST_F(ScanRSThreadTest, AFailureOutsideTheProbesStillEndsTheScan)
{
  server.Start();
  SerialBusScan scan(view, [](const std::string&) -> std::unique_ptr<SerialLine> {
    throw std::runtime_error("the adapter's driver went away");
  });
  scan.Start(Plan({9600}, 1, 1, 10));
  ASSERT_TRUE(Finish(scan));
  EXPECT_EQ(view.errors, std::vector<std::string>{"the adapter's driver went away"});
}

// The line must not stay open at the setting of a scan that failed: the next scan would
// find it open and probe at the old baud rate.
TEST_F(ScanRSThreadTest, AFailureDuringAProbeClosesTheLineForTheNextScan)
{
  server.AnswerOnlyAt({115200, SerialParity::None, false});
  server.Start();
  auto line = std::make_shared<WatchedLineState>();
  line->failWrite = 1;
  SerialBusScan scan(view, WatchedLineOpener(line));
  scan.Start(Plan({9600}, 1, 3, 300));
  ASSERT_TRUE(Finish(scan));
  EXPECT_EQ(view.errors, std::vector<std::string>{"the adapter's driver went away"});
  EXPECT_FALSE(scan.Transport().IsOpen());

  scan.Start(Plan({115200}, 1, 1, 1000));
  ASSERT_TRUE(Finish(scan));
  EXPECT_EQ(line->Settings().baudRate, 115200u);
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.rows[0].Item.BaudRate, 115200);
}

// A pseudo-terminal cannot show the parity: the line the scan opens tells the recorder.
TEST_F(ScanRSThreadTest, OnlyTheTickedParityAndStopBitsAreTriedAndShown)
{
  auto line = std::make_shared<WatchedLineState>();
  server.SetRtuLineProbe([line] { return line->Settings(); });
  server.AnswerOnlyAt({115200, SerialParity::Even, true});
  server.Start();
  SerialBusScan scan(view, WatchedLineOpener(line));
  RSScanPlan plan = Plan({115200}, 1, 1, 300);
  plan.Parities = {0, 2};
  plan.StopBits = {0, 1};
  scan.Start(plan);
  EXPECT_EQ(view.maximum, 4u);
  ASSERT_TRUE(Finish(scan));

  std::vector<std::pair<SerialParity, bool>> tried;
  for (const recsim::LogEntry& entry : server.Log())
    if (entry.line) tried.emplace_back(entry.line->parity, entry.line->twoStopBits);
  EXPECT_EQ(tried, (std::vector<std::pair<SerialParity, bool>>{
                       {SerialParity::None, false}, {SerialParity::None, true}, {SerialParity::Even, false},
                       {SerialParity::Even, true}}));
  EXPECT_EQ(view.statuses,
            (std::vector<std::string>{Probing(115200, "нет", 1, 1), Probing(115200, "нет", 2, 1),
                                      Probing(115200, "четный", 1, 1), Probing(115200, "четный", 2, 1),
                                      "Сканирование завершено. Найдено 1 устройств."}));
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.rows[0].Item, (RSScanResultItem{port, 115200, 2, 1, 1, true, kIdentified}));
  EXPECT_EQ(view.rows[0].AddressText.rfind("1 @ " + port + "-115200-четный-2 / ", 0), 0u) << view.rows[0].AddressText;
}

TEST_F(ScanRSThreadTest, StopCancelsTheProbeAndKeepsTheRowsFoundSoFar)
{
  Devices({1, 2});
  server.Start();
  SerialBusScan scan(view);
  // Addresses 3 to 20 are silent: each would wait out its reply timeout.
  scan.Start(Plan({9600}, 1, 20, 1000));
  ASSERT_TRUE(TestGuiThread::Serve([&] { return view.statuses.size() == 3; }));
  EXPECT_EQ(view.statuses.back(), Probing(9600, "нет", 1, 3));
  ASSERT_TRUE(server.WaitForLog(3, 10000)) << "the third probe is under way";
  scan.Stop();

  EXPECT_FALSE(scan.IsScanning());
  EXPECT_EQ(view.stopped, 1);
  EXPECT_EQ(view.statuses.back(), "Сканирование завершено. Найдено 2 устройств.");
  EXPECT_EQ(view.rows.size(), 2u);
  // The scan thread has ended: nothing more is asked, nothing more is shown.
  EXPECT_EQ(Probes(), (std::vector<Probe>{{9600, 1}, {9600, 2}, {9600, 3}}));
  EXPECT_FALSE(TestGuiThread::Serve([&] { return view.statuses.size() > 4; }, std::chrono::milliseconds(300)));
}

// The answer to the probe under way arrives as the user stops: the scan that was let go
// of must not list it.
TEST_F(ScanRSThreadTest, CancelledScanDropsTheAnswerThatCameLate)
{
  Devices({1, 2});
  server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::ExceptionReply, -1).Code(4).OnUnit(2));
  server.Start();
  auto line = std::make_shared<WatchedLineState>();
  line->lateAfterWrite = 2;
  SerialBusScan scan(view, WatchedLineOpener(line));
  scan.Start(Plan({115200}, 1, 2, 1000));
  ASSERT_TRUE(TestGuiThread::Serve([&] { return view.statuses.size() == 2; }));
  ASSERT_TRUE(server.WaitForLog(2, 10000)) << "the second probe is under way";
  scan.Stop();

  EXPECT_TRUE(line->LateAnswerRead()) << "the exception came after the stop";
  EXPECT_EQ(view.rows.size(), 1u) << "only the row found before the stop";
  EXPECT_EQ(view.statuses.back(), "Сканирование завершено. Найдено 1 устройств.");
  EXPECT_EQ(view.stopped, 1);
}

TEST_F(ScanRSThreadTest, StartStopAndStartAgain)
{
  Devices({1});
  server.Start();
  SerialBusScan scan(view);
  scan.Start(Plan({9600}, 2, 10, 1000));  // nobody there
  // Stopped once its probe is on the line: a frame cut short by the stop would garble
  // the next one, on this line as on a real bus.
  ASSERT_TRUE(TestGuiThread::Serve([&] { return !view.statuses.empty(); }));
  ASSERT_TRUE(server.WaitForLog(1, 10000));
  scan.Stop();
  EXPECT_FALSE(scan.IsScanning());

  view.statuses.clear();
  scan.Start(Plan({115200}, 1, 1, 1000));
  EXPECT_TRUE(scan.IsScanning());
  ASSERT_TRUE(Finish(scan));
  EXPECT_EQ(view.statuses.back(), "Сканирование завершено. Найдено 1 устройств.");
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.rows[0].Item.Address, 1);
  EXPECT_EQ(view.stopped, 2);
}

TEST_F(ScanRSThreadTest, DestroyedDuringAScanItWaitsForItsThread)
{
  server.Start();
  auto line = std::make_shared<WatchedLineState>();
  auto scan = std::make_unique<SerialBusScan>(view, WatchedLineOpener(line));
  scan->Start(Plan({9600}, 1, 30, 1000));
  ASSERT_TRUE(TestGuiThread::Serve([&] { return !view.statuses.empty(); }));
  scan.reset();
  // Its thread is gone with it: nothing more goes out on the line.
  const auto writes = [&] {
    std::lock_guard lock(line->mutex);
    return line->writes;
  };
  const int written = writes();
  EXPECT_LE(written, 1);
  EXPECT_FALSE(TestGuiThread::Serve([&] { return writes() > written; }, std::chrono::milliseconds(300)));
}

TEST(ScanRSPlan, TheChecksBeforeAScanInTheirOrder)
{
  RSScanPlan plan;
  plan.Port = "/dev/ttyUSB0";
  plan.BaudRates = {9600};
  plan.Parities = {0};
  plan.StopBits = {1};
  EXPECT_FALSE(CheckScanPlan(plan).has_value());
  const struct {
    const char* name;
    void (*breakIt)(RSScanPlan&);
    RSScanRefusal::Field field;
    const char* text;
  } rows[] = {
      {"no port", [](RSScanPlan& p) { p.Port.clear(); }, RSScanRefusal::Port, "Выберите порт для связи с регистратором"},
      {"no baud rate", [](RSScanPlan& p) { p.BaudRates.clear(); }, RSScanRefusal::BaudRates,
       "Выберите скорость(ти) связи для сканирования"},
      {"no parity", [](RSScanPlan& p) { p.Parities.clear(); }, RSScanRefusal::Parities,
       "Выберите контроль четность(ти) для сканирования"},
      {"no stop bits", [](RSScanPlan& p) { p.StopBits.clear(); }, RSScanRefusal::StopBits,
       "Выберите количество стоп бит для сканирования"},
  };
  // Each row breaks its own check and every one after it: the refusal must be the row's.
  for (std::size_t first = 0; first < std::size(rows); ++first) {
    SCOPED_TRACE(rows[first].name);
    RSScanPlan broken = plan;
    for (std::size_t i = first; i < std::size(rows); ++i) rows[i].breakIt(broken);
    const auto refusal = CheckScanPlan(broken);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->field, rows[first].field);
    EXPECT_EQ(refusal->text, rows[first].text);
  }
}

TEST(ScanRSPlan, TypedNumbersAreBroughtIntoTheUpDownsRange)
{
  const struct {
    const char* text;
    int position;
    int expected;
  } rows[] = {
      {"5", 1, 5},          {"0", 1, 1},         {"248", 1, 247},      {"99999999999999999999", 3, 247},
      {"", 17, 17},         {"abc", 17, 17},     {"12a", 17, 17},      {"-5", 17, 17},
      {"", 500, 247},       {"0247", 1, 247},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(UpDownPosition(row.text, row.position, 1, 247), row.expected);
  }
}
