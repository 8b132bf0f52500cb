#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "platform/SystemRandom.h"

namespace {

// The fake system call replays a script: a positive entry delivers that many bytes of
// 0xAB, a negative one fails with that errno. Past the end of the script it fails (EIO).
struct Script {
  static inline std::vector<long> steps;
  static inline std::size_t calls = 0;

  static long Call(void* buffer, std::size_t length, unsigned int flags)
  {
    EXPECT_EQ(flags, 0u);  // blocking: no GRND_NONBLOCK or GRND_RANDOM
    long step = calls < steps.size() ? steps[calls] : -EIO;
    ++calls;
    if (step < 0) {
      errno = static_cast<int>(-step);
      return -1;
    }
    std::size_t n = std::min(static_cast<std::size_t>(step), length);
    std::memset(buffer, 0xAB, n);
    return static_cast<long>(n);
  }

  static void Set(std::vector<long> s)
  {
    steps = std::move(s);
    calls = 0;
  }
};

}  // namespace

TEST(SystemRandom, ContinuesInterruptedAndShortReads)
{
  Script::Set({-EINTR, 10, -EINTR, -EAGAIN, 0, 100, 18});
  std::array<std::uint8_t, 128> out{};
  FillSystemRandom(out, Script::Call);
  EXPECT_EQ(Script::calls, 7u);
  for (std::uint8_t b : out) ASSERT_EQ(b, 0xAB);
}

TEST(SystemRandom, GivesUpOnASourceThatKeepsFailing)
{
  Script::Set({5});  // then nothing but EIO
  std::array<std::uint8_t, 16> out{};
  try {
    FillSystemRandom(out, Script::Call);
    FAIL() << "no error";
  } catch (const ESystemRandom& e) {
    EXPECT_EQ(e.Message(), "getrandom: " + std::string(std::strerror(EIO)));
  }
  EXPECT_EQ(Script::calls, 9u);  // one good call, then eight failures in a row
}

TEST(SystemRandom, RealSourceFillsTheBuffer)
{
  std::array<std::uint8_t, 64> first{}, second{};
  FillSystemRandom(first);
  FillSystemRandom(second);
  EXPECT_NE(first, second);
}
