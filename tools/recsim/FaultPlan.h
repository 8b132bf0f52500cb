#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "recsim/Fault.h"
#include "recsim/Wire.h"

namespace recsim {

// The faults that apply to one request, in the order they were asked for.
struct AppliedFaults {
  std::vector<Fault> faults;
  // The id a stale reply carries: the previous request's.
  std::uint16_t staleTransactionId = 0;
};

// What goes on the wire for one request, after the faults had their say.
struct Outgoing {
  bool send = false;
  bool close = false;  // TCP: close the connection instead
  bool reset = false;  // ... with a reset (RST), not the orderly FIN
  std::vector<std::uint8_t> frame;
  int copies = 1;
  std::uint32_t delayMs = 0;
  std::size_t splitAt = 0;  // 0: in one piece
  std::uint32_t splitGapMs = 0;
};

// Which fault applies to which request: a fault matches a request of its function and
// unit (or any), lets `skip` of them through, then applies to `times` of them (-1: for good) and
// is dropped when used up. The plan also remembers the last transaction id, which a
// stale reply reuses.
class FaultPlan {
public:
  void Add(const Fault& fault) { faults_.push_back(fault); }
  void Clear() { faults_.clear(); }

  // Counts the request off against every fault; call once per request the device hears.
  AppliedFaults Take(const Request& request);

private:
  std::vector<Fault> faults_;
  std::optional<std::uint16_t> lastTransactionId_;
};

// The frame of the handler's response to the request on its link, misshaped by the
// applied faults. Pure: the server loop only carries it out.
Outgoing ShapeReply(const Request& request, Response response, const AppliedFaults& applied);

}  // namespace recsim
