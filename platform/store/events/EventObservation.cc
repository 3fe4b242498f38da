#include "platform/store/events/EventObservation.h"

#include "common/Text.h"
#include "platform/ado/Stream.h"
#include "platform/cdo/Message.h"

namespace quarvel::platform::store {

namespace {

class ObservedStream : public ado::Stream {
 public:
  ObservedStream(std::unique_ptr<ado::Stream> inner, EventObservation& observation)
      : inner_(std::move(inner)), observation_(observation) {}

  std::string ReadText(long numChars) override { return inner_->ReadText(numChars); }
  void WriteText(const std::string& text, ado::StreamWriteOptions options) override {
    inner_->WriteText(text, options);
  }
  std::size_t Position() const override { return inner_->Position(); }
  void SetPosition(std::size_t position) override { inner_->SetPosition(position); }
  void SaveToFile(const std::string& path, ado::SaveOptions options) override {
    inner_->SaveToFile(path, options);
    observation_.savedFiles.push_back(path);
  }
  void Close() override { inner_->Close(); }

 private:
  std::unique_ptr<ado::Stream> inner_;
  EventObservation& observation_;
};

class ObservedMessage : public IUnknown, public cdo::Message {
 public:
  ObservedMessage(std::unique_ptr<IUnknown> object, cdo::Message& inner,
                  EventObservation& observation)
      : object_(std::move(object)), inner_(inner), observation_(observation) {}

  void* QueryInterface(std::string_view interfaceName) override {
    if (interfaceName == cdo::Message::kInterfaceName) return static_cast<cdo::Message*>(this);
    return object_->QueryInterface(interfaceName);
  }
  void Open(const std::string& url, ado::Connection* activeConnection, ado::ConnectMode mode,
            ado::RecordCreateOptions createOptions) override {
    inner_.Open(url, activeConnection, mode, createOptions);
  }
  std::unique_ptr<ado::Stream> GetStream() override {
    return std::make_unique<ObservedStream>(inner_.GetStream(), observation_);
  }

 private:
  std::unique_ptr<IUnknown> object_;  // owns inner_
  cdo::Message& inner_;
  EventObservation& observation_;
};

}  // namespace

std::unique_ptr<IUnknown> ObservedObjects::CreateObject(std::string_view progId) {
  auto object = inner_.CreateObject(progId);
  if (!object || !text::EqualsIgnoreCase(progId, "CDO.Message")) return object;
  auto* message = QueryInterface<cdo::Message>(*object);
  if (message == nullptr) return object;
  return std::make_unique<ObservedMessage>(std::move(object), *message, observation_);
}

}  // namespace quarvel::platform::store
