#include <gtest/gtest.h>

#include "platform/LoadStr.h"
#include "recorder/info/VantorException.h"
#include "support/ExpectThrowMsg.h"

namespace {

const char* const kText1521For123And2_1_160 =
    "Регистратор имеет версию ПО 1.2.3\r\n"
    "Программа поддерживает работу с регистраторами версий до 2.1.160 включительно.\r\n"
    "Для работы с регистратором требуется обновление программы.";

TEST(VantorException, Messages)
{
  struct Case {
    const char* name;
    std::string message;
    const char* expected;
  } const cases[] = {
      {"newer than the newest, both shown in three numbers",
       EVantorUnsupportedNewVer(0x01020304, 0x0201A0FF).Message(), kText1521For123And2_1_160},
      {"older: text 1523", EVantorUnsupportedOldVer(0x01020000).Message(),
       "Неподдерживаемая версия ПО 1.2.0\r\nДля работы с регистратором требуется обновление программы."},
      {"newer without a limit: text 1523", EVantorUnsupportedNewVer(0x0201A1FF).Message(),
       "Неподдерживаемая версия ПО 2.1.161\r\nДля работы с регистратором требуется обновление программы."},
      {"plain version: text 1523", EVantorVersion(0x0A0B0C0D).Message(),
       "Неподдерживаемая версия ПО 10.11.12\r\nДля работы с регистратором требуется обновление программы."},
      {"version with its own text", EVantorVersion(0x02000000, "своя причина").Message(), "своя причина"},
      {"check number in braces", EVantorInvalid(5190).Message(), "{5190}"},
      {"check number 0", EVantorInvalid(0u).Message(), "{0}"},
      {"transfer function text", EVantorInvalid(StringId{1631}, "AI 3", 7u).Message(),
       "Конфигурация AI 3: некорректная передаточная функция (7)"},
      {"protocol text", EVantorInvalid(StringId{1632}, "AI 1", 12u).Message(),
       "Конфигурация AI 1: некорректный протокол (12)"},
      {"string without arguments is taken as it is", EVantorInvalid(StringId{1630}).Message(),
       "Конфигурация %s: некорректный тип сигнала (%u)"},
      {"base with text", EVantorException("текст").Message(), "текст"},
      {"base with string and arguments", EVantorException(StringId{1522}, 1u, 9u, 0u, 2u, 1u, 160u).Message(),
       "Конфигурация имеет версию 1.9.0\r\nПодключенный регистратор имеет версию ПО 2.1.160\r\n"
       "Запись конфигурации с несовпадающей версией не поддерживается."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.message, c.expected);
  }
}

TEST(VantorException, VersionTravelsWithTheThrownCopy)
{
  try {
    throw EVantorUnsupportedNewVer(0x01020304, 0x0201A0FF);
  } catch (const EVantorVersion& e) {
    EXPECT_EQ(e.Version(), 0x01020304u);  // the newest is shown, not kept
    EXPECT_EQ(e.Message(), kText1521For123And2_1_160);
  }
}

// Which of the family's handlers, tried in the order a caller writes them, takes each
// exception.
enum class Handler { OldVer, NewVer, Version, Invalid, Family, Base };

template <typename E>
Handler Catcher(const E& thrown)
{
  try {
    throw thrown;
  } catch (const EVantorUnsupportedOldVer&) {
    return Handler::OldVer;
  } catch (const EVantorUnsupportedNewVer&) {
    return Handler::NewVer;
  } catch (const EVantorVersion&) {
    return Handler::Version;
  } catch (const EVantorInvalid&) {
    return Handler::Invalid;
  } catch (const EVantorException&) {
    return Handler::Family;
  } catch (const Exception&) {
    return Handler::Base;
  }
}

template <typename E>
bool CaughtAs(const E& thrown, Handler handler)
{
  try {
    throw thrown;
  } catch (const EVantorVersion&) {
    return handler == Handler::Version;
  } catch (const EVantorException&) {
    return handler == Handler::Family;
  }
}

TEST(VantorException, CatchHierarchy)
{
  EXPECT_EQ(Catcher(EVantorUnsupportedOldVer(0x01020000)), Handler::OldVer);
  EXPECT_EQ(Catcher(EVantorUnsupportedNewVer(0x0201A100)), Handler::NewVer);
  EXPECT_EQ(Catcher(EVantorVersion(0x0201A100)), Handler::Version);
  EXPECT_EQ(Catcher(EVantorInvalid(1)), Handler::Invalid);
  EXPECT_EQ(Catcher(EVantorException("x")), Handler::Family);

  // A version error reaches a version handler and, without one, the family's handler.
  EXPECT_TRUE(CaughtAs(EVantorUnsupportedOldVer(0x01020000), Handler::Version));
  EXPECT_TRUE(CaughtAs(EVantorUnsupportedNewVer(0x0201A100, 0x0201A0FF), Handler::Version));
  // An invalid record is no version error.
  EXPECT_TRUE(CaughtAs(EVantorInvalid(5190), Handler::Family));
  // The guards that catch "any error of ours" see all of them.
  EXPECT_THROW_MSG(throw EVantorInvalid(42), Exception, "{42}");
}

TEST(VantorException, TableHoldsTheSeries)
{
  // No check raises these two, but they belong to the table with the others.
  EXPECT_EQ(LoadStr(1630), "Конфигурация %s: некорректный тип сигнала (%u)");
  EXPECT_EQ(LoadStr(1522),
            "Конфигурация имеет версию %u.%u.%u\r\nПодключенный регистратор имеет версию ПО %u.%u.%u\r\n"
            "Запись конфигурации с несовпадающей версией не поддерживается.");
}

}  // namespace
