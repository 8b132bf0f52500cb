#include "recsim/FaultPlan.h"

#include <algorithm>

#include "recsim/Framing.h"

namespace recsim {

AppliedFaults FaultPlan::Take(const Request& request)
{
  AppliedFaults applied;
  for (auto& fault : faults_) {
    if (fault.times == 0 || (fault.function >= 0 && fault.function != request.function)) continue;
    if (fault.unit >= 0 && fault.unit != request.unit) continue;
    if (fault.skip > 0) {
      --fault.skip;
      continue;
    }
    if (fault.times > 0) --fault.times;
    applied.faults.push_back(fault);
  }
  std::erase_if(faults_, [](const Fault& fault) { return fault.times == 0; });

  // Before any request, one that came just before this one.
  applied.staleTransactionId = lastTransactionId_ && *lastTransactionId_ != request.transactionId
                                   ? *lastTransactionId_
                                   : static_cast<std::uint16_t>(request.transactionId - 1);
  lastTransactionId_ = request.transactionId;
  return applied;
}

Outgoing ShapeReply(const Request& request, Response response, const AppliedFaults& applied)
{
  Outgoing out;
  std::uint8_t function = request.function;
  std::uint8_t unit = request.unit;
  std::uint16_t transactionId = request.transactionId;
  // What is answered, and whether at all.
  for (const auto& fault : applied.faults) {
    switch (fault.kind) {
      case Fault::Kind::Silence: return out;
      case Fault::Kind::CloseConnection: out.close = true; return out;
      case Fault::Kind::ResetConnection: out.close = out.reset = true; return out;
      case Fault::Kind::ExceptionReply: response = Response::Exception(fault.code); break;
      case Fault::Kind::WrongUnit: unit = static_cast<std::uint8_t>(unit + 1); break;
      case Fault::Kind::WrongFunction: function = static_cast<std::uint8_t>(function ^ 0x01); break;
      case Fault::Kind::StaleTransactionId: transactionId = applied.staleTransactionId; break;
      case Fault::Kind::WrongTransactionId: transactionId = static_cast<std::uint16_t>(transactionId ^ 0x8000); break;
      default: break;
    }
  }
  if (response.kind == Response::Kind::Silence) return out;
  const std::vector<std::uint8_t> pdu = ReplyPdu(function, response);
  out.frame = request.link == Link::Rtu ? RtuFrame(unit, pdu) : MbapFrame(transactionId, unit, pdu);

  // How the frame reaches the wire.
  for (const auto& fault : applied.faults) {
    switch (fault.kind) {
      case Fault::Kind::BadCrc:
        if (request.link == Link::Rtu && !out.frame.empty()) out.frame.back() ^= 0xFF;
        break;
      case Fault::Kind::RawReply:
        out.frame = fault.raw;
        if (request.link == Link::Rtu && fault.appendCrc) AppendRtuCrc(out.frame);
        break;
      case Fault::Kind::Truncate: out.frame.resize(std::min(fault.bytes, out.frame.size())); break;
      case Fault::Kind::Oversize: out.frame.insert(out.frame.end(), fault.bytes, 0xA5); break;
      case Fault::Kind::Duplicate: out.copies = 2; break;
      case Fault::Kind::Delay: out.delayMs += fault.milliseconds; break;
      case Fault::Kind::SplitReply:
        out.splitAt = fault.bytes;
        out.splitGapMs = fault.milliseconds;
        break;
      default: break;
    }
  }
  out.send = true;
  return out;
}

}  // namespace recsim
