#include "app/PasswordPrompt.h"

#include <string.h>

#include "app/Prompts.h"
#include "app/RegPasswordDialog.h"
#include "app/Synchronize.h"
#include "app/WorkThread.h"
#include "platform/Format.h"

namespace {

void Wipe(std::string& text)
{
  explicit_bzero(text.data(), text.size());
  text.clear();
}

// The one place the typed password becomes the device's 8-bit form.
// CODEC: replace the body by the platform's UTF-8 -> code page 1251 conversion once it
// lands. Until then the text passes byte for byte, which is that conversion exactly for
// what the dialog accepts (the space to 'z'); anything else becomes '?', as the code
// page's unmappable characters do.
std::string PasswordToCodePage(const std::string& utf8)
{
  std::string bytes;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      bytes += static_cast<char>(c);
    } else if ((c & 0xC0) != 0x80) {
      bytes += '?';  // the lead byte of a multi-byte character
    }
  }
  return bytes;
}

}  // namespace

std::string PasswordDeviceText(const std::string& shortName, std::uint32_t serialNumber)
{
  return Format("%s №%u", shortName, serialNumber);
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
  PasswordAnswer answer{PasswordToCodePage(reply->password), reply->remember};
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
