// The store's side of the data and messaging layers: one session over a
// PublicStore and the server facts it needs. It
//   - creates the platform objects bound to the store by ProgID
//     ("ADODB.Record", "CDO.Folder", "CDO.Message", ignoring case), each
//     answering QueryInterface with its interface's kInterfaceName;
//   - registers the store's provider "ExOLEDB.DataSource" in a
//     ProviderRegistry, so that connections can open on the store (one
//     StoreProviderSession per connection);
//   - opens the record of a store event and runs folder queries.
//
// The store must outlive the session, and the session every object,
// connection and registry entry it made. The session keeps no state of its
// own beyond the facts: every method may run on several threads at once; the
// objects it hands out are each for one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Record.h"
#include "platform/ado/Rowset.h"
#include "platform/com/IObjectFactory.h"
#include "platform/store/PublicStore.h"

namespace quarvel::platform::store {

// The provider name the store registers.
inline constexpr std::string_view kStoreProviderName = "ExOLEDB.DataSource";

// What the store knows of the server it runs on.
struct ServerFacts {
  std::string hostName;    // http://<hostName>/Public/...
  std::string mailDomain;  // file://./backofficestorage/<mailDomain>/Public Folders/...
};

class StoreSession : public IObjectFactory {
 public:
  StoreSession(PublicStore& store, ServerFacts facts);

  [[nodiscard]] PublicStore& Store() const { return store_; }
  [[nodiscard]] const ServerFacts& Facts() const { return facts_; }

  // nullptr for a ProgID the store does not serve.
  std::unique_ptr<IUnknown> CreateObject(std::string_view progId) override;
  // The same, bound to `operations` (which must outlive the object) instead
  // of the store itself.
  std::unique_ptr<IUnknown> CreateObjectOn(std::string_view progId, StoreOperations& operations);

  // Adds "ExOLEDB.DataSource"; the connection string must be a URL of an
  // existing store folder (the public-folder root, as a rule). Throws as
  // ProviderRegistry::Register does when the name is taken.
  void RegisterProvider(ado::ProviderRegistry& registry);

  // The item at `url` as a record open for reading and writing, as the store
  // hands it to an event sink, working on `operations` (default: the store).
  // Throws kErrNotFound when the item is missing.
  [[nodiscard]] std::unique_ptr<ado::Record> OpenEventRecord(const std::string& url,
                                                             StoreOperations* operations = nullptr);

  // Runs a folder query (see FolderQuery.h and FolderSearch.h).
  [[nodiscard]] ado::Rowset QueryFolders(const std::string& text) const;

  // The two URL forms of a path with this server's names, readable (only
  // "%" is encoded, so that they parse back to the same path).
  [[nodiscard]] std::string HttpUrl(const StorePath& path) const;
  [[nodiscard]] std::string FileUrl(const StorePath& path) const;

 private:
  PublicStore& store_;
  ServerFacts facts_;
};

}  // namespace quarvel::platform::store
