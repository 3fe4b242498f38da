#include "platform/store/provider/StoreFields.h"

#include <algorithm>
#include <utility>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"

namespace quarvel::platform::store {
namespace {

// The properties with canonical names; as they came when they have them
// already (as the store's do), without copying a value.
StoredProperties Canonical(StoredProperties properties) {
  const auto isCanonical = [](const auto& entry) {
    return CanonicalPropertyName(entry.first) == entry.first;
  };
  if (std::all_of(properties.values.begin(), properties.values.end(), isCanonical) &&
      std::all_of(properties.sizes.begin(), properties.sizes.end(), isCanonical)) {
    return properties;
  }
  StoredProperties canonical;
  for (auto& [name, value] : properties.values) {
    canonical.values[CanonicalPropertyName(name)] = std::move(value);
  }
  for (const auto& [name, size] : properties.sizes) {
    canonical.sizes[CanonicalPropertyName(name)] = size;
  }
  return canonical;
}

[[noreturn]] void NotFound(const std::string& name) {
  throw PlatformError(kErrItemNotFoundInCollection,
                      "Item cannot be found in the collection corresponding to the requested name "
                      "or ordinal: '" +
                          name + "'");
}

}  // namespace

void StoreFields::Bind(StoredProperties saved, Writer writer,
                       std::optional<std::string> readOnlyReason) {
  saved_ = Canonical(std::move(saved));
  pending_.clear();
  writer_ = std::move(writer);
  readOnlyReason_ = std::move(readOnlyReason);
  bound_ = true;
}

void StoreFields::Unbind() {
  bound_ = false;
  saved_ = {};
  pending_.clear();
  writer_ = nullptr;
  readOnlyReason_.reset();
}

ado::Variant StoreFields::Value(const std::string& name) const {
  RequireBound("Fields.Item");
  auto found = Find(CanonicalPropertyName(name));
  if (!found) NotFound(name);
  return *std::move(found);
}

void StoreFields::SetValue(const std::string& name, const ado::Variant& value) {
  RequireBound("Field.Value");
  RequireWritable(name);
  const auto canonical = CanonicalPropertyName(name);
  const long size = DefinedSize(canonical);
  CheckFits(name, value, size);
  // A field that does not exist yet is created by the assignment.
  const bool created = !Find(canonical).has_value();
  pending_[canonical] = PropertyValue{value, size, created};
}

void StoreFields::Append(const std::string& name, ado::DataType type, long definedSize,
                         ado::FieldAttribute /*attributes*/, const ado::Variant& value) {
  RequireBound("Fields.Append");
  RequireWritable(name);
  const auto canonical = CanonicalPropertyName(name);
  if (Find(canonical)) {
    throw PlatformError(kErrObjectAlreadyInCollection,
                        "Object is already in collection. Cannot append: '" + name + "'");
  }
  ado::Variant stored = value;
  const bool text = type == ado::adChar || type == ado::adVarWChar;
  if (text && !value.IsNull() && !value.IsEmpty()) stored = ado::Variant(value.ToString());
  const long size = text && definedSize > 0 ? definedSize : 0;
  CheckFits(name, stored, size);
  pending_[canonical] = PropertyValue{std::move(stored), size, true};
}

void StoreFields::Delete(const std::string& name) {
  RequireBound("Fields.Delete");
  RequireWritable(name);
  const auto canonical = CanonicalPropertyName(name);
  if (!Find(canonical)) NotFound(name);
  pending_[canonical] = std::nullopt;
}

void StoreFields::Update() {
  RequireBound("Fields.Update");
  if (pending_.empty()) return;
  // Pending changes survive a failed write, so the caller may try again.
  saved_ = Canonical(writer_(pending_));
  pending_.clear();
}

std::vector<std::string> StoreFields::Names() const {
  RequireBound("Fields");
  StoredProperties current = saved_;
  ApplyPropertyChanges(current, pending_);
  std::vector<std::string> names;
  for (const auto& entry : current.values) names.push_back(entry.first);
  return names;
}

void StoreFields::RequireBound(const char* operation) const {
  if (!bound_) {
    throw PlatformError(
        ado::kErrObjectClosed,
        std::string("Operation is not allowed when the object is closed (") + operation + ")");
  }
}

void StoreFields::RequireWritable(const std::string& name) const {
  if (readOnlyReason_) {
    throw PlatformError(kErrAccessDenied,
                        "cannot change field '" + name + "': " + *readOnlyReason_);
  }
}

std::optional<ado::Variant> StoreFields::Find(const std::string& canonical) const {
  if (const auto change = pending_.find(canonical); change != pending_.end()) {
    if (!change->second) return std::nullopt;
    return change->second->value;
  }
  if (const auto saved = saved_.values.find(canonical); saved != saved_.values.end()) {
    return saved->second;
  }
  return std::nullopt;
}

long StoreFields::DefinedSize(const std::string& canonical) const {
  if (const auto change = pending_.find(canonical); change != pending_.end()) {
    if (!change->second) return 0;  // deleted: a new field has no size of its own
    if (change->second->definedSize > 0) return change->second->definedSize;
  }
  const auto saved = saved_.sizes.find(canonical);
  return saved == saved_.sizes.end() ? 0 : saved->second;
}

}  // namespace quarvel::platform::store
