// A record bound to one store object, an item or a folder, by URL
// ("ADODB.Record" of the store provider).
//
// Open, by its create options:
//   adFailIfNotExists  an existing item or folder; kErrNotFound otherwise.
//   adCreateOverwrite  creates the item, or empties an existing one (message
//                      "", no properties), at once, in the same transaction
//                      as the connection's other changes.
//   adOpenIfExists     opens the item or folder if it exists, else creates it.
//   0 (create new)     creates the item; kErrFileExists if it exists.
// Folders are never created (adCreateCollection: kErrInvalidArgument),
// overwritten (kErrFileExists), deleted or moved (kErrFail) through a record.
// Creating needs a mode with write access.
// An item whose folder is missing is kErrNotFound; one in a folder that
// denies access is kErrAccessDenied. User name and password are not checked.
//
// With adModeRead or adModeUnknown every change (fields, DeleteRecord,
// MoveRecord) fails with kErrAccessDenied; a folder's fields are always
// read-only. Field changes are pending until Fields::Update; Close drops
// pending changes. ParentURL answers in the URL form the record was opened
// with. On a connection, every change is part of its transaction.
//
// The connection, if any, must outlive the record while it is open. A closed
// record refuses every call but Open with ado::kErrObjectClosed; it may be
// opened again. Used by one thread at a time.
//
// Where its reads and writes take effect: in the transaction of the
// connection it was opened on, while one is open; otherwise in the
// operations it was made with (the store itself by default, or the pending
// item of a save in its begin phase).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ado/Connection.h"
#include "platform/ado/Record.h"
#include "platform/com/IUnknown.h"
#include "platform/store/StoreUrl.h"
#include "platform/store/provider/StoreFields.h"
#include "platform/store/provider/StoreSession.h"
#include "platform/store/provider/UrlForm.h"

namespace quarvel::platform::store {

class StoreRecord : public ado::Record, public IUnknown {
 public:
  // `operations` (default: the session's store) must outlive the record.
  explicit StoreRecord(StoreSession& session, StoreOperations* operations = nullptr);

  void* QueryInterface(std::string_view interfaceName) override;

  ado::Fields& GetFields() override;
  [[nodiscard]] std::string ParentURL() override;
  void Open(const std::string& source, ado::Connection* activeConnection, ado::ConnectMode mode,
            ado::RecordCreateOptions createOptions, ado::RecordOpenOptions options,
            const std::string& userName, const std::string& password) override;
  void Close() override;
  // Deletes the item at `source`, or the record's own item for "".
  void DeleteRecord(const std::string& source, bool async) override;
  // Moves the item at `source` (the record's own for "") to the item URL
  // `destination`; adMoveOverWrite replaces an item there, otherwise an
  // existing one fails with kErrFileExists. Returns `destination`.
  std::string MoveRecord(const std::string& source, const std::string& destination,
                         const std::string& userName, const std::string& password,
                         ado::MoveRecordOptions options, bool async) override;

  [[nodiscard]] bool IsOpen() const { return open_; }
  [[nodiscard]] bool IsFolder() const { return folder_; }
  // The URL the record was opened with (or last moved to).
  [[nodiscard]] const std::string& Source() const { return source_; }

 private:
  void RequireOpen(const char* operation) const;
  void RequireWritable(const char* operation) const;
  // The connection's open transaction, or the record's own operations.
  StoreOperations& Ops() const;
  // Opens the existing object at path_; false when there is none.
  bool OpenExisting();
  void CreateItem(bool replace);
  void BindItemFields(StoredProperties properties);
  StorePath ItemPath(const std::string& source, const char* operation) const;

  StoreSession& session_;
  StoreOperations* operations_;
  ado::Connection* connection_ = nullptr;
  bool open_ = false;
  bool folder_ = false;
  bool writable_ = false;
  bool deleted_ = false;
  std::string source_;
  StorePath path_;
  std::optional<UrlForm> form_;
  StoreFields fields_;
};

}  // namespace quarvel::platform::store
