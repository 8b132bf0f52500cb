#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "recsim/Wire.h"

// The bytes of the simulated recorder's three Modbus links: MBAP frames on TCP and
// UDP, unit + PDU + CRC on the serial line. Pure functions, so a test can hold them
// against fixed byte vectors without a socket. The CRC is computed here, apart from
// the program's own, so that a CRC fault the program made could not pass the tests by
// being made the same way on both ends.
namespace recsim {

// MBAP length field (unit + PDU) above this is not a request: the peer is out of step.
inline constexpr std::size_t kMaxMbapBody = 1452;
// 256 bytes of unit and PDU, then the CRC.
inline constexpr std::size_t kMaxRtuFrame = 258;

// CRC-16/MODBUS (reflected 0xA001, start 0xFFFF), bit by bit. The frame carries it
// low byte first.
std::uint16_t RtuCrc16(std::span<const std::uint8_t> bytes);

// Where the bytes at the front of a receive buffer stand.
struct FrameCut {
  enum class Status {
    NeedMore,  // no whole frame yet
    Whole,     // the first `length` bytes are one frame
    Garbage,   // they can never become a frame: drop them (TCP: the connection)
  };
  Status status = Status::NeedMore;
  std::size_t length = 0;
};

// The TCP stream: the first frame is as long as its MBAP header says.
FrameCut CutMbapFrame(std::span<const std::uint8_t> stream);
// The serial line has no length field: what was heard is one request once its CRC
// checks (the master waits for the reply before it sends again).
FrameCut CutRtuFrame(std::span<const std::uint8_t> heard);
// A UDP datagram is one frame or nothing.
bool IsMbapDatagram(std::span<const std::uint8_t> datagram);

// The request in one whole frame (as cut above). `connection` numbers the peer.
Request ReadMbapRequest(std::span<const std::uint8_t> frame, Link link, std::uint32_t connection);
Request ReadRtuRequest(std::span<const std::uint8_t> frame);

// The PDU of a handler's answer: the function and the reply data, or the function with
// bit 7 set and the exception code. A silence has no PDU (empty).
std::vector<std::uint8_t> ReplyPdu(std::uint8_t function, const Response& response);

std::vector<std::uint8_t> MbapFrame(std::uint16_t transactionId, std::uint8_t unit, std::span<const std::uint8_t> pdu);
std::vector<std::uint8_t> RtuFrame(std::uint8_t unit, std::span<const std::uint8_t> pdu);
void AppendRtuCrc(std::vector<std::uint8_t>& frame);

}  // namespace recsim
