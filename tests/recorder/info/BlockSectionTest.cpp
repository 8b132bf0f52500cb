#include <gtest/gtest.h>

#include <numeric>
#include <string_view>
#include <vector>

#include "platform/Bytes.h"
#include "recorder/info/BlockSection.h"
#include "recorder/info/Crc32.h"
#include "recorder/info/VantorException.h"
#include "support/ExpectThrowMsg.h"

// Expected bytes and checksums come from values_vectors.py (values_vectors.txt beside it).

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes Ramp(std::size_t n)
{
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i);
  return b;
}

TEST(Crc32, Vectors)
{
  const Bytes ramp = Ramp(1000);
  struct Case {
    const char* name;
    std::uint32_t got;
    std::uint32_t expected;
  } const cases[] = {
      {"check value (zlib's CRC-32 would give 0xCBF43926)", Crc32Of(Of("123456789")), 0x2DFD2D88},
      {"abc", Crc32Of(Of("abc")), 0xCA6598D0},
      {"empty", Crc32Of(Bytes{}), 0},
      {"1000 bytes, eight at a time", Crc32Of(ramp), 0x72E8ECC1},
      // Odd starts and lengths: the eight-byte steps and the byte tail must meet.
      {"17 bytes from offset 1", Crc32Of(ramp.data() + 1, 17), 0xBBEEB0C8},
      {"9 bytes from offset 3", Crc32Of(ramp.data() + 3, 9), 0x2CDE00F7},
      {"1 byte from offset 5", Crc32Of(ramp.data() + 5, 1), 0x706AF48F},
      {"64 bytes from offset 7", Crc32Of(ramp.data() + 7, 64), 0x4BE8FDFD},
      {"register after 333 bytes", Crc32Of(ramp.data(), 333), 0xA0408BBA},
      {"chained from that register", Crc32Update(0xA0408BBA, ramp.data() + 333, 667), 0x72E8ECC1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.got, c.expected);
  }
}

TEST(BlockSection, ShortForm)
{
  Bytes out;
  WriteBlockCrc16(out, 19, 3, 4, Ramp(12));
  EXPECT_EQ(out, (Bytes{0x13, 0x03, 0x04, 0x00, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xA1, 0x94}));
}

