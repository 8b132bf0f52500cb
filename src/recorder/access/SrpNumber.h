#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The fixed-size arithmetic of the password login: 1024-bit numbers modulo the 1024-bit
// safe prime N of RFC 5054 (Appendix A). Numbers are 32 words of 32 bits, word 0 the most
// significant, as the recorder keeps them; products are 64 words in the same order.
namespace Srp {

constexpr std::size_t Words = 32;
constexpr std::size_t ImageSize = 4 * Words;  // 128 bytes on the wire and in the hashes
constexpr std::size_t DigestSize = 32;

using Number = std::array<std::uint32_t, Words>;
using Wide = std::array<std::uint32_t, 2 * Words>;

const Number& N();
const Number& Generator();  // g = 2

// The 128-byte image: the words most significant first, each word's four bytes least
// significant first. This is the recorder's own order, on the wire and as hash input.
Number FromImage(std::span<const std::uint8_t, ImageSize> image);
void ToImage(const Number& n, std::span<std::uint8_t, ImageSize> image);
// A digest is the number whose image is 96 zero bytes followed by the digest bytes.
Number FromDigest(std::span<const std::uint8_t, DigestSize> digest);

bool IsZero(const Number& n);
int Compare(const Number& a, const Number& b);

// Schoolbook product, 32 x 32 words into 64.
Wide Multiply(const Number& a, const Number& b);
// Remainder of any 64-word value modulo N (long division one word at a time).
Number Reduce(const Wide& w);
Number Reduce(const Number& n);
Number ModMultiply(const Number& a, const Number& b);
// small * a mod N.
Number ModMultiplySmall(const Number& a, std::uint32_t small);
// (a + b) mod N and (a - b) mod N for a and b below N.
Number ModAdd(const Number& a, const Number& b);
Number ModSubtract(const Number& a, const Number& b);
// base^exponent mod N, right-to-left square-and-multiply over the exponent's bits up to
// its most significant non-zero word. The exponent is used whole, not reduced.
Number ModExp(const Number& base, const Number& exponent);

void Wipe(Number& n) noexcept;
void Wipe(Wide& w) noexcept;

}  // namespace Srp
