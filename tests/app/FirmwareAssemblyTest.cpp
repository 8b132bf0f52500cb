#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/Bytes.h"
#include "platform/ProgramResources.h"
#include "support/TempDir.h"

namespace {

int RunResgen(const std::string& out, const std::string& payloads, const char* extra = "")
{
  std::string command = std::string(KESTREL_RESGEN) + " firmware '" + out + "' '" + KESTREL_MANIFEST + "' '" +
                        payloads + "' " + extra;
  return std::system(command.c_str());
}

}  // namespace

TEST(FirmwareAssembly, TheImageLayoutByteForByte)
{
  const Resource* image = ProgramResources().Find("FW", "FW_0-0-RU-Q318_24");
  if (!image) GTEST_SKIP() << "built without the release's images";
  const std::uint8_t expected[] = {
      'Q', '3', '1', '8', 20, 0, 0, 0,                                                   // magic, length 20
      '3', '1', '8', 0xCA, ' ', 'v', '2', '.', '1', '.', '6', '6', '.', '2', '1', '/',   // "318К v2.1.66.21/h2.4"
      'h', '2', '.', '4',                                                                // in code page 1251
      1, 0, 48, 0,                                                                       // format 1, header size 48
      0x15, 0x42, 0x01, 0x02,                                                            // FwVersion 2.1.66.21
      0x00, 0x00, 0x04, 0x02,                                                            // HwVersion 2.4.0.0
      0x00, 0x1A, 0x01, 0x02,                                                            // MinSwVersion 2.1.26.0
      0x00, 0x00, 0x04, 0x02,                                                            // GenHwVersion 2.4.0.0
      0x00, 0x01, 0x00, 0x02,                                                            // MinGenSwVersion 2.0.1.0
      21, 0, 0, 0,                                                                       // model, line, variant, 0
  };
  ByteReader bytes(image->bytes);
  ASSERT_GT(bytes.size(), 8u + 20 + 48 + 4);
  for (std::size_t i = 0; i < sizeof expected; ++i) EXPECT_EQ(bytes.u8(i), expected[i]) << "offset " << i;
  EXPECT_EQ(bytes.u32(28 + 28), bytes.size() - (8 + 20 + 48)) << "DataSize: marker and payload";
  for (std::size_t i = 28 + 32; i < 28 + 48; ++i) EXPECT_EQ(bytes.u8(i), 0) << "reserved " << i;
  EXPECT_EQ(bytes.text(76, 4), "U318");
}

TEST(FirmwareAssembly, OnlyPayloadsThatArePresentAreEmbedded)
{
  TempDir dir;
  std::filesystem::create_directory(dir / "payloads");
  ASSERT_EQ(RunResgen(dir / "none.cpp", dir / "payloads"), 0);
  std::string none = ReadFileBytes(dir / "none.cpp");
  EXPECT_EQ(none.find("\"FW_"), std::string::npos);
  EXPECT_EQ(none.find("kImage"), std::string::npos);

  WriteFileBytes(dir / "payloads/FW_2-0-RU-L7_25.bin", "payload");
  WriteFileBytes(dir / "payloads/FW_not-in-the-manifest.bin", "stray");
  ASSERT_EQ(RunResgen(dir / "one.cpp", dir / "payloads"), 0);
  std::string one = ReadFileBytes(dir / "one.cpp");
  EXPECT_NE(one.find("{\"FW\", \"FW_2-0-RU-L7_25\", kImage0}"), std::string::npos);
  EXPECT_EQ(one.find("kImage1"), std::string::npos);
  EXPECT_EQ(one.find("not-in-the-manifest"), std::string::npos);

  ASSERT_EQ(RunResgen(dir / "sample.cpp", dir / "payloads", "--sample"), 0);
  std::string sample = ReadFileBytes(dir / "sample.cpp");
  EXPECT_NE(sample.find("SYNTHETIC"), std::string::npos);
  EXPECT_NE(sample.find("kImage10}"), std::string::npos);
}
