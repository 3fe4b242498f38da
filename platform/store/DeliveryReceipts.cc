#include "platform/store/DeliveryReceipts.h"

namespace quarvel::platform::store {

void DeliveryReceipts::Insert(StoreConnection& c, const DeliveryReceipt& receipt) {
  auto insert = c.Prepared(
      "INSERT OR IGNORE INTO delivery_receipts (file, recipient, time) "
      "VALUES (?, ?, strftime('%Y-%m-%dT%H:%M:%SZ', 'now'))");
  insert.bind(1, receipt.file);
  insert.bind(2, receipt.recipient);
  insert.exec();
}

std::vector<std::string> DeliveryReceipts::Recipients(const std::string& file) const {
  return store_.Database().Read([&](StoreConnection& c) {
    auto query = c.Prepared("SELECT recipient FROM delivery_receipts WHERE file = ?");
    query.bind(1, file);
    std::vector<std::string> recipients;
    while (query.executeStep()) recipients.push_back(query.getColumn(0).getString());
    return recipients;
  });
}

std::vector<std::string> DeliveryReceipts::Files() const {
  return store_.Database().Read([&](StoreConnection& c) {
    auto query = c.Prepared("SELECT DISTINCT file FROM delivery_receipts ORDER BY file");
    std::vector<std::string> files;
    while (query.executeStep()) files.push_back(query.getColumn(0).getString());
    return files;
  });
}

void DeliveryReceipts::Record(const DeliveryReceipt& receipt) const {
  store_.Database().Write([&](StoreConnection& c) { Insert(c, receipt); });
}

void DeliveryReceipts::Forget(const std::string& file) const {
  store_.Database().Write([&](StoreConnection& c) {
    auto remove = c.Prepared("DELETE FROM delivery_receipts WHERE file = ?");
    remove.bind(1, file);
    remove.exec();
  });
}

}  // namespace quarvel::platform::store
