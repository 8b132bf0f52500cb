#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace recsim {

class Device;

// Discovery: the Ethernet discovery request, which is no Modbus request (logged only).
enum class Link { Tcp, Udp, Rtu, Discovery };

const char* LinkName(Link link);

// One request as the dispatcher hands it to a handler.
struct Request {
  Link link = Link::Tcp;
  std::uint32_t connection = 0;     // TCP: one per accepted connection; UDP: one per peer; RTU: 0
  std::uint16_t transactionId = 0;  // RTU: 0
  std::uint8_t unit = 0;
  std::uint8_t function = 0;
  std::vector<std::uint8_t> data;   // the PDU after the function code
};

// What a handler answers: the data of a normal reply (the dispatcher puts the
// request's function in front), a Modbus exception, or nothing at all.
struct Response {
  enum class Kind { Reply, Exception, Silence };

  static Response Reply(std::vector<std::uint8_t> data) { return {Kind::Reply, std::move(data), 0}; }
  static Response Exception(std::uint8_t code) { return {Kind::Exception, {}, code}; }
  static Response Silence() { return {Kind::Silence, {}, 0}; }

  Kind kind = Kind::Silence;
  std::vector<std::uint8_t> data;
  std::uint8_t exceptionCode = 0;
};

// Modbus exception codes the handlers use.
inline constexpr std::uint8_t kIllegalFunction = 1;
inline constexpr std::uint8_t kIllegalDataAddress = 2;
inline constexpr std::uint8_t kIllegalDataValue = 3;
inline constexpr std::uint8_t kServerFailure = 4;

// A handler runs on the server's thread with the device locked; it may change the
// device and answers one request.
using Handler = std::function<Response(Device& device, const Request& request)>;

// Handlers by function code. A module registers its functions; a later module may
// take a function over and keep the previous handler to fall back on (a function
// code whose requests come in two shapes, such as 0x69 record files and 0x69 blobs).
class HandlerTable {
public:
  // Returns the handler that was registered for the function before (empty if none).
  Handler Register(std::uint8_t function, Handler handler);
  const Handler* Find(std::uint8_t function) const;

private:
  std::map<std::uint8_t, Handler> handlers_;
};

// Every module of the simulated recorder, registered in one place: a new module adds
// its Register...Handlers call to DefaultHandlers (Handlers.cpp).
HandlerTable DefaultHandlers();

}  // namespace recsim
