#include "recorder/access/SecureWipe.h"

#include <string.h>

void WipeBytes(void* bytes, std::size_t n) noexcept
{
  if (n != 0) explicit_bzero(bytes, n);
}
