#pragma once

#include <cstddef>

// Overwrites n bytes with zeros in a way the optimiser may not remove, even when the
// buffer is never read again (a password's last copy is exactly such a buffer).
void WipeBytes(void* bytes, std::size_t n) noexcept;
