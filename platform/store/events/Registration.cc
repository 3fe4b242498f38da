#include "platform/store/events/Registration.h"

#include <algorithm>
#include <charconv>

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::store {

namespace {

constexpr const char* kNonIpmSubtree = "non_ipm_subtree";

std::string Text(const PropertyMap& properties, const char* name) {
  const auto found = properties.find(CanonicalPropertyName(name));
  return found == properties.end() ? std::string() : found->second.ToString();
}

// Store-wide registrations live in non_ipm_subtree/StoreEvents{GUID}/GlobalEvents.
bool IsStoreWideFolder(const StorePath& folder) {
  return folder.segments.size() == 3 &&
         text::EqualsIgnoreCase(folder.segments[0], kNonIpmSubtree) &&
         text::StartsWithIgnoreCase(folder.segments[1], "StoreEvents") &&
         text::EqualsIgnoreCase(folder.segments[2], "GlobalEvents");
}

bool IsInPublicTree(const StorePath& folder) {
  return folder.IsRoot() || !text::EqualsIgnoreCase(folder.segments[0], kNonIpmSubtree);
}

void Sort(std::vector<Registration>& registrations) {
  std::stable_sort(registrations.begin(), registrations.end(),
                   [](const Registration& a, const Registration& b) {
                     return a.priority != b.priority ? a.priority < b.priority : a.item < b.item;
                   });
}

}  // namespace

bool IsRegistrationItem(const PublicStore& store, const StorePath& item) {
  try {
    return Text(store.ReadProperties(item), "DAV:contentclass") == kRegistrationContentClass;
  } catch (const PlatformError&) {
    return false;  // an unreadable item registers nothing
  }
}

bool WantsSyncSave(const Registration& registration) {
  std::string_view methods = registration.eventMethod;
  while (!methods.empty()) {
    const auto end = std::min(methods.find(';'), methods.size());
    if (text::EqualsIgnoreCase(text::Trim(methods.substr(0, end)), "onsyncsave")) return true;
    methods.remove_prefix(std::min(end + 1, methods.size()));
  }
  return false;
}

namespace {

Registration FromProperties(const StorePath& item, const PropertyMap& properties) {
  Registration registration;
  registration.item = item;
  registration.eventMethod = text::Trim(Text(properties, kPropEventMethod));
  registration.sinkClass = text::Trim(Text(properties, kPropSinkClass));
  registration.matchScope = text::UpperCase(text::Trim(Text(properties, kPropMatchScope)));
  registration.criteria = Text(properties, kPropCriteria);
  registration.storeWide = IsStoreWideFolder(item.Parent());
  const auto priority = text::Trim(Text(properties, kPropPriority));
  if (!priority.empty()) {
    const auto [end, error] =
        std::from_chars(priority.data(), priority.data() + priority.size(), registration.priority);
    if (error != std::errc() || end != priority.data() + priority.size() ||
        registration.priority < 0 || registration.priority > 65535) {
      registration.problem = "priority \"" + priority + "\" is not a number from 0 to 65535";
    }
  }
  if (registration.sinkClass.empty()) registration.problem = "no sink class";
  return registration;
}

Registration FromIndex(const rows::IndexedItem& item) {
  if (item.properties) return FromProperties(item.path, *item.properties);
  Registration damaged;
  damaged.item = item.path;
  damaged.sinkClass = "(unknown sink)";
  damaged.storeWide = IsStoreWideFolder(item.path.Parent());
  damaged.problem = "the registration " + item.path.ToString() + " cannot be read: " + item.damage;
  return damaged;
}

// Where store-wide registrations may live: every StoreEvents{GUID}/GlobalEvents.
std::vector<StorePath> StoreWideFolders(const PublicStore& store) {
  std::vector<StorePath> folders;
  const StorePath nonIpm{{kNonIpmSubtree}};
  if (!store.FolderExists(nonIpm)) return folders;
  for (const auto& storeEvents : store.SubFolders(nonIpm)) {
    const auto global = storeEvents.Child("GlobalEvents");
    if (IsStoreWideFolder(global)) folders.push_back(global);
  }
  return folders;
}

}  // namespace

Registration ReadRegistration(const PublicStore& store, const StorePath& item) {
  return FromProperties(item, store.ReadProperties(item));
}

std::vector<Registration> RegistrationsFor(const PublicStore& store, const StorePath& folder) {
  std::vector<Registration> found;
  if (!IsInPublicTree(folder)) return found;
  std::vector<StorePath> folders{folder};
  for (auto& global : StoreWideFolders(store)) folders.push_back(std::move(global));
  for (const auto& item : store.RegistrationItems(folders)) {
    auto registration = FromIndex(item);
    // A registration that cannot be read might have applied: it is kept, so
    // that its problem is reported rather than its sink silently missing.
    const bool applies =
        !item.properties || (registration.storeWide ? registration.matchScope == "ANY"
                                                    : registration.matchScope == "SHALLOW" ||
                                                          registration.matchScope == "ANY");
    if (applies && (!item.properties || WantsSyncSave(registration))) {
      found.push_back(std::move(registration));
    }
  }
  Sort(found);
  return found;
}

std::vector<Registration> AllRegistrations(const PublicStore& store) {
  std::vector<Registration> found;
  for (const auto& item : store.AllRegistrationItems()) found.push_back(FromIndex(item));
  return found;
}

}  // namespace quarvel::platform::store
