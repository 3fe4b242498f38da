// Wraps a MailDelivery and fails one chosen call, so that every failure path
// of the pickup service can be tested. Calls are counted from 1 in the order
// the service makes them, every kind of call alike (FolderForAddress,
// DeliverToFolder and the receipt calls). Not thread-safe.
#pragma once

#include <cstdint>

#include "platform/PlatformError.h"
#include "platform/smtp/MailDelivery.h"

namespace quarvel::platform::smtp {

class FailingMailDelivery : public MailDelivery {
 public:
  // `inner` must outlive this object. Call number `failingCall` throws
  // PlatformError(`number`, "simulated failure of call N") before reaching
  // `inner`; 0 never fails.
  FailingMailDelivery(MailDelivery& inner, int failingCall, std::int32_t number = kErrFail);

  [[nodiscard]] std::optional<PublicFolder> FolderForAddress(const std::string& address) override;
  std::string DeliverToFolder(const PublicFolder& folder, const std::string& message,
                              const std::string& name, const Receipt& receipt) override;
  [[nodiscard]] std::vector<std::string> Receipts(const std::string& file) override;
  void RecordReceipt(const Receipt& receipt) override;
  void ForgetReceipts(const std::string& file) override;
  [[nodiscard]] std::vector<std::string> ReceiptFiles() override;

  [[nodiscard]] int Calls() const { return calls_; }

 private:
  void Count();

  MailDelivery& inner_;
  int failingCall_;
  std::int32_t number_;
  int calls_ = 0;
};

}  // namespace quarvel::platform::smtp
