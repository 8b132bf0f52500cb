#include "recsim/LoginHandlers.h"

#include <algorithm>

#include "recsim/Device.h"
#include "recsim/RecorderHandlers.h"

namespace recsim {
namespace {

constexpr std::uint8_t kFunctionLogin = 0x6E;
constexpr std::uint8_t kFunctionInputRegisters = 0x04;
constexpr std::uint16_t kRegisterLevelsProtected = 75;
constexpr std::uint16_t kRegisterLevelsOpen = 76;
constexpr std::size_t kRequestStep = 1;

Response HandleLogin(Device& device, const Request& request)
{
  LoginState& login = Login(device);
  std::vector<std::uint8_t> reply = login.srp.HandleRequest(request.data);
  std::size_t step = request.data.size() > kRequestStep ? request.data[kRequestStep] : login.cutReply.size();
  if (step < login.cutReply.size() && login.cutReply[step])
    reply.resize(std::min(reply.size(), *login.cutReply[step]));
  return Response::Reply(std::move(reply));
}

// Brings 75 and 76 up to date with the login before the register handler reads them.
Handler WithLoginRegisters(Handler inputRegisters)
{
  return [inputRegisters](Device& device, const Request& request) {
    const SrpServer& srp = Login(device).srp;
    std::uint16_t protectedLevels = srp.ProtectedLevels();
    std::uint16_t openLevels = srp.OpenLevels();
    if (protectedLevels || openLevels) {
      auto& registers = Recorder(device).inputRegisters;
      registers[kRegisterLevelsProtected] = protectedLevels;
      registers[kRegisterLevelsOpen] = openLevels;
    }
    return inputRegisters ? inputRegisters(device, request) : Response::Exception(kIllegalFunction);
  };
}

}  // namespace

LoginState& Login(Device& device) { return device.Extension<LoginState>(); }

void RegisterLoginHandlers(HandlerTable& table)
{
  table.Register(kFunctionLogin, HandleLogin);
  Handler inputRegisters = table.Register(kFunctionInputRegisters, {});
  table.Register(kFunctionInputRegisters, WithLoginRegisters(std::move(inputRegisters)));
}

}  // namespace recsim
