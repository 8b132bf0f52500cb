#include "recsim/Framing.h"

#include "platform/Bytes.h"

namespace recsim {
namespace {

// MBAP: transaction id (0), protocol id (2), length of what follows (4), unit (6),
// function (7), data (8); big-endian.
constexpr std::size_t kMbapHeader = 6;
constexpr std::size_t kMbapMinBody = 2;  // unit and function
constexpr std::size_t kRtuMinFrame = 4;  // unit, function, CRC

}  // namespace

std::uint16_t RtuCrc16(std::span<const std::uint8_t> bytes)
{
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? static_cast<std::uint16_t>(crc >> 1 ^ 0xA001) : crc >> 1;
  }
  return crc;
}

FrameCut CutMbapFrame(std::span<const std::uint8_t> stream)
{
  if (stream.size() < kMbapHeader) return {};
  const std::size_t body = ByteReader(stream).u16be(4);
  if (body < kMbapMinBody || body > kMaxMbapBody) return {FrameCut::Status::Garbage, stream.size()};
  if (stream.size() < kMbapHeader + body) return {};
  return {FrameCut::Status::Whole, kMbapHeader + body};
}

FrameCut CutRtuFrame(std::span<const std::uint8_t> heard)
{
  if (heard.size() > kMaxRtuFrame) return {FrameCut::Status::Garbage, heard.size()};
  if (heard.size() < kRtuMinFrame) return {};
  const std::uint16_t crc = ByteReader(heard).u16(heard.size() - 2);
  if (RtuCrc16(heard.first(heard.size() - 2)) != crc) return {};
  return {FrameCut::Status::Whole, heard.size()};
}

bool IsMbapDatagram(std::span<const std::uint8_t> datagram)
{
  const FrameCut cut = CutMbapFrame(datagram);
  return cut.status == FrameCut::Status::Whole && cut.length == datagram.size();
}

Request ReadMbapRequest(std::span<const std::uint8_t> frame, Link link, std::uint32_t connection)
{
  const ByteReader in(frame, "MBAP frame");
  Request request;
  request.link = link;
  request.connection = connection;
  request.transactionId = in.u16be(0);
  request.unit = in.u8(6);
  request.function = in.u8(7);
  request.data.assign(frame.begin() + 8, frame.end());
  return request;
}

Request ReadRtuRequest(std::span<const std::uint8_t> frame)
{
  const ByteReader in(frame, "RTU frame");
  Request request;
  request.link = Link::Rtu;
  request.unit = in.u8(0);
  request.function = in.u8(1);
  const auto data = in.span(2, frame.size() - kRtuMinFrame);
  request.data.assign(data.begin(), data.end());
  return request;
}

std::vector<std::uint8_t> ReplyPdu(std::uint8_t function, const Response& response)
{
  switch (response.kind) {
    case Response::Kind::Reply: {
      std::vector<std::uint8_t> pdu{function};
      pdu.insert(pdu.end(), response.data.begin(), response.data.end());
      return pdu;
    }
    case Response::Kind::Exception: return {static_cast<std::uint8_t>(function | 0x80), response.exceptionCode};
    case Response::Kind::Silence: break;
  }
  return {};
}

std::vector<std::uint8_t> MbapFrame(std::uint16_t transactionId, std::uint8_t unit, std::span<const std::uint8_t> pdu)
{
  std::vector<std::uint8_t> frame;
  ByteAppender out(frame);
  out.u16be(transactionId);
  out.u16be(0);  // protocol: Modbus
  out.u16be(static_cast<std::uint16_t>(pdu.size() + 1));
  out.u8(unit);
  out.bytes(pdu);
  return frame;
}

std::vector<std::uint8_t> RtuFrame(std::uint8_t unit, std::span<const std::uint8_t> pdu)
{
  std::vector<std::uint8_t> frame{unit};
  frame.insert(frame.end(), pdu.begin(), pdu.end());
  AppendRtuCrc(frame);
  return frame;
}

void AppendRtuCrc(std::vector<std::uint8_t>& frame) { ByteAppender(frame).u16(RtuCrc16(frame)); }

}  // namespace recsim
