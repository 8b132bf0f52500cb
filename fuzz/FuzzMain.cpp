// One libFuzzer program per target: KESTREL_FUZZ_TARGET names its entry.

#include <cstdio>
#include <cstdlib>

#include "FuzzTargets.h"

namespace {
const fuzzing::Target* target = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  target = fuzzing::FindTarget(KESTREL_FUZZ_TARGET);
  if (!target) {
    std::fprintf(stderr, "no fuzz target named %s\n", KESTREL_FUZZ_TARGET);
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  target->entry({data, size});
  return 0;
}
