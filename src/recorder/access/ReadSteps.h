#pragma once

// What the long reads of the operations context share: the progress step and the
// guard that puts a step's caption in front of whatever failed inside it.

#include <cstdint>

#include "platform/Exception.h"
#include "platform/Format.h"
#include "platform/LoadStr.h"
#include "recorder/access/RecordTransfers.h"

namespace Registrator {

// One progress step: when the callback is set, `done` goes up by one and the callback
// is told. False when it asks to cancel.
inline bool ProgressStep(const TRegProgressEvent& progress, std::uint32_t& done, std::uint32_t total)
{
  if (!progress) return true;
  bool cancel = false;
  progress(++done, total, cancel);
  return !cancel;
}

// Runs one step; a failure of ours inside it comes out as a plain Exception whose
// message is the step's caption (a text of the string table) followed directly by the
// failure's message. A cancel is no failure: the step returns false.
template <typename Step>
bool Guarded(int caption, Step&& step)
{
  try {
    return step();
  } catch (const Exception& e) {
    throw Exception(LoadStr(caption) + e.Message());
  }
}

// A block of `count` records from `base` must end below `limit` (the next block the
// read uses, or the end of the one-byte record numbers): a count from the device that
// runs past it would read other blocks' records as this one's.
inline void CheckBlockFits(std::uint32_t base, std::uint32_t count, std::uint32_t limit, const char* what)
{
  if (count > limit - base) throw Exception(Format("Unsupported %s count (%u)", what, count));
}

}  // namespace Registrator
