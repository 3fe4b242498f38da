#include "platform/directory/SearchPreferences.h"

#include <string>

#include "platform/PlatformError.h"
#include "platform/directory/DirectoryEntry.h"
#include "platform/directory/DirectoryErrors.h"

namespace quarvel::platform::directory {
namespace {

[[noreturn]] void Refuse(const std::string& name, const std::string& why) {
  throw PlatformError(kErrInvalidArgument, "command property \"" + name + "\": " + why);
}

std::int64_t WholeNumber(const std::string& name, const ado::Variant& value) {
  if (!value.IsInteger()) Refuse(name, "expected a whole number, not \"" + value.ToString() + "\"");
  return std::stoll(value.ToString());
}

std::int64_t NotNegative(const std::string& name, const ado::Variant& value) {
  const auto number = WholeNumber(name, value);
  if (number < 0) Refuse(name, "expected 0 or more, not " + std::to_string(number));
  return number;
}

}  // namespace

SearchPreferences ReadSearchPreferences(const ado::Properties& properties) {
  SearchPreferences preferences;
  for (const auto& [name, value] : properties) {
    if (SameAttributeName(name, "searchscope")) {
      const auto scope = WholeNumber(name, value);
      if (scope == 0 || scope == 1) {
        throw PlatformError(kErrNotImplemented,
                            "command property \"" + name +
                                "\": the directory stand-in searches whole subtrees (2) only");
      }
      if (scope != 2) Refuse(name, "expected 0, 1 or 2, not " + std::to_string(scope));
      preferences.searchScope = scope;
    } else if (SameAttributeName(name, "cache results")) {
      if (value.IsBoolean()) {
        preferences.cacheResults = value == ado::Variant(true);
      } else {
        preferences.cacheResults = WholeNumber(name, value) != 0;
      }
    } else if (SameAttributeName(name, "Chase Referrals")) {
      const auto chase = WholeNumber(name, value);
      if (chase != 0 && chase != 32 && chase != 64 && chase != 96) {
        Refuse(name, "expected 0, 32, 64 or 96, not " + std::to_string(chase));
      }
      preferences.chaseReferrals = chase;
    } else if (SameAttributeName(name, "Page Size")) {
      preferences.pageSize = NotNegative(name, value);
    } else if (SameAttributeName(name, "Timeout")) {
      preferences.timeoutSeconds = NotNegative(name, value);
    } else if (SameAttributeName(name, "Size Limit")) {
      preferences.sizeLimit = NotNegative(name, value);
    } else {
      throw PlatformError(kErrItemNotFoundInCollection,
                          "the directory provider has no command property \"" + name + "\"");
    }
  }
  return preferences;
}

}  // namespace quarvel::platform::directory
