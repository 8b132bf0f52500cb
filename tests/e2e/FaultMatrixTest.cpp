// The fault matrix: the whole update against the simulated recorder on each link, with
// one fault injected once at one point of the road. Every row ends with the image
// installed, either straight away (the transport rode out the fault) or after the
// Retry that the error box offers; no exchange may outlast the bound its time-out
// sets, and nothing the update opened may outlive it.
//
// Each row is a test of its own, so ctest runs them side by side; the reply time-out is
// the shortest the settings offer (1 s) to keep the matrix quick.

#include "WindowDriving.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "modbus/CModbusEth.h"
#include "modbus/ModbusMessage.h"
#include "recsim/LoginHandlers.h"
#include "support/ProcessHoldings.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;
using Kind = recsim::Fault::Kind;

constexpr const char* kRecorder = "corvane-21-2.1.70-h2.5";
constexpr std::uint32_t kFeaturePassword = 1u << 16;
constexpr const char* kPassword = "Secret_1";
constexpr std::uint32_t kRelease = 0x0201A073;  // 2.1.160.115, what the recorder runs after the install
constexpr const char* kImage = "FW_Q318-0-RU-V2.1.160.115-25";
constexpr int kChunks = 13;  // its 3072 bytes: 12 x 246 + 120
constexpr int kTimeoutSeconds = 1;
constexpr Ms kTimeout{kTimeoutSeconds * 1000};
constexpr Ms kJustUnder{700};
constexpr Ms kJustOver{1400};
constexpr std::uint8_t kBusy = 6;          // exception code "Server busy"
constexpr std::uint8_t kChunkRefusal = 3;  // the status of the refused chunk
// What a loaded machine (sanitizers, a parallel ctest) may add to a bounded exchange.
constexpr Ms kMargin{1500};
// ... and what the road may spend besides its exchanges, on windows and threads.
constexpr Ms kBesidesExchanges{5000};

// --- where a fault strikes ---

// The road's requests in order: the workflow identifies (0x2B) and reads the device and
// the general information (0x64 records 1 and 0); the job identifies and reads the
// device information again, logs in when the recorder wants a password (the levels
// from input registers 75 and 76, then the two steps of 0x6E), sends the chunks and the
// install (0x68); the workflow then reads the information of the restarted recorder.
enum class Point {
  Identify,       // the workflow's identification
  DeviceInfo,     // the workflow's device information
  GeneralInfo,    // the workflow's general information
  JobIdentify,    // the job's identification
  JobDeviceInfo,  // the job's device information
  LoginLevels,    // the login's levels (the recorder wants a password at these points)
  LoginStart,     // its step 0
  LoginProof,     // its step 1
  FirstChunk,
  Chunk,          // the sixth, well into the upload
  LastChunk,
  Install,
  ReadAgain,      // the workflow's read of the restarted recorder
};

const char* PointName(Point point)
{
  switch (point) {
  case Point::Identify: return "Identify";
  case Point::DeviceInfo: return "DeviceInfo";
  case Point::GeneralInfo: return "GeneralInfo";
  case Point::JobIdentify: return "JobIdentify";
  case Point::JobDeviceInfo: return "JobDeviceInfo";
  case Point::LoginLevels: return "LoginLevels";
  case Point::LoginStart: return "LoginStart";
  case Point::LoginProof: return "LoginProof";
  case Point::FirstChunk: return "FirstChunk";
  case Point::Chunk: return "Chunk";
  case Point::LastChunk: return "LastChunk";
  case Point::Install: return "Install";
  case Point::ReadAgain: return "ReadAgain";
  }
  return "?";
}

// The function of the requests the point is in, and how many of them go by unharmed.
struct Where {
  int function;
  int skip;
};

