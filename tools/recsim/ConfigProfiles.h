#pragma once

#include <string_view>
#include <vector>

#include "recsim/Profile.h"

namespace recsim {

// Recorders with a whole configuration: who they are (the fields of a profile
// description) and the records, record files and blobs of their configuration. Each is
// one text that tools/recsim/config/make_profiles.py writes from the record encoders
// of the configuration tests (tools/recsim/config/*.profile, compiled in), so the
// simulator serves bytes the program's own codecs did not make. A line is
//   key value                  a field of the description (name, brand, firmware, ...)
//   record FN NUMBER HEX       a configuration record answered to function FN
//   file TYPE HEX              a record file
//   blob FN HEX                a blob, its 12-byte header included
// with numbers in hexadecimal where they name a function or a record; '#' begins a
// comment line. Throws std::invalid_argument naming the line that does not parse.
ProfileDescription ParseConfigProfile(std::string_view text);

// Every compiled-in configuration profile, in the natural order of their names.
const std::vector<ProfileDescription>& ConfigProfiles();

}  // namespace recsim
