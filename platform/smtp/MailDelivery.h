// What the SMTP pickup service needs from the mail store: which public folder
// an address belongs to, and storing a message in that folder as delivered
// mail (which raises the folder's store events). The simulated server
// implements it over its public store; MemoryMailDelivery and
// FailingMailDelivery serve tests.
//
// The service calls it from one thread at a time.
#pragma once

#include <optional>
#include <string>

namespace quarvel::platform::smtp {

struct PublicFolder {
  // The folder's URL: names it in logs and reasons, and is handed back to
  // DeliverToFolder.
  std::string url;
  bool operator==(const PublicFolder&) const = default;
};

class MailDelivery {
 public:
  virtual ~MailDelivery() = default;

  // The public folder whose e-mail address is `address` (ignoring case), or
  // nullopt when the address is no folder's. Throws PlatformError when the
  // store cannot be asked.
  [[nodiscard]] virtual std::optional<PublicFolder> FolderForAddress(
      const std::string& address) = 0;

  // Stores `message` (byte-exact) as a new item of `folder`, named after
  // `name` where the store allows it, and runs the folder's store events.
  // Returns what became of the item, for the log ("stayed", "deleted", ...).
  // Throws PlatformError when the message could not be stored.
  virtual std::string DeliverToFolder(const PublicFolder& folder, const std::string& message,
                                      const std::string& name) = 0;
};

}  // namespace quarvel::platform::smtp