Where WhereIs(Point point)
{
  switch (point) {
  case Point::Identify: return {0x2B, 0};
  case Point::DeviceInfo: return {0x64, 0};
  case Point::GeneralInfo: return {0x64, 1};
  case Point::JobIdentify: return {0x2B, 1};
  case Point::JobDeviceInfo: return {0x64, 2};
  case Point::LoginLevels: return {0x04, 0};
  case Point::LoginStart: return {0x6E, 0};
  case Point::LoginProof: return {0x6E, 1};
  case Point::FirstChunk: return {0x68, 0};
  case Point::Chunk: return {0x68, 5};
  case Point::LastChunk: return {0x68, kChunks - 1};
  case Point::Install: return {0x68, kChunks};
  case Point::ReadAgain: return {0x64, 3};
  }
  return {-1, 0};
}

// Where on the road a failure at the point is offered for a retry.
enum class Stage {
  BeforeJob,     // the workflow's box, before the recorder is shown
  JobStart,      // the job's box, before its final confirmation
  JobUpload,     // the job's box, after it
  AfterJob,      // the workflow's box, after the progress window
};

Stage StageOf(Point point)
{
  switch (point) {
  case Point::Identify:
  case Point::DeviceInfo:
  case Point::GeneralInfo: return Stage::BeforeJob;
  case Point::JobIdentify:
  case Point::JobDeviceInfo: return Stage::JobStart;
  case Point::ReadAgain: return Stage::AfterJob;
  default: return Stage::JobUpload;
  }
}

bool InTheJob(Stage stage) { return stage == Stage::JobStart || stage == Stage::JobUpload; }

bool AtTheLogin(Point point)
{
  return point == Point::LoginLevels || point == Point::LoginStart || point == Point::LoginProof;
}

// --- the faults ---

enum class FaultKind {
  Silence,
  DelayUnder,        // the reply comes just before the time-out
  DelayOver,         // ... and just after it
  BadCrc,            // RTU
  StaleTransaction,  // TCP, UDP: the previous request's transaction id
  Duplicate,         // the reply twice (a duplicated datagram on UDP)
  Exception,         // "Server busy" in place of the reply
  ConnectionClosed,  // TCP: the recorder closes the connection (FIN) instead of answering
  ConnectionReset,   // TCP: ... resets it (RST)
  ChunkRefused,      // a chunk answered with a non-zero status
  AnswerLost,        // the reply never comes (at the install: "the install answer lost")
};

const char* FaultName(FaultKind fault)
{
  switch (fault) {
  case FaultKind::Silence: return "Silence";
  case FaultKind::DelayUnder: return "DelayJustUnderTimeout";
  case FaultKind::DelayOver: return "DelayJustOverTimeout";
  case FaultKind::BadCrc: return "BadCrc";
  case FaultKind::StaleTransaction: return "StaleTransactionId";
  case FaultKind::Duplicate: return "DuplicatedReply";
  case FaultKind::Exception: return "ExceptionReply";
  case FaultKind::ConnectionClosed: return "ConnectionClosed";
  case FaultKind::ConnectionReset: return "ConnectionReset";
  case FaultKind::ChunkRefused: return "ChunkRefused";
  case FaultKind::AnswerLost: return "AnswerLost";
  }
  return "?";
}

void Inject(RecorderRoad& road, FaultKind fault, Point point)
{
  const Where where = WhereIs(point);
  auto once = [&](Kind kind) { return recsim::Fault::Of(kind).OnFunction(where.function).After(where.skip); };
  switch (fault) {
  case FaultKind::Silence:
  case FaultKind::AnswerLost: road.server.AddFault(once(Kind::Silence)); return;
  case FaultKind::DelayUnder: road.server.AddFault(once(Kind::Delay).Ms(kJustUnder.count())); return;
  case FaultKind::DelayOver: road.server.AddFault(once(Kind::Delay).Ms(kJustOver.count())); return;
  case FaultKind::BadCrc: road.server.AddFault(once(Kind::BadCrc)); return;
  case FaultKind::StaleTransaction: road.server.AddFault(once(Kind::StaleTransactionId)); return;
  case FaultKind::Duplicate: road.server.AddFault(once(Kind::Duplicate)); return;
  case FaultKind::Exception: road.server.AddFault(once(Kind::ExceptionReply).Code(kBusy)); return;
  case FaultKind::ConnectionClosed: road.server.AddFault(once(Kind::CloseConnection)); return;
  case FaultKind::ConnectionReset: road.server.AddFault(once(Kind::ResetConnection)); return;
  case FaultKind::ChunkRefused:
    road.Device([&](recsim::Device& device) {
      device.upload.failChunk = where.skip;
      device.upload.failStatus = kChunkRefusal;
      return 0;
    });
    return;
  }
}

