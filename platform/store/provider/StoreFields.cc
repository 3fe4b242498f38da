#include "platform/store/provider/StoreFields.h"

#include <utility>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"

namespace quarvel::platform::store {
namespace {

PropertyMap Canonical(const PropertyMap& properties) {
  PropertyMap canonical;
  for (const auto& [name, value] : properties) canonical[CanonicalPropertyName(name)] = value;
  return canonical;
}

[[noreturn]] void NotFound(const std::string& name) {
  throw PlatformError(kErrItemNotFoundInCollection,
                      "Item cannot be found in the collection corresponding to the requested name "
                      "or ordinal: '" +
                          name + "'");
}

}  // namespace

void ApplyFieldChanges(PropertyMap& properties, const FieldChanges& changes) {
  for (const auto& [name, change] : changes) {
    if (change) {
      properties[name] = *change;
    } else {
      properties.erase(name);
    }
  }
}

std::string KeepCharacters(const std::string& text, std::size_t count) {
  const std::u32string chars = text::DecodeUtf8(text);
  if (chars.size() <= count) return text;
  return text::EncodeUtf8(std::u32string_view(chars).substr(0, count));
}

void StoreFields::Bind(const PropertyMap& saved, Writer writer,
                       std::optional<std::string> readOnlyReason) {
  saved_ = Canonical(saved);
  pending_.clear();
  writer_ = std::move(writer);
  readOnlyReason_ = std::move(readOnlyReason);
  bound_ = true;
}

void StoreFields::Unbind() {
  bound_ = false;
  saved_.clear();
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
  pending_[CanonicalPropertyName(name)] = value;
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
  if (text && !value.IsNull() && !value.IsEmpty()) {
    std::string chars = value.ToString();
    if (definedSize > 0) chars = KeepCharacters(chars, static_cast<std::size_t>(definedSize));
    stored = ado::Variant(std::move(chars));
  }
  pending_[canonical] = std::move(stored);
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
  PropertyMap current = saved_;
  ApplyFieldChanges(current, pending_);
  std::vector<std::string> names;
  for (const auto& entry : current) names.push_back(entry.first);
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
  if (const auto change = pending_.find(canonical); change != pending_.end()) return change->second;
  if (const auto saved = saved_.find(canonical); saved != saved_.end()) return saved->second;
  return std::nullopt;
}

}  // namespace quarvel::platform::store
