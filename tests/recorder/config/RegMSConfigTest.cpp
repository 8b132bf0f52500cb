#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/InfoTestSupport.h"
#include "recorder/info/VersionWord.h"
#include "support/ExpectThrowMsg.h"

// Streams come from vectors/streams.py (streams.txt).

namespace {

using Page = TRegMSConfig::TRegMSConfigPageItem;
using Widget = TRegMSConfig::TRegMSWidgetItem;
using Bytes = std::vector<std::uint8_t>;

constexpr unsigned kSchemeFeature = 14;
const std::uint32_t kRoad = MakeVersion(2, 1, 127);

// A device with the scheme: its pages and its limit byte.
struct SchemeDevice : ConfigFixture {
  explicit SchemeDevice(std::uint32_t sw, std::uint32_t pages = 3, std::uint32_t capacity = 200) : ConfigFixture(sw)
  {
    config.RegInfo.Features = 1u << kSchemeFeature;
    config.RegInfo.PageCount = pages;
    config.RegInfo.MSCapacity = capacity;
    Fit();
  }
  TRegMSConfig& MS() { return config.MS; }

  void Read(const Bytes& bytes, std::uint32_t version = 0)
  {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(0);
    MS().ReadStream(version ? version : config.RegInfo.SwVersion, stream);
  }
  Bytes Written(std::uint32_t version = 0)
  {
    TMemoryStream stream;
    MS().WriteStream(version ? version : config.RegInfo.SwVersion, stream);
    return stream.Data();
  }
};

template <std::size_t N>
std::array<std::uint8_t, N> Ramp()
{
  std::array<std::uint8_t, N> bytes{};
  std::iota(bytes.begin(), bytes.end(), 0);
  return bytes;
}

const std::array<std::uint8_t, 12> kDefaultHeader{1, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// A scheme of the given body: header 1, 12, the page count, limit 64, the body's size.
Bytes Scheme(std::uint8_t pages, const Bytes& body)
{
  Bytes bytes{1, 12, 0, 0, pages, 64, 0, 0};
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(body.size() >> (8 * i)));
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

Bytes PageHeader(std::uint8_t widgets, std::uint8_t kind, std::uint32_t size)
{
  Bytes bytes{widgets, 0, 0, kind, 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
  return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
  Bytes all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

bool IsDefault(const Page& page) { return page.Header == std::array<std::uint8_t, 12>{} && page.Data.empty() && page.Widgets.empty(); }

}  // namespace

TEST(MSStream, IndependentVectorReadsAndWritesBackByteForByte)
{
  SchemeDevice device(kRoad);
  device.Read(RecordVector("streams", "ms_pages"));
  const TRegMSConfig& ms = device.MS();
  EXPECT_EQ(ms.Header, (std::array<std::uint8_t, 12>{1, 12, 0xC2, 0xC3, 3, 128, 0xC6, 0xC7, 0xFF, 0, 0, 0}));
  ASSERT_EQ(ms.Pages.size(), 3u);

  const Page& first = ms.Pages[0];
  EXPECT_EQ(first.Header, (std::array<std::uint8_t, 12>{2, 0xA1, 0xA2, 1, 0xA4, 0xA5, 0xA6, 0xA7, 5, 0, 0, 0}));
  EXPECT_EQ(first.Data, (Bytes{1, 2, 3, 4, 5}));
  ASSERT_EQ(first.Widgets.size(), 2u);
  EXPECT_EQ(first.Widgets[0].Type, 0);
  EXPECT_TRUE(std::equal(first.Widgets[0].Data.begin(), first.Widgets[0].Data.begin() + 17, Ramp<17>().begin()));
  EXPECT_EQ(first.Widgets[1].Type, 1);
  EXPECT_TRUE(std::equal(first.Widgets[1].Data.begin(), first.Widgets[1].Data.begin() + 24, Ramp<24>().begin()));

  const Page& second = ms.Pages[1];
  EXPECT_EQ(second.Header[3], 2);
  EXPECT_EQ(second.Data, (Bytes{0xFF, 0xFF, 0xFF}));
  ASSERT_EQ(second.Widgets.size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(second.Widgets[static_cast<std::size_t>(i)].Type, i + 2);
  EXPECT_TRUE(IsDefault(ms.Pages[2]));

  EXPECT_EQ(device.Written(), RecordVector("streams", "ms_pages"));
}

// The header carries the device's own page count and limit byte, which the firmware
// fixed at 64 and then 128 before it reported one.
TEST(MSStream, RoundTripsOnTheRoadWithTheLimitByteOfTheFirmware)
{
  const struct {
    std::uint32_t version;
    std::uint8_t limit;
  } cases[] = {{MakeVersion(2, 1, 91), 64},   {MakeVersion(2, 1, 125, 255), 64}, {MakeVersion(2, 1, 126), 128},
               {MakeVersion(2, 1, 127), 128}, {MakeVersion(2, 1, 128), 200},      {MakeVersion(2, 1, 160), 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(VersionToText(c.version));
    SchemeDevice device(c.version);
    Bytes expected = RecordVector("streams", "ms_pages");
    expected[5] = c.limit;
    device.Read(expected);
    EXPECT_EQ(device.Written(), expected);
  }
}

TEST(MSStream, ADefaultSchemeIsWrittenForTheDevicesPages)
{
  SchemeDevice device(MakeVersion(2, 1, 150), 2, 200);
  EXPECT_EQ(device.MS().Header, (std::array<std::uint8_t, 12>{})) << "never set to defaults nor read";
  EXPECT_EQ(device.Written(), RecordVector("streams", "ms_default_2_200"));
  device.MS().SetDefaults();
  EXPECT_EQ(device.Written(), RecordVector("streams", "ms_default_2_200"));

  device.Read(RecordVector("streams", "ms_default_2_200"));
  EXPECT_EQ(device.MS().Header, (std::array<std::uint8_t, 12>{1, 12, 0, 0, 2, 200, 0, 0, 24, 0, 0, 0}));
  EXPECT_TRUE(IsDefault(device.MS().Pages[0]) && IsDefault(device.MS().Pages[1]));

  // More pages in the list than the device has: all are written, the header says 2.
  device.MS().Pages.resize(3);
  const Bytes written = device.Written();
  EXPECT_EQ(written[4], 2);
  EXPECT_EQ(written.size(), 12u + 3 * 12);
}

TEST(MSStream, StreamsThatLeaveTheDefaults)
{
  const struct {
    const char* name;
    Bytes stream;
    std::array<std::uint8_t, 12> header;
  } cases[] = {
      {"an empty stream: a device that has no scheme", {}, kDefaultHeader},
      {"format 0 of any length", {0, 0xFF, 0xFF, 0xFF}, kDefaultHeader},
      {"format 1, no pages, no body", Scheme(0, {}), {1, 12, 0, 0, 0, 64, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SchemeDevice device(kRoad);
    device.MS().Pages[0].Data = {1};
    device.Read(c.stream);
    EXPECT_EQ(device.MS().Header, c.header);
    ASSERT_EQ(device.MS().Pages.size(), 3u);
    for (const Page& page : device.MS().Pages) EXPECT_TRUE(IsDefault(page));
  }
}

TEST(MSStream, RefusalsOfReading)
{
  Bytes tooLarge = Join({PageHeader(0, 1, 0x1E001), Bytes(0x1E001)});
  const struct {
    const char* name;
    Bytes stream;
    long check;  // -1: the stream's read error
  } cases[] = {
      {"header size 11", {1, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 14133},
      {"format 2", {2, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 14136},
      {"a body one byte longer than announced", [] {
         Bytes b = Scheme(0, {});
         b.push_back(0);
         return b;
       }(), 14141},
      {"page data of kind 0", Scheme(1, Join({PageHeader(0, 0, 1), {0}})), 14007},
      {"page data above 122880 bytes", Scheme(1, tooLarge), 14013},
      {"widget type 6", Scheme(1, Join({PageHeader(1, 0, 0), {6, 17}, Bytes(17)})), 13729},
      {"widget type 1 of 17 bytes", Scheme(1, Join({PageHeader(1, 0, 0), {1, 17}, Bytes(17)})), 13732},
      {"4 widgets announced, 3 present", Scheme(1, Join({PageHeader(4, 0, 0), {0, 17}, Bytes(17), {0, 17}, Bytes(17),
                                                         {0, 17}, Bytes(17)})), -1},
      // Skipping must not run past the end (nor, with a 32-bit seek, backwards).
      {"data of an unknown kind larger than the stream", Scheme(1, PageHeader(0, 3, 0xFFFFFFF0)), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SchemeDevice device(kRoad);
    EXPECT_EQ(CheckOf([&] { device.Read(c.stream); }), c.check);
  }
  SchemeDevice device(kRoad);
  EXPECT_THROW_MSG(device.Read(Scheme(1, PageHeader(0, 3, 0xFFFFFFF0))), EReadError, "Stream read error");
}

TEST(MSStream, PageDataOfAnUnknownKindIsPassedOver)
{
  SchemeDevice device(kRoad);
  device.Read(Scheme(1, Join({PageHeader(1, 7, 10), Bytes(10, 0xAB), {5, 102}, Bytes(102, 0x5A)})));
  const Page& page = device.MS().Pages[0];
  EXPECT_EQ(page.Header, (std::array<std::uint8_t, 12>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(page.Data.empty());
  ASSERT_EQ(page.Widgets.size(), 1u);
  EXPECT_EQ(page.Widgets[0].Type, 5);
  EXPECT_EQ(page.Widgets[0].Data[101], 0x5A);

  // The largest page data there is.
  device.Read(Scheme(1, Join({PageHeader(0, 2, 0x1E000), Bytes(0x1E000, 7)})));
  EXPECT_EQ(device.MS().Pages[0].Data.size(), 0x1E000u);
}

TEST(MSStream, RefusalsOfWriting)
{
  SchemeDevice device(kRoad);
  device.MS().SetDefaults();
  // 255 widgets fill the count byte; one more could not be counted.
  device.MS().Pages[0].Widgets.resize(255);
  EXPECT_EQ(device.Written()[12], 255);
  device.MS().Pages[0].Widgets.resize(256);
  EXPECT_EQ(CheckOf([&] { device.Written(); }), 14185);
  device.MS().Pages[0].Widgets.clear();
  device.MS().Pages[0].Widgets.push_back(Widget{6, {}});
  EXPECT_EQ(CheckOf([&] { device.Written(); }), 13768);
  device.MS().Header[1] = 11;
  EXPECT_EQ(CheckOf([&] { device.Written(); }), 14179);
  device.MS().Header[0] = 2;
  EXPECT_EQ(CheckOf([&] { device.Written(); }), 14182);
}

TEST(MSStream, Versions)
{
  for (std::uint32_t none : {MakeVersion(2, 1, 90, 255), MakeVersion(2, 2, 1)}) {
    SCOPED_TRACE(VersionToText(none));
    SchemeDevice device(none);
    device.Read(RecordVector("streams", "ms_pages"));
    EXPECT_EQ(device.MS().Header, kDefaultHeader) << "nothing read";
    EXPECT_TRUE(IsDefault(device.MS().Pages[0]));
    EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { device.Written(); }), none);
  }
  SchemeDevice device(MakeVersion(2, 1, 161));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { device.Read({}); }), MakeVersion(2, 1, 161));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { device.Written(); }), MakeVersion(2, 1, 161));
}
