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
                                                 const std::string& name) {
  Count();
  return inner_.DeliverToFolder(folder, message, name);
}

}  // namespace quarvel::platform::smtp
