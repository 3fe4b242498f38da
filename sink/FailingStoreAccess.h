// A StoreAccess wrapper that fails one chosen call, for testing every failure
// path: the Nth operation (counting from 1, message-stream operations
// included) throws platform::PlatformError instead of reaching the wrapped
// store. FailureSchedule is shared with other wrapped facilities so that one
// count runs across all of them.
#pragma once

#include <memory>
#include <string>

#include "sink/StoreAccess.h"

namespace quarvel::sink {

class FailureSchedule {
 public:
  // failOn 0 never fails.
  explicit FailureSchedule(int failOn) : failOn_(failOn) {}
  // Counts one operation; throws if it is the one to fail.
  void Tick();
  [[nodiscard]] int Calls() const { return calls_; }
  [[nodiscard]] bool Failed() const { return failOn_ > 0 && calls_ >= failOn_; }

 private:
  int failOn_;
  int calls_ = 0;
};

class FailingStoreAccess : public StoreAccess {
 public:
  FailingStoreAccess(StoreAccess& inner, FailureSchedule& schedule)
      : inner_(inner), schedule_(schedule) {}

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
  StoreAccess& inner_;
  FailureSchedule& schedule_;
};

}  // namespace quarvel::sink
