#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "recorder/access/Sha256.h"
#include "support/SrpVectors.h"

namespace {

std::vector<std::uint8_t> Digest(Sha256::Digest d) { return {d.begin(), d.end()}; }

std::span<const std::uint8_t> AsBytes(std::string_view text)
{
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

// The FIPS 180-4 examples: 56 bytes leave no room for the bit count in the first block,
// and 112 bytes fill the second block exactly as far, so the padding spills into a third.
TEST(Sha256, FipsExamples)
{
  struct Case {
    const char* name;
    std::string_view message;
    std::string_view digest;
  } cases[] = {
    {"0 bytes", "", SrpVectors::Sha0},
    {"3 bytes", "abc", SrpVectors::Sha3},
    {"56 bytes", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", SrpVectors::Sha56},
    {"112 bytes",
     "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
     SrpVectors::Sha112},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Digest(Sha256::Hash(AsBytes(c.message))), SrpVectors::Bytes(c.digest));
  }
}

// Pieces that straddle block edges in every way must hash as the whole does.
TEST(Sha256, UpdatesInPiecesOfAnySize)
{
  const std::string million(1000000, 'a');
  Sha256 hash;
  std::size_t pos = 0;
  for (std::size_t piece = 0; pos < million.size(); piece = (piece * 7 + 5) % 131) {
    std::size_t n = std::min(piece, million.size() - pos);
    hash.Update(million.data() + pos, n);
    pos += n;
  }
  EXPECT_EQ(Digest(hash.Final()), SrpVectors::Bytes(SrpVectors::ShaMillionA));

  // Final leaves the object ready for the next message.
  EXPECT_EQ(Digest(hash.Update(AsBytes("abc")).Final()), SrpVectors::Bytes(SrpVectors::Sha3));
}
