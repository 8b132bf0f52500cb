#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "platform/Cp1251.h"
#include "recorder/config/RegTIM2v1Config.h"
#include "recorder/info/InfoTestSupport.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"
#include "support/ExpectThrowMsg.h"

// Records come from vectors/streams.py (streams.txt).

namespace {

using Config = TRegTIM2v1Config;
using Text = Config::TRegTIM2ConfigElementText;
using Analog = Config::TRegTIM2ConfigElementAnalog;
using Discrete = Config::TRegTIM2ConfigElementDiscrete;

const std::uint32_t kVersions[] = {MakeVersion(1, 6, 0), MakeVersion(2, 0, 16), MakeVersion(2, 1, 100),
                                   MakeVersion(2, 1, 160), MakeVersion(2, 2, 1)};
const std::uint32_t kRoad = MakeVersion(2, 1, 100);

std::string Cp(const char* utf8) { return Utf8ToCp1251(utf8); }

std::vector<std::uint8_t> Written(const Config& boards, std::uint32_t version = kRoad)
{
  std::vector<std::uint8_t> out;
  EXPECT_EQ(boards.WriteRecord(version, out), Config::kRecordSize);
  return out;
}

std::vector<std::uint8_t> Record(std::vector<std::uint8_t> bytes)
{
  bytes.resize(Config::kRecordSize, 0);
  return bytes;
}

std::vector<std::pair<int, int>> Addresses(const Config& boards)
{
  std::vector<std::pair<int, int>> addresses;
  for (const auto& [address, board] : boards.Boards) addresses.emplace_back(address.First, address.Second);
  return addresses;
}

template <typename Element>
const Element& As(const Config::TRegTIM2v1DisplayItem& screen, std::size_t i)
{
  const auto* element = dynamic_cast<const Element*>(screen.Elements.at(i).get());
  if (!element) throw std::runtime_error("another element class");
  return *element;
}

// The boards of tim1_boards, as streams.py encoded them.
void ExpectTheVectorsBoards(const Config& boards)
{
  ASSERT_EQ(Addresses(boards), (std::vector<std::pair<int, int>>{{0, 9}, {1, 5}, {200, 5}}));
  const auto& first = boards.Boards.at({0, 9}).Screens;
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].ScreenCode, 4);
  ASSERT_EQ(first[0].Elements.size(), 3u);
  EXPECT_EQ(As<Text>(first[0], 0).Text, Cp("Т1"));
  const auto& analog = As<Analog>(first[0], 1);
  EXPECT_EQ(analog.Source, (ValueSource{ValueSource::AI, 2}));
  EXPECT_EQ(analog.Digits, 5);
  EXPECT_EQ(analog.Decimals, 2);
  EXPECT_EQ(analog.OverloadText, Cp("ПЕРЕГР"));
  EXPECT_EQ(analog.BreakText, Cp("ОБР"));
  const auto& discrete = As<Discrete>(first[0], 2);
  EXPECT_EQ(discrete.Source, (ValueSource{ValueSource::DI, 1}));
  EXPECT_EQ(discrete.OpenText, Cp("ВЫКЛ"));
  EXPECT_EQ(discrete.ClosedText, Cp("ВКЛ"));
  EXPECT_EQ(discrete.BreakText, Cp("ОБР"));
  EXPECT_EQ(discrete.ShortText, Cp("КЗ"));
  EXPECT_EQ(first[1].ScreenCode, 0);
  EXPECT_TRUE(first[1].Elements.empty());

  const auto& second = boards.Boards.at({1, 5}).Screens;
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].ScreenCode, 200);
  const auto& output = As<Analog>(second[0], 0);
  EXPECT_EQ(output.Source, (ValueSource{ValueSource::AO, 0}));
  EXPECT_EQ(output.Digits, 3);
  EXPECT_EQ(output.Decimals, 1);
  EXPECT_EQ(output.OverloadText, "");

  EXPECT_TRUE(boards.Boards.at({200, 5}).Screens.empty());
}

}  // namespace

