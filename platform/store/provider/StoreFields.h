// The fields of one open store record: the object's properties as read when
// it was opened (or last updated), plus pending changes that only Update
// writes. Reads see pending changes. Names go through CanonicalPropertyName,
// so both spellings of a MAPI tag name one field.
//
// The record owns its fields and binds them when it opens; unbound fields
// (a closed record) throw PlatformError(ado::kErrObjectClosed) on every call.
// Other failures: kErrItemNotFoundInCollection for a missing field,
// kErrObjectAlreadyInCollection when Append finds the field,
// kErrAccessDenied for a change through a read-only record. Used by one
// thread at a time, with its record.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ado/Record.h"
#include "platform/store/PublicStore.h"

namespace quarvel::platform::store {

// Pending changes by canonical name: a value to set, or nullopt to delete.
using FieldChanges = std::map<std::string, std::optional<ado::Variant>>;

// Applies changes to a property map.
void ApplyFieldChanges(PropertyMap& properties, const FieldChanges& changes);

// Keeps at most `count` characters (code points; a byte outside valid UTF-8
// counts as one), never splitting one.
[[nodiscard]] std::string KeepCharacters(const std::string& text, std::size_t count);

class StoreFields : public ado::Fields {
 public:
  // Writes the changes to the object and returns its properties as saved.
  using Writer = std::function<PropertyMap(const FieldChanges&)>;

  // Opens the fields over `saved`. With a `readOnlyReason`, every change is
  // refused with kErrAccessDenied and that reason.
  void Bind(const PropertyMap& saved, Writer writer,
            std::optional<std::string> readOnlyReason = std::nullopt);
  void Unbind();
  [[nodiscard]] bool IsBound() const { return bound_; }
  [[nodiscard]] bool HasPendingChanges() const { return !pending_.empty(); }

  [[nodiscard]] ado::Variant Value(const std::string& name) const override;
  void SetValue(const std::string& name, const ado::Variant& value) override;
  // adChar and adVarWChar values become text; a definedSize above 0 keeps at
  // most that many characters, as a fixed-length field does.
  void Append(const std::string& name, ado::DataType type, long definedSize,
              ado::FieldAttribute attributes, const ado::Variant& value) override;
  void Delete(const std::string& name) override;
  // Writes the pending changes (nothing to write is no error).
  void Update() override;
  // Canonical names, sorted, pending changes included.
  [[nodiscard]] std::vector<std::string> Names() const override;

 private:
  void RequireBound(const char* operation) const;
  void RequireWritable(const std::string& name) const;
  // The field's value as reads see it; nullopt when it does not exist.
  [[nodiscard]] std::optional<ado::Variant> Find(const std::string& canonical) const;

  bool bound_ = false;
  PropertyMap saved_;
  FieldChanges pending_;
  Writer writer_;
  std::optional<std::string> readOnlyReason_;
};

}  // namespace quarvel::platform::store
