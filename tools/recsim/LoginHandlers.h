#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "recsim/SrpServer.h"
#include "recsim/Wire.h"

namespace recsim {

class Device;

// The password login of the simulated recorder: the SRP-6 server of each protected
// level behind function 0x6E, and input registers 75 (levels that want a password) and
// 76 (levels a good login opened) as the server sees them.
struct LoginState {
  SrpServer srp;
  // Cut a step's reply data (0x6E, after the function code) to this many bytes: 0
  // leaves the function code alone. The step itself runs as usual.
  std::array<std::optional<std::size_t>, 2> cutReply;
};

// Login(device).srp.SetPassword(level, password) protects a level (and closes it until a
// good login); CloseLevels closes every level again.
LoginState& Login(Device& device);

// 0x6E, and 75/76 over the input registers the table already serves (register after
// RegisterRecorderHandlers). While no level is protected or open, 75 and 76 read as
// the register map holds them, so a test can still set them by hand.
void RegisterLoginHandlers(HandlerTable& table);

}  // namespace recsim
