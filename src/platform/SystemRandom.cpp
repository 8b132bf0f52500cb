#include "platform/SystemRandom.h"

#include <sys/random.h>

#include <cerrno>
#include <system_error>

namespace {

// Consecutive calls that deliver nothing before we give up. A healthy kernel never fails
// getrandom with flags 0 except by a signal, so a few tries are plenty.
constexpr int FailedCallLimit = 8;

long SystemGetRandom(void* buffer, std::size_t length, unsigned int flags)
{
  return getrandom(buffer, length, flags);
}

}  // namespace

void FillSystemRandom(std::span<std::uint8_t> out)
{
  FillSystemRandom(out, SystemGetRandom);
}

void FillSystemRandom(std::span<std::uint8_t> out, GetRandomCall call)
{
  std::size_t done = 0;
  int failures = 0;
  int lastError = 0;
  while (done < out.size()) {
    errno = 0;
    long got = call(out.data() + done, out.size() - done, 0);
    if (got > 0 && static_cast<std::size_t>(got) <= out.size() - done) {
      done += static_cast<std::size_t>(got);
      failures = 0;
      continue;
    }
    lastError = got < 0 ? errno : EIO;
    if (++failures >= FailedCallLimit) {
      throw ESystemRandom("getrandom: " + std::system_category().message(lastError != 0 ? lastError : EIO));
    }
  }
}
