#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "recorder/config/RegUserTableConfig.h"
#include "recorder/info/InfoTestSupport.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"
#include "support/ExpectThrowMsg.h"

// Streams come from vectors/streams.py (streams.txt).

namespace {

using Bytes = std::vector<std::uint8_t>;
using Point = std::pair<std::uint32_t, std::uint32_t>;

const std::uint32_t kRoad = MakeVersion(2, 1, 150);

// What the device information says of the tables.
struct Device {
  std::uint32_t tables = 8;
  std::uint32_t limit1 = 8000;  // points of all tables
  std::uint32_t limit2 = 100;   // points of one table

  void Fill(TRegInfo& info) const
  {
    info.UserTableCount = tables;
    info.UserTableLimit1 = limit1;
    info.UserTableLimit2 = limit2;
  }
};

void Read(TRegUserTableConfig& tables, const Device& device, const Bytes& bytes, std::uint32_t version = kRoad)
{
  TRegInfo info;
  device.Fill(info);
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), bytes.size());
  stream.SetPosition(0);
  tables.ReadStream(info, version, stream);
}

Bytes Written(const TRegUserTableConfig& tables, const Device& device, std::uint32_t version = kRoad)
{
  TRegInfo info;
  device.Fill(info);
  TMemoryStream stream;
  EXPECT_EQ(tables.WriteStream(info, version, stream), 0);
  return stream.Data();
}

std::vector<Point> Points(const TRegUserTable& table)
{
  std::vector<Point> points;
  for (const auto& p : table.Points) points.emplace_back(p.Value1, p.Value2);
  return points;
}

bool IsDefault(const TRegUserTable& table) { return table.Header == std::array<std::uint8_t, 28>{} && table.Points.empty(); }

// ut_tables with its total point count (bytes 2-3) set to another number.
Bytes WithTotal(std::uint16_t total)
{
  Bytes bytes = RecordVector("streams", "ut_tables");
  bytes[2] = static_cast<std::uint8_t>(total);
  bytes[3] = static_cast<std::uint8_t>(total >> 8);
  return bytes;
}

}  // namespace

TEST(UserTableStream, IndependentVectorsReadAndWriteBackByteForByte)
{
  for (std::uint32_t version : {MakeVersion(2, 1, 127), kRoad, MakeVersion(2, 1, 160)}) {
    SCOPED_TRACE(VersionToText(version));
    const Device info;
    TRegUserTableConfig tables;
    Read(tables, info, RecordVector("streams", "ut_tables"), version);
    ASSERT_EQ(tables.Tables.size(), 8u);
    std::array<std::uint8_t, 28> header{2, 0};
    std::iota(header.begin() + 2, header.end(), 1);
    EXPECT_EQ(tables.Tables[0].Header, header);
    EXPECT_EQ(Points(tables.Tables[0]), (std::vector<Point>{{1, 2}, {0xFFFFFFFF, 0x80000000}}));
    EXPECT_TRUE(IsDefault(tables.Tables[1]));
    EXPECT_EQ(Points(tables.Tables[2]), (std::vector<Point>{{7, 8}}));
    EXPECT_EQ(tables.Tables[2].Header[0], 1);
    header.fill(0xEE);
    header[0] = 3;
    header[1] = 0;
    EXPECT_EQ(tables.Tables[7].Header, header);
    EXPECT_EQ(Points(tables.Tables[7]), std::vector<Point>(3, {0x11223344, 0x55667788}));
    EXPECT_EQ(Written(tables, info, version), RecordVector("streams", "ut_tables"));
  }

  // Eight default tables: 232 bytes, the per-table capacity of the device in the header.
  TRegUserTableConfig tables;
  tables.Resize(8);
  const Device info{8, 8000, 2000};
  EXPECT_EQ(Written(tables, info), RecordVector("streams", "ut_default_2000"));
  Read(tables, info, RecordVector("streams", "ut_default_2000"));
  ASSERT_EQ(tables.Tables.size(), 8u);
  for (const auto& table : tables.Tables) EXPECT_TRUE(IsDefault(table));
}

