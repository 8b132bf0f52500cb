#include "recsim/FirmwareUpdate.h"
#include "recsim/LoginHandlers.h"
#include "recsim/RecordHandlers.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/UploadHandlers.h"
#include "recsim/Wire.h"

namespace recsim {

HandlerTable DefaultHandlers()
{
  HandlerTable table;
  RegisterRecordHandlers(table);
  RegisterUploadHandlers(table);
  RegisterFirmwareHandlers(table);
  RegisterRecorderHandlers(table);
  RegisterLoginHandlers(table);
  return table;
}

}  // namespace recsim
