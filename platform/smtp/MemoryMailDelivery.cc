#include "platform/smtp/MemoryMailDelivery.h"

#include <algorithm>

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::smtp {

namespace {

std::string Lower(const std::string& text) { return text::AsciiLowerCase(text); }

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
                                                const std::string& message, const std::string& name,
                                                const Receipt& receipt) {
  const bool known = std::any_of(folders_.begin(), folders_.end(),
                                 [&](const auto& entry) { return entry.second == folder.url; });
  if (!known) throw PlatformError(kErrNotFound, "no such folder: " + folder.url);
  delivered_.push_back({folder.url, message, name});
  receipts_[receipt.file].insert(receipt.recipient);
  return "stayed";
}

std::vector<std::string> MemoryMailDelivery::Receipts(const std::string& file) {
  const auto found = receipts_.find(file);
  if (found == receipts_.end()) return {};
  return {found->second.begin(), found->second.end()};
}

void MemoryMailDelivery::RecordReceipt(const Receipt& receipt) {
  receipts_[receipt.file].insert(receipt.recipient);
}

void MemoryMailDelivery::ForgetReceipts(const std::string& file) { receipts_.erase(file); }

std::vector<std::string> MemoryMailDelivery::ReceiptFiles() {
  std::vector<std::string> files;
  for (const auto& [file, recipients] : receipts_) files.push_back(file);
  return files;
}

}  // namespace quarvel::platform::smtp