// --- how a row ends ---

// The message of the error the Retry box shows; none when the transport rode the fault
// out.
enum class Error { None, ReadTimedOut, ConnectionReset, ServerBusy, ChunkStatus, ProofRepeated };

std::string ErrorMessage(Error error, const std::string& source)
{
  switch (error) {
  case Error::None: return {};
  case Error::ReadTimedOut: return source + ": Ошибка чтения данных\r\nSystem error. Code: 110.\r\nConnection timed out";
  case Error::ConnectionReset:
    return source + ": Ошибка чтения данных\r\nSystem error. Code: 104.\r\nConnection reset by peer";
  case Error::ServerBusy: return source + ": Server Exception 6 (Server busy)";
  case Error::ChunkStatus: return "Ошибка обновления 3";
  // A proof sent again after its reply went astray finds the device's login session
  // spent (one proof per step 0) and is refused as a device error; the device opened
  // the level all the same.
  case Error::ProofRepeated: return source + ": Ошибка \"auth error 3\"";
  }
  return {};
}

struct Row {
  LinkKind link;
  FaultKind fault;
  Point point;
  Error error = Error::None;
};

std::string RowName(const Row& row)
{
  return std::string(LinkKindName(row.link)) + "_" + FaultName(row.fault) + "_At" + PointName(row.point);
}

void PrintTo(const Row& row, std::ostream* out) { *out << RowName(row); }

// --- the measured connection ---

// The update's own connection, as the workflow and the job use it, with every exchange
// timed against the bound its time-out sets: the reply wait of each attempt made, the
// pause before each further attempt, and the margin. Cancel is not passed on: no row
// cancels.
class TimedTransport final : public ModbusMaster::CBaseModbus {
public:
  struct Step {
    std::string what;            // "connect", or the function (and sub-function)
    std::uint32_t attempts = 1;  // made
    Ms elapsed{0};
    Ms bound{0};
    std::string outcome;  // "ok" or the error's message
  };

  TimedTransport(CBaseModbus& inner, LinkKind link) : inner_(inner), link_(link)
  {
    connectionName_ = inner.ConnectionName();
    replyTimeout_ = inner.ReplyTimeout();
  }

  bool IsOpen() const override { return inner_.IsOpen(); }
  void Open() override
  {
    Step step;
    step.what = "connect";
    Time(step, [&] { inner_.Open(); }, [&] {
      // The connect wait: the default time-out, at least 100 ms.
      step.bound = Ms(std::max<std::uint32_t>(inner_.ReplyTimeout(), 100)) + kMargin;
    });
  }
  void Close() override { inner_.Close(); }
  bool Disconnect() override { return inner_.Disconnect(); }
  const char* ProtocolName() const override { return inner_.ProtocolName(); }
  std::string Description(std::uint8_t unit) const override { return inner_.Description(unit); }
  bool ResolveAddress(const std::string& url, std::uint32_t& address) override
  {
    return inner_.ResolveAddress(url, address);
  }

  void Execute(std::uint8_t unit, ModbusMaster::TBaseModbusMessage& message) override
  {
    Step step;
    step.what = Format("fn 0x%02X", message.Request.Function());
    if (message.Request.Function() == 0x68) step.what += Format("/%u", message.Request.Data()[0]);
    Time(step, [&] { inner_.Execute(unit, message); }, [&] {
      const Ms timeout{message.ReplyTimeout ? message.ReplyTimeout : inner_.ReplyTimeout()};
      // The serial line pauses the time-out and a few character times after a wrong
      // reply; Ethernet a fixed time.
      const Ms pause = link_ == LinkKind::Rtu ? timeout + 50ms : Ms(ModbusMaster::CModbusEth::kRetryPauseMs);
      step.attempts = std::min(message.Attempts + 1, message.MaxRetries + 1);
      step.bound = step.attempts * timeout + (step.attempts - 1) * pause + kMargin;
    });
  }

