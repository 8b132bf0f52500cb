#include <gtest/gtest.h>

#include <cerrno>

#include "platform/SystemRandom.h"
#include "recorder/access/Sha256.h"
#include "recorder/access/SrpClient.h"
#include "support/SrpVectors.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

template <std::size_t Size>
std::span<const std::uint8_t, Size> Fixed(const Bytes& bytes)
{
  return std::span<const std::uint8_t, Size>(bytes.data(), Size);
}

template <std::size_t Size>
Bytes ToBytes(const std::array<std::uint8_t, Size>& array)
{
  return {array.begin(), array.end()};
}

SrpSecretSource FixedSecret(std::string_view hex)
{
  return [secret = SrpVectors::Bytes(hex)](std::span<std::uint8_t, Srp::ImageSize> out) {
    std::copy(secret.begin(), secret.end(), out.begin());
  };
}

std::string_view Text(const Bytes& bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

// The exchange of srp_reference.py up to the client's proof.
class SrpClientExchange : public ::testing::Test {
protected:
  void Start()
  {
    SrpClientStart(context, Fixed<4>(U), outU, outA, FixedSecret(SrpVectors::ExchangeAImageSecret));
  }
  bool Prove(const Bytes& B) { return SrpClientComputeProof(context, Fixed<4>(U), Text(password), Fixed<4>(salt), Fixed<128>(B)); }

  SrpClientContext context;
  const Bytes U = SrpVectors::Bytes(SrpVectors::ExchangeU);
  const Bytes salt = SrpVectors::Bytes(SrpVectors::ExchangeSalt);
  const Bytes password = SrpVectors::Bytes(SrpVectors::ExchangePassword);
  const Bytes B = SrpVectors::Bytes(SrpVectors::ExchangeB);
  std::array<std::uint8_t, 4> outU{};
  std::array<std::uint8_t, Srp::ImageSize> outA{};
};

}  // namespace

// x for salt 0, level 1 and an empty password is the hash of those eight bytes.
TEST(SrpClient, XOfEmptyPassword)
{
  const std::uint8_t input[] = {0, 0, 0, 0, 1, 0, 0, 0};
  Sha256::Digest x = Sha256::Hash(input);
  EXPECT_EQ(Bytes(x.begin(), x.end()), SrpVectors::Bytes(SrpVectors::XEmpty));
}

TEST_F(SrpClientExchange, MatchesTheIndependentReference)
{
  Start();
  EXPECT_EQ(ToBytes(outU), U);
  EXPECT_EQ(ToBytes(outA), SrpVectors::Bytes(SrpVectors::ExchangeA));
  EXPECT_EQ(ToBytes(context.A), SrpVectors::Bytes(SrpVectors::ExchangeA));

  ASSERT_TRUE(Prove(B));
  EXPECT_EQ(ToBytes(context.salt), salt);
  EXPECT_EQ(ToBytes(context.S), SrpVectors::Bytes(SrpVectors::ExchangeS));
  std::array<std::uint8_t, Srp::DigestSize> M1{};
  SrpClientGetProof(context, M1);
  EXPECT_EQ(ToBytes(M1), SrpVectors::Bytes(SrpVectors::ExchangeM1));

  Bytes M2 = SrpVectors::Bytes(SrpVectors::ExchangeM2);
  EXPECT_TRUE(SrpClientVerifyServerProof(context, Fixed<32>(M2)));
  for (std::size_t at : {std::size_t(0), std::size_t(31)}) {
    Bytes wrong = M2;
    wrong[at] ^= 0x80;
    EXPECT_FALSE(SrpClientVerifyServerProof(context, Fixed<32>(wrong))) << "byte " << at;
  }
}

// A B that is 0 modulo N is refused and leaves the last proof as it was.
TEST_F(SrpClientExchange, RefusesAZeroB)
{
  Start();
  ASSERT_TRUE(Prove(B));
  Bytes N = SrpVectors::Bytes(SrpVectors::ImageN);
  for (const Bytes& zero : {Bytes(Srp::ImageSize, 0), N}) {
    EXPECT_FALSE(Prove(zero));
    EXPECT_EQ(ToBytes(context.S), SrpVectors::Bytes(SrpVectors::ExchangeS));
    EXPECT_EQ(ToBytes(context.M1), SrpVectors::Bytes(SrpVectors::ExchangeM1));
  }
  EXPECT_TRUE(SrpClientVerifyServerProof(context, Fixed<32>(SrpVectors::Bytes(SrpVectors::ExchangeM2))));
}

// Before any proof S and M1 are zero; an M2 made from them must not pass.
TEST_F(SrpClientExchange, NoServerProofBeforeTheClientProof)
{
  Start();
  Bytes zeroS(Srp::ImageSize, 0), zeroM1(Srp::DigestSize, 0);
  Sha256 hash;
  Sha256::Digest forged = hash.Update(context.A).Update(zeroM1).Update(zeroS).Final();
  EXPECT_FALSE(SrpClientVerifyServerProof(context, forged));
  EXPECT_FALSE(Prove(Bytes(Srp::ImageSize, 0)));
  EXPECT_FALSE(SrpClientVerifyServerProof(context, forged));
}

// A failing random source ends the login; nothing predictable takes its place.
TEST(SrpClient, RandomSourceFailureRaises)
{
  SrpClientContext context;
  std::array<std::uint8_t, 4> U{1, 0, 0, 0}, outU{};
  std::array<std::uint8_t, Srp::ImageSize> outA{};
  auto failing = [](std::span<std::uint8_t, Srp::ImageSize> out) {
    FillSystemRandom(out, [](void*, std::size_t, unsigned) -> long {
      errno = ENOSYS;
      return -1;
    });
  };
  EXPECT_THROW(SrpClientStart(context, U, outU, outA, failing), ESystemRandom);
  EXPECT_EQ(outA, (std::array<std::uint8_t, Srp::ImageSize>{}));
}

// Two starts from the system's source draw different secrets.
TEST(SrpClient, SystemSecretsDiffer)
{
  std::array<std::uint8_t, 4> U{1, 0, 0, 0}, outU{};
  std::array<std::uint8_t, Srp::ImageSize> A1{}, A2{};
  SrpClientContext first, second;
  SrpClientStart(first, U, outU, A1);
  SrpClientStart(second, U, outU, A2);
  EXPECT_NE(A1, A2);
  EXPECT_NE(first.a, second.a);
}
