#pragma once

#include "platform/Resources.h"

// The resources compiled into the kestrel executable (the firmware images). Defined by
// the generated kestrel_firmware library, which only the executable and the tests that
// need the release's images link; everything else is handed a table.
const ResourceTable& ProgramResources();
