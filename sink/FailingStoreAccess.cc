#include "sink/FailingStoreAccess.h"

#include "platform/PlatformError.h"

namespace quarvel::sink {

void FailureSchedule::Tick() {
  ++calls_;
  if (calls_ == failOn_) {
    throw platform::PlatformError(platform::kErrFail,
                                  "injected failure of call " + std::to_string(calls_));
  }
}

namespace {

class FailingMessageStream : public MessageStream {
 public:
  FailingMessageStream(std::unique_ptr<MessageStream> inner, FailureSchedule& schedule)
      : inner_(std::move(inner)), schedule_(schedule) {}

  std::string ReadText() override {
    schedule_.Tick();
    return inner_->ReadText();
  }
  void SetPosition(std::size_t position) override {
    schedule_.Tick();
    inner_->SetPosition(position);
  }
  void WriteText(const std::string& text) override {
    schedule_.Tick();
    inner_->WriteText(text);
  }
  void SaveToFile(const std::string& path) override {
    schedule_.Tick();
    inner_->SaveToFile(path);
  }

 private:
  std::unique_ptr<MessageStream> inner_;
  FailureSchedule& schedule_;
};

}  // namespace

std::string FailingStoreAccess::ReadProperty(const std::string& name) {
  schedule_.Tick();
  return inner_.ReadProperty(name);
}
void FailingStoreAccess::AppendProperty(const std::string& name, const std::string& value) {
  schedule_.Tick();
  inner_.AppendProperty(name, value);
}
void FailingStoreAccess::SetProperty(const std::string& name, const std::string& value) {
  schedule_.Tick();
  inner_.SetProperty(name, value);
}
void FailingStoreAccess::DeleteProperty(const std::string& name) {
  schedule_.Tick();
  inner_.DeleteProperty(name);
}
void FailingStoreAccess::UpdateFields() {
  schedule_.Tick();
  inner_.UpdateFields();
}
std::string FailingStoreAccess::ParentURL() {
  schedule_.Tick();
  return inner_.ParentURL();
}
void FailingStoreAccess::Close() {
  schedule_.Tick();
  inner_.Close();
}
void FailingStoreAccess::OpenReadWrite(const std::string& itemUrl) {
  schedule_.Tick();
  inner_.OpenReadWrite(itemUrl);
}
void FailingStoreAccess::DeleteRecord() {
  schedule_.Tick();
  inner_.DeleteRecord();
}
void FailingStoreAccess::MoveRecord(const std::string& sourceUrl,
                                    const std::string& destinationUrl) {
  schedule_.Tick();
  inner_.MoveRecord(sourceUrl, destinationUrl);
}
std::string FailingStoreAccess::FolderEmailAddress(const std::string& folderUrl) {
  schedule_.Tick();
  return inner_.FolderEmailAddress(folderUrl);
}
std::unique_ptr<MessageStream> FailingStoreAccess::OpenMessageStream(const std::string& itemUrl) {
  schedule_.Tick();
  auto stream = inner_.OpenMessageStream(itemUrl);
  if (!stream) return nullptr;
  return std::make_unique<FailingMessageStream>(std::move(stream), schedule_);
}

}  // namespace quarvel::sink
