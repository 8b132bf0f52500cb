#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/info/InfoTestSupport.h"
#include "recorder/info/VersionWord.h"

namespace {

TEST(TextField, ReadingStopsAtTheZeroOrAtN)
{
  std::vector<std::uint8_t> full(32, 'A');
  std::string text = "old";
  FieldToString(full, 31, text);
  EXPECT_EQ(text, std::string(31, 'A'));

  const std::vector<std::uint8_t> cyrillic{0xCF, 0xE5, 0xF7, 0xFC, 0, 'x'};
  FieldToString(cyrillic, 5, text);
  EXPECT_EQ(text, "Печь");

  FieldToString(cyrillic, 0, text);
  EXPECT_EQ(text, "Печь") << "n <= 0 leaves the text alone";

  std::string raw;
  FieldToAnsiString(cyrillic, 5, raw);
  EXPECT_EQ(raw, "\xCF\xE5\xF7\xFC");
}

TEST(TextField, WritingCutsToNAndTerminates)
{
  std::vector<std::uint8_t> field(32, 0xEE);
  StringToField(std::string(40, 'n'), field, 31);
  EXPECT_EQ(std::string(field.begin(), field.begin() + 31), std::string(31, 'n'));
  EXPECT_EQ(field[31], 0);

  std::vector<std::uint8_t> name(8, 0);
  StringToField("мА€☺", name, 7);  // ☺ is not in the code page
  EXPECT_EQ(name, Hex("EC C0 88 3F 00 00 00 00"));
}

TEST(TextField, Byte0x98SurvivesARoundTrip)
{
  const std::vector<std::uint8_t> field{0x98, 'a', 0x98, 0};
  std::string text;
  FieldToString(field, 3, text);
  std::vector<std::uint8_t> back(4, 0xEE);
  StringToField(text, back, 3);
  EXPECT_EQ(back, field);
}

TEST(TextField, AnsiStringFillsNBytesWithoutATerminatorWhenFull)
{
  std::vector<std::uint8_t> field(64, 0xEE);
  AnsiStringToField(std::string(63, 'x'), field, 63);
  EXPECT_EQ(std::string(field.begin(), field.begin() + 63), std::string(63, 'x'));
  EXPECT_EQ(field[63], 0xEE) << "nothing past n";

  AnsiStringToField(std::string(10, 'y'), field, 63);
  EXPECT_EQ(std::string(field.begin(), field.begin() + 10), std::string(10, 'y'));
  EXPECT_EQ(std::vector<std::uint8_t>(field.begin() + 10, field.begin() + 63), std::vector<std::uint8_t>(53, 0));
}

TEST(EnumAndClamps, CheckEnumValue)
{
  TStringList list;
  EXPECT_EQ(CheckEnumValue(3, list), 0u) << "empty list";
  list.Add("a", 4);
  list.Add("b", 7);
  EXPECT_EQ(CheckEnumValue(7, list), 7u);
  EXPECT_EQ(CheckEnumValue(5, list), 4u) << "the first item's value";
}

TEST(EnumAndClamps, ClampsCompareSignedBytes)
{
  EXPECT_EQ(ClampToLast(200, 10), 200);
  EXPECT_EQ(ClampToLast(12, 10), 9);
  EXPECT_EQ(ClampToLast(9, 10), 9);
  EXPECT_EQ(ClampToZero(10, 10), 0);
  EXPECT_EQ(ClampToZero(0xF0, 2), 0xF0);
  EXPECT_EQ(ClampToDefault(2, 2, 0), 0);
  EXPECT_EQ(ClampToDefault(1, 2, 0), 1);
}

struct JobCodeCase {
  const char* name;
  std::uint32_t version;
  std::uint8_t byte;
  std::uint16_t code;
};

TEST(EventJobCode, DecodeAndEncodeByFirmware)
{
  // Pairs that go both ways.
  const JobCodeCase cases[] = {
      {"1.4 byte 2", MakeVersion(1, 4, 0), 0x02, 0x0002},
      {"1.4 byte 7: class 4, parameter 4", MakeVersion(1, 4, 0), 0x07, 0x0404},
      {"1.5 nibbles", MakeVersion(1, 5, 0), 0x3A, 0x0A03},
      {"1.8 byte 0x9A: class 11, parameter 2", MakeVersion(1, 8, 0), 0x9A, 0x020B},
      {"1.9 byte 0x75: class 20, parameter 5", MakeVersion(1, 9, 0), 0x75, 0x0514},
      {"1.9 byte 0x80: class 21", MakeVersion(1, 9, 0), 0x80, 0x0015},
      {"1.9 class 21 parameter 3", MakeVersion(1, 9, 0), 0x83, 0x0315},
      {"1.9 class 11 parameter 1", MakeVersion(1, 9, 0), 0x99, 0x010B},
      {"1.10 class 25 (13 in the byte)", MakeVersion(1, 10, 5), 0xAA, 0x0219},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeEventJobCode(c.version, c.byte), c.code);
    EXPECT_EQ(EncodeEventJobCode(c.version, c.code), c.byte);
  }
}

