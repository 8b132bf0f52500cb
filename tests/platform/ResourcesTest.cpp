#include <gtest/gtest.h>

#include <cstring>

#include "platform/Resources.h"

namespace {
const std::uint8_t kBytes[] = {1, 2, 3, 4, 5};
}

TEST(ResourceTable, NamesOfATypeInNameOrder)
{
  ResourceTable table({{"FW", "FW_b", kBytes},
                       {"TXT", "A", kBytes},
                       {"FW", "FW_B", kBytes},
                       {"FW", "FW_a", kBytes},
                       {"FW", "FW_", kBytes}});
  EXPECT_EQ(table.Names("FW"), (std::vector<std::string>{"FW_", "FW_B", "FW_a", "FW_b"}));
  EXPECT_EQ(table.Names("TXT"), std::vector<std::string>{"A"});
  EXPECT_TRUE(table.HasType("TXT"));
  EXPECT_FALSE(table.HasType("fw"));
  EXPECT_TRUE(ResourceTable().Names("FW").empty());
  EXPECT_EQ(table.Find("FW", "fw_a"), nullptr);
  try {
    table.Get("FW", "FW_c");
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource FW_c not found");
  }
  EXPECT_THROW(TResourceStream(table, "TXT", "FW_a"), EResNotFound);
}

TEST(ResourceStream, ReadsAndSeeksButNeverWrites)
{
  ResourceTable table({{"FW", "FW_1", kBytes}});
  TResourceStream stream(table, "FW", "FW_1");
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(stream.GetSize(), 5);
  EXPECT_EQ(stream.Read(buffer, 2), 2u);
  EXPECT_EQ(buffer[1], 2);
  EXPECT_EQ(stream.Seek(-1, SeekOrigin::End), 4);
  EXPECT_EQ(stream.Read(buffer, 8), 1u);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_EQ(stream.Read(buffer, 8), 0u);
  stream.SetPosition(3);
  try {
    stream.ReadBuffer(buffer, 3);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  stream.SetPosition(-2);  // not clamped, and reads nothing there
  EXPECT_EQ(stream.Read(buffer, 1), 0u);
  EXPECT_THROW(stream.Write(buffer, 1), EStreamError);
}
