#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Event.h"
#include "platform/SerialPort.h"
#include "platform/Socket.h"
#include "recsim/Device.h"
#include "recsim/Fault.h"
#include "recsim/FaultPlan.h"
#include "recsim/Wire.h"

namespace recsim {

// One request as the server received it.
struct LogEntry {
  std::chrono::system_clock::time_point time;
  Link link = Link::Tcp;
  std::uint32_t connection = 0;
  std::uint16_t transactionId = 0;
  std::uint8_t unit = 0;
  std::uint8_t function = 0;
  std::vector<std::uint8_t> data;
  // RTU: the line settings the client had given the serial side when the request came.
  std::optional<SerialLineSettings> line;
};

// "2026-12-10 09:58:41.123 tcp conn=1 tid=5 unit=1 fn=0x68 data=01 00 ..."; an RTU request
// also shows its line settings ("line=9600-8N1") before the data.
std::string FormatLogEntry(const LogEntry& entry);

// The simulated recorder's wire: Modbus TCP, Modbus UDP and Modbus RTU on a
// pseudo-terminal, served by one thread. Each link turns its bytes into requests with
// its own framing (Framing.h); every request then goes one way: logged, routed to the
// device that hears it, counted off against the fault plan, answered by the handler of
// its function, and framed and misshaped as the faults say (FaultPlan.h). The loop
// knows links only as endpoints (a descriptor and what to do when it is readable) and
// devices only through DeviceFor, so a listener of another kind or a line shared by
// several devices adds to one of the two and leaves the rest as it is.
class Server {
public:
  explicit Server(HandlerTable handlers = DefaultHandlers());
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Listen on 127.0.0.1 (or any address) before Start; port 0 takes a free one. They
  // return the port.
  std::uint16_t ListenTcp(std::uint16_t port = 0, bool anyAddress = false);
  std::uint16_t ListenUdp(std::uint16_t port = 0, bool anyAddress = false);
  // The Ethernet discovery: answers the discovery request with the device's reply
  // (Discovery.h). Listens on 127.0.0.1 and on the loopback broadcast address
  // 127.255.255.255 (or on any address), on one port; returns it.
  std::uint16_t ListenDiscovery(std::uint16_t port = 0, bool anyAddress = false);
  // A pseudo-terminal pair; returns the path a client opens as its serial port.
  std::string OpenRtu();
  // Line settings the client gave the serial side: the pseudo-terminal's, or the probe's.
  SerialLineSettings RtuLineSettings() const;

  // Another device on the serial line, answering at `unit` (the first one answers at
  // its Device::unit); set it up through WithDeviceAt. A request for a unit no device
  // has goes unanswered.
  void AddLineDevice(std::uint8_t unit);
  // The devices on the serial line hear only requests sent with these settings: on
  // another baud rate, parity or stop bits a request is noise to them and goes
  // unanswered (it is logged all the same). A pseudo-terminal shows its baud rate and
  // stop bits but not its parity (it reads as none); a test that needs the parity gives
  // its own source of the client's settings with SetRtuLineProbe.
  void AnswerOnlyAt(SerialLineSettings settings);
  void SetRtuLineProbe(std::function<SerialLineSettings()> probe);

  void Start();
  void Stop();

  void AddFault(const Fault& fault);
  void ClearFaults();

  std::vector<LogEntry> Log() const;
  void ClearLog();
  // Waits until the log holds at least `count` requests; false after `timeoutMs`.
  bool WaitForLog(std::size_t count, int timeoutMs) const;
  // Waits until at least `count` replies have gone out (the late reply of a test).
  bool WaitForReplies(std::size_t count, int timeoutMs) const;
  // Called on the server thread for every request (kestrel-recsim prints them).
  void SetLogSink(std::function<void(const LogEntry&)> sink);

  // Runs `f` on the device with the server's lock held.
  template <typename F>
  auto WithDevice(F&& f)
  {
    std::lock_guard lock(mutex_);
    return f(device_);
  }
  // Runs `f` on the serial line's device at `unit` (std::out_of_range when none).
  template <typename F>
  auto WithDeviceAt(std::uint8_t unit, F&& f)
  {
    std::lock_guard lock(mutex_);
    return f(LineDevice(unit));
  }

private:
  using Writer = std::function<void(const std::uint8_t*, std::size_t)>;
  struct Connection {
    Socket socket;
    std::vector<std::uint8_t> buffer;
  };
  // The serial line: what has been heard of the request under way, and when.
  struct RtuLine {
    std::unique_ptr<PseudoTerminal> pty;
    std::vector<std::uint8_t> heard;
    std::chrono::steady_clock::time_point lastByte;
  };
  // A descriptor the loop waits on and what to do when it is readable.
  struct Endpoint {
    int fd;
    std::function<void()> serve;
  };

  void Run();
  std::vector<Endpoint> Endpoints();
  void AcceptTcp();
  // False when the connection is to be closed.
  bool ServeTcp(std::uint32_t id, Connection& connection);
  void ServeUdp();
  void ServeDiscovery(Socket& socket);
  void ServeRtu();
  void WriteRtu(const std::uint8_t* data, std::size_t size);

  // Logs the request, lets the device it is for answer, and shapes the reply. `line`:
  // the serial line's settings for an RTU request.
  Outgoing Dispatch(Request request, std::optional<SerialLineSettings> line = std::nullopt);
  // With the lock held.
  void LogLocked(LogEntry entry);
  // The device that hears a request, or none (another unit on the serial line, or a
  // request sent with line settings the devices do not use).
  Device* DeviceFor(const Request& request, const std::optional<SerialLineSettings>& line);
  Device& LineDevice(std::uint8_t unit);
  // Sends the reply: after its delay, in its copies and pieces.
  void Deliver(const Outgoing& out, const Writer& write);

  mutable std::mutex mutex_;
  mutable std::condition_variable logged_;
  HandlerTable handlers_;
  Device device_;
  std::map<std::uint8_t, Device> lineDevices_;  // the others on the serial line, by unit
  std::optional<SerialLineSettings> answerOnlyAt_;
  std::function<SerialLineSettings()> lineProbe_;
  FaultPlan faults_;
  std::vector<LogEntry> log_;
  std::size_t repliesSent_ = 0;
  std::function<void(const LogEntry&)> sink_;

  Event stop_;
  std::thread thread_;
  Socket tcpListener_;
  Socket udp_;
  std::vector<Socket> discovery_;
  RtuLine rtu_;
  std::map<std::uint32_t, Connection> connections_;
  std::uint32_t nextConnection_ = 1;
  std::map<std::pair<std::uint32_t, std::uint16_t>, std::uint32_t> udpPeers_;
};

}  // namespace recsim