TEST(EventJobCode, OneByteFormsThatDoNotComeBack)
{
  // Classes 20-23 written natively (bytes 0xE0-0xFF) read as the renumbered 7-10, so
  // they are written back as those bytes: the firmware's own numbering loses them.
  EXPECT_EQ(DecodeEventJobCode(MakeVersion(1, 9, 0), 0xE5), 0x0514);
  EXPECT_EQ(EncodeEventJobCode(MakeVersion(1, 9, 0), 0x0514), 0x75);
  // 1.3-1.4: any class above 2 is the parameter + 3.
  EXPECT_EQ(EncodeEventJobCode(MakeVersion(1, 3, 0), 0x0209), 0x05);
  // The parameter is OR-ed in unmasked.
  EXPECT_EQ(EncodeEventJobCode(MakeVersion(1, 6, 0), 0x1201), 0x12 | 0x10);
}

TEST(EventJobCode, OneByteFormsOutsideTheFirstLineAreRefused)
{
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([] { DecodeEventJobCode(MakeVersion(1, 2, 9), 0); }),
            MakeVersion(1, 2, 9));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([] { DecodeEventJobCode(MakeVersion(2, 0, 0), 0); }),
            MakeVersion(2, 0, 0));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([] { EncodeEventJobCode(MakeVersion(2, 1, 5), 1); }),
            MakeVersion(2, 1, 5));
}

TEST(EventJobCode, ConversionAbove2_1_80)
{
  const struct {
    std::uint16_t code;
    std::uint16_t converted;
    std::uint32_t a, b;
  } cases[] = {
      {0x0500, 0x0000, 0, 0},  // class 0: parameter cleared
      {0x0501, 0x0000, 2, 0},  {0x0002, 0x0000, 1, 0},  {0x0304, 0x0305, 0, 1}, {0x0308, 0x0309, 0, 1},
      {0x040F, 0x0410, 0, 1},  {0x0715, 0x0716, 0, 1},  {0x070E, 0x000E, 0, 0}, {0x0913, 0x0013, 0, 0},
      {0x011A, 0x001A, 0, 0},  {0x011B, 0x001B, 0, 0},  {0x0203, 0x0203, 0, 0}, {0x0217, 0x0217, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    std::uint16_t code = c.code;
    std::uint32_t a = 0, b = 0;
    ConvertEventJobCodeAbove2_1_80(code, a, b);
    EXPECT_EQ(code, c.converted);
    EXPECT_EQ(a, c.a);
    EXPECT_EQ(b, c.b);
    std::uint16_t again = code;
    ConvertEventJobCodeAbove2_1_80(again, a, b);
    EXPECT_EQ(again, code) << "a converted code stays";
  }
}

TEST(EventJobCode, HeaderFieldsTravelWithTheCodes)
{
  std::uint8_t header = 0x03;  // kind 3, no fields
  std::uint16_t first = 0x0501, second = 0x0308;
  ConvertEventJobCodesInHeader(header, first, second);
  EXPECT_EQ(header, 0x63);
  EXPECT_EQ(first, 0x0000);
  EXPECT_EQ(second, 0x0309);
}

}  // namespace
