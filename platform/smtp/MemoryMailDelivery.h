// An in-memory mail store for tests of the pickup service: folders by
// address, every message delivered, in order, and the receipts. Not
// thread-safe.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/smtp/MailDelivery.h"

namespace quarvel::platform::smtp {

class MemoryMailDelivery : public MailDelivery {
 public:
  struct Delivered {
    std::string folderUrl;
    std::string message;
    std::string name;
    bool operator==(const Delivered&) const = default;
  };

  // A folder with that e-mail address (matched ignoring ASCII case).
  void AddFolder(const std::string& address, const std::string& url);

  [[nodiscard]] std::optional<PublicFolder> FolderForAddress(const std::string& address) override;
  // Throws PlatformError(kErrNotFound) for a URL that AddFolder never named.
  std::string DeliverToFolder(const PublicFolder& folder, const std::string& message,
                              const std::string& name, const Receipt& receipt) override;
  [[nodiscard]] std::vector<std::string> Receipts(const std::string& file) override;
  void RecordReceipt(const Receipt& receipt) override;
  void ForgetReceipts(const std::string& file) override;
  [[nodiscard]] std::vector<std::string> ReceiptFiles() override;

  [[nodiscard]] const std::vector<Delivered>& Messages() const { return delivered_; }

 private:
  std::map<std::string, std::string> folders_;  // lower-case address -> URL
  std::vector<Delivered> delivered_;
  std::map<std::string, std::set<std::string>> receipts_;
};

}  // namespace quarvel::platform::smtp