  std::vector<Step> Steps() const { return steps_; }

private:
  template <typename Exchange, typename Bound>
  void Time(Step& step, Exchange&& exchange, Bound&& bound)
  {
    const auto start = Clock::now();
    auto record = [&](std::string outcome) {
      step.elapsed = std::chrono::duration_cast<Ms>(Clock::now() - start);
      bound();
      step.outcome = std::move(outcome);
      steps_.push_back(step);
    };
    try {
      exchange();
    } catch (const Exception& e) {
      record(e.Message());
      throw;
    }
    record("ok");
  }

  CBaseModbus& inner_;
  LinkKind link_;
  std::vector<Step> steps_;  // used by one thread at a time, as the transport is
};

// --- one update ---

// One update as the main window runs it, on the measured connection.
struct Update {
  Update(RecorderRoad& road, LinkKind link)
      : road(road), timed(*road.transport, link), environment(prompts, ReleaseImages())
  {
    environment.log = [this](const std::string& line) { log.push_back(line); };
    environment.openUrl = [](const std::string&) { return 31; };
    environment.runUpgrade = ProgressWindowUpload(prompts, beeps.Event());
  }
  void Run() { RunUpdateWorkflow(environment, timed, road.unit); }

  std::vector<AskedPrompt> Boxes() const
  {
    std::vector<AskedPrompt> boxes;
    for (const auto& asked : prompts.Asked())
      if (asked.kind == PromptKind::MessageBox) boxes.push_back(asked);
    return boxes;
  }

  RecorderRoad& road;
  TimedTransport timed;
  ScriptedPrompts prompts;
  UpdateEnvironment environment;
  std::vector<std::string> log;
  BeepLog beeps;
  ProgressRecord progress;
};

// The recorder of the road; at the login's points it wants a password for level 1.
void ServeRecorder(RecorderRoad& road, Point point)
{
  auto profile = recsim::FindProfile(kRecorder);
  ASSERT_TRUE(profile);
  if (AtTheLogin(point)) profile->Features |= kFeaturePassword;
  road.Serve(*profile, kRelease);
  if (AtTheLogin(point))
    road.Device([](recsim::Device& device) {
      recsim::Login(device).srp.SetPassword(1, kPassword);
      return 0;
    });
}

// The answers a user gives on the road, with Retry where the row's error box comes.
void Script(Update& update, const Row& row)
{
  const Stage stage = StageOf(row.point);
  const bool retried = row.error != Error::None;
  auto retryAt = [&](Stage at) {
    if (retried && stage == at) update.prompts.Answer(PromptResult::Retry);
  };
  retryAt(Stage::BeforeJob);
  update.prompts.Answer(PromptResult::Ok)               // the recorder as read
      .Answer(PromptResult::Ok)                         // "Обновить до версии 2.1.160.115?"
      .AnswerModal(DriveProgress(update.progress));     // the progress window, and in it
  retryAt(Stage::JobStart);
  update.prompts.AnswerTask(PromptResult::Yes);         // the job's final confirmation
  // The password is asked unless the run fails before (at the levels), and asked again
  // on the retry unless the device took the proof and opened the level.
  const bool login = AtTheLogin(row.point);
  if (login && !(retried && row.point == Point::LoginLevels)) update.prompts.AnswerPassword(kPassword, false);
  if (retried && stage == Stage::JobUpload) {
    update.prompts.Answer(PromptResult::Retry).AnswerTask(PromptResult::Yes);
    if (login && row.point != Point::LoginProof) update.prompts.AnswerPassword(kPassword, false);
  }
  retryAt(Stage::AfterJob);
  update.prompts.Answer(PromptResult::Ok);              // the restarted recorder as read
}

