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
  RegisterRecorderHandlers(table);
  return table;
}

}  // namespace recsim
