#pragma once

#include <cstdint>
#include <functional>
#include <string>

class TRegInfo;

namespace Registrator {

class TRegConfigOp;

// Asked by the login when the recorder wants a password for a level and none is
// remembered. On entry the level holds the requested level, the password is empty and
// remember is false. The callee fills the password (8-bit code page bytes), may change
// the level (the exchange then uses the new one) and sets remember to keep the password
// until the program exits. False abandons the login. An empty function counts as unset.
using TRegPasswordRequestEvent = std::function<bool(TRegConfigOp* op, TRegInfo* info, std::int32_t& level,
                                                    std::string& password, bool& remember)>;

}  // namespace Registrator
