#include "recsim/SrpServer.h"

#include <algorithm>

#include "platform/SystemRandom.h"
#include "recorder/access/Sha256.h"

namespace recsim {

namespace {

constexpr std::uint32_t MultiplierK = 3;

// Request and reply offsets, counted from the byte after the function code.
constexpr std::size_t RequestStep = 1;
constexpr std::size_t RequestUser = 2;
constexpr std::size_t RequestA = 6;
constexpr std::size_t RequestM1 = 6;
constexpr std::size_t ReplyUser = 1;
constexpr std::size_t ReplySalt = 5;
constexpr std::size_t ReplyB = 9;
constexpr std::size_t ReplyM2 = 9;

std::uint32_t LoadLe32(const std::uint8_t* p)
{
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::array<std::uint8_t, 4> Le32(std::uint32_t value)
{
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
          static_cast<std::uint8_t>(value >> 24)};
}

std::uint16_t LevelBit(std::uint32_t level)
{
  return level >= 1 && level <= 16 ? static_cast<std::uint16_t>(1u << (level - 1)) : 0;
}

}  // namespace

SrpServer::SrpServer()
  : secret_([](std::span<std::uint8_t, Srp::ImageSize> b) { FillSystemRandom(b); })
{
}

void SrpServer::SetPassword(std::uint32_t level, std::string_view password, std::array<std::uint8_t, 4> salt)
{
  std::array<std::uint8_t, 4> user = Le32(level);
  Sha256 hash;
  Srp::Number x = Srp::FromDigest(hash.Update(salt).Update(user).Update(password.data(), password.size()).Final());
  Account account{salt, Srp::ModExp(Srp::Generator(), x)};
  std::lock_guard guard(lock_);
  accounts_[level] = account;
  open_ &= static_cast<std::uint16_t>(~LevelBit(level));
}

void SrpServer::RemovePassword(std::uint32_t level)
{
  std::lock_guard guard(lock_);
  accounts_.erase(level);
}

std::optional<std::array<std::uint8_t, Srp::ImageSize>> SrpServer::Verifier(std::uint32_t level) const
{
  std::lock_guard guard(lock_);
  auto it = accounts_.find(level);
  if (it == accounts_.end()) return std::nullopt;
  std::array<std::uint8_t, Srp::ImageSize> image;
  Srp::ToImage(it->second.verifier, image);
  return image;
}

void SrpServer::SetFaults(const Faults& faults)
{
  std::lock_guard guard(lock_);
  faults_ = faults;
}

void SrpServer::SetSecretSource(SecretSource source)
{
  std::lock_guard guard(lock_);
  secret_ = std::move(source);
}

std::uint16_t SrpServer::ProtectedLevels() const
{
  std::lock_guard guard(lock_);
  std::uint16_t bits = 0;
  for (const auto& [level, account] : accounts_) bits |= LevelBit(level);
  return bits;
}

std::uint16_t SrpServer::OpenLevels() const
{
  std::lock_guard guard(lock_);
  return open_;
}

void SrpServer::CloseLevels()
{
  std::lock_guard guard(lock_);
  open_ = 0;
  session_.reset();
}

std::vector<std::uint8_t> SrpServer::HandleRequest(std::span<const std::uint8_t> request)
{
  std::lock_guard guard(lock_);
  if (request.size() < RequestSize || request[0] != 1) {
    session_.reset();
    return Reply(OtherError, request.size() >= RequestUser + 4 ? LoadLe32(&request[RequestUser]) : 0, ReplyUser + 4);
  }
  std::uint32_t level = LoadLe32(&request[RequestUser]);
  switch (request[RequestStep]) {
  case 0: return Step0(level, request);
  case 1: return Step1(level, request);
  default: session_.reset(); return Reply(OtherError, level, ReplyUser + 4);
  }
}

std::vector<std::uint8_t> SrpServer::Reply(std::uint8_t status, std::uint32_t level, std::size_t size) const
{
  std::vector<std::uint8_t> reply(size, 0);
  reply[0] = status;
  std::array<std::uint8_t, 4> user = Le32(level);
  std::copy(user.begin(), user.end(), reply.begin() + ReplyUser);
  return reply;
}

std::vector<std::uint8_t> SrpServer::Step0(std::uint32_t level, std::span<const std::uint8_t> request)
{
  session_.reset();
  if (faults_.step0Status) return Reply(*faults_.step0Status, level, ReplyUser + 4);
  auto account = accounts_.find(level);
  if (account == accounts_.end()) return Reply(BadLevel, level, ReplyUser + 4);

  Session session;
  session.level = level;
  std::copy_n(request.begin() + RequestA, Srp::ImageSize, session.AImage.begin());
  session.A = Srp::FromImage(session.AImage);
  // A client whose A is 0 modulo N would force S to 0 without knowing the password.
  if (Srp::IsZero(Srp::Reduce(session.A))) return Reply(OtherError, level, ReplyUser + 4);

  std::vector<std::uint8_t> reply = Reply(Continue, level, Step0ReplySize);
  std::copy(account->second.salt.begin(), account->second.salt.end(), reply.begin() + ReplySalt);
  if (faults_.zeroB) return reply;

  std::array<std::uint8_t, Srp::ImageSize> secret;
  secret_(secret);
  session.b = Srp::FromImage(secret);
  Srp::Number B = Srp::ModAdd(Srp::ModMultiplySmall(account->second.verifier, MultiplierK),
                              Srp::ModExp(Srp::Generator(), session.b));
  Srp::ToImage(B, session.BImage);
  std::copy(session.BImage.begin(), session.BImage.end(), reply.begin() + ReplyB);
  session_ = session;
  if (faults_.shortStep0) reply.resize(ReplyB);
  return reply;
}

std::vector<std::uint8_t> SrpServer::Step1(std::uint32_t level, std::span<const std::uint8_t> request)
{
  std::optional<Session> session;
  session.swap(session_);  // one proof per step 0, right or wrong
  if (faults_.step1Status) return Reply(*faults_.step1Status, level, ReplyUser + 4);
  if (!session) return Reply(OtherError, level, ReplyUser + 4);
  auto account = accounts_.find(level);
  if (level != session->level || account == accounts_.end()) return Reply(BadLevel, level, ReplyUser + 4);

  Sha256 hash;
  Srp::Number u = Srp::FromDigest(hash.Update(session->AImage).Update(session->BImage).Final());
  // S = (A * v^u)^b
  Srp::Number base = Srp::ModMultiply(Srp::Reduce(session->A), Srp::ModExp(account->second.verifier, u));
  std::array<std::uint8_t, Srp::ImageSize> S;
  Srp::ToImage(Srp::ModExp(base, session->b), S);
  Sha256::Digest M1 = hash.Update(session->AImage).Update(session->BImage).Update(S).Final();
  if (!std::equal(M1.begin(), M1.end(), request.begin() + RequestM1)) return Reply(WrongPassword, level, ReplyUser + 4);

  open_ |= LevelBit(level);
  Sha256::Digest M2 = hash.Update(session->AImage).Update(M1).Update(S).Final();
  if (faults_.wrongM2) M2[0] ^= 0x01;
  std::vector<std::uint8_t> reply = Reply(Continue, level, Step1ReplySize);
  std::copy(M2.begin(), M2.end(), reply.begin() + ReplyM2);
  if (faults_.shortStep1) reply.resize(ReplyM2);
  return reply;
}

}  // namespace recsim
