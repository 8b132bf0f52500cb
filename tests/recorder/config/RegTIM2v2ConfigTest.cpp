#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "platform/Cp1251.h"
#include "recorder/config/RegTIM2v2Config.h"
#include "recorder/info/InfoTestSupport.h"
#include "recorder/info/VersionWord.h"
#include "support/ExpectThrowMsg.h"

// Streams come from vectors/streams.py (streams.txt).

namespace {

using Config = TRegTIM2v2Config;
using Item = Config::TRegTIM2v2DisplayItem;

const std::uint32_t kVersions[] = {MakeVersion(2, 0, 0), MakeVersion(2, 0, 16), MakeVersion(2, 1, 100),
                                   MakeVersion(2, 1, 160), MakeVersion(2, 2, 1)};
const std::uint32_t kRoad = MakeVersion(2, 1, 100);

TMemoryStream StreamOf(const std::vector<std::uint8_t>& bytes)
{
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), bytes.size());
  stream.SetPosition(0);
  return stream;
}

void Read(Config& boards, const std::vector<std::uint8_t>& bytes, std::uint32_t version = kRoad)
{
  TMemoryStream stream = StreamOf(bytes);
  boards.ReadStream(version, stream);
}

std::vector<std::uint8_t> Written(const Config& boards, std::uint32_t version = kRoad)
{
  TMemoryStream stream;
  boards.WriteStream(version, stream);
  return stream.Data();
}

}  // namespace

TEST(TIM2v2Stream, IndependentVectorsReadAndWriteBackByteForByte)
{
  const struct {
    const char* name;
    std::vector<std::pair<std::pair<int, int>, std::vector<Item>>> boards;
  } cases[] = {
      {"tim2_empty", {}},
      {"tim2_one", {{{0, 3}, {{5, "AB"}}}}},
      {"tim2_boards",
       {{{0, 3}, {{5, "AB"}, {0, ""}}}, {{7, 1}, {{255, Utf8ToCp1251("Котёл №1")}}}, {{128, 0}, {}}}},
  };
  for (const auto& c : cases) {
    for (std::uint32_t version : kVersions) {
      SCOPED_TRACE(std::string(c.name) + " at " + VersionToText(version));
      const auto& bytes = RecordVector("streams", c.name);
      Config boards;
      boards.Boards[{9, 9}];  // replaced by the read
      Read(boards, bytes, version);
      EXPECT_EQ(boards.Format, 2u);
      std::vector<std::pair<std::pair<int, int>, std::vector<Item>>> read;
      for (const auto& [address, board] : boards.Boards)
        read.push_back({{address.First, address.Second}, board.Items});
      EXPECT_EQ(read, c.boards);
      EXPECT_EQ(Written(boards, version), bytes);
    }
  }
}

TEST(TIM2v2Stream, WhatTheReaderTakesAndLeaves)
{
  Config boards;
  EXPECT_EQ(CheckOf([&] { Read(boards, {2, 0, 0}); }), 13365);

  boards.Format = 1;
  Read(boards, {1, 1, 3, 0, 0, 3, 0});
  EXPECT_EQ(boards.Format, 2u);
  EXPECT_TRUE(boards.Boards.empty()) << "format byte 1 holds no boards";

  // Only the board count drives the reading; the size field is not looked at.
  auto lying = RecordVector("streams", "tim2_one");
  lying[2] = 0x50;
  Read(boards, lying);
  ASSERT_EQ(boards.Boards.size(), 1u);
  EXPECT_EQ(boards.Boards.begin()->second.Items, (std::vector<Item>{{5, "AB"}}));

  // A later board at the same address replaces the items of the earlier one.
  Read(boards, {2, 2, 0, 0, 0, 3, 1, 5, 1, 'A', 0, 3, 1, 6, 1, 'B'});
  ASSERT_EQ(boards.Boards.size(), 1u);
  EXPECT_EQ(boards.Boards.begin()->second.Items, (std::vector<Item>{{6, "B"}}));

  EXPECT_THROW_MSG(Read(boards, {2, 2, 0, 0, 0, 3, 0, 0, 4, 1, 5, 3, 'A'}), EReadError, "Stream read error");
  EXPECT_EQ(boards.Boards.size(), 1u) << "the boards read before the failure stay";
}

// The header keeps counts in one byte and the size in two: what does not fit is refused,
// not cut, and nothing reaches the stream.
TEST(TIM2v2Stream, CountsAndSizesTheHeaderCannotHoldAreRefused)
{
  const struct {
    const char* name;
    void (*fill)(Config&);
    long check;
  } cases[] = {
      {"255 boards fit",
       [](Config& c) {
         for (int i = 0; i < 255; ++i) c.Boards[{i, 0}];
       },
       0},
      {"256 boards", [](Config& c) {
         for (int i = 0; i < 256; ++i) c.Boards[{i, 0}];
       },
       13380},
      {"256 items on a board", [](Config& c) { c.Boards[{0, 0}].Items.resize(256); }, 13383},
      {"more than 65535 bytes after the header",
       [](Config& c) {
         for (int i = 0; i < 255; ++i) c.Boards[{i, 0}].Items.assign(2, Item{1, std::string(130, 'x')});
       },
       13386},
      {"a text of 256 bytes", [](Config& c) { c.Boards[{0, 0}].Items.push_back({1, std::string(256, 'x')}); }, 12990},
      {"a text of 255 bytes fits",
       [](Config& c) { c.Boards[{0, 0}].Items.push_back({1, std::string(255, 'x')}); }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Config boards;
    c.fill(boards);
    TMemoryStream stream;
    EXPECT_EQ(CheckOf([&] { boards.WriteStream(kRoad, stream); }), c.check);
    if (c.check != 0) {
      EXPECT_EQ(stream.GetSize(), 0);
    }
  }
}

TEST(TIM2v2Stream, Versions)
{
  Config boards;
  Read(boards, RecordVector("streams", "tim2_one"), MakeVersion(1, 10, 20));
  EXPECT_TRUE(boards.Boards.empty()) << "first-line firmware reads nothing";
  EXPECT_EQ(boards.Format, 1u);

  TMemoryStream stream;
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { boards.WriteStream(MakeVersion(1, 10, 20), stream); }),
            MakeVersion(1, 10, 20));
  for (std::uint32_t refused : {MakeVersion(2, 1, 161), MakeVersion(2, 2, 4)}) {
    SCOPED_TRACE(VersionToText(refused));
    EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { boards.WriteStream(refused, stream); }), refused);
    EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { Read(boards, {2, 0, 0, 0}, refused); }), refused);
  }
  EXPECT_EQ(stream.GetSize(), 0);
}
