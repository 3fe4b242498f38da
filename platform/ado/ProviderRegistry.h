// The providers a program can open connections with, by name
// ("ExOLEDB.DataSource", "adsDSOobject"). Each name maps to a factory that
// makes a new ProviderSession for one connection.
//
// There is no process-wide registry: whoever sets up the platform fills one
// and hands it to each Connection. Fill it before sharing it; after that, the
// const methods may run on any number of threads at once. A factory must be
// safe to call from any thread that opens a connection.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Properties.h"
#include "platform/ado/ProviderSession.h"

namespace quarvel::platform::ado {

// What Connection::Open was given besides the provider's name.
struct ConnectionInfo {
  std::string connectionString;
  std::string userName;
  std::string password;
};

// Makes the session of one new connection; throws PlatformError to refuse it.
using ProviderFactory = std::function<std::unique_ptr<ProviderSession>(const ConnectionInfo&)>;

class ProviderRegistry {
 public:
  // Names compare ignoring ASCII case. Throws PlatformError(kErrInvalidArgument)
  // for an empty name, a missing factory or a name already registered.
  void Register(const std::string& name, ProviderFactory factory);

  [[nodiscard]] bool Has(const std::string& name) const;
  [[nodiscard]] std::vector<std::string> Names() const;

  // A new session of the named provider. Throws PlatformError
  // (kErrProviderNotFound) for an unknown name, and whatever the factory throws.
  [[nodiscard]] std::unique_ptr<ProviderSession> Connect(const std::string& name,
                                                         const ConnectionInfo& info) const;

 private:
  std::map<std::string, ProviderFactory, NameLess> factories_;
};

}  // namespace quarvel::platform::ado
