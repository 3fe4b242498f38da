#include "sink/AdoStoreAccess.h"

#include "platform/PlatformError.h"
#include "platform/ado/Record.h"
#include "platform/ado/Stream.h"
#include "platform/cdo/Folder.h"
#include "platform/cdo/Message.h"
#include "platform/com/IObjectFactory.h"
#include "sink/ItemProperties.h"

namespace quarvel::sink {

namespace ado = platform::ado;
namespace cdo = platform::cdo;
using platform::PlatformError;

namespace {

class AdoMessageStream : public MessageStream {
 public:
  AdoMessageStream(std::unique_ptr<platform::IUnknown> message, std::unique_ptr<ado::Stream> stream)
      : message_(std::move(message)), stream_(std::move(stream)) {}

  std::string ReadText() override { return stream_->ReadText(ado::adReadAll); }
  void SetPosition(std::size_t position) override { stream_->SetPosition(position); }
  void WriteText(const std::string& text) override { stream_->WriteText(text, ado::adWriteChar); }
  void SaveToFile(const std::string& path) override {
    stream_->SaveToFile(path, ado::adSaveCreateNotExist);
  }

 private:
  std::unique_ptr<platform::IUnknown> message_;  // the stream's owner
  std::unique_ptr<ado::Stream> stream_;
};

}  // namespace

AdoStoreAccess::AdoStoreAccess(platform::IExStoreDispEventInfo& eventInfo)
    : eventInfo_(eventInfo) {}

std::string AdoStoreAccess::ReadProperty(const std::string& name) {
  try {
    return eventInfo_.EventRecord().GetFields().Value(name).ToString();
  } catch (const PlatformError& error) {
    if (error.Number() == platform::kErrItemNotFoundInCollection) return {};
    throw;
  }
}

void AdoStoreAccess::AppendProperty(const std::string& name, const std::string& value) {
  eventInfo_.EventRecord().GetFields().Append(
      name, ado::adChar, static_cast<long>(kCustomPropertySize), ado::adFldUnspecified, value);
}

void AdoStoreAccess::SetProperty(const std::string& name, const std::string& value) {
  eventInfo_.EventRecord().GetFields().SetValue(name, value);
}

void AdoStoreAccess::DeleteProperty(const std::string& name) {
  eventInfo_.EventRecord().GetFields().Delete(name);
}

void AdoStoreAccess::UpdateFields() { eventInfo_.EventRecord().GetFields().Update(); }

std::string AdoStoreAccess::ParentURL() { return eventInfo_.EventRecord().ParentURL(); }

void AdoStoreAccess::Close() { eventInfo_.EventRecord().Close(); }

void AdoStoreAccess::OpenReadWrite(const std::string& itemUrl) {
  eventInfo_.EventRecord().Open(itemUrl, nullptr, ado::adModeReadWrite, ado::adFailIfNotExists,
                                ado::adOpenRecordUnspecified, "", "");
}

void AdoStoreAccess::DeleteRecord() { eventInfo_.EventRecord().DeleteRecord(); }

void AdoStoreAccess::MoveRecord(const std::string& sourceUrl, const std::string& destinationUrl) {
  eventInfo_.EventRecord().MoveRecord(sourceUrl, destinationUrl, "", "", ado::adMoveOverWrite,
                                      false);
}

std::string AdoStoreAccess::FolderEmailAddress(const std::string& folderUrl) {
  const auto object = eventInfo_.Objects().CreateObject("CDO.Folder");
  auto* folder = object ? platform::QueryInterface<cdo::Folder>(*object) : nullptr;
  if (folder == nullptr) {
    throw PlatformError(platform::kErrFail, "cannot create CDO.Folder");
  }
  folder->Open(folderUrl, nullptr, ado::adModeRead, ado::adFailIfNotExists);
  return folder->EmailAddress();
}

std::unique_ptr<MessageStream> AdoStoreAccess::OpenMessageStream(const std::string& itemUrl) {
  auto object = eventInfo_.Objects().CreateObject("CDO.Message");
  auto* message = object ? platform::QueryInterface<cdo::Message>(*object) : nullptr;
  if (message == nullptr) return nullptr;
  message->Open(itemUrl, nullptr, ado::adModeUnknown, ado::adFailIfNotExists);
  auto stream = message->GetStream();
  return std::make_unique<AdoMessageStream>(std::move(object), std::move(stream));
}

}  // namespace quarvel::sink