TEST(TIM2v1Record, IndependentVectorsReadAndWriteBackByteForByte)
{
  for (std::uint32_t version : kVersions) {
    SCOPED_TRACE(VersionToText(version));
    Config boards;
    boards.Boards[{3, 3}];  // replaced by the read
    boards.ReadRecord(version, RecordVector("streams", "tim1_empty"));
    EXPECT_EQ(boards.Format, 1u);
    EXPECT_TRUE(boards.Boards.empty());
    EXPECT_EQ(Written(boards, version), RecordVector("streams", "tim1_empty"));

    boards.ReadRecord(version, RecordVector("streams", "tim1_boards"));
    ExpectTheVectorsBoards(boards);
    EXPECT_EQ(Written(boards, version), RecordVector("streams", "tim1_boards"));
  }
}

TEST(TIM2v1Record, BoardsAreKeptInAddressOrderOnePerAddress)
{
  Config boards;
  boards.ReadRecord(kRoad, RecordVector("streams", "tim1_unsorted"));
  ExpectTheVectorsBoards(boards);
  EXPECT_EQ(Written(boards), RecordVector("streams", "tim1_boards"));

  boards.ReadRecord(kRoad, RecordVector("streams", "tim1_twice"));
  EXPECT_EQ(Written(boards), RecordVector("streams", "tim1_twice_read")) << "the later board's screens";
}

TEST(TIM2v1Record, PackedSizes)
{
  Config boards;
  auto& screen = boards.Boards[{0, 0}].Screens.emplace_back();
  EXPECT_EQ(Written(boards), Record({1, 0, 1, 0, 0, 0, 1, 0, 0})) << "a screen without elements: code, 0";

  screen.Elements.push_back(std::make_unique<Analog>());
  EXPECT_EQ(screen.Elements[0]->DataSize() + 1, 7u);
  EXPECT_EQ(Written(boards), Record({1, 0, 1, 0, 0, 0, 1, 0, 1, 2, 1, 0, 3, 1, 0, 0}));

  Discrete discrete;
  discrete.OpenText = "ab";
  EXPECT_EQ(discrete.DataSize(), 2u + 3 + 1 + 1 + 1);
  Text text;
  text.Text = "abc";
  EXPECT_EQ(text.DataSize(), 4u);
}

TEST(TIM2v1Record, RefusalsOfReading)
{
  const struct {
    const char* name;
    std::vector<std::uint8_t> record;
    long check;  // -1: the stream's read error
  } cases[] = {
      {"shorter than the header", {1, 0, 0}, 12969},
      {"element type 4", Record({1, 0, 1, 0, 0, 0, 1, 0, 1, 4}), 12871},
      {"element type 5", Record({1, 0, 1, 0, 0, 0, 1, 0, 1, 5}), 12515},
      {"element type 0", Record({1, 0, 1, 0, 0, 0, 1, 0, 1, 0}), 12515},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Config boards;
    EXPECT_EQ(CheckOf([&] { boards.ReadRecord(kRoad, c.record); }), c.check);
  }

  Config boards;
  // The second board's text runs past the record's end.
  const std::vector<std::uint8_t> cut{1, 0, 2, 0, 0, 1, 0, 0, 2, 1, 1, 1, 1, 9, 'a'};
  EXPECT_THROW_MSG(boards.ReadRecord(kRoad, cut), EReadError, "Stream read error");
  EXPECT_EQ(Addresses(boards), (std::vector<std::pair<int, int>>{{0, 1}})) << "the boards read before stay";

  // What a longer record holds past its 250 bytes is not read.
  auto longer = RecordVector("streams", "tim1_boards");
  longer.resize(300, 0xAB);
  boards.ReadRecord(kRoad, longer);
  ExpectTheVectorsBoards(boards);
  auto full = Record({1, 0, 1, 0, 0, 0, 1, 0, 1, 1, 243});  // a text of 243 bytes: 4 past the end
  full.resize(260, 'x');
  EXPECT_THROW_MSG(boards.ReadRecord(kRoad, full), EReadError, "Stream read error");

  boards.Format = 5;
  boards.ReadRecord(kRoad, Record({0, 0, 1, 0, 0, 1, 0}));
  EXPECT_EQ(boards.Format, 1u);
  EXPECT_TRUE(boards.Boards.empty()) << "format byte 0 holds no boards";
}

