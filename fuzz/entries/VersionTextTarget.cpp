// version_text: the identification's version text as the version policy reads it.

#include "FuzzTargets.h"
#include "platform/Format.h"
#include "recorder/info/VersionWord.h"

namespace fuzzing {

bool FuzzVersionText(std::span<const std::uint8_t> input)
{
  std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
  std::uint32_t version = 0xFFFFFFFF;
  if (!ParseVersionText(text, version)) {
    if (version != 0) Finding("a refused version text left a version behind");
    return false;
  }
  if (version & 0xFF) Finding("the version text set the fourth number");
  std::uint32_t again = 0;
  std::string shown = Format("v%u.%u.%u", version >> 24, version >> 16 & 0xFF, version >> 8 & 0xFF);
  if (!ParseVersionText(shown, again) || again != version) Finding("a version does not read back from its own text");
  (void)VersionToText(version);
  return true;
}

}  // namespace fuzzing
