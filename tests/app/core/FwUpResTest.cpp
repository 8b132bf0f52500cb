#include <gtest/gtest.h>

#include <functional>

#include "app/core/FwUpRes.h"
#include "support/FirmwareImage.h"

using Registrator::TFWUpRes;

namespace {

std::vector<std::string> LoadLog(TFWUpRes& store, const ResourceTable& table)
{
  std::vector<std::string> log;
  store.Load(table, [&](const std::string& line) { log.push_back(line); });
  return log;
}

std::string Info(const TFWUpRes& store, int& result)
{
  TMemoryStream stream;
  {
    TextWriter writer(stream, false);
    result = store.WriteInfo(writer);
  }
  return std::string(stream.Data().begin(), stream.Data().end());
}

}  // namespace

TEST(FwUpRes, EachCheckOfAnImage)
{
  struct Case {
    const char* name;
    std::function<void(FirmwareImage&)> craft;
    const char* log;  // the one log line
  };
  const Case cases[] = {
      {"sound image", [](FirmwareImage&) {}, "Test v1"},
      {"magic", [](FirmwareImage& i) { i.magic = "Q319"; }, "FW_t: Internal ERROR: Ошибка [54]"},
      {"description of 257", [](FirmwareImage& i) { i.description = std::string(257, 'd'); },
       "FW_t: Internal ERROR: Ошибка [61]"},
      {"header format 2", [](FirmwareImage& i) { i.format = 2; }, "FW_t: Internal ERROR: Ошибка [86]"},
      {"header format 0", [](FirmwareImage& i) { i.format = 0; }, "FW_t: Internal ERROR: Ошибка [86]"},
      {"header size 47", [](FirmwareImage& i) { i.headerSize = 47; }, "FW_t: Internal ERROR: Ошибка [89]"},
      {"header size 100, marker still at 48", [](FirmwareImage& i) { i.headerSize = 100; }, "Test v1"},
      {"brand line 2", [](FirmwareImage& i) { i.line = 2; }, "FW_t: Internal ERROR: Ошибка [99]"},
      {"brand line 1", [](FirmwareImage& i) { i.line = 1; }, "Test v1"},
      {"marker", [](FirmwareImage& i) { i.marker = "U381"; }, "FW_t: Internal ERROR: Ошибка [134]"},
      {"model and variant not checked", [](FirmwareImage& i) { i.model = 99, i.variant = 7; }, "Test v1"},
      {"empty description", [](FirmwareImage& i) { i.description.clear(); }, ""},
      {"code page 1251 description", [](FirmwareImage& i) { i.description = "318\xCA \"\xB9\""; }, "318К \"№\""},
      {"cut in the length", [](FirmwareImage& i) { i.keep = 6; }, "FW_t: Internal ERROR: Stream read error"},
      {"cut in the description", [](FirmwareImage& i) { i.keep = 10; }, "FW_t: Internal ERROR: Stream read error"},
      {"cut in the header", [](FirmwareImage& i) { i.keep = 8 + 7 + 47; }, "FW_t: Internal ERROR: Stream read error"},
      {"cut in the marker", [](FirmwareImage& i) { i.keep = 8 + 7 + 48 + 3; }, "FW_t: Internal ERROR: Stream read error"},
      {"no payload at all", [](FirmwareImage& i) { i.payload.clear(); }, "Test v1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FirmwareImage image;
    c.craft(image);
    CraftedResources resources;
    resources.Add("FW_t", image);
    ResourceTable table = resources.Table();
    TFWUpRes store;
    EXPECT_EQ(LoadLog(store, table), std::vector<std::string>{c.log});
    bool accepted = std::string(c.log).find("Internal ERROR") == std::string::npos;
    ASSERT_EQ(store.IsEmpty(), !accepted);
    if (accepted) {
      EXPECT_EQ(store[0].ResName, "FW_t");
      EXPECT_EQ(store[0].PayloadOffset, static_cast<std::int64_t>(8 + image.description.size() + 48 + 4));
      EXPECT_EQ(store[0].HeaderSize, image.headerSize);
      EXPECT_EQ(store[0].DataSize, 4 + image.payload.size());
    }
  }
}

TEST(FwUpRes, DescriptionOf256IsTaken)
{
  FirmwareImage image;
  image.description = std::string(256, 'd');
  CraftedResources resources;
  resources.Add("FW_t", image);
  ResourceTable table = resources.Table();
  TFWUpRes store;
  EXPECT_EQ(LoadLog(store, table), std::vector<std::string>{std::string(256, 'd')});
}

TEST(FwUpRes, OnlyNamesBeginningFW_OfTypeFWAreTaken)
{
  CraftedResources resources;
  FirmwareImage image;
  for (const char* name : {"fw_x", "XFW_1", "FW_", "FW_A", "Fw_B", "FW"}) {
    image.description = name;
    resources.Add(name, image);
  }
  image.description = "other type";
  resources.Add("RCDATA", "FW_C", image.Bytes());
  ResourceTable table = resources.Table();
  TFWUpRes store;
  EXPECT_EQ(LoadLog(store, table), (std::vector<std::string>{"FW_", "FW_A"}));
  EXPECT_EQ(store.Count(), 2u);
}

TEST(FwUpRes, NoImageResourcesAtAll)
{
  TFWUpRes store;
  EXPECT_EQ(LoadLog(store, ResourceTable()), std::vector<std::string>{"Internal ERROR: no updates in exe"});
  EXPECT_TRUE(store.IsEmpty());

  // The type is there but no name qualifies: no error line, still empty.
  CraftedResources resources;
  resources.Add("fw_x", FirmwareImage());
  ResourceTable table = resources.Table();
  EXPECT_TRUE(LoadLog(store, table).empty());
  EXPECT_TRUE(store.IsEmpty());
}

TEST(FwUpRes, StableSortByLineModelHardwareAndVersions)
{
  struct Row {
    const char* name;
    std::uint8_t line, model;
    std::uint32_t hw, genHw, minGenSw, fw;
  };
  // Enumerated in name order; each later key field only breaks ties of the earlier ones.
  const Row rows[] = {
      {"FW_01", 1, 21, 0x02050000, 0x02050000, 0x02000100, 0x02014215},  // line 1 last
      {"FW_02", 0, 51, 0x02050000, 0x02050000, 0x02000100, 0x02014215},
      {"FW_03", 0, 21, 0x80000000, 0x02050000, 0x02000100, 0x02014215},  // unsigned: above 0x7F...
      {"FW_04", 0, 21, 0x7FFFFFFF, 0x02050000, 0x02000100, 0x02014215},
      {"FW_05", 0, 21, 0x02050000, 0x02060000, 0x02000100, 0x02014215},
      {"FW_06", 0, 21, 0x02050000, 0x02050000, 0x02014100, 0x02014215},
      {"FW_07", 0, 21, 0x02050000, 0x02050000, 0x02000100, 0x0201A073},
      {"FW_08", 0, 21, 0x02050000, 0x02050000, 0x02000100, 0x02014215},  // 08, 09, 10 tie
      {"FW_09", 0, 21, 0x02050000, 0x02050000, 0x02000100, 0x02014215},
      {"FW_10", 0, 21, 0x02050000, 0x02050000, 0x02000100, 0x02014215},
      {"FW_11", 0, 21, 0x02050000, 0x02050000, 0x02000100, 0x02014100},
  };
  CraftedResources resources;
  for (const Row& r : rows) {
    FirmwareImage image;
    image.description = r.name;
    image.line = r.line, image.model = r.model, image.hw = r.hw, image.genHw = r.genHw;
    image.minGenSw = r.minGenSw, image.fw = r.fw;
    image.minSw = 0xFFFFFFFF - r.fw;  // not a key: must not disturb the order
    resources.Add(r.name, image);
  }
  ResourceTable table = resources.Table();
  TFWUpRes store;
  LoadLog(store, table);
  std::vector<std::string> order;
  for (const auto& r : store.Items()) order.push_back(r.ResName);
  EXPECT_EQ(order, (std::vector<std::string>{"FW_11", "FW_08", "FW_09", "FW_10", "FW_07", "FW_06", "FW_05", "FW_04",
                                             "FW_03", "FW_02", "FW_01"}));
}

TEST(FwUpRes, WriteInfoResults)
{
  TFWUpRes store;
  int result = -1;
  EXPECT_EQ(Info(store, result), "");
  EXPECT_EQ(result, 501);

  FirmwareImage image;
  image.description = "318\xCA v2.1.66.21/h2.4";
  image.fw = 0x02014215, image.minSw = 0x02011A00, image.hw = 0x02040000, image.minGenSw = 0x02000100,
  image.genHw = 0x02040000;
  CraftedResources resources;
  resources.Add("FW_0-0-RU-Q318_24", image);
  image.description = "Say \"hi\"";
  image.fw = 0x0201A073, image.hw = 0x02050000, image.genHw = 0x02050001, image.variant = 2, image.model = 51;
  resources.Add("FW_quote", image);
  ResourceTable table = resources.Table();
  LoadLog(store, table);
  EXPECT_EQ(Info(store, result),
            "\"318К v2.1.66.21/h2.4\";FW_0-0-RU-Q318_24;21;0;2.1.66.21;2.1.26.0;2.4.0.0;2.0.1.0;2.4.0.0;0\r\n"
            "\"Say \"\"hi\"\"\";FW_quote;51;0;2.1.160.115;2.1.26.0;2.5.0.0;2.0.1.0;2.5.0.1;2\r\n");
  EXPECT_EQ(result, 0);

  image.description = "next";
  image.fw = 0x0201A074;  // 2.1.160.116: newer than this release
  resources.Add("FW_next", image);
  ResourceTable newer = resources.Table();
  LoadLog(store, newer);
  std::string info = Info(store, result);
  EXPECT_EQ(result, 506);
  EXPECT_NE(info.find("\"next\";FW_next;51;0;2.1.160.116;2.1.26.0;2.5.0.0;2.0.1.0;2.5.0.1;2;W!\r\n"), std::string::npos);
  EXPECT_EQ(info.find("2.1.160.115;2.1.26.0;2.5.0.0;2.0.1.0;2.5.0.1;2;W!"), std::string::npos);
}

TEST(FwUpRes, ExtractImageAppendsThePayloadUnchanged)
{
  FirmwareImage image;
  image.description = "abc";
  image.headerSize = 100;
  image.payload = {0x55, 0x00, 0xFF, 0x51, 0x33, 0x31, 0x38};
  CraftedResources resources;
  resources.Add("FW_p", image);
  ResourceTable table = resources.Table();
  TFWUpRes store;
  LoadLog(store, table);
  TMemoryStream destination;
  destination.WriteBuffer("xy", 2);
  store.ExtractImage(store[0], destination);
  EXPECT_EQ(destination.Data(), (std::vector<std::uint8_t>{'x', 'y', 0x55, 0x00, 0xFF, 0x51, 0x33, 0x31, 0x38}));
  EXPECT_EQ(destination.Position(), 9);

  Registrator::TFWResRec missing = store[0];
  missing.ResName = "FW_gone";
  EXPECT_THROW(store.ExtractImage(missing, destination), EResNotFound);
}
