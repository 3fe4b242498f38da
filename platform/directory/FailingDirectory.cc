#include "platform/directory/FailingDirectory.h"

#include <string>

namespace quarvel::platform::directory {

FailingDirectory::FailingDirectory(std::shared_ptr<const DirectoryService> inner, int failingCall,
                                   std::int32_t number)
    : inner_(std::move(inner)), failingCall_(failingCall), number_(number) {}

void FailingDirectory::Count() const {
  const int call = ++calls_;
  if (call == failingCall_) {
    throw PlatformError(number_, "simulated failure of directory call " + std::to_string(call));
  }
}

DirectoryObject FailingDirectory::Bind(const std::string& path) const {
  Count();
  return inner_->Bind(path);
}

ado::Rowset FailingDirectory::Search(const std::string& queryText,
                                     const ado::Properties& properties) const {
  Count();
  return inner_->Search(queryText, properties);
}

}  // namespace quarvel::platform::directory
