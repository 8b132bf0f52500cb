#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "platform/Cp1251.h"
#include "recorder/config/RegCPConfig.h"
#include "recorder/info/InfoTestSupport.h"
#include "recorder/info/VersionWord.h"
#include "support/ExpectThrowMsg.h"

// Records come from vectors/streams.py (streams.txt).

namespace {

using Item = TRegCPConfig::TRegCPConfigItem;

// Firmware an update may meet: first and second line, the newest, the 2.2 branch.
const std::uint32_t kVersions[] = {MakeVersion(1, 6, 0),   MakeVersion(2, 0, 16), MakeVersion(2, 1, 100),
                                   MakeVersion(2, 1, 160), MakeVersion(2, 2, 1),  MakeVersion(2, 2, 3, 255)};

std::vector<std::uint8_t> Written(const TRegCPConfig& cp, std::uint32_t version)
{
  std::vector<std::uint8_t> out;
  EXPECT_EQ(cp.WriteRecord(version, out), TRegCPConfig::kRecordSize);
  return out;
}

// The plain error of the block, which is no member of the configuration error family.
template <typename F>
void ExpectInvalidConfiguration(F&& statement)
{
  try {
    statement();
    ADD_FAILURE() << "nothing raised";
  } catch (const EVantorException& e) {
    ADD_FAILURE() << "a configuration error: " << e.Message();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid configuration");
  }
}

std::vector<std::uint8_t> Record(std::vector<std::uint8_t> bytes, std::size_t size = TRegCPConfig::kRecordSize)
{
  bytes.resize(size, 0);
  return bytes;
}

}  // namespace

TEST(CPRecord, IndependentVectorsReadAndWriteBackByteForByte)
{
  const struct {
    const char* name;
    std::vector<Item> items;
  } cases[] = {
      {"cp_empty", {}},
      {"cp_items",
       {{1, 1, 0, Utf8ToCp1251("Вход")}, {3, 7, 2, ""}, {255, 0, 1, Utf8ToCp1251("Котёл №1")}}},
      {"cp_full", {{2, 4, 1, std::string(20, 'y')}, {5, 6, 0, std::string(216, 'x')}}},
  };
  for (const auto& c : cases) {
    for (std::uint32_t version : kVersions) {
      SCOPED_TRACE(std::string(c.name) + " at " + VersionToText(version));
      const auto& record = RecordVector("streams", c.name);
      TRegCPConfig cp;
      cp.Items.resize(3);  // replaced by the read
      cp.ReadRecord(version, record);
      EXPECT_EQ(cp.Format, 1u);
      EXPECT_EQ(cp.Items, c.items);
      EXPECT_EQ(Written(cp, version), record);
    }
  }
}

TEST(CPRecord, RecordSizeAndVersions)
{
  const struct {
    std::uint32_t version;
    std::uint32_t size;
  } sizes[] = {{MakeVersion(1, 4, 9), 0},  {MakeVersion(1, 5, 3), 0},   {MakeVersion(1, 6, 0), 250},
               {kSecondLineUpTo, 250},     {MakeVersion(2, 1, 161), 0}, {MakeVersion(2, 2, 3, 255), 250},
               {MakeVersion(2, 2, 4), 0}};
  for (const auto& c : sizes) {
    SCOPED_TRACE(VersionToText(c.version));
    EXPECT_EQ(TRegCPConfig::RecordSize(c.version), c.size);
  }

  TRegCPConfig cp;
  cp.Items = {{1, 1, 0, "a"}};
  std::vector<std::uint8_t> out;
  EXPECT_EQ(cp.WriteRecord(MakeVersion(1, 5, 3), out), 0u) << "1.5 has no record";
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { cp.WriteRecord(MakeVersion(1, 4, 9), out); }),
            MakeVersion(1, 4, 9));
  for (std::uint32_t refused : {MakeVersion(2, 1, 161), MakeVersion(2, 2, 4)}) {
    SCOPED_TRACE(VersionToText(refused));
    EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { cp.WriteRecord(refused, out); }), refused);
    EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { cp.ReadRecord(refused, Record({1})); }), refused);
  }

  // Below 1.6 nothing is read, before any look at the record.
  cp.ReadRecord(MakeVersion(1, 5, 3), std::vector<std::uint8_t>{1, 0, 1});
  EXPECT_TRUE(cp.Items.empty());
  EXPECT_EQ(CheckOf([&] { cp.ReadRecord(MakeVersion(2, 1, 100), std::vector<std::uint8_t>{1, 0, 0}); }), 12254);
}

