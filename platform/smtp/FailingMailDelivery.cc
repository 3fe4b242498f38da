#include "platform/smtp/FailingMailDelivery.h"

#include <string>

#include "platform/PlatformError.h"

namespace quarvel::platform::smtp {

FailingMailDelivery::FailingMailDelivery(MailDelivery& inner, int failingCall, std::int32_t number)
    : inner_(inner), failingCall_(failingCall), number_(number) {}

void FailingMailDelivery::Count() {
  if (++calls_ == failingCall_) {
    throw PlatformError(number_, "simulated failure of call " + std::to_string(calls_));
  }
}

std::optional<PublicFolder> FailingMailDelivery::FolderForAddress(const std::string& address) {
  Count();
  return inner_.FolderForAddress(address);
}

std::string FailingMailDelivery::DeliverToFolder(const PublicFolder& folder,
                                                 const std::string& message,
                                                 const std::string& name, const Receipt& receipt) {
  Count();
  return inner_.DeliverToFolder(folder, message, name, receipt);
}

std::vector<std::string> FailingMailDelivery::Receipts(const std::string& file) {
  Count();
  return inner_.Receipts(file);
}

void FailingMailDelivery::RecordReceipt(const Receipt& receipt) {
  Count();
  inner_.RecordReceipt(receipt);
}

void FailingMailDelivery::ForgetReceipts(const std::string& file) {
  Count();
  inner_.ForgetReceipts(file);
}

std::vector<std::string> FailingMailDelivery::ReceiptFiles() {
  Count();
  return inner_.ReceiptFiles();
}

}  // namespace quarvel::platform::smtp
