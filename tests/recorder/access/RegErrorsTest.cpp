#include <gtest/gtest.h>

#include <functional>

#include "recorder/access/RegErrors.h"
#include "support/RecorderLink.h"

using namespace Registrator;

namespace {

struct ErrorCase {
  const char* name;
  std::function<void()> raise;
  const char* message;
};

TEST(RegErrors, MessagesAreSourceThenDetailText)
{
  const ErrorCase cases[] = {
      {"old version shows three numbers of each word",
       [] { throw EMBUnsupportedOldVersion("src", 0x01020500, 0x01030000); },
       "src: Регистратор имеет версию ПО 1.2.5\r\nПрограмма поддерживает работу с регистраторами версий от 1.3.0 "
       "включительно.\r\nДля работы с регистратором требуется обновление программы."},
      {"new version names the highest",
       [] { throw EMBUnsupportedNewVersion("src", 0x010A1500, 0x010A14FF); },
       "src: Регистратор имеет версию ПО 1.10.21\r\nПрограмма поддерживает работу с регистраторами версий до 1.10.20 "
       "включительно.\r\nДля работы с регистратором требуется обновление программы."},
      {"unsupported version shows all four numbers", [] { throw EMBUnsupportedVersion("src", 0x01080300); },
       "src: Неподдерживаемая версия 1.8.3.0"},
      {"internal error quotes its tag", [] { throw EMBInternalError("src", "!ps"); }, "src: Ошибка \"!ps\""},
      {"general login error quotes its tag", [] { throw EMBAuthGeneralError("src", "auth error 4"); },
       "src: Ошибка авторизации: \"auth error 4\""},
      {"bad access level", [] { throw EMBAuthUserError("src"); }, "src: Ошибка авторизации: некорректный уровень доступа"},
      {"wrong password", [] { throw EMBAuthPasswordError("src"); },
       "src: Ошибка авторизации: в доступе отказано (неверный пароль)"},
      {"unsupported device with its texts", [] { throw EMBUnsupportedDevice("src", "\nLumetra\nLumetra-R8"); },
       "src: Неподдерживаемое устройство\r\n\nLumetra\nLumetra-R8"},
      {"plain detail", [] { throw ERegConfigOp("src", "detail"); }, "src: detail"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW_MSG(c.raise(), ERegConfigOp, c.message);
  }
}

TEST(RegErrors, NewVersionIsCaughtAsEveryAncestor)
{
  auto raise = [] { throw EMBUnsupportedNewVersion("src", 0x02020400, 0x0201A0FF); };
  EXPECT_THROW(raise(), EMBUnsupportedVersion);
  EXPECT_THROW(raise(), EMBUnsupportedDevice);
  EXPECT_THROW(raise(), ERegConfigOp);
  EXPECT_THROW(raise(), ModbusMaster::EMBDeviceError);
  EXPECT_THROW(raise(), ModbusMaster::EMBError);
  EXPECT_THROW(raise(), Exception);
}

}  // namespace
