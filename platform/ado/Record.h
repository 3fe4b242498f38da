// The data layer's record: one store object (an item or a folder) bound by
// URL, with its fields. All operations throw PlatformError on failure.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Variant.h"

namespace quarvel::platform::ado {

class Connection;

enum ConnectMode : int {
  adModeUnknown = 0,
  adModeRead = 1,
  adModeWrite = 2,
  adModeReadWrite = 3,
};

enum RecordCreateOptions : int {
  adCreateCollection = 0x2000,
  adCreateNonCollection = 0,
  adCreateOverwrite = 0x4000000,
  adCreateStructDoc = static_cast<int>(0x80000000),
  adFailIfNotExists = -1,
  adOpenIfExists = 0x2000000,
};

enum RecordOpenOptions : int {
  adOpenRecordUnspecified = -1,
  adOpenSource = 0x800000,
  adOpenAsync = 0x1000,
  adDelayFetchStream = 0x4000,
  adDelayFetchFields = 0x8000,
};

enum MoveRecordOptions : int {
  adMoveUnspecified = -1,
  adMoveOverWrite = 1,
  adMoveDontUpdateLinks = 2,
  adMoveAllowEmulation = 4,
};

enum DataType : int {
  adInteger = 3,
  adBoolean = 11,
  adChar = 129,
  adVarWChar = 202,
};

enum FieldAttribute : int {
  adFldUnspecified = -1,
};

class Fields {
 public:
  virtual ~Fields() = default;
  // Item(name).Value; throws kErrItemNotFoundInCollection for a missing field.
  [[nodiscard]] virtual Variant Value(const std::string& name) const = 0;
  // Item(name).Value = value; creates the field when it is missing.
  virtual void SetValue(const std::string& name, const Variant& value) = 0;
  // Throws kErrObjectAlreadyInCollection when the field exists.
  virtual void Append(const std::string& name, DataType type, long definedSize,
                      FieldAttribute attributes, const Variant& value) = 0;
  virtual void Delete(const std::string& name) = 0;
  // Writes pending changes to the object.
  virtual void Update() = 0;
  [[nodiscard]] virtual std::vector<std::string> Names() const = 0;
};

class Record {
 public:
  static constexpr std::string_view kInterfaceName = "ado.Record";
  virtual ~Record() = default;
  virtual Fields& GetFields() = 0;
  [[nodiscard]] virtual std::string ParentURL() = 0;
  virtual void Open(const std::string& source, Connection* activeConnection, ConnectMode mode,
                    RecordCreateOptions createOptions, RecordOpenOptions options,
                    const std::string& userName, const std::string& password) = 0;
  virtual void Close() = 0;
  // An empty source deletes the record's own object.
  virtual void DeleteRecord(const std::string& source = "", bool async = false) = 0;
  // Returns the destination URL.
  virtual std::string MoveRecord(const std::string& source, const std::string& destination,
                                 const std::string& userName, const std::string& password,
                                 MoveRecordOptions options, bool async) = 0;
};

}  // namespace quarvel::platform::ado
