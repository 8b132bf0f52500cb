#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
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
};

// "2026-12-10 09:58:41.123 tcp conn=1 tid=5 unit=1 fn=0x68 data=01 00 ..."
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
  // A pseudo-terminal pair; returns the path a client opens as its serial port.
  std::string OpenRtu();
  // Line settings the client gave the serial side.
  SerialLineSettings RtuLineSettings() const;

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
  void ServeRtu();
  void WriteRtu(const std::uint8_t* data, std::size_t size);

  // Logs the request, lets the device it is for answer, and shapes the reply.
  Outgoing Dispatch(Request request);
  // The device that hears a request, or none (another unit on the serial line).
  Device* DeviceFor(const Request& request);
  // Sends the reply: after its delay, in its copies and pieces.
  void Deliver(const Outgoing& out, const Writer& write);

  mutable std::mutex mutex_;
  mutable std::condition_variable logged_;
  HandlerTable handlers_;
  Device device_;
  FaultPlan faults_;
  std::vector<LogEntry> log_;
  std::size_t repliesSent_ = 0;
  std::function<void(const LogEntry&)> sink_;

  Event stop_;
  std::thread thread_;
  Socket tcpListener_;
  Socket udp_;
  RtuLine rtu_;
  std::map<std::uint32_t, Connection> connections_;
  std::uint32_t nextConnection_ = 1;
  std::map<std::pair<std::uint32_t, std::uint16_t>, std::uint32_t> udpPeers_;
};

}  // namespace recsim
