#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "recorder/access/SrpNumber.h"

namespace recsim {

// The recorder's side of the SRP-6 password login (function 0x6E), as pure math: no wire.
// A wire handler hands it each request's data (the bytes after the function code) and
// sends back what HandleRequest returns; input registers 75 and 76 read ProtectedLevels
// and OpenLevels.
//
// Request data: [0] 1, [1] step, [2..5] U (the level, u32 LE), step 0 [6..133] A,
// step 1 [6..37] M1. Reply data: [0] status, [1..4] U echoed, step 0 [5..8] salt and
// [9..136] B, step 1 [9..40] M2.
class SrpServer {
public:
  static constexpr std::size_t RequestSize = 134;
  static constexpr std::size_t Step0ReplySize = 137;
  static constexpr std::size_t Step1ReplySize = 41;

  enum Status : std::uint8_t {
    Continue = 0,     // step 0 answered; step 1: accepted
    BadLevel = 1,     // no password for this level, or step 1 for another level than step 0
    WrongPassword = 2,
    OtherError = 3,   // malformed request, step 1 without step 0, A that is 0 modulo N
  };

  // Faults to answer with on request; they last until set again.
  struct Faults {
    std::optional<std::uint8_t> step0Status;  // answer step 0 with this status, no B
    std::optional<std::uint8_t> step1Status;  // answer step 1 with this status, no M2
    bool zeroB = false;                       // step 0 answers status 0 with B = 0
    bool wrongM2 = false;                     // step 1 accepts and answers a corrupted M2
    bool shortStep0 = false;                  // step 0 reply cut after the salt (no B)
    bool shortStep1 = false;                  // step 1 reply cut before M2
  };

  // Fills the server's secret exponent b (128-byte image); by default the system's
  // random source. Tests fix it.
  using SecretSource = std::function<void(std::span<std::uint8_t, Srp::ImageSize>)>;

  SrpServer();

  // Protects `level` (1 or 2, or any other u32 value) with a password: stores the salt and
  // v = g^x, x = H(salt | level as u32 LE | password). An empty password still protects.
  void SetPassword(std::uint32_t level, std::string_view password, std::array<std::uint8_t, 4> salt = {0x5A, 0x17, 0xC3, 0x08});
  void RemovePassword(std::uint32_t level);
  // The verifier image of a protected level (empty when the level has none).
  std::optional<std::array<std::uint8_t, Srp::ImageSize>> Verifier(std::uint32_t level) const;

  void SetFaults(const Faults& faults);
  void SetSecretSource(SecretSource source);

  // Bit (level - 1) for each protected level 1..16: input register 75.
  std::uint16_t ProtectedLevels() const;
  // Bit (level - 1) for each level opened by a good login: input register 76.
  std::uint16_t OpenLevels() const;
  // Closes every level again (the device restarted, the connection dropped).
  void CloseLevels();

  // One 0x6E request's data in, the reply's data out.
  std::vector<std::uint8_t> HandleRequest(std::span<const std::uint8_t> request);

private:
  struct Account {
    std::array<std::uint8_t, 4> salt;
    Srp::Number verifier;
  };
  struct Session {
    std::uint32_t level;
    Srp::Number A, b;
    std::array<std::uint8_t, Srp::ImageSize> AImage, BImage;
  };

  std::vector<std::uint8_t> Step0(std::uint32_t level, std::span<const std::uint8_t> request);
  std::vector<std::uint8_t> Step1(std::uint32_t level, std::span<const std::uint8_t> request);
  std::vector<std::uint8_t> Reply(std::uint8_t status, std::uint32_t level, std::size_t size) const;

  mutable std::mutex lock_;
  std::map<std::uint32_t, Account> accounts_;
  std::optional<Session> session_;
  std::uint16_t open_ = 0;
  Faults faults_;
  SecretSource secret_;
};

}  // namespace recsim
