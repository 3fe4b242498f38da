// The main window's own state: how it was started, what start-up found in
// the directory, its two connections and the progress counter. Owned by the
// SetupProgram, next to the window it belongs to; window thread only.
//
// The connections are made closed on the program's provider registry, which
// must outlive them; start-up opens them and window unload closes them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ado/Connection.h"
#include "platform/ado/ProviderRegistry.h"

namespace quarvel::setup {

struct WindowState {
  explicit WindowState(const platform::ado::ProviderRegistry& providers)
      : directoryConnection(providers), storeConnection(providers) {}

  bool batchMode = false;  // from the command line; never changes afterwards
  bool activated = false;  // the first activation has run its one-time work
  bool listReady = true;   // false only while the folder list is being refilled
  bool closed = false;     // the window was unloaded: nothing more may run
  bool clusterServer = false;

  std::string clusterServerName;   // from the directory; upper case; "" when none
  std::string exchangeServerName;  // the server discovery asked for
  std::string globalCatalogPath;   // "GC://" + the directory server's DNS host name

  // "adsDSOobject" on "Active Directory Provider"
  platform::ado::Connection directoryConnection;
  // "ExOLEDB.DataSource" on the public-folder root URL
  platform::ado::Connection storeConnection;

  // Steps done in the current progress run.
  std::int32_t progressCounter = 0;
};

}  // namespace quarvel::setup
