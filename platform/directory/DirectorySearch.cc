#include "platform/directory/DirectorySearch.h"

#include <unicode/coll.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "platform/PlatformError.h"
#include "platform/directory/DirectorySchema.h"
#include "platform/directory/ValuePattern.h"

namespace quarvel::platform::directory {
namespace {

// A condition with its values folded once, not once per entry.
struct Matcher {
  Condition::Kind kind = Condition::Kind::kCompare;
  std::string attribute;
  std::optional<ValuePattern> pattern;
  std::optional<std::string> categoryPrefix;  // folded "cn=person,cn=schema,cn=configuration,"
  std::vector<Matcher> operands;
};

Matcher Compile(const Condition& condition) {
  Matcher matcher{condition.kind, condition.attribute, std::nullopt, std::nullopt, {}};
  if (condition.kind != Condition::Kind::kCompare) {
    for (const auto& operand : condition.operands) matcher.operands.push_back(Compile(operand));
    return matcher;
  }
  matcher.pattern.emplace(condition.value);
  if (SameAttributeName(condition.attribute, "objectCategory") && !matcher.pattern->IsPresence() &&
      !matcher.pattern->IsWildcard() && condition.value.find('=') == std::string::npos) {
    matcher.categoryPrefix =
        FoldCase("CN=" + CategoryCommonName(condition.value) + ",CN=Schema,CN=Configuration,");
  }
  return matcher;
}

bool Holds(const Matcher& matcher, const DirectoryEntry& entry) {
  switch (matcher.kind) {
    case Condition::Kind::kAnd:
      return std::all_of(matcher.operands.begin(), matcher.operands.end(),
                         [&](const Matcher& m) { return Holds(m, entry); });
    case Condition::Kind::kOr:
      return std::any_of(matcher.operands.begin(), matcher.operands.end(),
                         [&](const Matcher& m) { return Holds(m, entry); });
    case Condition::Kind::kNot:
      return !Holds(matcher.operands.front(), entry);
    case Condition::Kind::kCompare:
      break;
  }
  const auto values = entry.Values(matcher.attribute);
  if (!values) return false;
  return std::any_of(values->begin(), values->end(), [&](const std::string& value) {
    if (matcher.categoryPrefix) return FoldCase(value).starts_with(*matcher.categoryPrefix);
    return matcher.pattern->Matches(value);
  });
}

ado::Variant Field(const DirectoryEntry& entry, const std::string& attribute) {
  const auto values = entry.Values(attribute);
  if (!values) return ado::Variant::Null();
  if (values->size() != 1) {
    throw PlatformError(kErrFail, "\"" + attribute + "\" of \"" + entry.dn + "\" holds " +
                                      std::to_string(values->size()) +
                                      " values; a field holds one, so it cannot be selected");
  }
  return FieldValue(attribute, values->front());
}

void Sort(std::vector<const DirectoryEntry*>& found, const SortKey& key) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(
      icu::Collator::createInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || !collator) {
    throw PlatformError(kErrFail, std::string("cannot sort: ") + u_errorName(status));
  }
  collator->setStrength(icu::Collator::SECONDARY);  // letter case does not count
  const auto first = [&](const DirectoryEntry* entry) -> const std::string* {
    const auto values = entry->Values(key.attribute);
    return values && !values->empty() ? &values->front() : nullptr;
  };
  std::stable_sort(found.begin(), found.end(), [&](const auto* a, const auto* b) {
    const std::string* x = first(a);
    const std::string* y = first(b);
    if (x == nullptr || y == nullptr) {
      if (x == y) return false;
      // Missing after every value, or before every value when descending.
      return key.descending ? x == nullptr : y == nullptr;
    }
    UErrorCode compareStatus = U_ZERO_ERROR;
    const auto order = collator->compareUTF8(*x, *y, compareStatus);
    return key.descending ? order == UCOL_GREATER : order == UCOL_LESS;
  });
}

}  // namespace

bool ConditionHolds(const Condition& condition, const DirectoryEntry& entry) {
  return Holds(Compile(condition), entry);
}

ado::Rowset SearchEntries(const std::vector<DirectoryEntry>& entries, const DirectoryQuery& query,
                          const SearchPreferences& preferences) {
  std::optional<Matcher> matcher;
  if (query.where) matcher = Compile(*query.where);
  std::vector<const DirectoryEntry*> found;
  for (const auto& entry : entries) {
    if (!matcher || Holds(*matcher, entry)) found.push_back(&entry);
  }
  if (query.orderBy) Sort(found, *query.orderBy);
  if (preferences.sizeLimit > 0 && found.size() > static_cast<std::size_t>(preferences.sizeLimit)) {
    found.resize(static_cast<std::size_t>(preferences.sizeLimit));
  }
  ado::Rowset rows;
  rows.fields = query.select;
  rows.rows.reserve(found.size());
  for (const auto* entry : found) {
    std::vector<ado::Variant> row;
    row.reserve(query.select.size());
    for (const auto& attribute : query.select) row.push_back(Field(*entry, attribute));
    rows.rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace quarvel::platform::directory
