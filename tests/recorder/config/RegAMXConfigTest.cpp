#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "recorder/config/RegAMXConfig.h"
#include "recorder/info/InfoTestSupport.h"
#include "recorder/info/VersionWord.h"
#include "support/ExpectThrowMsg.h"

// Streams come from vectors/streams.py (streams.txt).

namespace {

using Bytes = std::vector<std::uint8_t>;
using Header = std::array<std::uint8_t, 12>;

const std::uint32_t kRoad = MakeVersion(2, 1, 100);
const Header kDefaultHeader{1, 12};

void Read(TRegAMXConfig& amx, const Bytes& bytes, std::uint32_t version = kRoad)
{
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), bytes.size());
  stream.SetPosition(0);
  amx.ReadStream(version, stream);
}

Bytes Written(const TRegAMXConfig& amx, std::uint32_t version = kRoad)
{
  TMemoryStream stream;
  EXPECT_EQ(amx.WriteStream(version, stream), 0);
  return stream.Data();
}

}  // namespace

TEST(AMXStream, IndependentVectorsReadAndWriteBackByteForByte)
{
  const struct {
    const char* name;
    Header header;
    Bytes code;
  } cases[] = {
      {"amx_default", {1, 12}, {}},
      {"amx_code", {1, 12, 9, 8, 7, 6, 5, 4, 16, 0, 0, 0},
       {0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F}},
  };
  for (const auto& c : cases) {
    for (std::uint32_t version : {MakeVersion(2, 1, 70), kRoad, MakeVersion(2, 1, 127), MakeVersion(2, 1, 160)}) {
      SCOPED_TRACE(std::string(c.name) + " at " + VersionToText(version));
      TRegAMXConfig amx;
      amx.Code = {1};  // replaced by the read
      Read(amx, RecordVector("streams", c.name), version);
      EXPECT_EQ(amx.Header, c.header);
      EXPECT_EQ(amx.Code, c.code);
      EXPECT_EQ(Written(amx, version), RecordVector("streams", c.name));
    }
  }
}

TEST(AMXStream, StreamsWithoutAProgramLeaveTheDefaults)
{
  const struct {
    const char* name;
    Bytes stream;
  } cases[] = {
      {"an empty stream: a device that holds no program", {}},
      {"format 0", {0, 12, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 1, 2, 3, 4, 5}},
      {"format 0 of any length", {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegAMXConfig amx;
    amx.Code = {1, 2};
    Read(amx, c.stream);
    EXPECT_EQ(amx.Header, kDefaultHeader);
    EXPECT_TRUE(amx.Code.empty());
    EXPECT_EQ(Written(amx), RecordVector("streams", "amx_default"));
  }
  EXPECT_EQ(TRegAMXConfig().Header, Header{}) << "zero until set to defaults or read";
}

TEST(AMXStream, RefusalsOfReading)
{
  Bytes announced100(111, 0);
  announced100[0] = 1;
  announced100[1] = 12;
  announced100[8] = 100;
  const struct {
    const char* name;
    Bytes stream;
    long check;  // -1: the stream's read error
    Header kept;
  } cases[] = {
      {"header size 11", {1, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 14432, kDefaultHeader},
      {"format 2", {2, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 14435, kDefaultHeader},
      {"100 code bytes announced in a stream of 111", announced100, 14439, {1, 12, 0, 0, 0, 0, 0, 0, 100}},
      {"a header cut short", {1, 12, 0, 0}, -1, kDefaultHeader},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegAMXConfig amx;
    EXPECT_EQ(CheckOf([&] { Read(amx, c.stream); }), c.check);
    EXPECT_EQ(amx.Header, c.kept);
    EXPECT_TRUE(amx.Code.empty());
  }
}

TEST(AMXStream, Versions)
{
  TRegAMXConfig amx;
  Read(amx, RecordVector("streams", "amx_code"), MakeVersion(2, 1, 69, 255));
  EXPECT_TRUE(amx.Code.empty()) << "2.1.69 reads nothing";
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { Written(amx, MakeVersion(2, 1, 69, 255)); }),
            MakeVersion(2, 1, 69, 255));
  // The 2.2 branch is refused both ways as newer firmware, unlike the other stream blocks.
  for (std::uint32_t refused : {MakeVersion(2, 1, 161), MakeVersion(2, 2, 1)}) {
    SCOPED_TRACE(VersionToText(refused));
    EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { Read(amx, {}, refused); }), refused);
    EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { Written(amx, refused); }), refused);
  }
}
