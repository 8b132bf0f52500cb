// The device login: whether the recorder wants a password for a level, where the
// password comes from (the process-wide cache or the user), and the two steps of the
// SRP-6 exchange over vendor function 0x6E.
#include <algorithm>
#include <array>
#include <string>

#include "modbus/MBErrors.h"
#include "modbus/ModbusMessage.h"
#include "platform/Bytes.h"
#include "platform/SystemRandom.h"
#include "recorder/access/RegCommands.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/access/RegErrors.h"
#include "recorder/access/SecureWipe.h"
#include "recorder/info/RegInfo.h"

namespace Registrator {
namespace {

constexpr std::uint32_t kFeaturePassword = 1u << 16;  // the device has a login at all
constexpr std::uint16_t kRegisterLevelsProtected = 75;  // bit (level - 1): wants a password; 76 follows: already open
constexpr std::uint8_t kFunctionLogin = 0x6E;
// Both steps cost the device a 1024-bit exponentiation; a short transport time-out
// chosen for plain reads must not cut them off.
constexpr std::uint32_t kLoginReplyTimeoutMs = 4000;

// Request data, counted from the byte after the function code; 134 bytes in both steps.
constexpr std::size_t kRequestMarker = 0;  // always 1
constexpr std::size_t kRequestStep = 1;
constexpr std::size_t kRequestUser = 2;    // U: the login level, u32 little-endian
constexpr std::size_t kRequestA = 6;       // step 0: A's image
constexpr std::size_t kRequestM1 = 6;      // step 1: M1 over A's first 32 bytes, the rest of A stays
constexpr std::size_t kRequestSize = kRequestA + Srp::ImageSize;

// Reply data.
constexpr std::size_t kReplyStatus = 0;
constexpr std::size_t kReplySalt = 5;  // step 0
constexpr std::size_t kReplyB = 9;     // step 0
constexpr std::size_t kReplyM2 = 9;    // step 1
constexpr std::size_t kStep0ReplySize = kReplyB + Srp::ImageSize;
constexpr std::size_t kStep1ReplySize = kReplyM2 + Srp::DigestSize;

// Step statuses; any other is an error of the device's own.
constexpr std::uint8_t kStatusContinue = 0;
constexpr std::uint8_t kStatusBadLevel = 1;
constexpr std::uint8_t kStatusWrongPassword = 2;  // step 1 only

std::uint16_t LevelBit(std::int32_t level) { return static_cast<std::uint16_t>(1u << (level - 1)); }

// The callback's text, wiped however the login ends.
struct TypedPassword {
  std::string text;
  ~TypedPassword() { WipeBytes(text.data(), text.size()); }
};

// A step's status. A reply without one, or a status 0 reply shorter than the fields
// of its step, is a wrong reply: its missing bytes would otherwise be read from
// whatever the buffer held (zeros, or the step 0 reply) and turn a good remembered
// password into a "wrong" one that the device never refused.
std::uint8_t StepStatus(const ModbusMaster::TBaseModbusMessage& message, std::size_t fullSize,
                        const std::string& source)
{
  ByteReader reply = message.Reply.DataReader();
  if (reply.size() > kReplyStatus) {
    std::uint8_t status = reply.u8(kReplyStatus);
    if (status != kStatusContinue || reply.size() >= fullSize) return status;
  }
  throw ModbusMaster::EMBCommError(source, ModbusMaster::kTextWrongReply, {std::uint32_t(message.Reply.Length())});
}

}  // namespace

// Every way out wipes the password: it lives in a TPasswordText, the callback's copy
// in a TypedPassword, the exchange's secrets in the SrpClientContext. Only a refusal
// by the device (or a device proof we cannot accept) forgets a remembered password;
// a communication error or a cancel leaves the cache alone.
bool TRegConfigOp::Authorize(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, std::int32_t level,
                             TRegInfo& info, const TRegPasswordRequestEvent& onPasswordRequest,
                             const SrpSecretSource& secret)
{
  const std::string source = transport.Description(unit);
  if (level != 1 && level != 2) throw EMBInternalError(source, "auth error 3");
  if (!(info.Features & kFeaturePassword)) return true;

  ModbusMaster::TModbusCommand4 levels(kRegisterLevelsProtected, 2);
  transport.Execute(unit, levels);
  const std::uint16_t bit = LevelBit(level);
  if (!(levels.Register(0) & bit) || (levels.Register(1) & bit)) return true;
  if (!onPasswordRequest) throw EMBInternalError(source, "auth needed");

  // Keyed by the level asked for, whatever level the user then logs in at.
  const TAuthKey key{static_cast<std::uint32_t>(level), static_cast<std::int8_t>(info.DeviceLine),
                     static_cast<std::uint8_t>(info.ModelCode), info.SerialNumber};
  TPasswordText password;
  std::int32_t loginLevel = level;
  bool remember = false;
  if (!FetchPassword(key, password)) {
    TypedPassword typed;
    if (!onPasswordRequest(this, &info, loginLevel, typed.text, remember)) return false;
    password.Assign(typed.text);
    if (!password.IsAcceptable()) throw EMBInternalError(source, "!ps");
  }

  std::array<std::uint8_t, 4> user;  // U
  ByteWriter(user, "login user").u32(0, static_cast<std::uint32_t>(loginLevel));
  std::array<std::uint8_t, kRequestSize> request{};
  request[kRequestMarker] = 1;
  request[kRequestStep] = 0;
  SrpClientContext context;
  try {
    std::span<std::uint8_t, 4> outUser(&request[kRequestUser], 4);
    std::span<std::uint8_t, Srp::ImageSize> outA(&request[kRequestA], Srp::ImageSize);
    if (secret)
      SrpClientStart(context, user, outUser, outA, secret);
    else
      SrpClientStart(context, user, outUser, outA);
  } catch (const ESystemRandom&) {
    // A secret the system could not make unpredictable would let anyone who recorded
    // the exchange guess the password offline: no login rather than a weak one. The
    // device refused nothing, so a remembered password stays.
    throw EMBAuthGeneralError(source, "auth error 2");
  }

  ModbusMaster::TBaseModbusMessage message;
  message.SetRequest(kFunctionLogin, request);
  message.ReplyTimeout = std::max(transport.ReplyTimeout(), kLoginReplyTimeoutMs);
  message.MaxRetries = 3;
  transport.Execute(unit, message);
  switch (StepStatus(message, kStep0ReplySize, source)) {
    case kStatusContinue: break;
    case kStatusBadLevel: ErasePassword(key); throw EMBAuthUserError(source);
    default: ErasePassword(key); throw EMBInternalError(source, "auth error 1");
  }

  ByteReader reply0 = message.Reply.DataReader();
  if (!SrpClientComputeProof(context, user, password.View(), reply0.span(kReplySalt, 4).first<4>(),
                             reply0.span(kReplyB, Srp::ImageSize).first<Srp::ImageSize>())) {
    ErasePassword(key);
    throw EMBAuthGeneralError(source, "auth error 2");
  }

  SrpClientGetProof(context, std::span<std::uint8_t, Srp::DigestSize>(&request[kRequestM1], Srp::DigestSize));
  request[kRequestStep] = 1;
  message.SetRequest(kFunctionLogin, request);
  transport.Execute(unit, message);
  switch (StepStatus(message, kStep1ReplySize, source)) {
    case kStatusContinue: break;
    case kStatusBadLevel: ErasePassword(key); throw EMBAuthUserError(source);
    case kStatusWrongPassword: ErasePassword(key); throw EMBAuthPasswordError(source);
    default: ErasePassword(key); throw EMBInternalError(source, "auth error 3");
  }

  ByteReader reply1 = message.Reply.DataReader();
  if (!SrpClientVerifyServerProof(context, reply1.span(kReplyM2, Srp::DigestSize).first<Srp::DigestSize>())) {
    ErasePassword(key);
    throw EMBAuthGeneralError(source, "auth error 4");
  }

  if (remember) StorePassword(key, password.View());
  return true;
}

}  // namespace Registrator