TEST(TIM2v1Record, RefusalsOfWriting)
{
  Config boards;
  auto& screen = boards.Boards[{0, 0}].Screens.emplace_back();
  auto text = std::make_unique<Text>();
  Text* t = text.get();
  screen.Elements.push_back(std::move(text));
  std::vector<std::uint8_t> out;

  t->Text = std::string(236, 'x');  // 3 + 2 + 2 + 236 = 243 bytes
  EXPECT_EQ(boards.WriteRecord(kRoad, out), 250u);
  t->Text += "xxxx";
  out.clear();
  EXPECT_THROW_MSG(boards.WriteRecord(kRoad, out), EWriteError, "Stream write error");
  // A length of 300 would read as 44 in its byte, and 44 bytes would fit.
  t->Text = std::string(300, 'x');
  EXPECT_EQ(CheckOf([&] { boards.WriteRecord(kRoad, out); }), 12990);
  EXPECT_TRUE(out.empty());
}

TEST(TIM2v1Record, Versions)
{
  const struct {
    std::uint32_t version;
    std::uint32_t size;
  } sizes[] = {{MakeVersion(1, 5, 3), 0}, {MakeVersion(1, 6, 0), 250}, {MakeVersion(2, 1, 161), 0},
               {MakeVersion(2, 2, 3), 250}};
  for (const auto& c : sizes) EXPECT_EQ(Config::RecordSize(c.version), c.size) << VersionToText(c.version);

  Config boards;
  boards.Boards[{1, 1}];
  std::vector<std::uint8_t> out;
  EXPECT_EQ(boards.WriteRecord(MakeVersion(1, 5, 3), out), 0u);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedOldVer>([&] { boards.WriteRecord(MakeVersion(1, 4, 2), out); }),
            MakeVersion(1, 4, 2));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>([&] { boards.WriteRecord(MakeVersion(2, 1, 161), out); }),
            MakeVersion(2, 1, 161));
  EXPECT_EQ(VersionErrorOf<EVantorUnsupportedNewVer>(
                [&] { boards.ReadRecord(MakeVersion(2, 1, 161), RecordVector("streams", "tim1_empty")); }),
            MakeVersion(2, 1, 161));
  boards.ReadRecord(MakeVersion(1, 4, 2), RecordVector("streams", "tim1_boards"));
  EXPECT_TRUE(boards.Boards.empty()) << "1.4 reads nothing";
}

TEST(TIM2v1Record, ScreensCopyTheirElements)
{
  Config::TRegTIM2v1DisplayItem screen;
  screen.ScreenCode = 3;
  auto analog = std::make_unique<Analog>();
  analog->OverloadText = "high";
  screen.Elements.push_back(std::move(analog));

  Config::TRegTIM2v1DisplayItem copy = screen;
  ASSERT_EQ(copy.Elements.size(), 1u);
  EXPECT_NE(copy.Elements[0].get(), screen.Elements[0].get());
  EXPECT_TRUE(copy.Elements[0]->IsEqual(*screen.Elements[0]));
  dynamic_cast<Analog&>(*copy.Elements[0]).OverloadText = "HIGH";  // texts compare case by case
  EXPECT_FALSE(copy.Elements[0]->IsEqual(*screen.Elements[0]));
  EXPECT_EQ(As<Analog>(screen, 0).OverloadText, "high");

  copy = screen;
  EXPECT_TRUE(copy.Elements[0]->IsEqual(*screen.Elements[0]));
  EXPECT_FALSE(Discrete().IsEqual(Analog()));
  EXPECT_TRUE(Discrete().IsEqual(Discrete()));
}

TEST(TIM2v1Record, ElementTexts)
{
  TRegInfo info;  // no channels: every source is out of range
  Text text;
  text.Text = Cp("Т1");
  EXPECT_EQ(text.DisplayText(info), "Т1");
  EXPECT_EQ(text.Description(info), "\"Т1\"");

  Analog analog;
  analog.Source = {ValueSource::AI, 12};
  analog.Digits = 5;
  analog.Decimals = 2;
  analog.OverloadText = Cp("ПЕРЕГР");
  analog.BreakText = Cp("ОБР");
  EXPECT_EQ(analog.DisplayText(info), "{AI[12]}");
  EXPECT_EQ(analog.Description(info), "канал: AI[12]; формат: 5.2; перегруз: \"ПЕРЕГР\"; обрыв: \"ОБР\"");

  Discrete discrete;
  discrete.Source = {ValueSource::None, 0};
  discrete.OpenText = "0";
  discrete.ClosedText = "1";
  EXPECT_EQ(discrete.DisplayText(info), "{ нет}");
  EXPECT_EQ(discrete.Description(info), "канал:  нет; разомкнуто: \"0\"; замкнуто: \"1\"; обрыв: \"\"; замыкание: \"\"");
}
