#include "platform/store/provider/StoreMessage.h"

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/store/provider/StoreStream.h"

namespace quarvel::platform::store {

StoreMessage::StoreMessage(StoreSession& session, StoreOperations* operations)
    : operations_(operations != nullptr ? *operations : session.Store()) {}

void* StoreMessage::QueryInterface(std::string_view interfaceName) {
  if (interfaceName == cdo::Message::kInterfaceName) return static_cast<cdo::Message*>(this);
  return nullptr;
}

void StoreMessage::Open(const std::string& url, ado::Connection* /*activeConnection*/,
                        ado::ConnectMode /*mode*/, ado::RecordCreateOptions createOptions) {
  if (createOptions != ado::adFailIfNotExists && createOptions != ado::adOpenIfExists) {
    throw PlatformError(kErrInvalidArgument,
                        "CDO.Message: only existing items can be opened ('" + url + "')");
  }
  const StorePath item = ParseStoreUrl(url);
  StoreOperations& store = operations_;
  if (item.IsRoot() || store.FolderExists(item) || !store.FolderExists(item.Parent()) ||
      !store.ItemExists(item)) {
    throw PlatformError(kErrNotFound, "no item at '" + url + "'");
  }
  message_ = store.ReadMessage(item);
}

std::unique_ptr<ado::Stream> StoreMessage::GetStream() {
  if (!message_) {
    throw PlatformError(ado::kErrObjectClosed,
                        "Operation is not allowed when the object is closed (Message.GetStream)");
  }
  return std::make_unique<StoreStream>(*message_);
}

}  // namespace quarvel::platform::store