// The boxes the user saw: the road's three, and the row's Retry box where it comes.
void ExpectTheRoadAsSeen(const Update& update, const Row& row)
{
  EXPECT_TRUE(update.prompts.Faults().empty()) << ::testing::PrintToString(update.prompts.Faults());
  EXPECT_EQ(update.prompts.Pending(), 0u);
  const auto boxes = update.Boxes();
  const bool retried = row.error != Error::None;
  ASSERT_EQ(boxes.size(), retried ? 4u : 3u) << ::testing::PrintToString(BoxTexts(update.prompts));
  if (retried) {
    const Stage stage = StageOf(row.point);
    const AskedPrompt& box = boxes[stage == Stage::BeforeJob ? 0 : 2];
    const std::string message = ErrorMessage(row.error, update.road.Source());
    // The workflow's box puts "Ошибка: " before the message, the job's shows it alone.
    EXPECT_EQ(box.message.text, InTheJob(stage) ? message : "Ошибка: " + message);
    EXPECT_EQ(box.message.buttons, PromptButtons::RetryCancel);
    EXPECT_EQ(box.message.icon, PromptIcon::Error);
    EXPECT_EQ(box.owner, InTheJob(stage) ? static_cast<QWidget*>(update.progress.window) : nullptr);
  }
  EXPECT_TRUE(Contains(boxes.back().message.text, "текущая версия ПО 2.1.160.115.")) << boxes.back().message.text;
  EXPECT_EQ(update.log.size(), 2u);
  EXPECT_EQ(update.log.back(), "OK");
  EXPECT_EQ(update.progress.finishes, std::vector<JobEnd>{JobEnd::Succeeded});
  EXPECT_TRUE(Contains(update.progress.log, "Загрузка обновления выполнена успешно.")) << update.progress.log;
  EXPECT_EQ(update.beeps.Sounds(), std::vector<BeepSound>{BeepSound::Default});
}

// The recorder holds the payload byte for byte, installed whole.
void ExpectTheImageInstalled(RecorderRoad& road)
{
  EXPECT_EQ(road.ReceivedImage(), PayloadOf(ReleaseImage(kImage)));
  road.Device([](recsim::Device& device) {
    EXPECT_EQ(device.upload.installSize, 3072u);
    EXPECT_EQ(recsim::Firmware(device).chunksOutOfOrder, 0u);
    EXPECT_EQ(recsim::Firmware(device).installsMismatched, 0u);
    EXPECT_GE(recsim::Firmware(device).firmwareSwitches, 1u);
    return 0;
  });
}

// No exchange outlasted its bound, and the road waited for nothing besides them: what
// the whole update took beyond its exchanges is work (windows, threads), never a wait.
// Returns the exchanges worth a line in the test's output: those that failed, took more
// than one attempt or waited.
std::string ExpectEveryWaitBounded(const TimedTransport& timed, Ms whole)
{
  std::string notable;
  Ms exchanges{0};
  for (const auto& step : timed.Steps()) {
    exchanges += step.elapsed;
    const std::string line =
        Format("%s: %d ms of at most %d ms, %u attempt(s), %s", step.what, static_cast<int>(step.elapsed.count()),
               static_cast<int>(step.bound.count()), step.attempts, step.outcome);
    EXPECT_LE(step.elapsed, step.bound) << line;
    if (step.outcome != "ok" || step.attempts > 1 || step.elapsed > 200ms) notable += "\n  " + line;
  }
  const std::string spent = Format("%d ms in all, %d ms of it in exchanges", static_cast<int>(whole.count()),
                                  static_cast<int>(exchanges.count()));
  EXPECT_LE(whole - exchanges, kBesidesExchanges) << spent;
  return notable + "\n  " + spent;
}

std::string OutcomeText(const Row& row)
{
  if (row.error == Error::None) return "installed";
  return std::string(InTheJob(StageOf(row.point)) ? "the job's" : "the workflow's") + " Retry box, then installed";
}

