// The messaging layer's message object over the store ("CDO.Message").
//
// Open reads an existing item's message (createOptions adFailIfNotExists or
// adOpenIfExists): kErrNotFound when the item is missing, kErrAccessDenied in
// a folder that denies access, kErrInvalidArgument for other options.
// GetStream hands out a new StoreStream over a copy of that text at position
// 0; the stream's changes never reach the item. Before Open, GetStream fails
// with ado::kErrObjectClosed. Used by one thread at a time.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/cdo/Message.h"
#include "platform/com/IUnknown.h"
#include "platform/store/provider/StoreSession.h"

namespace quarvel::platform::store {

class StoreMessage : public cdo::Message, public IUnknown {
 public:
  // `operations` (the session's store by default) must outlive the object.
  explicit StoreMessage(StoreSession& session, StoreOperations* operations = nullptr);

  void* QueryInterface(std::string_view interfaceName) override;
  void Open(const std::string& url, ado::Connection* activeConnection, ado::ConnectMode mode,
            ado::RecordCreateOptions createOptions) override;
  std::unique_ptr<ado::Stream> GetStream() override;

 private:
  StoreOperations& operations_;
  std::optional<std::string> message_;
};

}  // namespace quarvel::platform::store
