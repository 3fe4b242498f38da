// A directory that fails one chosen call (binds and searches counted
// together) and passes every other call on, so that a caller's handling of
// a failed bind or query can be tested.
//
// Counts with an atomic counter: safe from several threads, though which
// call is the Nth is then up to the threads' order.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/PlatformError.h"
#include "platform/directory/DirectoryService.h"

namespace quarvel::platform::directory {

class FailingDirectory : public DirectoryService {
 public:
  // Call number `failingCall` (counted from 1) throws PlatformError(`number`,
  // "simulated failure of directory call N").
  FailingDirectory(std::shared_ptr<const DirectoryService> inner, int failingCall,
                   std::int32_t number = kErrFail);

  [[nodiscard]] DirectoryObject Bind(const std::string& path) const override;
  [[nodiscard]] ado::Rowset Search(const std::string& queryText,
                                   const ado::Properties& properties) const override;
  [[nodiscard]] int Calls() const { return calls_; }

 private:
  void Count() const;

  std::shared_ptr<const DirectoryService> inner_;
  int failingCall_;
  std::int32_t number_;
  mutable std::atomic<int> calls_ = 0;
};

}  // namespace quarvel::platform::directory
