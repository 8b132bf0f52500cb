#include "recorder/access/SrpNumber.h"

#include "recorder/access/SecureWipe.h"

namespace Srp {

namespace {

constexpr Number ModulusN = {
  0xEEAF0AB9, 0xADB38DD6, 0x9C33F80A, 0xFA8FC5E8, 0x60726187, 0x75FF3C0B, 0x9EA2314C, 0x9C256576,
  0xD674DF74, 0x96EA81D3, 0x383B4813, 0xD692C6E0, 0xE0D5D8E2, 0x50B98BE4, 0x8E495C1D, 0x6089DAD1,
  0x5DC7D7B4, 0x6154D6B6, 0xCE8EF4AD, 0x69B15D49, 0x82559B29, 0x7BCF1885, 0xC529F566, 0x660E57EC,
  0x68EDBC3C, 0x05726CC0, 0x2FD4CBF4, 0x976EAA9A, 0xFD5138FE, 0x8376435B, 0x9FC61D2F, 0xC0EB06E3,
};
// The division below takes its quotient estimates from N's top word; they are only good
// to within two when that word has its top bit set, which this N has without shifting.
static_assert(ModulusN[0] & 0x80000000u);

constexpr Number MakeSmall(std::uint32_t value)
{
  Number n{};
  n[Words - 1] = value;
  return n;
}

constexpr Number GeneratorG = MakeSmall(2);

constexpr std::uint64_t Base = std::uint64_t(1) << 32;

// r = a - b modulo 2^1024; true when it borrowed (a < b).
bool Subtract(Number& r, const Number& a, const Number& b)
{
  std::int64_t borrow = 0;
  for (std::size_t i = Words; i-- > 0;) {
    std::int64_t t = std::int64_t(a[i]) - std::int64_t(b[i]) + borrow;
    r[i] = static_cast<std::uint32_t>(t);
    borrow = t >> 32;
  }
  return borrow != 0;
}

// r = a + b modulo 2^1024; true when it carried out.
bool Add(Number& r, const Number& a, const Number& b)
{
  std::uint64_t carry = 0;
  for (std::size_t i = Words; i-- > 0;) {
    std::uint64_t t = std::uint64_t(a[i]) + b[i] + carry;
    r[i] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  return carry != 0;
}

}  // namespace

const Number& N() { return ModulusN; }
const Number& Generator() { return GeneratorG; }

Number FromImage(std::span<const std::uint8_t, ImageSize> image)
{
  Number n;
  for (std::size_t i = 0; i < Words; ++i) {
    const std::uint8_t* p = image.data() + 4 * i;
    n[i] = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
  }
  return n;
}

void ToImage(const Number& n, std::span<std::uint8_t, ImageSize> image)
{
  for (std::size_t i = 0; i < Words; ++i) {
    std::uint8_t* p = image.data() + 4 * i;
    p[0] = static_cast<std::uint8_t>(n[i]);
    p[1] = static_cast<std::uint8_t>(n[i] >> 8);
    p[2] = static_cast<std::uint8_t>(n[i] >> 16);
    p[3] = static_cast<std::uint8_t>(n[i] >> 24);
  }
}

Number FromDigest(std::span<const std::uint8_t, DigestSize> digest)
{
  std::array<std::uint8_t, ImageSize> image{};
  std::copy(digest.begin(), digest.end(), image.end() - DigestSize);
  Number n = FromImage(image);
  WipeBytes(image.data(), image.size());
  return n;
}

bool IsZero(const Number& n)
{
  std::uint32_t any = 0;
  for (std::uint32_t w : n) any |= w;
  return any == 0;
}

int Compare(const Number& a, const Number& b)
{
  for (std::size_t i = 0; i < Words; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

Wide Multiply(const Number& a, const Number& b)
{
  // Word i of a (weight Words-1-i) times word j of b lands at weight 2*Words-2-i-j, which
  // is index i+j+1 of the most-significant-first product.
  Wide product{};
  for (std::size_t i = Words; i-- > 0;) {
    std::uint64_t carry = 0;
    for (std::size_t j = Words; j-- > 0;) {
      std::uint64_t t = std::uint64_t(a[i]) * b[j] + product[i + j + 1] + carry;
      product[i + j + 1] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    product[i] = static_cast<std::uint32_t>(carry);
  }
  return product;
}

Number Reduce(const Wide& w)
{
  // Knuth's algorithm D with the quotient thrown away. u holds one leading zero word and
  // the dividend; each step clears the window's top word, leaving the remainder in the
  // low Words words.
  std::array<std::uint32_t, 2 * Words + 1> u;
  u[0] = 0;
  std::copy(w.begin(), w.end(), u.begin() + 1);
  const Number& n = ModulusN;

  for (std::size_t j = 0; j <= Words; ++j) {
    // Window u[j .. j+Words]; its top three words estimate the quotient word.
    std::uint64_t top = std::uint64_t(u[j]) << 32 | u[j + 1];
    std::uint64_t qhat = top / n[0];
    std::uint64_t rhat = top % n[0];
    while (qhat >= Base || qhat * n[1] > (rhat << 32 | u[j + 2])) {
      --qhat;
      rhat += n[0];
      if (rhat >= Base) break;
    }
    if (qhat == 0) continue;

    // u[j..] -= qhat * n, least significant word first.
    std::int64_t borrow = 0;
    std::uint64_t carry = 0;
    for (std::size_t i = Words; i-- > 0;) {
      std::uint64_t p = qhat * n[i] + carry;
      carry = p >> 32;
      std::int64_t t = std::int64_t(u[j + 1 + i]) - std::int64_t(p & 0xFFFFFFFF) + borrow;
      u[j + 1 + i] = static_cast<std::uint32_t>(t);
      borrow = t >> 32;  // 0 or -1
    }
    std::int64_t t = std::int64_t(u[j]) - std::int64_t(carry) + borrow;
    u[j] = static_cast<std::uint32_t>(t);

    if (t < 0) {
      // The estimate was one too large: add N back once.
      std::uint64_t c = 0;
      for (std::size_t i = Words; i-- > 0;) {
        std::uint64_t s = std::uint64_t(u[j + 1 + i]) + n[i] + c;
        u[j + 1 + i] = static_cast<std::uint32_t>(s);
        c = s >> 32;
      }
      u[j] = static_cast<std::uint32_t>(u[j] + c);
    }
  }

  Number r;
  std::copy(u.end() - Words, u.end(), r.begin());
  WipeBytes(u.data(), sizeof u);
  return r;
}

Number Reduce(const Number& a)
{
  // N has its top bit set, so any 1024-bit value is below 2N.
  Number r = a;
  if (Compare(a, ModulusN) >= 0) Subtract(r, a, ModulusN);
  return r;
}

Number ModMultiply(const Number& a, const Number& b)
{
  Wide product = Multiply(a, b);
  Number r = Reduce(product);
  Wipe(product);
  return r;
}

Number ModMultiplySmall(const Number& a, std::uint32_t small)
{
  Wide product{};
  std::uint64_t carry = 0;
  for (std::size_t i = Words; i-- > 0;) {
    std::uint64_t t = std::uint64_t(a[i]) * small + carry;
    product[Words + i] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  product[Words - 1] = static_cast<std::uint32_t>(carry);
  Number r = Reduce(product);
  Wipe(product);
  return r;
}

Number ModAdd(const Number& a, const Number& b)
{
  Number r;
  // The sum is below 2N; a carry out of the top word means at least 2^1024, above N.
  if (Add(r, a, b) || Compare(r, ModulusN) >= 0) Subtract(r, r, ModulusN);
  return r;
}

Number ModSubtract(const Number& a, const Number& b)
{
  Number r;
  if (Subtract(r, a, b)) Add(r, r, ModulusN);
  return r;
}

Number ModExp(const Number& base, const Number& exponent)
{
  Number result = MakeSmall(1);
  Number power = Reduce(base);
  std::size_t top = 0;
  while (top < Words && exponent[top] == 0) ++top;
  for (std::size_t i = Words; i-- > top;) {
    for (int bit = 0; bit < 32; ++bit) {
      if (exponent[i] >> bit & 1) result = ModMultiply(result, power);
      power = ModMultiply(power, power);
    }
  }
  Wipe(power);
  return result;
}

void Wipe(Number& n) noexcept { WipeBytes(n.data(), sizeof n); }
void Wipe(Wide& w) noexcept { WipeBytes(w.data(), sizeof w); }

}  // namespace Srp
