// What the SMTP pickup service needs from the mail store: which public folder
// an address belongs to, storing a message in that folder as delivered mail
// (which raises the folder's store events), and receipts - which recipients
// of a pickup file have their copy - kept with the store, so that a file
// sent again after a crash reaches nobody twice. The simulated server
// implements it over its public store; MemoryMailDelivery and
// FailingMailDelivery serve tests.
//
// The service calls it from one thread at a time. Every failure is a
// PlatformError, and the service takes each one as temporary: the file stays
// for the next pass.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quarvel::platform::smtp {

struct PublicFolder {
  // The folder's URL: names it in logs and reasons, and is handed back to
  // DeliverToFolder.
  std::string url;
  bool operator==(const PublicFolder&) const = default;
};

// One recipient's copy of one pickup file. `file` names the file by its name
// and content (see PickupFileKey).
struct Receipt {
  std::string file;
  std::string recipient;
  bool operator==(const Receipt&) const = default;
};

class MailDelivery {
 public:
  virtual ~MailDelivery() = default;

  // The public folder whose e-mail address is `address` (ignoring case), or
  // nullopt when the address is no folder's.
  [[nodiscard]] virtual std::optional<PublicFolder> FolderForAddress(
      const std::string& address) = 0;

  // Stores `message` (byte-exact) as a new item of `folder`, named after
  // `name` where the store allows it, together with `receipt`: both or
  // neither. Runs the folder's store events and returns what became of the
  // item, for the log ("stayed", "deleted", ...).
  virtual std::string DeliverToFolder(const PublicFolder& folder, const std::string& message,
                                      const std::string& name, const Receipt& receipt) = 0;

  // The recipients of `file` that have a receipt.
  [[nodiscard]] virtual std::vector<std::string> Receipts(const std::string& file) = 0;
  // Records a receipt on its own (for a copy stored elsewhere, in Drop).
  virtual void RecordReceipt(const Receipt& receipt) = 0;
  // Forgets the receipts of a finished file.
  virtual void ForgetReceipts(const std::string& file) = 0;
  // Every file that has receipts.
  [[nodiscard]] virtual std::vector<std::string> ReceiptFiles() = 0;
};

}  // namespace quarvel::platform::smtp