TEST(UserTableStream, StreamsThatBringNoTablesLeaveTheDevicesDefaults)
{
  const struct {
    const char* name;
    Bytes stream;
  } cases[] = {
      {"an empty stream: a device that holds no tables", {}},
      {"a table count of 7", {7, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegUserTableConfig tables;
    tables.Resize(2);
    tables.Tables[0].Points.resize(1);
    Read(tables, Device{5}, c.stream);
    ASSERT_EQ(tables.Tables.size(), 5u);
    for (const auto& table : tables.Tables) EXPECT_TRUE(IsDefault(table));
  }
}

TEST(UserTableStream, ADeviceWithFourTablesReadsTheFirstFour)
{
  TRegUserTableConfig tables;
  Read(tables, Device{4}, RecordVector("streams", "ut_tables"));
  ASSERT_EQ(tables.Tables.size(), 4u);
  EXPECT_EQ(Points(tables.Tables[0]), (std::vector<Point>{{1, 2}, {0xFFFFFFFF, 0x80000000}}));
  EXPECT_EQ(Points(tables.Tables[2]), (std::vector<Point>{{7, 8}}));
  EXPECT_TRUE(tables.Tables[3].Points.empty());
}

TEST(UserTableStream, RefusalsOfReading)
{
  Bytes perTableBeyond = RecordVector("streams", "ut_tables");
  perTableBeyond[4] = 2;  // per-table limit 2; table 7 holds 3 points
  const struct {
    const char* name;
    Device info;
    Bytes stream;
    long check;  // -1: the stream's read error
  } cases[] = {
      {"a table count of 9", Device{}, {9, 0, 0, 0, 0, 0, 0, 0}, 14804},
      {"a total of 8001", Device{}, {8, 0, 0x41, 0x1F, 0, 0, 0, 0}, 14806},
      {"a per-table limit of 2001", Device{8, 8000, 3000}, {8, 0, 0, 0, 0xD1, 0x07, 0, 0}, 14808},
      {"a total above the device's", Device{8, 5}, RecordVector("streams", "ut_tables"), 14812},
      {"a per-table limit above the device's", Device{8, 8000, 99}, RecordVector("streams", "ut_tables"), 14814},
      {"a table above the per-table limit", Device{}, perTableBeyond, 14842},
      {"the total exactly", Device{8, 6}, RecordVector("streams", "ut_tables"), 0},
      {"one point more than the total", Device{}, WithTotal(5), 14848},
      {"points cut short", Device{}, [] {
         Bytes b = RecordVector("streams", "ut_tables");
         b.pop_back();
         return b;
       }(), -1},
      {"table headers cut short", Device{1}, Bytes(RecordVector("streams", "ut_tables").begin(),
                                                   RecordVector("streams", "ut_tables").begin() + 8 + 28 * 8 - 1), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegUserTableConfig tables;
    EXPECT_EQ(CheckOf([&] { Read(tables, c.info, c.stream); }), c.check);
  }

  // Refused at the header: the device's number of default tables. Refused at a table's
  // header: the headers read so far, and no points.
  TRegUserTableConfig tables;
  tables.Resize(8);
  tables.Tables[0].Points.resize(1);
  EXPECT_EQ(CheckOf([&] { Read(tables, Device{}, {9, 0, 0, 0, 0, 0, 0, 0}); }), 14804);
  ASSERT_EQ(tables.Tables.size(), 8u);
  EXPECT_TRUE(IsDefault(tables.Tables[0]));
  EXPECT_EQ(CheckOf([&] { Read(tables, Device{}, perTableBeyond); }), 14842);
  EXPECT_EQ(tables.Tables[0].Header[0], 2);
  EXPECT_TRUE(tables.Tables[0].Points.empty());
}

TEST(UserTableStream, Versions)
{
  const Device info;
  for (std::uint32_t none : {MakeVersion(2, 1, 126, 255), MakeVersion(2, 2, 1)}) {
    SCOPED_TRACE(VersionToText(none));
    TRegUserTableConfig tables;
    tables.Resize(8);
    Read(tables, info, RecordVector("streams", "ut_tables"), none);
    EXPECT_TRUE(IsDefault(tables.Tables[0])) << "nothing read";
    EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { Written(tables, info, none); }), none);
  }
  TRegUserTableConfig tables;
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { Read(tables, info, {}, MakeVersion(2, 1, 161)); }),
            MakeVersion(2, 1, 161));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { Written(tables, info, MakeVersion(2, 1, 161)); }),
            MakeVersion(2, 1, 161));
}

// The stream has room for 8 tables and no reader takes more.
TEST(UserTableStream, ADeviceWithMoreThanEightTablesWritesEight)
{
  const Device tenTables{10};
  TRegUserTableConfig tables;
  Read(tables, tenTables, RecordVector("streams", "ut_tables"));
  ASSERT_EQ(tables.Tables.size(), 10u);
  EXPECT_EQ(Written(tables, tenTables), RecordVector("streams", "ut_tables"));
}