class FaultMatrix : public ::testing::TestWithParam<Row> {};

TEST_P(FaultMatrix, EndsInstalled)
{
  const Row& row = GetParam();
  TestApp();
  const Holdings before = Holdings::Now();
  {
    RecorderRoad road(row.link);
    // The connection the program makes from its settings, with the shortest time-out.
    road.settings.EthTimeout = road.settings.RtuTimeout = kTimeoutSeconds;
    ASSERT_TRUE(CreateConnectionFromSettings(road.settings, road.transport, road.unit));
    ASSERT_EQ(road.transport->ReplyTimeout(), static_cast<std::uint32_t>(kTimeout.count()));
    ServeRecorder(road, row.point);
    Inject(road, row.fault, row.point);
    {
      Update update(road, row.link);
      Script(update, row);
      const auto start = Clock::now();
      update.Run();
      const auto whole = std::chrono::duration_cast<Ms>(Clock::now() - start);

      ExpectTheRoadAsSeen(update, row);
      ExpectTheImageInstalled(road);
      const std::string notable = ExpectEveryWaitBounded(update.timed, whole);
      std::printf("%s: %s%s\n", RowName(row).c_str(), OutcomeText(row).c_str(), notable.c_str());
    }
    // The update's connection ends with it; then the recorder stops and goes.
    road.transport.reset();
    road.server.Stop();
  }

  const Difference left = LeftBehindSince(before, 2000ms);
  EXPECT_EQ(left.threads, 0) << "threads left running";
  EXPECT_TRUE(left.opened.empty()) << "left open: " << ::testing::PrintToString(left.opened);
  EXPECT_TRUE(left.closed.empty()) << "closed: " << ::testing::PrintToString(left.closed);
}

using F = FaultKind;
using P = Point;
using E = Error;
constexpr LinkKind kTcp = LinkKind::Tcp, kUdp = LinkKind::Udp, kRtu = LinkKind::Rtu;

