// The sink's view of the store over the platform's data and messaging objects:
// the event information's record for the item, and CDO objects created through
// the event information for folders and messages. This is the StoreAccess the
// sink uses when the store calls it.
#pragma once

#include <memory>
#include <string>

#include "platform/events/IExStoreDispEventInfo.h"
#include "sink/StoreAccess.h"

namespace quarvel::sink {

class AdoStoreAccess : public StoreAccess {
 public:
  // eventInfo must outlive this object (both live for one event call).
  explicit AdoStoreAccess(platform::IExStoreDispEventInfo& eventInfo);

  std::string ReadProperty(const std::string& name) override;
  void AppendProperty(const std::string& name, const std::string& value) override;
  void SetProperty(const std::string& name, const std::string& value) override;
  void DeleteProperty(const std::string& name) override;
  void UpdateFields() override;
  std::string ParentURL() override;
  void Close() override;
  void OpenReadWrite(const std::string& itemUrl) override;
  void DeleteRecord() override;
  void MoveRecord(const std::string& sourceUrl, const std::string& destinationUrl) override;
  std::string FolderEmailAddress(const std::string& folderUrl) override;
  std::unique_ptr<MessageStream> OpenMessageStream(const std::string& itemUrl) override;

 private:
  platform::IExStoreDispEventInfo& eventInfo_;
};

}  // namespace quarvel::sink
