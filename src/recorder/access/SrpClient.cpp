#include "recorder/access/SrpClient.h"

#include "platform/SystemRandom.h"
#include "recorder/access/SecureWipe.h"
#include "recorder/access/Sha256.h"

namespace {

constexpr std::uint32_t MultiplierK = 3;  // SRP-6; not the hashed multiplier of SRP-6a

// Wipes the numbers it is given when the scope ends, however it ends.
template <std::size_t Count>
struct WipeOnExit {
  std::array<Srp::Number*, Count> numbers;
  ~WipeOnExit()
  {
    for (Srp::Number* n : numbers) Srp::Wipe(*n);
  }
};
template <typename... T>
WipeOnExit(T*...) -> WipeOnExit<sizeof...(T)>;

}  // namespace

SrpClientContext::~SrpClientContext()
{
  WipeBytes(a.data(), a.size());
  WipeBytes(S.data(), S.size());
  WipeBytes(M1.data(), M1.size());
}

void SrpClientStart(SrpClientContext& context, std::span<const std::uint8_t, 4> U, std::span<std::uint8_t, 4> outU,
                    std::span<std::uint8_t, Srp::ImageSize> outA)
{
  SrpClientStart(context, U, outU, outA, [](std::span<std::uint8_t, Srp::ImageSize> secret) { FillSystemRandom(secret); });
}

void SrpClientStart(SrpClientContext& context, std::span<const std::uint8_t, 4> U, std::span<std::uint8_t, 4> outU,
                    std::span<std::uint8_t, Srp::ImageSize> outA, const SrpSecretSource& secret)
{
  context.proofReady = false;
  secret(context.a);
  Srp::Number a = Srp::FromImage(context.a);
  WipeOnExit guard{&a};
  Srp::ToImage(Srp::ModExp(Srp::Generator(), a), context.A);
  std::copy(U.begin(), U.end(), outU.begin());
  std::copy(context.A.begin(), context.A.end(), outA.begin());
}

bool SrpClientComputeProof(SrpClientContext& context, std::span<const std::uint8_t, 4> U, std::string_view password,
                           std::span<const std::uint8_t, 4> salt, std::span<const std::uint8_t, Srp::ImageSize> B)
{
  std::copy(salt.begin(), salt.end(), context.salt.begin());

  // B is 0 or N: (B - k*v) would not depend on B, and RFC 5054 has the client abort.
  Srp::Number b = Srp::Reduce(Srp::FromImage(B));
  if (Srp::IsZero(b)) return false;

  Sha256 hash;
  Srp::Number u = Srp::FromDigest(hash.Update(context.A).Update(B).Final());
  if (Srp::IsZero(u)) return false;

  Sha256::Digest xDigest = hash.Update(salt).Update(U).Update(password.data(), password.size()).Final();
  Srp::Number a = Srp::FromImage(context.a), x = Srp::FromDigest(xDigest);
  WipeBytes(xDigest.data(), xDigest.size());
  Srp::Number v, t, ta, tu, tux, s;
  WipeOnExit guard{&a, &x, &v, &t, &ta, &tu, &tux, &s};

  v = Srp::ModExp(Srp::Generator(), x);
  t = Srp::ModSubtract(b, Srp::ModMultiplySmall(v, MultiplierK));
  // (B - k*g^x)^(a + u*x), taken as t^a * (t^u)^x so that no exponent outgrows 1024 bits.
  ta = Srp::ModExp(t, a);
  tu = Srp::ModExp(t, u);
  tux = Srp::ModExp(tu, x);
  s = Srp::ModMultiply(ta, tux);

  Srp::ToImage(s, context.S);
  context.M1 = hash.Update(context.A).Update(B).Update(context.S).Final();
  context.proofReady = true;
  return true;
}

void SrpClientGetProof(const SrpClientContext& context, std::span<std::uint8_t, Srp::DigestSize> out)
{
  std::copy(context.M1.begin(), context.M1.end(), out.begin());
}

bool SrpClientVerifyServerProof(const SrpClientContext& context, std::span<const std::uint8_t, Srp::DigestSize> M2)
{
  if (!context.proofReady) return false;
  Sha256 hash;
  Sha256::Digest expected = hash.Update(context.A).Update(context.M1).Update(context.S).Final();
  std::uint8_t diff = 0;  // no early exit: the time taken says nothing about where M2 differs
  for (std::size_t i = 0; i < expected.size(); ++i) diff |= expected[i] ^ M2[i];
  WipeBytes(expected.data(), expected.size());
  return diff == 0;
}
