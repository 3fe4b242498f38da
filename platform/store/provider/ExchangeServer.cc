#include "platform/store/provider/ExchangeServer.h"

#include "platform/store/provider/ConfigLookup.h"

namespace quarvel::platform::store {

void ExchangeServer::Open(const std::string& name) {
  if (!EqualsAsciiIgnoreCase(name, config_.computerName)) {
    throw PlatformError(kErrNotFound, "no Exchange server named '" + name + "'");
  }
  open_ = true;
}

std::string ExchangeServer::Name() const {
  return RequireOpened(open_ ? &config_ : nullptr, "ExchangeServer").computerName;
}

std::vector<std::string> ExchangeServer::StorageGroups() const {
  std::vector<std::string> urls;
  for (const auto& group :
       RequireOpened(open_ ? &config_ : nullptr, "ExchangeServer").storageGroups) {
    urls.push_back(group.url);
  }
  return urls;
}

}  // namespace quarvel::platform::store
