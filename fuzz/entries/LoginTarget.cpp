// login: the device login of the recorder access layer, TRegConfigOp::Authorize, over
// a transport that answers each request with the next scripted reply: the level
// registers and both replies of the SRP-6 exchange, with what the password cache
// holds afterwards checked.

#include <algorithm>

#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "ScriptedTransport.h"
#include "recorder/access/PasswordCache.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/access/RegErrors.h"
#include "recorder/info/RegInfo.h"

namespace fuzzing {
namespace {

using namespace Registrator;

constexpr std::uint32_t kFeaturePassword = 1u << 16;

std::string Remembered(const TAuthKey& key)
{
  TPasswordText password;
  return FetchPassword(key, password) ? std::string(password.View()) : std::string();
}

}  // namespace

void FuzzLoginSecret(std::span<std::uint8_t, 128> secret)
{
  std::fill(secret.begin(), secret.end(), 0);
  secret[124] = 0x35;  // the last word's low byte: a = 53
}

LoginCase LoginCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  LoginCase c;
  c.flags = in.u8();
  c.line = static_cast<std::int8_t>(in.u8());
  c.model = in.u8();
  c.serial = in.u32();
  c.replies = DecodeReplies(in);
  return c;
}

std::vector<std::uint8_t> LoginCase::Encode() const
{
  FuzzWriter out;
  out.u8(flags).u8(static_cast<std::uint8_t>(line)).u8(model).u32(serial);
  EncodeReplies(out, replies);
  return out.bytes();
}

bool FuzzLogin(std::span<const std::uint8_t> input)
{
  LoginCase c = LoginCase::Decode(input);
  ScriptedTransport transport(ScriptedTransport::InOrder(c.replies));
  return RunLogin(transport, c);
}

bool RunLogin(ModbusMaster::CBaseModbus& transport, const LoginCase& c)
{
  // The cache lives as long as the process: every run starts from the case's own.
  ClearPasswordCache();
  TRegInfo info;
  info.Features = kFeaturePassword;
  info.DeviceLine = static_cast<std::uint8_t>(c.line);
  info.ModelCode = c.model;
  info.SerialNumber = c.serial;
  const TAuthKey key{static_cast<std::uint32_t>(c.Level()), c.line, c.model, c.serial};
  if (c.flags & LoginCase::kRemembered) StorePassword(key, kFuzzPassword);
  const std::string before = Remembered(key);

  bool asked = false;
  auto request = [&](TRegConfigOp*, TRegInfo*, std::int32_t& level, std::string& password, bool& remember) {
    asked = true;
    if (c.flags & LoginCase::kUserCancels) return false;
    if (c.flags & LoginCase::kOtherLevel) level = 3 - level;
    password = kFuzzPassword;
    remember = (c.flags & LoginCase::kRemember) != 0;
    return true;
  };
  TRegConfigOp operations;
  bool loggedIn;
  try {
    loggedIn = operations.Authorize(transport, 1, c.Level(), info, request, FuzzLoginSecret);
  } catch (const ERegConfigOp& e) {
    // A refusal by the device may forget the password; nothing else may change.
    if (!Remembered(key).empty() && Remembered(key) != before) Finding("a refused login changed the remembered password");
    return Refused(e);
  } catch (const Exception& e) {
    if (Remembered(key) != before) Finding("a communication error changed the remembered password: " + e.Message());
    return Refused(e);
  }
  const std::string after = Remembered(key);
  if (!loggedIn) {
    if (after != before) Finding("an abandoned login changed the remembered password");
  } else if (asked && (c.flags & LoginCase::kRemember) && !(c.flags & LoginCase::kUserCancels)) {
    if (after != kFuzzPassword) Finding("a login the user asked to remember left no password");
  } else if (after != before) {
    Finding("a login changed a password nobody asked to remember");
  }
  return loggedIn;
}

}  // namespace fuzzing
