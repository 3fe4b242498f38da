// The event registration items "Quarvel.reg" in the public store: whether
// one exists, creating (or overwriting) one, and deleting one, over the
// program's store connection. An item tells the store to call the sink
// "Quarvel.QuarvelCls" for synchronous saves: store-wide (match scope ANY,
// below non_ipm_subtree/StoreEvents<store id>/GlobalEvents) or in one folder
// (SHALLOW, inside the folder).
//
// Each routine works on the URL built from a base and two optional parts:
// the base, then "/" and the first part if it is not empty, then "/" and the
// second part if it is not empty. A creation is one transaction: its seven
// fields are written together or, on any failure, rolled back, so a failed
// overwrite leaves the old item as it was. The priority must be a whole
// number from 0 to 65535 (blanks trimmed) and is written as plain decimal;
// anything else fails the creation before the store is touched.
//
// Failures: every PlatformError is caught here and, when the log flag is
// set, written to the error log with the item's full URL as its source; the
// result is then neutral (-1, "" or false). The store's "not found"
// (0x80040E19) is never logged by the existence check. Window thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/events/RegistrationSchema.h"
#include "setup/main/SetupContext.h"

namespace quarvel::setup {

inline constexpr const char* kRegistrationItemName = "Quarvel.reg";
inline constexpr const char* kRegistrationEventMethod = "onsyncsave";
inline constexpr const char* kRegistrationSinkClass = "Quarvel.QuarvelCls";
inline constexpr const char* kMatchScopeStoreWide = "ANY";
inline constexpr const char* kMatchScopeFolder = "SHALLOW";
// With its leading blank, as the store's event criteria are written.
inline constexpr const char* kRegistrationCriteria = " WHERE \"DAV:ishidden\" = FALSE";

// The fields of a registration item, in the order they are written.
inline constexpr const char* kFieldContentClass = "DAV:contentclass";
inline constexpr const char* kFieldIsHidden = "DAV:ishidden";
// The schema's own names for the rest, from the platform.
using platform::kPropCriteria;
using platform::kPropEventMethod;
using platform::kPropMatchScope;
using platform::kPropPriority;
using platform::kPropSinkClass;
using platform::kRegistrationContentClass;

// base + "/" + first (if any) + "/" + second (if any).
[[nodiscard]] std::string RegistrationUrl(const std::string& base, const std::string& first,
                                          const std::string& second);

class RegistrationItems {
 public:
  explicit RegistrationItems(const SetupContext& context);

  // 1 the item exists, 0 it or its container does not, -1 another error.
  std::int16_t RegistrationItemExists(const std::string& base, const std::string& first,
                                      const std::string& second, bool log);
  // The item's full URL, or "" when it could not be made.
  std::string CreateRegistrationItem(const std::string& base, const std::string& first,
                                     const std::string& second, const std::string& eventMethod,
                                     const std::string& sinkClass, const std::string& matchScope,
                                     const std::string& criteria, const std::string& priority,
                                     bool log);
  // Whether the item was deleted.
  bool DeleteRegistrationItem(const std::string& base, const std::string& first,
                              const std::string& second, bool log);

  // The store-wide item's three URL parts, from the public-folder root and
  // the public store's identifier.
  [[nodiscard]] std::string StoreWideBase() const;
  [[nodiscard]] std::string StoreWideFolder() const;

 private:
  const SetupContext& context_;
};

}  // namespace quarvel::setup