// Over TCP and UDP a reply wait that runs out fails the exchange at once, and the error
// is offered for a retry; on the serial line the transport asks again by itself. A
// wrong transaction id, a closed connection or a bad CRC is retried by the transport;
// an exception reply, a reset connection and a recorder's status are not.
const Row kRows[] = {
    // The install waits 25 s for its answer, whatever the time-out: these rows go first,
    // so that a parallel ctest starts them early.
    {kTcp, F::AnswerLost, P::Install, E::ReadTimedOut},
    {kUdp, F::AnswerLost, P::Install, E::ReadTimedOut},
    {kRtu, F::AnswerLost, P::Install},
    // Modbus TCP
    {kTcp, F::Silence, P::Identify, E::ReadTimedOut},
    {kTcp, F::Silence, P::DeviceInfo, E::ReadTimedOut},
    {kTcp, F::Silence, P::GeneralInfo, E::ReadTimedOut},
    {kTcp, F::Silence, P::JobIdentify, E::ReadTimedOut},
    {kTcp, F::Silence, P::JobDeviceInfo, E::ReadTimedOut},
    {kTcp, F::Silence, P::LoginLevels, E::ReadTimedOut},
    {kTcp, F::Silence, P::LoginStart, E::ReadTimedOut},
    {kTcp, F::Silence, P::LoginProof, E::ReadTimedOut},
    {kTcp, F::Silence, P::Chunk, E::ReadTimedOut},
    {kTcp, F::Silence, P::ReadAgain, E::ReadTimedOut},
    {kTcp, F::DelayUnder, P::DeviceInfo},
    {kTcp, F::DelayUnder, P::Chunk},
    {kTcp, F::DelayOver, P::Identify, E::ReadTimedOut},
    {kTcp, F::DelayOver, P::FirstChunk, E::ReadTimedOut},
    {kTcp, F::DelayOver, P::Chunk, E::ReadTimedOut},
    {kTcp, F::StaleTransaction, P::Identify},
    {kTcp, F::StaleTransaction, P::LoginStart},
    {kTcp, F::StaleTransaction, P::LoginProof, E::ProofRepeated},
    {kTcp, F::StaleTransaction, P::Chunk},
    {kTcp, F::StaleTransaction, P::Install},
    {kTcp, F::Duplicate, P::Chunk},
    {kTcp, F::Exception, P::DeviceInfo, E::ServerBusy},
    {kTcp, F::Exception, P::Chunk, E::ServerBusy},
    {kTcp, F::Exception, P::Install, E::ServerBusy},
    {kTcp, F::ConnectionClosed, P::FirstChunk},
    {kTcp, F::ConnectionClosed, P::LastChunk},
    {kTcp, F::ConnectionClosed, P::Install},
    {kTcp, F::ConnectionReset, P::FirstChunk, E::ConnectionReset},
    {kTcp, F::ConnectionReset, P::Chunk, E::ConnectionReset},
    {kTcp, F::ConnectionReset, P::Install, E::ConnectionReset},
    {kTcp, F::ChunkRefused, P::FirstChunk, E::ChunkStatus},
    {kTcp, F::ChunkRefused, P::Chunk, E::ChunkStatus},
    // Modbus UDP
    {kUdp, F::Silence, P::Identify, E::ReadTimedOut},
    {kUdp, F::Silence, P::Chunk, E::ReadTimedOut},
    {kUdp, F::Silence, P::ReadAgain, E::ReadTimedOut},
    {kUdp, F::DelayUnder, P::Chunk},
    {kUdp, F::DelayOver, P::DeviceInfo, E::ReadTimedOut},
    {kUdp, F::DelayOver, P::Chunk, E::ReadTimedOut},
    {kUdp, F::StaleTransaction, P::Identify},
    {kUdp, F::StaleTransaction, P::DeviceInfo},
    {kUdp, F::StaleTransaction, P::Chunk},
    {kUdp, F::Duplicate, P::Identify},
    {kUdp, F::Duplicate, P::JobDeviceInfo},
    {kUdp, F::Duplicate, P::LoginStart},
    {kUdp, F::Duplicate, P::LoginProof},
    {kUdp, F::Duplicate, P::Chunk},
    {kUdp, F::Duplicate, P::Install},
    {kUdp, F::Exception, P::Chunk, E::ServerBusy},
    {kUdp, F::ChunkRefused, P::Chunk, E::ChunkStatus},
    {kUdp, F::ChunkRefused, P::LastChunk, E::ChunkStatus},
    // Modbus RTU on a pseudo-terminal
    {kRtu, F::Silence, P::Identify},
    {kRtu, F::Silence, P::LoginProof, E::ProofRepeated},
    {kRtu, F::Silence, P::Chunk},
    {kRtu, F::Silence, P::ReadAgain},
    {kRtu, F::DelayUnder, P::Chunk},
    {kRtu, F::DelayOver, P::DeviceInfo},
    {kRtu, F::DelayOver, P::FirstChunk},
    {kRtu, F::DelayOver, P::Chunk},
    {kRtu, F::BadCrc, P::Identify},
    {kRtu, F::BadCrc, P::DeviceInfo},
    {kRtu, F::BadCrc, P::LoginLevels},
    {kRtu, F::BadCrc, P::LoginStart},
    {kRtu, F::BadCrc, P::LoginProof, E::ProofRepeated},
    {kRtu, F::BadCrc, P::FirstChunk},
    {kRtu, F::BadCrc, P::Chunk},
    {kRtu, F::BadCrc, P::LastChunk},
    {kRtu, F::Duplicate, P::Chunk},
    {kRtu, F::Exception, P::JobIdentify, E::ServerBusy},
    {kRtu, F::Exception, P::LoginLevels, E::ServerBusy},
    {kRtu, F::Exception, P::Chunk, E::ServerBusy},
    {kRtu, F::Exception, P::Install, E::ServerBusy},
    {kRtu, F::ChunkRefused, P::Chunk, E::ChunkStatus},
};

INSTANTIATE_TEST_SUITE_P(Rows, FaultMatrix, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return RowName(info.param); });

}  // namespace