TEST(BlockSection, LongForm)
{
  Bytes out;
  WriteBlockCrc32(out, 40, 1, 5, Of("abcde"));
  EXPECT_EQ(out, (Bytes{0x28, 0x01, 0x05, 0x00, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e', 0x78, 0x2F, 0xA5, 0x43}));
}

TEST(BlockSection, EmptySectionsAreTheirHeaderOnly)
{
  const Bytes none;
  struct Case {
    const char* name;
    Bytes got;
    Bytes expected;
  } cases[] = {
      {"count 0", {}, {7, 0, 4, 0}},
      {"size 0", {}, {7, 5, 0, 0}},
      {"empty buffer", {}, {9, 1, 0, 0}},
      {"empty vector of records", {}, {3, 0, 36, 0}},
      {"empty stream, short form", {}, {11, 1, 0, 0}},
      {"empty stream, long form", {}, {41, 1, 0, 0, 0, 0}},
      {"long form, count 0", {}, {42, 0, 0x10, 0, 0, 0}},
  };
  std::size_t position = 0;
  WriteBlockCrc16(cases[0].got, 7, 0, 4, none);
  WriteBlockCrc16(cases[1].got, 7, 5, 0, none);
  WriteBufferBlock(cases[2].got, 9, none);
  WriteVectorBlock(cases[3].got, 3, 0, none, 36);
  WriteStreamBlock(cases[4].got, 11, none, position);
  WriteSizedBlock(cases[5].got, 41, none);
  WriteBlockCrc32(cases[6].got, 42, 0, 16, none);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.got, c.expected);
  }
}

TEST(BlockSection, SectionsFollowWhatIsAlreadyThere)
{
  Bytes out = Of("RCF2");
  WriteBufferBlock(out, 2, Of("abc"));
  AppendBytes(out, "xy", 2);
  WriteSizedBlock(out, 40, Of("abcde"));
  EXPECT_EQ(out, (Bytes{'R', 'C', 'F', '2', 0x02, 0x01, 0x03, 0x00, 'a', 'b', 'c', 0x49, 0x57, 'x', 'y', 0x28,
                        0x01, 0x05, 0x00, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e', 0x78, 0x2F, 0xA5, 0x43}));
}

TEST(BlockSection, VectorBlockTakesCountTimesSizeBytes)
{
  // A count taken modulo 256 leaves the rest of the records out of the section.
  Bytes out;
  WriteVectorBlock(out, 19, 3, Ramp(20), 4);
  EXPECT_EQ(out, (Bytes{0x13, 0x03, 0x04, 0x00, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xA1, 0x94}));
}

TEST(BlockSection, ItemsShorterThanTheHeaderClaimsAreRefused)
{
  Bytes out = {0xEE};
  EXPECT_THROW(WriteVectorBlock(out, 19, 3, Ramp(11), 4), EByteRange);
  EXPECT_THROW(WriteVectorBlock(out, 19, 1, Bytes{}, 4), EByteRange);
  EXPECT_THROW(WriteBlockCrc32(out, 40, 2, 5, Of("abcde")), EByteRange);
  EXPECT_EQ(out, Bytes{0xEE});
}

TEST(BlockSection, ShortFormRefusesSizesBeyond16Bits)
{
  // The size field would keep only the low 16 bits and the section would lie about
  // its length.
  Bytes out = {0xEE};
  const Bytes big(65536, 0x5A);
  std::size_t position = 0;
  EXPECT_THROW_MSG(WriteBufferBlock(out, 25, big), EVantorException, "Блок 25: размер 65536 байт больше допустимых 65535");
  EXPECT_THROW_MSG(WriteStreamBlock(out, 26, big, position), EVantorException,
                   "Блок 26: размер 65536 байт больше допустимых 65535");
  EXPECT_THROW(WriteBlockCrc16(out, 27, 0, 70000, big), EVantorException);
  EXPECT_EQ(out, Bytes{0xEE});
  EXPECT_EQ(position, 0u);

  // The largest size that fits, and the same data in the long form.
  WriteBufferBlock(out, 25, std::span(big).first(65535));
  ASSERT_EQ(out.size(), 1 + 4 + 65535 + 2u);
  EXPECT_EQ(out[3], 0xFF);
  EXPECT_EQ(out[4], 0xFF);
  out.clear();
  WriteSizedBlock(out, 44, big);
  ASSERT_EQ(out.size(), 6 + 65536 + 4u);
  EXPECT_EQ((Bytes(out.begin(), out.begin() + 6)), (Bytes{44, 1, 0x00, 0x00, 0x01, 0x00}));
}

TEST(BlockSection, StreamBlockChecksumsTheBytesItAppends)
{
  // A stream that is not at its start: the items come from its position, and so must
  // the CRC (taken over the start of the memory it would not match the items).
  const Bytes stream = Of("XYZabc");
  std::size_t position = 3;
  Bytes out;
  WriteStreamBlockCrc16(out, 2, 1, 3, stream, position);
  EXPECT_EQ(out, (Bytes{0x02, 0x01, 0x03, 0x00, 'a', 'b', 'c', 0x49, 0x57}));
  EXPECT_EQ(position, 6u);

  // At its start the whole stream is the item.
  position = 0;
  out.clear();
  WriteStreamBlock(out, 19, Ramp(12), position);
  EXPECT_EQ(out, (Bytes{0x13, 0x01, 0x0C, 0x00, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xA1, 0x94}));
  EXPECT_EQ(position, 12u);
}

TEST(BlockSection, ShortStreamRaisesTheReadError)
{
  const Bytes stream = Of("abcdef");
  std::size_t position = 4;
  Bytes out;
  EXPECT_THROW(WriteStreamBlockCrc16(out, 2, 1, 3, stream, position), EByteRange);
  EXPECT_THROW(WriteStreamBlock(out, 2, stream, position), EByteRange);  // size 6 from position 4
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(position, 4u);
}

}  // namespace
