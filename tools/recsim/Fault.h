#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace recsim {

// A misbehaviour of the simulated recorder, applied to the replies of matching
// requests. The handler still runs (a chunk whose reply is lost was stored all the
// same); the fault then shapes what goes on the wire.
struct Fault {
  enum class Kind {
    Delay,               // answer after `milliseconds`
    Silence,             // no answer
    BadCrc,              // RTU: last CRC byte flipped
    StaleTransactionId,  // TCP/UDP: the previous request's transaction id
    WrongTransactionId,  // TCP/UDP: an id no request had
    WrongUnit,           // unit + 1
    WrongFunction,       // another function code
    ExceptionReply,      // Modbus exception `code` instead of the reply
    Truncate,            // only the first `bytes` bytes of the frame
    Oversize,            // `bytes` extra bytes after the frame
    Duplicate,           // the frame sent twice (a duplicated datagram on UDP)
    CloseConnection,     // TCP: close the connection instead of answering
    ResetConnection,     // TCP: reset it (RST) instead of answering
    SplitReply,          // first `bytes` bytes, a gap of `milliseconds`, the rest
    RawReply,            // `raw` instead of the reply (RTU: CRC appended when appendCrc)
  };

  Kind kind = Kind::Silence;
  int function = -1;  // -1: any function
  int unit = -1;      // -1: any unit (a serial line may carry several devices)
  int times = 1;      // matching requests it applies to; -1: all
  int skip = 0;       // matching requests let through first
  std::uint32_t milliseconds = 0;
  std::uint8_t code = 0;
  std::size_t bytes = 0;
  std::vector<std::uint8_t> raw;
  bool appendCrc = true;

  static Fault Of(Kind kind, int times = 1)
  {
    Fault fault;
    fault.kind = kind;
    fault.times = times;
    return fault;
  }
  Fault& OnFunction(int value) { function = value; return *this; }
  Fault& OnUnit(int value) { unit = value; return *this; }
  Fault& After(int requests) { skip = requests; return *this; }
  Fault& Ms(std::uint32_t value) { milliseconds = value; return *this; }
  Fault& Bytes(std::size_t value) { bytes = value; return *this; }
  Fault& Code(std::uint8_t value) { code = value; return *this; }
  Fault& Raw(std::vector<std::uint8_t> value, bool crc = true) { raw = std::move(value); appendCrc = crc; return *this; }
};

}  // namespace recsim
