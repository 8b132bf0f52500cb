#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "recorder/access/SrpNumber.h"

// Client side of the recorder's SRP-6 password login (group of RFC 5054's 1024-bit prime,
// g = 2, k = 3, H = SHA-256). Numbers travel as the 128-byte images of SrpNumber.h.
//
// One login: SrpClientStart, send U and A; on the device's salt and B,
// SrpClientComputeProof, send SrpClientGetProof's M1; check the device's M2 with
// SrpClientVerifyServerProof.

// Lives on the caller's stack for one login; wipes its secrets when it goes.
struct SrpClientContext {
  std::array<std::uint8_t, 4> salt{};             // as the device sent it
  std::array<std::uint8_t, Srp::ImageSize> A{};   // g^a mod N
  std::array<std::uint8_t, Srp::ImageSize> a{};   // the secret exponent
  std::array<std::uint8_t, Srp::ImageSize> S{};   // the shared secret
  std::array<std::uint8_t, Srp::DigestSize> M1{}; // the client proof
  bool proofReady = false;                        // S and M1 come from a successful proof

  SrpClientContext() = default;
  SrpClientContext(const SrpClientContext&) = delete;
  SrpClientContext& operator=(const SrpClientContext&) = delete;
  ~SrpClientContext();
};

// Where the secret exponent's 128 bytes come from: fills the span whole or raises.
using SrpSecretSource = std::function<void(std::span<std::uint8_t, Srp::ImageSize> secret)>;

// Draws a from the system's random source (raises ESystemRandom when it fails; no
// predictable stand-in is ever used), computes A and copies U and A out.
void SrpClientStart(SrpClientContext& context, std::span<const std::uint8_t, 4> U, std::span<std::uint8_t, 4> outU,
                    std::span<std::uint8_t, Srp::ImageSize> outA);
// The same with the secret taken from `secret` (tests fix it).
void SrpClientStart(SrpClientContext& context, std::span<const std::uint8_t, 4> U, std::span<std::uint8_t, 4> outU,
                    std::span<std::uint8_t, Srp::ImageSize> outA, const SrpSecretSource& secret);

// False when B is 0 modulo N or u is zero (S and M1 are then left as they were);
// otherwise computes S and M1.
bool SrpClientComputeProof(SrpClientContext& context, std::span<const std::uint8_t, 4> U, std::string_view password,
                           std::span<const std::uint8_t, 4> salt, std::span<const std::uint8_t, Srp::ImageSize> B);

void SrpClientGetProof(const SrpClientContext& context, std::span<std::uint8_t, Srp::DigestSize> out);

// True when M2 equals H(A | M1 | S) byte for byte. Always false before a successful
// SrpClientComputeProof, whose zero S a forged M2 could otherwise match.
bool SrpClientVerifyServerProof(const SrpClientContext& context, std::span<const std::uint8_t, Srp::DigestSize> M2);
