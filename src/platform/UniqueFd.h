#pragma once

#include <utility>

// Owns one file descriptor; move-only; closes it on destruction (close is not retried
// on EINTR: on Linux the descriptor is gone either way).
class UniqueFd {
public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) noexcept : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept
  {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int Get() const noexcept { return fd_; }
  bool IsValid() const noexcept { return fd_ >= 0; }
  explicit operator bool() const noexcept { return IsValid(); }
  int Release() noexcept { return std::exchange(fd_, -1); }
  void Reset(int fd = -1) noexcept;

private:
  int fd_ = -1;
};
