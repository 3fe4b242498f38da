// Event registration items: store items of content class
// "urn:content-class:storeeventreg" that tell the store which sink to call for
// which event. A per-folder item (match scope SHALLOW) applies to items saved
// directly in its folder; a store-wide item below
// non_ipm_subtree/StoreEvents{GUID}/GlobalEvents (match scope ANY) applies to
// every folder of the public tree.
//
// Registration items are found through the store's registration index (by
// folder, and store-wide), never by reading other items. Reading only; the
// items are written through records like any other item. Throws
// PlatformError only for store failures, never for odd registrations: an
// item with a malformed field, or one the store cannot read, is returned
// with `problem` set, so that a filter never switches off unnoticed.
#pragma once

#include <string>
#include <vector>

#include "platform/events/RegistrationSchema.h"
#include "platform/store/PublicStore.h"

namespace quarvel::platform::store {

using platform::kPropCriteria;
using platform::kPropEventMethod;
using platform::kPropMatchScope;
using platform::kPropPriority;
using platform::kPropSinkClass;
using platform::kRegistrationContentClass;

struct Registration {
  StorePath item;           // where the registration item lives
  std::string eventMethod;  // e.g. "onsyncsave", possibly "onsave;onsyncsave"
  std::string sinkClass;    // ProgID
  std::string matchScope;   // "SHALLOW", "DEEP", "ANY"
  std::string criteria;     // e.g. ` WHERE "DAV:ishidden" = FALSE`
  long priority = 0;        // 0 runs first; 65535 last
  bool storeWide = false;
  std::string problem;  // why the registration cannot be honoured, if so
};

// Whether the item is an event registration item.
[[nodiscard]] bool IsRegistrationItem(const PublicStore& store, const StorePath& item);

// Whether the registration asks for the synchronous save event.
[[nodiscard]] bool WantsSyncSave(const Registration& registration);

// The registrations that apply to an item saved in `folder`, in the order the
// sinks run: by priority, then by the registration item's path.
[[nodiscard]] std::vector<Registration> RegistrationsFor(const PublicStore& store,
                                                         const StorePath& folder);

// Every registration item in the store, in tree order.
[[nodiscard]] std::vector<Registration> AllRegistrations(const PublicStore& store);

// Reads one registration item.
[[nodiscard]] Registration ReadRegistration(const PublicStore& store, const StorePath& item);

}  // namespace quarvel::platform::store
