#include "platform/store/provider/StoreRecord.h"

#include <utility>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/store/provider/FolderProperties.h"
#include "platform/store/provider/StoreProviderSession.h"

namespace quarvel::platform::store {
namespace {

constexpr int kCreateCollection = ado::adCreateCollection;
constexpr int kCreateOverwrite = ado::adCreateOverwrite;
constexpr int kOpenIfExists = ado::adOpenIfExists;
constexpr int kCreateStructDoc = ado::adCreateStructDoc;

[[noreturn]] void Closed(const char* operation) {
  throw PlatformError(
      ado::kErrObjectClosed,
      std::string("Operation is not allowed when the object is closed (") + operation + ")");
}

}  // namespace

StoreRecord::StoreRecord(StoreSession& session, StoreOperations* operations)
    : session_(session), operations_(operations != nullptr ? operations : &session.Store()) {}

void* StoreRecord::QueryInterface(std::string_view interfaceName) {
  if (interfaceName == ado::Record::kInterfaceName) return static_cast<ado::Record*>(this);
  return nullptr;
}

ado::Fields& StoreRecord::GetFields() {
  RequireOpen("Record.Fields");
  return fields_;
}

std::string StoreRecord::ParentURL() {
  RequireOpen("Record.ParentURL");
  if (path_.IsRoot()) return {};
  return form_->Url(path_.Parent());
}

void StoreRecord::Open(const std::string& source, ado::Connection* activeConnection,
                       ado::ConnectMode mode, ado::RecordCreateOptions createOptions,
                       ado::RecordOpenOptions /*options*/, const std::string& /*userName*/,
                       const std::string& /*password*/) {
  if (open_) {
    throw PlatformError(ado::kErrObjectOpen,
                        "Operation is not allowed when the object is open (Record.Open)");
  }
  if (activeConnection != nullptr) {
    auto* provider = activeConnection->State() == ado::adStateOpen
                         ? dynamic_cast<StoreProviderSession*>(&activeConnection->Session())
                         : nullptr;
    if (provider == nullptr || &provider->Owner() != &session_) {
      throw PlatformError(ado::kErrInvalidConnection,
                          "The connection cannot be used to perform this operation. It is either "
                          "closed or invalid in this context (Record.Open '" +
                              source + "')");
    }
  }
  const StorePath path = ParseStoreUrl(source);
  auto form = UrlForm::Of(source);

  // Fill in the state first: creating already goes through the transaction.
  connection_ = activeConnection;
  source_ = source;
  path_ = path;
  form_ = std::move(form);
  writable_ = (mode & ado::adModeWrite) != 0;
  folder_ = false;
  deleted_ = false;
  try {
    const int options = static_cast<int>(createOptions);
    if (createOptions == ado::adFailIfNotExists) {
      if (!OpenExisting()) {
        throw PlatformError(kErrNotFound, "no item or folder at '" + source + "'");
      }
    } else {
      if ((options & (kCreateCollection | kCreateStructDoc)) != 0) {
        throw PlatformError(kErrInvalidArgument,
                            "the store creates no folders or structured documents through a "
                            "record ('" +
                                source + "')");
      }
      const bool overwrite = (options & kCreateOverwrite) != 0;
      const bool openIfExists = (options & kOpenIfExists) != 0;
      if (overwrite && openIfExists) {
        throw PlatformError(kErrInvalidArgument,
                            "adCreateOverwrite and adOpenIfExists exclude each other");
      }
      if (!(openIfExists && OpenExisting())) CreateItem(overwrite);
    }
  } catch (...) {
    connection_ = nullptr;
    form_.reset();
    fields_.Unbind();
    throw;
  }
  open_ = true;
}

bool StoreRecord::OpenExisting() {
  StoreOperations& store = Ops();
  auto found = store.Find(path_);  // throws for an item in a folder denying access
  if (found.kind == FoundObject::Kind::kFolder) {
    folder_ = true;
    fields_.Bind(StoredProperties{FolderProperties(store, path_, *form_), {}}, nullptr,
                 "the properties of a folder are read-only here");
    return true;
  }
  if (found.kind == FoundObject::Kind::kNothing) return false;
  BindItemFields(std::move(found.properties));
  return true;
}

void StoreRecord::CreateItem(bool replace) {
  StoreOperations& store = Ops();
  if (store.FolderExists(path_)) {
    throw PlatformError(kErrFileExists, "a folder exists at '" + source_ + "'");
  }
  if (!store.FolderExists(path_.Parent())) {
    throw PlatformError(kErrNotFound, "no folder to hold '" + source_ + "'");
  }
  const bool exists = store.ItemExists(path_);
  if (exists && !replace)
    throw PlatformError(kErrFileExists, "an item exists at '" + source_ + "'");
  RequireWritable("Record.Open creating an item");
  store.PutItem(path_, "", {});
  BindItemFields({});
}

void StoreRecord::BindItemFields(StoredProperties properties) {
  std::optional<std::string> readOnly;
  if (!writable_) readOnly = "the record was opened read-only";
  fields_.Bind(
      std::move(properties),
      [this](const FieldChanges& changes) { return Ops().ChangeProperties(path_, changes); },
      std::move(readOnly));
}

void StoreRecord::Close() {
  RequireOpen("Record.Close");
  open_ = false;
  connection_ = nullptr;
  form_.reset();
  fields_.Unbind();
}

void StoreRecord::DeleteRecord(const std::string& source, bool /*async*/) {
  RequireOpen("Record.DeleteRecord");
  RequireWritable("Record.DeleteRecord");
  const StorePath item = ItemPath(source, "DeleteRecord");
  Ops().DeleteItem(item);
  if (item == path_) {
    deleted_ = true;
    fields_.Bind({}, nullptr, "the item was deleted");
  }
}

std::string StoreRecord::MoveRecord(const std::string& source, const std::string& destination,
                                    const std::string& /*userName*/,
                                    const std::string& /*password*/, ado::MoveRecordOptions options,
                                    bool /*async*/) {
  RequireOpen("Record.MoveRecord");
  RequireWritable("Record.MoveRecord");
  const StorePath from = ItemPath(source, "MoveRecord");
  const StorePath to = ParseStoreUrl(destination);
  // adMoveUnspecified is -1: all bits set, yet no request to overwrite.
  const bool overwrite = options != ado::adMoveUnspecified && (options & ado::adMoveOverWrite) != 0;
  Ops().MoveItem(from, to, overwrite);
  if (from == path_) {
    path_ = to;
    source_ = destination;
    form_ = UrlForm::Of(destination);
  }
  return destination;
}

void StoreRecord::RequireOpen(const char* operation) const {
  if (!open_) Closed(operation);
}

void StoreRecord::RequireWritable(const char* operation) const {
  if (!writable_) {
    throw PlatformError(kErrAccessDenied,
                        std::string(operation) + ": the record was opened read-only");
  }
}

StoreOperations& StoreRecord::Ops() const {
  if (connection_ == nullptr) return *operations_;
  auto* provider = connection_->State() == ado::adStateOpen
                       ? dynamic_cast<StoreProviderSession*>(&connection_->Session())
                       : nullptr;
  if (provider == nullptr || &provider->Owner() != &session_) {
    throw PlatformError(ado::kErrInvalidConnection,
                        "the record's connection was closed or opened elsewhere");
  }
  if (auto* transaction = provider->Transaction()) return *transaction;
  return *operations_;
}

StorePath StoreRecord::ItemPath(const std::string& source, const char* operation) const {
  if (source.empty()) {
    if (folder_) {
      throw PlatformError(kErrFail, std::string(operation) + ": the store does not " +
                                        "delete or move folders through a record");
    }
    if (deleted_) throw PlatformError(kErrNotFound, "the record's item was deleted");
    return path_;
  }
  StorePath item = ParseStoreUrl(source);
  if (Ops().FolderExists(item)) {
    throw PlatformError(kErrFail, std::string(operation) + ": '" + source +
                                      "' is a folder; the store does not delete or move folders "
                                      "through a record");
  }
  return item;
}

}  // namespace quarvel::platform::store
