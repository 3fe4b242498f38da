#include "platform/store/provider/StoreTransaction.h"

#include <algorithm>
#include <utility>

#include "platform/PlatformError.h"

namespace quarvel::platform::store {

void StoreTransaction::Begin() {
  if (open_) {
    throw PlatformError(kErrFail,
                        "a transaction is already open; nested transactions are not "
                        "supported");
  }
  open_ = true;
  kept_.clear();
}

void StoreTransaction::Remember(const StorePath& item) {
  if (!open_) return;
  if (std::any_of(kept_.begin(), kept_.end(), [&](const Kept& k) { return k.item == item; })) {
    return;
  }
  Kept kept{item, store_.ItemExists(item), {}, {}};
  if (kept.existed) {
    kept.message = store_.ReadMessage(item);
    kept.properties = store_.ReadProperties(item);
  }
  kept_.push_back(std::move(kept));
}

void StoreTransaction::Commit() {
  if (!open_) throw PlatformError(kErrFail, "no transaction is open to commit");
  open_ = false;
  kept_.clear();
}

void StoreTransaction::Rollback() {
  if (!open_) throw PlatformError(kErrFail, "no transaction is open to roll back");
  open_ = false;
  auto kept = std::exchange(kept_, {});
  std::string failures;
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
    try {
      if (it->existed) {
        store_.WriteItem(it->item, it->message, it->properties);
      } else if (store_.ItemExists(it->item)) {
        store_.DeleteItem(it->item);
      }
    } catch (const PlatformError& error) {
      failures += "\n  " + it->item.ToString() + ": " + error.Description();
    }
  }
  if (!failures.empty()) {
    throw PlatformError(kErrFail, "rollback could not restore these items:" + failures);
  }
}

}  // namespace quarvel::platform::store
