#include "app/core/PasswordPrompt.h"

#include <string.h>

#include "app/core/Prompts.h"
#include "app/core/Synchronize.h"
#include "app/core/WorkThread.h"
#include "platform/Cp1251.h"
#include "platform/Format.h"

namespace {

void Wipe(std::string& text)
{
  explicit_bzero(text.data(), text.size());
  text.clear();
}

}  // namespace

std::string PasswordDeviceText(const std::string& shortName, std::uint32_t serialNumber)
{
  return Format("%s №%u", shortName, serialNumber);
}

std::string AccessLevelText(int level)
{
  switch (level) {
  case 1: return "Запись конфигурации";
  case 2: return "Управление выходами";
  default: return "?";
  }
}

std::optional<PasswordAnswer> ShowPasswordDialog(Prompts& prompts, QWidget* owner, const PasswordSubject& subject,
                                                 std::int32_t level)
{
  PasswordRequest request;
  request.connection = subject.connection;
  request.device = subject.device;
  request.user = AccessLevelText(level);
  request.maxLength = 15;
  auto reply = prompts.Password(owner, request);
  if (!reply) return std::nullopt;
  // The device takes the password in its 8-bit code page.
  PasswordAnswer answer{Utf8ToAnsi(reply->password), reply->remember};
  Wipe(reply->password);
  return answer;
}

bool RequestPassword(TWorkThread& worker, Prompts& prompts, QWidget* owner, const PasswordSubject& subject,
                     std::int32_t& level, std::string& password, bool& remember)
{
  worker.PostText("Авторизация");
  // Filled on the GUI thread while this thread waits in the synchronous call.
  std::optional<PasswordAnswer> answer;
  const std::int32_t requested = level;
  Synchronize([&] { answer = ShowPasswordDialog(prompts, owner, subject, requested); });
  if (!answer) return false;
  password = std::move(answer->password);
  remember = answer->remember;
  return true;
}
