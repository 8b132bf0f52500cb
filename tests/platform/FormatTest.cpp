#include <gtest/gtest.h>

#include "platform/Exception.h"
#include "platform/Format.h"
#include "platform/LoadStr.h"

TEST(Format, ConversionsTable)
{
  struct Case {
    const char* name;
    std::string got;
    const char* expected;
  };
  const Case cases[] = {
      {"s", Format("%s: %s", "COM3", std::string("x")), "COM3: x"},
      {"d negative", Format("%d", -42), "-42"},
      {"u of negative int is its 32-bit image", Format("%u", -1), "4294967295"},
      {"x", Format("%x", 0xBEEFu), "beef"},
      {"08X", Format("%08X", 0x2Au), "0000002A"},
      {"0x%08X of a 64-bit value", Format("0x%08X", std::uint64_t{0x1234}), "0x00001234"},
      {"zero pad after sign", Format("%05d", -42), "-0042"},
      {"left", Format("[%-4s]", "ab"), "[ab  ]"},
      {"width", Format("[%4d]", 7), "[   7]"},
      {"precision of int", Format("%.3d", 7), "007"},
      {"star precision f", Format("%.*f", 2, 3.14159), "3.14"},
      {"indexed", Format("%1:s-%0:u", 5u, "a"), "a-5"},
      {"indexed then sequential", Format("%1:s %s", "a", "b", "c"), "b c"},
      {"repeated index", Format("%0:u.%0:u", 3u), "3.3"},
      {"percent", Format("100%%"), "100%"},
      {"char", Format("%c", 'Q'), "Q"},
      {"cyrillic", Format("Ошибка: %s", "нет"), "Ошибка: нет"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.got, c.expected);
  }
}

TEST(Format, MismatchRaises)
{
  EXPECT_THROW(Format("%d", "text"), Exception);
  EXPECT_THROW(Format("%s", 5), Exception);
  EXPECT_THROW(Format("%s %s", "one"), Exception);
  EXPECT_THROW(Format("%"), Exception);
}

TEST(LoadStr, UnknownNumberIsEmpty)
{
  EXPECT_EQ(LoadStr(-12345), "");
}
