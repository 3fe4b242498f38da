#include "platform/server/SampleServer.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/complus/ComponentCatalog.h"
#include "platform/directory/DirectoryFile.h"
#include "platform/directory/SampleDirectory.h"
#include "platform/host/HostFacts.h"
#include "platform/metabase/Metabase.h"
#include "platform/server/ServerFiles.h"
#include "platform/store/PublicStore.h"
#include "platform/store/provider/ServerConfig.h"

namespace quarvel::platform::server {

namespace store = platform::store;
namespace fs = std::filesystem;

namespace {

struct SampleFolder {
  std::vector<std::string> path;
  const char* emailAddress;
  bool hidden = false;
  bool accessDenied = false;
};

const std::vector<SampleFolder>& SampleFolders() {
  static const std::vector<SampleFolder> folders = {
      {{"Inbox"}, "inbox@example.com"},
      {{"Junk Mail"}, "junk@example.com"},
      {{"Junk Mail", "Quarantine"}, ""},
      {{"Sales"}, "sales@example.com"},
      {{"Sales", "Leads"}, "leads@example.com"},
      {{"Sales", "Leads", "2026 Q4"}, ""},
      {{"Support Requests"}, "support@example.com"},
      {{"Archive"}, ""},
      {{"Archive", "Old Spam"}, ""},
      {{"Board Room"}, "board@example.com", false, true},
      {{"System Notes"}, "", true},
      // Names that queries and URLs must carry whole: an apostrophe, double
      // quotes and letters beyond ASCII, at the top and deep in a tree.
      {{"Bob's Deals"}, "bobs.deals@example.com"},
      {{"Bob's Deals", "Old Offers"}, ""},
      {{"Customers"}, "customers@example.com"},
      {{"Customers", "Europe"}, "europe@example.com"},
      {{"Customers", "Europe", "Z\u00fcrich \"Ost\""}, "zuerich@example.com"},
      {{"Customers", "Europe", "Z\u00fcrich \"Ost\"", "R\u00e9clamations"}, ""},
  };
  return folders;
}

// The names this server owns below its root; nothing else there is touched.
const std::vector<const char*>& ServerEntries() {
  // "store" and "journal.log" held the store of the earlier plain-file layout.
  static const std::vector<const char*> entries = {
      "server.json", "store.db",      "store.db-wal", "store.db-shm",  "store",
      "journal.log", "complus",       "pickup",       "Queue",         "Drop",
      "Badmail",     "metabase.json", "host.ini",     "directory.ldif"};
  return entries;
}

}  // namespace

void CreateSampleServer(const fs::path& root, bool replace) {
  const ServerFiles files{root};
  if (fs::exists(files.ConfigFile())) {
    if (!replace) {
      throw std::runtime_error("a server already exists at " + root.string() +
                               " (use --force to replace it)");
    }
    for (const char* entry : ServerEntries()) fs::remove_all(root / entry);
  }
  fs::create_directories(root);
  store::SampleServerConfig(kSampleComputerName, kSampleDomain, kSampleStoreGuid)
      .Save(files.ConfigFile());

  store::PublicStore publicStore(root);
  for (const auto& folder : SampleFolders()) {
    store::StorePath path;
    for (const auto& name : folder.path) path = path.Child(name);
    store::FolderSettings settings;
    settings.displayName = folder.path.back();
    settings.emailAddress = folder.emailAddress;
    settings.hidden = folder.hidden;
    settings.accessDenied = folder.accessDenied;
    publicStore.CreateFolder(path, settings);
  }
  // Where store-wide event registrations live, as on every public store.
  const auto globalEvents = store::StorePath{{"non_ipm_subtree"}}
                                .Child(std::string("StoreEvents") + kSampleStoreGuid)
                                .Child("GlobalEvents");
  publicStore.CreateFolder(globalEvents, {"GlobalEvents", "", true, false});
  fs::create_directories(files.PickupDirectory());
  // SMTP virtual server 1, as the setup program finds it; its other
  // directories default to Queue, Drop and Badmail beside the metabase.
  platform::metabase::Metabase metabase(files.MetabaseFile());
  metabase.SetSmtpServer(1, {fs::absolute(files.PickupDirectory()), {}, {}, {}});
  metabase.Save();
  for (const auto* directory : {"Queue", "Drop", "Badmail"}) {
    fs::create_directories(root / directory);
  }
  fs::create_directories(files.CatalogFile().parent_path());
  platform::complus::ComponentCatalog(files.CatalogFile()).Save();
  // The host the setup program runs on, and the directory it asks for
  // recipients and its identity: both person-editable text files.
  platform::host::WriteSampleHostFile(root);
  const auto facts = platform::host::SampleHostFacts();
  platform::directory::WriteSampleDirectory(files.DirectoryFile(), facts.computerName,
                                            facts.userName.value_or("Administrator"));
}

}  // namespace quarvel::platform::server
