#include <gtest/gtest.h>

#include "recorder/access/SrpNumber.h"
#include "support/SrpVectors.h"

namespace {

// A number from plain big-endian hex (its words are then most significant first).
template <typename Words>
Words FromHex(std::string_view hex)
{
  std::vector<std::uint8_t> bytes = SrpVectors::Bytes(hex);
  Words n{};
  std::size_t skip = n.size() * 4 - bytes.size();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::size_t k = skip + i;
    n[k / 4] |= std::uint32_t(bytes[i]) << (8 * (3 - k % 4));
  }
  return n;
}

Srp::Number Num(std::string_view hex) { return FromHex<Srp::Number>(hex); }

std::vector<std::uint8_t> Image(const Srp::Number& n)
{
  std::array<std::uint8_t, Srp::ImageSize> image;
  Srp::ToImage(n, image);
  return {image.begin(), image.end()};
}

Srp::Number Small(std::uint32_t value)
{
  Srp::Number n{};
  n[Srp::Words - 1] = value;
  return n;
}

Srp::Number NMinus(std::uint32_t value) { return Srp::ModSubtract(Srp::Number{}, Small(value)); }

}  // namespace

// The images are the device's byte order: most significant word first, each word's bytes
// least significant first.
TEST(SrpNumber, ImagesOfTheGroup)
{
  EXPECT_EQ(Image(Srp::N()), SrpVectors::Bytes(SrpVectors::ImageN));
  EXPECT_EQ(Image(Srp::Generator()), SrpVectors::Bytes(SrpVectors::ImageG));

  std::vector<std::uint8_t> image = SrpVectors::Bytes(SrpVectors::ImageN);
  EXPECT_EQ(Srp::FromImage(std::span<const std::uint8_t, Srp::ImageSize>(image.data(), Srp::ImageSize)), Srp::N());
}

// A digest is the number whose image ends with the digest bytes: each group of four
// reverses, which a big-endian reading of the digest would get wrong.
TEST(SrpNumber, DigestAsNumber)
{
  std::vector<std::uint8_t> digest = SrpVectors::Bytes(SrpVectors::XEmpty);
  EXPECT_EQ(Srp::FromDigest(std::span<const std::uint8_t, Srp::DigestSize>(digest.data(), Srp::DigestSize)),
            Num(SrpVectors::XEmptyAsNumber));
}

// Values one below a multiple of N make the estimated quotient word one too large, the
// rare path of the division that adds N back.
TEST(SrpNumber, ReduceWideValues)
{
  struct Case {
    const char* name;
    std::string_view value;
    std::string_view remainder;
  } cases[] = {
    {"0xFFFFFFFF * N * 2^992 - 1", SrpVectors::AddBack1, SrpVectors::AddBack1ModN},
    {"0x80000001 * N - 1", SrpVectors::AddBack2, SrpVectors::AddBack2ModN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Srp::Reduce(FromHex<Srp::Wide>(c.value)), Num(c.remainder));
  }
  EXPECT_EQ(Srp::Reduce(Srp::Wide{}), Srp::Number{});
}

TEST(SrpNumber, ModularOperations)
{
  Srp::Number full;
  full.fill(0xFFFFFFFF);
  EXPECT_EQ(Srp::ModMultiply(full, full), Num(SrpVectors::FullSquaredModN));
  EXPECT_EQ(Srp::ModMultiply(NMinus(1), NMinus(1)), Small(1));  // (-1)^2
  EXPECT_EQ(Srp::Reduce(Srp::N()), Srp::Number{});

  EXPECT_EQ(Srp::ModExp(Srp::Generator(), Small(1024)), Num(SrpVectors::TwoPow1024ModN));
  EXPECT_EQ(Srp::ModExp(NMinus(1), Small(3)), NMinus(1));
  EXPECT_EQ(Srp::ModExp(Srp::Generator(), Srp::Number{}), Small(1));
  // A base above N is the same base modulo N.
  EXPECT_EQ(Srp::ModExp(full, Small(2)), Num(SrpVectors::FullSquaredModN));

  EXPECT_EQ(Srp::ModMultiplySmall(NMinus(1), 3), NMinus(3));
  EXPECT_EQ(Srp::ModSubtract(Small(1), Small(3)), NMinus(2));
  EXPECT_EQ(Srp::ModAdd(NMinus(1), Small(3)), Small(2));
  EXPECT_EQ(Srp::ModAdd(NMinus(1), Small(1)), Srp::Number{});
}
