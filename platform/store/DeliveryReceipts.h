// Which recipients of a pickup file have their copy already, kept in the
// store database's table `delivery_receipts`: the SMTP service records each
// copy it stores in a public folder in the same transaction as the copy
// (SaveRequest::receipt), and a Drop copy right after writing it, so that a
// file sent again after a crash reaches nobody twice. A file is named by its
// name and a digest of its content, so a later file of the same name is a
// different file.
//
// Thread-safe and safe across processes. Failures throw PlatformError.
#pragma once

#include <string>
#include <vector>

#include "platform/store/PublicStore.h"

namespace quarvel::platform::store {

struct DeliveryReceipt {
  std::string file;       // the pickup file's name and content digest
  std::string recipient;  // the address as the file names it
  bool operator==(const DeliveryReceipt&) const = default;
};

class DeliveryReceipts {
 public:
  explicit DeliveryReceipts(const PublicStore& store) : store_(store) {}

  // The recipients of `file` that have their copy.
  [[nodiscard]] std::vector<std::string> Recipients(const std::string& file) const;
  // Every file with receipts.
  [[nodiscard]] std::vector<std::string> Files() const;
  void Record(const DeliveryReceipt& receipt) const;
  // Forgets a file that is finished.
  void Forget(const std::string& file) const;

  // Inside a transaction on `c` (a save's own).
  static void Insert(StoreConnection& c, const DeliveryReceipt& receipt);

 private:
  const PublicStore& store_;
};

}  // namespace quarvel::platform::store
