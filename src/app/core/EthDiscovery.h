#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Socket.h"

// Finding recorders on the local Ethernet segment: one small UDP request to the
// broadcast address, and every recorder that hears it answers with a datagram that
// describes it. The socket is non-blocking; the window that shows the rows watches
// SocketFd() and calls ReadReplies() when it is readable, so nothing here waits.

inline constexpr std::uint16_t kDiscoveryPort = 2363;
inline constexpr std::uint32_t kDiscoveryBroadcast = 0xFFFFFFFF;  // 255.255.255.255
inline constexpr std::size_t kDiscoveryRequestSize = 24;
inline constexpr std::size_t kDiscoveryReplyHeaderSize = 40;
// A reply is read into this much; the rest of a longer datagram is cut off.
inline constexpr std::size_t kMaxDiscoveryDatagram = 1500;

// The request, all fields u32 little-endian:
//
//   offset  value
//    0      1
//    4      24, the request's length
//    8      21
//   12      0x0201A0FF, the release 2.1.160 as an upper bound
//   16      3
//   20      tick: the millisecond tick at sending, echoed by the replies
std::vector<std::uint8_t> BuildDiscoveryRequest(std::uint32_t tick);

// What an accepted reply tells; its texts converted from code page 1251.
struct DiscoveryReply {
  std::uint32_t ModelCode = 0;
  std::uint32_t Version1 = 0;
  std::uint32_t Version2 = 0;
  std::uint16_t ReplyValue = 0;
  std::string StringA;
  std::string StringB;
};

// A reply, little-endian:
//
//   offset  size  content                     accepted when
//    0      4     1                           it is 1
//    4      4     length                      at least 40
//    8      4     recorder model code         a recorder's (IsRecorderTypeCode)
//   12      4     first version word          not 0
//   16      4     second version word
//   20      2     reply value
//   22      10    not read
//   32      4     the request's tick          the last request's
//   36      1     flags: bit 0 string A follows, bit 1 string B follows
//   37      3     not read
//   40      ...   string A, then string B,    each lies within the datagram
//                 as flagged: u8 length n, n bytes in code page 1251
//
// Nothing for a datagram that fails any condition or is shorter than 40 bytes.
std::optional<DiscoveryReply> ParseDiscoveryReply(std::span<const std::uint8_t> datagram, std::uint32_t requestTick);

// The row's description: string B, string A, then "v" and the two version words as
// four numbers each, the parts present joined by " / ".
std::string DescribeDiscoveryReply(const DiscoveryReply& reply);

// One recorder the discovery listed.
struct EthScanResultItem {
  std::string Address;           // the sender's dotted IPv4 address
  std::uint32_t ReplyValue = 0;  // carried along, not used
  std::uint8_t Flag = 1;
  std::string Name;              // string B when it is not empty, else string A

  bool operator==(const EthScanResultItem&) const = default;
};

struct DiscoveryRow {
  EthScanResultItem Item;
  std::string Description;
};

// Where the request goes: the broadcast address on port 2363, unless the environment
// variable names another IPv4 address and port (a trial on a development machine stays
// on loopback: 127.0.0.1 or 127.255.255.255).
inline constexpr const char* kDiscoveryTargetVariable = "KESTREL_DISCOVERY_TARGET";

struct DiscoveryTarget {
  SocketAddress Endpoint{kDiscoveryBroadcast, kDiscoveryPort};
  // Set when the setting was not understood: a scan then sends nothing and raises this,
  // rather than falling back to the broadcast address the setting meant to avoid.
  std::string Error;

  // "a.b.c.d" (port 2363) or "a.b.c.d:port".
  static DiscoveryTarget Parse(std::string_view text);
  // kDiscoveryTargetVariable when it is set and not empty, else the broadcast address.
  static DiscoveryTarget FromEnvironment();
};

class EthDiscovery {
public:
  using TickSource = std::function<std::uint32_t()>;

  // tick: the millisecond tick counter (by default the monotonic clock's).
  explicit EthDiscovery(DiscoveryTarget target = {}, TickSource tick = {});

  // Sends one request, making the socket first when there is none (UDP, broadcasts
  // allowed, bound to any address and a port the system chooses). Raises EOSError when
  // the system refuses, Exception when the target was not understood. Every scan carries
  // a new tick, so answers to an earlier one are ignored.
  void Scan();

  // Reads every datagram queued and examines each; the rows of the accepted ones, which
  // are also appended to Rows(). A receive failure ends the reading without a message.
  std::vector<DiscoveryRow> ReadReplies();

  // -1 while there is no socket.
  int SocketFd() const { return socket_.IsValid() ? socket_.Fd() : -1; }
  // The next scan makes a new socket on a new port.
  void CloseSocket() noexcept { socket_.Close(); }

  // Rows stay until cleared: a recorder that answers two scans is listed twice.
  const std::vector<DiscoveryRow>& Rows() const { return rows_; }
  void ClearRows() { rows_.clear(); }

  const DiscoveryTarget& Target() const { return target_; }
  std::uint32_t RequestTick() const { return tick_; }

private:
  DiscoveryTarget target_;
  TickSource tickSource_;
  Socket socket_;
  std::uint32_t tick_ = 0;
  bool sent_ = false;
  std::vector<DiscoveryRow> rows_;
};
