// The fields of one open store record: the object's properties as read when
// it was opened (or last updated), plus pending changes that only Update
// writes. Reads see pending changes. Names go through CanonicalPropertyName,
// so both spellings of a MAPI tag name one field.
//
// A text field appended with a defined size keeps that size in the store: a
// longer value, appended or assigned later, is refused with kErrDataOverflow
// and the field keeps what it held. Nothing is ever cut to fit, since a cut
// move or forward target would send mail to the wrong place.
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
using FieldChanges = PropertyChanges;

class StoreFields : public ado::Fields {
 public:
  // Writes the changes to the object and returns its properties as saved.
  using Writer = std::function<StoredProperties(const FieldChanges&)>;

  // Opens the fields over `saved`. With a `readOnlyReason`, every change is
  // refused with kErrAccessDenied and that reason.
  void Bind(StoredProperties saved, Writer writer,
            std::optional<std::string> readOnlyReason = std::nullopt);
  void Unbind();
  [[nodiscard]] bool IsBound() const { return bound_; }
  [[nodiscard]] bool HasPendingChanges() const { return !pending_.empty(); }

  [[nodiscard]] ado::Variant Value(const std::string& name) const override;
  void SetValue(const std::string& name, const ado::Variant& value) override;
  // adChar and adVarWChar values become text; a definedSize above 0 is the
  // most characters the field holds (a longer value: kErrDataOverflow).
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
  // The field's defined size (0: none), pending changes included.
  [[nodiscard]] long DefinedSize(const std::string& canonical) const;

  bool bound_ = false;
  StoredProperties saved_;
  FieldChanges pending_;
  Writer writer_;
  std::optional<std::string> readOnlyReason_;
};

}  // namespace quarvel::platform::store
