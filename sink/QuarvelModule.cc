#include "sink/QuarvelModule.h"

#include "platform/events/EventFlags.h"

namespace quarvel::sink {

bool IsIncomingItem(long lFlags) {
  return (lFlags & (platform::EVT_IS_DELIVERED | platform::EVT_REPLICATED_ITEM)) != 0 &&
         (lFlags & platform::EVT_IS_COLLECTION) == 0;
}

// Aborted saves and deletes leave nothing to undo: the sink acts only in the
// begin and commit phases of a save.
void SaveAbort(StoreAccess&, const std::string&, long) {}
void DeleteBegin(StoreAccess&, const std::string&, long) {}
void DeleteCommit(StoreAccess&, const std::string&, long) {}
void DeleteAbort(StoreAccess&, const std::string&, long) {}

}  // namespace quarvel::sink