TEST(CPRecord, AFormatOtherThan1ReadsAsAnEmptyList)
{
  for (std::uint8_t format : {0, 2, 0xFF}) {
    SCOPED_TRACE(format);
    TRegCPConfig cp;
    cp.Format = 7;
    cp.ReadRecord(MakeVersion(2, 1, 100), Record({format, 0, 1, 0, 1, 1, 0, 0, 0}));
    EXPECT_EQ(cp.Format, 1u);
    EXPECT_TRUE(cp.Items.empty());
  }
}

TEST(CPRecord, ATextIsCutAtAZeroWhileItsLengthCountsItAll)
{
  TRegCPConfig cp;
  cp.ReadRecord(MakeVersion(2, 1, 100), Record({1, 0, 2, 0, 4, 5, 1, 4, 'A', 'B', 0, 'C', 0, 6, 7, 2, 1, 'D', 0}));
  EXPECT_EQ(cp.Items, (std::vector<Item>{{4, 5, 1, "AB"}, {6, 7, 2, "D"}}));

  // Written with the whole length, the copy ends at the zero.
  cp.Items = {{4, 5, 1, std::string("AB\0C", 4)}};
  EXPECT_EQ(Written(cp, MakeVersion(2, 1, 100)), Record({1, 0, 1, 0, 4, 5, 1, 4, 'A', 'B', 0, 0, 0}));
}

TEST(CPRecord, ContentsThatDoNotFitAreRefusedWithThePlainError)
{
  const struct {
    const char* name;
    std::vector<std::uint8_t> record;
    std::size_t itemsKept;
  } cases[] = {
      {"a kind above 2", Record({1, 0, 1, 0, 1, 1, 3, 0, 0}), 0},
      {"no zero after the text", Record({1, 0, 1, 0, 1, 1, 0, 2, 'A', 'B', 'C'}), 0},
      {"an item past the 246 payload bytes of a longer record", Record({1, 0, 1, 0, 1, 1, 0, 242}, 300), 0},
      {"the second item past the payload", [] {
         auto r = Record({1, 0, 2, 0, 1, 1, 0, 236});  // 241 bytes, 5 left
         r[245] = 1;
         r[246] = 1;
         r[248] = 1;  // L = 1: 6 bytes
         return r;
       }(), 1},
      {"an item's header past a short record is not read", {1, 0, 3, 0, 1, 1, 0, 0, 0, 1}, 1},
      {"an item's text past a short record", {1, 0, 1, 0, 1, 1, 0, 5, 'A'}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegCPConfig cp;
    ExpectInvalidConfiguration([&] { cp.ReadRecord(MakeVersion(2, 1, 100), c.record); });
    EXPECT_EQ(cp.Items.size(), c.itemsKept) << "the items before the failing one stay";
  }
}

TEST(CPRecord, ItemsFillTheRecordExactlyAndNoFurther)
{
  TRegCPConfig cp;
  cp.Items = {{2, 4, 1, std::string(20, 'y')}, {5, 6, 0, std::string(216, 'x')}};
  EXPECT_EQ(Written(cp, MakeVersion(2, 1, 100)), RecordVector("streams", "cp_full"));
  cp.Items.back().Text += 'x';
  std::vector<std::uint8_t> out;
  ExpectInvalidConfiguration([&] { cp.WriteRecord(MakeVersion(2, 1, 100), out); });
  EXPECT_TRUE(out.empty());
}
