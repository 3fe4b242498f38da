#include "platform/store/provider/FolderSearch.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <optional>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/store/provider/FolderProperties.h"
#include "platform/store/provider/ItemProperties.h"
#include "platform/store/provider/UrlForm.h"

namespace quarvel::platform::store {
namespace {

// A property by name: its canonical spelling first, then ignoring ASCII case,
// as the store's schema names are not case-sensitive.
std::optional<ado::Variant> Lookup(const PropertyMap& properties, const std::string& name) {
  const auto canonical = CanonicalPropertyName(name);
  if (const auto exact = properties.find(canonical); exact != properties.end()) {
    return exact->second;
  }
  for (const auto& [key, value] : properties) {
    if (text::EqualsAsciiIgnoreCase(key, canonical)) {
      return value;
    }
  }
  return std::nullopt;
}

bool Holds(const std::optional<ado::Variant>& actual, const ado::Variant& wanted) {
  if (!actual || actual->IsNull() || actual->IsEmpty()) return false;
  if (wanted.IsBoolean()) return actual->IsBoolean() && *actual == wanted;
  if (wanted.IsInteger()) {
    return actual->IsInteger() ? *actual == wanted
                               : !actual->IsBoolean() && actual->ToString() == wanted.ToString();
  }
  return text::EqualsIgnoreCase(actual->ToString(), wanted.ToString());
}

int CompareText(const std::string& a, const std::string& b) {
  return icu::UnicodeString::fromUTF8(a).caseCompare(icu::UnicodeString::fromUTF8(b),
                                                     U_FOLD_CASE_DEFAULT);
}

// Null and missing first, then booleans, numbers and texts, each in its order.
int Compare(const std::optional<ado::Variant>& a, const std::optional<ado::Variant>& b) {
  const auto rank = [](const std::optional<ado::Variant>& v) {
    if (!v || v->IsNull() || v->IsEmpty()) return 0;
    if (v->IsBoolean()) return 1;
    if (v->IsInteger()) return 2;
    return 3;
  };
  const int ra = rank(a);
  const int rb = rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 0) return 0;
  if (ra == 1) return static_cast<int>(a->ToString() == "True") - (b->ToString() == "True");
  if (ra == 2) {
    const auto x = std::stoll(a->ToString());
    const auto y = std::stoll(b->ToString());
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return CompareText(a->ToString(), b->ToString());
}

// "DAV:isfolder" = False asks for the scope's items instead of its folders.
bool AsksForItems(const FolderQuery& query) {
  return std::any_of(query.where.begin(), query.where.end(), [](const QueryCondition& c) {
    return text::EqualsIgnoreCase(c.property, kPropIsFolder) && c.value.IsBoolean() &&
           c.value == ado::Variant(false);
  });
}

void CollectDeep(const PublicStore& store, const StorePath& folder, std::vector<StorePath>& out) {
  for (const auto& sub : store.SubFolders(folder)) {
    out.push_back(sub);
    if (!store.ReadFolder(sub).accessDenied) CollectDeep(store, sub, out);
  }
}

}  // namespace

ado::Rowset SearchFolders(const PublicStore& store, const FolderQuery& query,
                          const std::string& hostName) {
  const StorePath scope = ParseStoreUrl(query.scopeUrl);
  if (!store.FolderExists(scope)) {
    throw PlatformError(kErrNotFound, "no folder at scope URL '" + query.scopeUrl + "'");
  }
  if (store.ReadFolder(scope).accessDenied) {
    throw PlatformError(kErrAccessDenied, "access to '" + query.scopeUrl + "' is denied");
  }
  UrlForm form = UrlForm::Of(query.scopeUrl);
  if (form.IsFile()) form = UrlForm::Http("http://" + hostName);

  std::vector<PropertyMap> candidates;
  if (AsksForItems(query)) {
    if (query.traversal != Traversal::kShallow) {
      throw PlatformError(kErrInvalidArgument,
                          "store query: items are listed in a shallow traversal only, not in a "
                          "deep one ('" +
                              query.scopeUrl + "')");
    }
    for (const auto& item : store.Items(scope)) {
      candidates.push_back(ItemProperties(store, item, form));
    }
  } else {
    std::vector<StorePath> folders;
    if (query.traversal == Traversal::kShallow) {
      folders = store.SubFolders(scope);
    } else {
      CollectDeep(store, scope, folders);
    }
    for (const auto& folder : folders) candidates.push_back(FolderProperties(store, folder, form));
  }

  std::vector<PropertyMap> kept;
  for (auto& properties : candidates) {
    const bool holds = std::all_of(query.where.begin(), query.where.end(), [&](const auto& c) {
      return Holds(Lookup(properties, c.property), c.value);
    });
    if (holds) kept.push_back(std::move(properties));
  }

  if (query.orderBy) {
    const auto& order = *query.orderBy;
    std::stable_sort(kept.begin(), kept.end(), [&](const PropertyMap& a, const PropertyMap& b) {
      const int c = Compare(Lookup(a, order.property), Lookup(b, order.property));
      return order.descending ? c > 0 : c < 0;
    });
  }

  ado::Rowset rows;
  rows.fields = query.select;
  for (const auto& properties : kept) {
    auto& row = rows.rows.emplace_back();
    for (const auto& name : query.select) {
      row.push_back(Lookup(properties, name).value_or(ado::Variant::Null()));
    }
  }
  return rows;
}

}  // namespace quarvel::platform::store
