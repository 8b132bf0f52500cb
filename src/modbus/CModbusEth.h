#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "modbus/CBaseModbus.h"
#include "platform/Socket.h"

namespace ModbusMaster {

// Modbus TCP or Modbus UDP with the MBAP header, configured from a connection URL
// ("10.0.0.5", "mbtcp://host:502", "mbudp://host:1502"). Connects on the first
// request; a failed exchange is tried again up to MaxRetries times with a fresh
// transaction id after a pause of a second. Socket failures and time-outs are not
// retried: a recorder that does not answer on Ethernet is gone.
class CModbusEth : public CBaseModbus {
public:
  enum TMode : std::int32_t { ModeTcp = 0, ModeUdp = 1 };

  CModbusEth() = default;
  ~CModbusEth() override;

  bool IsOpen() const override { return socket_.IsValid(); }
  void Open() override;
  void Close() override;
  bool Disconnect() override;
  void Execute(std::uint8_t unit, TBaseModbusMessage& message) override;
  const char* ProtocolName() const override;
  std::string Description(std::uint8_t unit) const override;
  bool ResolveAddress(const std::string& url, std::uint32_t& address) override;

  // Chooses TCP or UDP by the URL's scheme (none or "mbtcp", "mbudp"; exact case) and
  // keeps URL, host and port (502 when none; only a decimal 1-65535 is a port). An
  // open connection is kept until closed.
  virtual void SetParams(const std::string& url);

  TMode Mode() const { return mode_; }
  const std::string& Host() const { return host_; }
  std::uint32_t Port() const { return port_; }
  const SocketAddress& PeerAddress() const { return peer_; }

  // The IPv4 address (host byte order) of a host name or dotted text, 0 when it
  // does not resolve; an empty host is this computer.
  static std::uint32_t ResolveHostAddress(const std::string& host);

  // Pause between two attempts of one request.
  static constexpr int kRetryPauseMs = 1000;

private:
  // Outcome of one attempt: 0 accepted, else the text number it failed with.
  using AttemptCode = int;
  AttemptCode ExchangeTcp(std::uint8_t unit, TBaseModbusMessage& message, std::size_t total);
  AttemptCode ExchangeUdp(std::uint8_t unit, TBaseModbusMessage& message, std::size_t total);

  // The socket steps: every wait watches the cancel event and lasts at most the
  // request's timeout (never below 100 ms); a failure closes the connection.
  bool SendAll(const std::uint8_t* data, std::size_t size);
  bool ReceiveExactly(std::uint8_t* data, std::size_t size);
  std::size_t ReceiveOne(std::uint8_t* data, std::size_t size);
  void WaitSocket(WaitFor what, int stringId);
  [[noreturn]] void FailSocket(int stringId, int code);

  TMode mode_ = ModeTcp;
  std::string host_;
  std::uint32_t port_ = 502;
  std::uint32_t waitTimeout_ = 0;
  Socket socket_;
  SocketAddress peer_;
  std::uint32_t received_ = 0;  // bytes received in the current attempt
  // TCP bytes read from the socket but not yet taken by a frame. Reading what is
  // there in one call, rather than header and body apart, saves a system call per
  // exchange; the stream's bytes are consumed exactly as with separate reads.
  std::array<std::uint8_t, 2 * (kMbapHeaderSize + kMaxAduBody)> stream_{};
  std::size_t streamStart_ = 0;
  std::size_t streamEnd_ = 0;
};

}  // namespace ModbusMaster
