#include "platform/store/events/EventObservation.h"

#include <dirent.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/ado/Stream.h"
#include "platform/cdo/Message.h"

namespace quarvel::platform::store {

namespace {

// Errors that are a sink's ordinary questions, not refusals: "is the field
// there?" is asked by trying.
bool IsQuestion(const PlatformError& error) {
  return error.Number() == kErrObjectAlreadyInCollection ||
         error.Number() == kErrItemNotFoundInCollection;
}

// Runs `call`, noting a refusal of `what` before passing the error on.
template <typename Call>
auto Noting(EventObservation& observation, const std::string& what, Call&& call) {
  try {
    return call();
  } catch (const PlatformError& error) {
    if (!IsQuestion(error)) observation.refusals.push_back(what + ": " + error.Description());
    throw;
  }
}

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
    Noting(observation_, "the message file " + path + " could not be written",
           [&] { inner_->SaveToFile(path, options); });
    SavedFile saved{path};
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
      saved.device = status.st_dev;
      saved.inode = status.st_ino;
    }
    observation_.savedFiles.push_back(std::move(saved));
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

class ObservedRecord::Fields : public ado::Fields {
 public:
  Fields(ado::Record& record, EventObservation& observation)
      : record_(record), observation_(observation) {}

  ado::Variant Value(const std::string& name) const override {
    return record_.GetFields().Value(name);
  }
  void SetValue(const std::string& name, const ado::Variant& value) override {
    Noting(observation_, "the store refused \"" + name + "\"",
           [&] { record_.GetFields().SetValue(name, value); });
  }
  void Append(const std::string& name, ado::DataType type, long definedSize,
              ado::FieldAttribute attributes, const ado::Variant& value) override {
    Noting(observation_, "the store refused \"" + name + "\"",
           [&] { record_.GetFields().Append(name, type, definedSize, attributes, value); });
  }
  void Delete(const std::string& name) override {
    Noting(observation_, "the store refused to remove \"" + name + "\"",
           [&] { record_.GetFields().Delete(name); });
  }
  void Update() override {
    Noting(observation_, "the store refused the item's changes",
           [&] { record_.GetFields().Update(); });
  }
  std::vector<std::string> Names() const override { return record_.GetFields().Names(); }

 private:
  ado::Record& record_;
  EventObservation& observation_;
};

ObservedRecord::ObservedRecord(ado::Record& inner, EventObservation& observation)
    : inner_(inner),
      observation_(observation),
      fields_(std::make_unique<Fields>(inner, observation)) {}

ObservedRecord::~ObservedRecord() = default;

ado::Fields& ObservedRecord::GetFields() {
  (void)inner_.GetFields();  // a closed record refuses here, as the inner one does
  return *fields_;
}

void ObservedRecord::Open(const std::string& source, ado::Connection* activeConnection,
                          ado::ConnectMode mode, ado::RecordCreateOptions createOptions,
                          ado::RecordOpenOptions options, const std::string& userName,
                          const std::string& password) {
  Noting(observation_, "the item could not be opened again", [&] {
    inner_.Open(source, activeConnection, mode, createOptions, options, userName, password);
  });
}

void ObservedRecord::DeleteRecord(const std::string& source, bool async) {
  Noting(observation_, "the item could not be deleted",
         [&] { inner_.DeleteRecord(source, async); });
  observation_.deleted = true;
}

std::string ObservedRecord::MoveRecord(const std::string& source, const std::string& destination,
                                       const std::string& userName, const std::string& password,
                                       ado::MoveRecordOptions options, bool async) {
  auto moved = Noting(observation_, "the move to " + destination + " failed", [&] {
    return inner_.MoveRecord(source, destination, userName, password, options, async);
  });
  observation_.movedTo = destination;
  return moved;
}

std::unique_ptr<IUnknown> ObservedObjects::CreateObject(std::string_view progId) {
  auto object = inner_.CreateObject(progId);
  if (!object || !text::EqualsIgnoreCase(progId, "CDO.Message")) return object;
  auto* message = QueryInterface<cdo::Message>(*object);
  if (message == nullptr) return object;
  return std::make_unique<ObservedMessage>(std::move(object), *message, observation_);
}

std::optional<std::string> CurrentPath(const SavedFile& file) {
  struct stat status {};
  if (::stat(file.path.c_str(), &status) == 0 && status.st_dev == file.device &&
      status.st_ino == file.inode) {
    return file.path;
  }
  if (file.inode == 0) return std::nullopt;
  // A rename keeps the file's inode: look for it in the same directory.
  const auto directory = std::filesystem::path(file.path).parent_path();
  DIR* listing = ::opendir(directory.empty() ? "." : directory.c_str());
  if (listing == nullptr) return std::nullopt;
  std::optional<std::string> found;
  while (const dirent* entry = ::readdir(listing)) {
    if (entry->d_ino != file.inode) continue;
    const auto candidate = (directory / entry->d_name).string();
    if (::lstat(candidate.c_str(), &status) == 0 && status.st_dev == file.device &&
        status.st_ino == file.inode) {
      found = candidate;
      break;
    }
  }
  ::closedir(listing);
  return found;
}

}  // namespace quarvel::platform::store
