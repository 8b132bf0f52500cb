#include <gtest/gtest.h>

#include "platform/Bytes.h"

TEST(Bytes, ReadsLittleAndBigEndian)
{
  const std::uint8_t data[] = {0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0xC0, 0x3F};
  ByteReader r(data);
  EXPECT_EQ(r.u16(0), 0x0201);
  EXPECT_EQ(r.u16be(0), 0x0102);
  EXPECT_EQ(r.u32(0), 0x04030201u);
  EXPECT_EQ(r.u32be(0), 0x01020304u);
  EXPECT_FLOAT_EQ(r.f32(4), 1.5f);
  EXPECT_THROW(r.u32(5), EByteRange);
  EXPECT_THROW(r.u8(8), EByteRange);
  EXPECT_THROW(r.span(2, SIZE_MAX), EByteRange);
}

TEST(Bytes, TextFieldsKeepAZero)
{
  std::uint8_t data[6] = {1, 1, 1, 1, 1, 1};
  ByteWriter w(data);
  w.text(0, 4, "abcdef");
  EXPECT_EQ(ByteReader(data).text(0, 4), "abc");
  EXPECT_EQ(data[3], 0);
  EXPECT_EQ(data[4], 1);
  EXPECT_THROW(w.u16(5, 1), EByteRange);
}
