#include "platform/ado/ProviderRegistry.h"

#include <utility>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"

namespace quarvel::platform::ado {

void ProviderRegistry::Register(const std::string& name, ProviderFactory factory) {
  if (name.empty()) throw PlatformError(kErrInvalidArgument, "provider name is empty");
  if (!factory) {
    throw PlatformError(kErrInvalidArgument, "provider '" + name + "' has no factory");
  }
  if (!factories_.emplace(name, std::move(factory)).second) {
    throw PlatformError(kErrInvalidArgument, "provider '" + name + "' is already registered");
  }
}

bool ProviderRegistry::Has(const std::string& name) const { return factories_.contains(name); }

std::vector<std::string> ProviderRegistry::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : factories_) names.push_back(entry.first);
  return names;
}

std::unique_ptr<ProviderSession> ProviderRegistry::Connect(const std::string& name,
                                                           const ConnectionInfo& info) const {
  const auto found = factories_.find(name);
  if (found == factories_.end()) {
    throw PlatformError(
        kErrProviderNotFound,
        "Provider cannot be found. It may not be properly installed: '" + name + "'");
  }
  auto session = found->second(info);
  if (!session) {
    throw PlatformError(kErrFail, "provider '" + name + "' made no session");
  }
  return session;
}

}  // namespace quarvel::platform::ado
