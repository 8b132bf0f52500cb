#include <gtest/gtest.h>

#include "platform/Cp1251.h"

// Byte vectors from Python's cp1251 codec.
namespace {
const char kAlphabet[] =
    "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя";
const char kAlphabet1251[] =
    "\xc0\xc1\xc2\xc3\xc4\xc5\xa8\xc6\xc7\xc8\xc9\xca\xcb\xcc\xcd\xce\xcf\xd0\xd1\xd2\xd3\xd4\xd5\xd6\xd7\xd8\xd9"
    "\xda\xdb\xdc\xdd\xde\xdf\xe0\xe1\xe2\xe3\xe4\xe5\xb8\xe6\xe7\xe8\xe9\xea\xeb\xec\xed\xee\xef\xf0\xf1\xf2\xf3"
    "\xf4\xf5\xf6\xf7\xf8\xf9\xfa\xfb\xfc\xfd\xfe\xff";
}  // namespace

TEST(Cp1251, AlphabetBothWays)
{
  EXPECT_EQ(Utf8ToCp1251(kAlphabet), kAlphabet1251);
  EXPECT_EQ(Cp1251ToUtf8(kAlphabet1251), kAlphabet);
}

TEST(Cp1251, CharactersOutsideTheAlphabet)
{
  struct Case {
    const char* utf8;
    const char* cp1251;
  };
  const Case cases[] = {
      {"318К v2.1.66.21/h2.4", "318\xca v2.1.66.21/h2.4"},  // Cyrillic capital Ka
      {"318K", "318K"},                                      // Latin K
      {"€", "\x88"},   {"№", "\xb9"},  {"Ґґ", "\xa5\xb4"}, {"—–", "\x97\x96"},
      {"«»", "\xab\xbb"}, {"\u00a0", "\xa0"}, {"Ђђ", "\x80\x90"}, {"™", "\x99"},
      {"\"'\\;", "\"'\\;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251);
    EXPECT_EQ(Cp1251ToUtf8(c.cp1251), c.utf8);
  }
}

TEST(Cp1251, UnmappableAndMalformedBecomeQuestionMarks)
{
  struct Case {
    const char* name;
    std::string utf8;
    std::string cp1251;
  };
  const Case cases[] = {
      {"CJK", "a中b", "a?b"},
      {"outside the BMP", "\xF0\x9F\x98\x80", "?"},
      {"Latin e acute", "é", "?"},
      {"modifier circumflex", "ˆ", "?"},
      {"stray continuation", "\x80", "?"},
      {"invalid lead", "\xFF" "a", "?a"},
      {"truncated at the end", "a\xD0", "a?"},
      {"truncated before ASCII", "\xE2\x82" "x", "??x"},
      {"overlong slash", "\xC0\xAF", "??"},
      {"surrogate", "\xED\xA0\x80", "???"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "????"},
      {"NUL kept", std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251);
  }
}

TEST(Cp1251, EveryByteSurvivesARoundTrip)
{
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
  // The one byte the page leaves undefined stands for the C1 control of its number, so
  // a device name holding it comes back unchanged.
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xC2\x98");
  EXPECT_EQ(Utf8ToCp1251("\xC2\x98"), "\x98");
}
