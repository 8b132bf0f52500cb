#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// The passwords a user asked the program to remember, kept in memory until it exits and
// keyed by device and access level. Nothing here is ever logged or written anywhere.
namespace Registrator {

// The longest password the device login takes.
constexpr std::size_t MaxPasswordLength = 15;

// A password in a fixed array (never on the heap, where a reallocation leaves copies
// behind), wiped when it dies. It keeps one byte more than the login takes, so a text
// that is too long stays too long: whatever is longer than MaxPasswordLength + 1 keeps
// its first MaxPasswordLength + 1 bytes.
class TPasswordText {
public:
  static constexpr std::size_t Capacity = MaxPasswordLength + 1;

  TPasswordText() = default;
  explicit TPasswordText(std::string_view text) { Assign(text); }
  TPasswordText(const TPasswordText&) = delete;
  TPasswordText& operator=(const TPasswordText&) = delete;
  ~TPasswordText() { Wipe(); }

  void Assign(std::string_view text);
  void Wipe() noexcept;

  std::string_view View() const { return {bytes_.data(), size_}; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // What the login accepts: 1 to MaxPasswordLength bytes.
  bool IsAcceptable() const { return size_ != 0 && size_ <= MaxPasswordLength; }

private:
  std::array<char, Capacity> bytes_{};
  std::size_t size_ = 0;
};

// One remembered password's key, compared field by field in this order; the line is
// signed, so a line of -1 sorts before line 0.
struct TAuthKey {
  std::uint32_t level = 0;   // the level the caller asked to log in at
  std::int8_t line = 0;      // TRegInfo's DeviceLine
  std::uint8_t model = 0;    // low byte of TRegInfo's ModelCode
  std::uint32_t serial = 0;  // TRegInfo's SerialNumber

  auto operator<=>(const TAuthKey&) const = default;
};

// A 16-byte slot: the password's first 15 bytes at most, zero behind them, held
// protected; wiped when it dies.
struct TAuthData {
  std::array<std::uint8_t, MaxPasswordLength + 1> slot{};

  TAuthData() = default;
  TAuthData(const TAuthData&) = delete;
  TAuthData& operator=(const TAuthData&) = delete;
  ~TAuthData();
};

// Keeps the slots unreadable at a glance in memory (a core dump or swapped page does not
// show the password as text): a pad drawn once per process from the system's random
// source. Protect and Unprotect undo each other and always succeed.
class TCryptProtectMemory {
public:
  TCryptProtectMemory();
  TCryptProtectMemory(const TCryptProtectMemory&) = delete;
  TCryptProtectMemory& operator=(const TCryptProtectMemory&) = delete;
  ~TCryptProtectMemory();

  bool Protect(std::span<std::uint8_t> bytes) const;
  bool Unprotect(std::span<std::uint8_t> bytes) const;

  // The process-wide object the password cache uses.
  static const TCryptProtectMemory& Instance();

private:
  std::array<std::uint8_t, MaxPasswordLength + 1> pad_{};
};

// Remembers the password's first MaxPasswordLength bytes under the key, replacing what
// the key held.
void StorePassword(const TAuthKey& key, std::string_view password);
// Copies the key's password into `password`; false (and `password` empty) when the key
// holds none.
bool FetchPassword(const TAuthKey& key, TPasswordText& password);
// Forgets the key's password (the device refused it).
void ErasePassword(const TAuthKey& key);
// Forgets every password (program exit; tests).
void ClearPasswordCache();
bool HasPassword(const TAuthKey& key);

}  // namespace Registrator
