#include "platform/smtp/MemoryMailDelivery.h"

#include <algorithm>

#include "platform/PlatformError.h"

namespace quarvel::platform::smtp {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  return text;
}

}  // namespace

void MemoryMailDelivery::AddFolder(const std::string& address, const std::string& url) {
  folders_[Lower(address)] = url;
}

std::optional<PublicFolder> MemoryMailDelivery::FolderForAddress(const std::string& address) {
  const auto found = folders_.find(Lower(address));
  if (found == folders_.end()) return std::nullopt;
  return PublicFolder{found->second};
}

std::string MemoryMailDelivery::DeliverToFolder(const PublicFolder& folder,
                                                const std::string& message,
                                                const std::string& name) {
  const bool known = std::any_of(folders_.begin(), folders_.end(),
                                 [&](const auto& entry) { return entry.second == folder.url; });
  if (!known) throw PlatformError(kErrNotFound, "no such folder: " + folder.url);
  delivered_.push_back({folder.url, message, name});
  return "stayed";
}

}  // namespace quarvel::platform::smtp
