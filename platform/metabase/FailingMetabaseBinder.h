// A binder that fails one chosen call and passes every other call on, so that
// a caller's handling of a failed bind can be tested.
//
// Counts calls without locking: one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "platform/PlatformError.h"
#include "platform/metabase/MetabaseBinder.h"

namespace quarvel::platform::metabase {

class FailingMetabaseBinder : public MetabaseBinder {
 public:
  // Call number `failingCall` (counted from 1) throws PlatformError(`number`,
  // "simulated failure of bind N"); `inner` must outlive this object.
  FailingMetabaseBinder(const MetabaseBinder& inner, int failingCall,
                        std::int32_t number = kErrFail);

  [[nodiscard]] MetabaseObject Bind(const std::string& path) const override;
  [[nodiscard]] int Calls() const { return calls_; }

 private:
  const MetabaseBinder& inner_;
  int failingCall_;
  std::int32_t number_;
  mutable int calls_ = 0;
};

}  // namespace quarvel::platform::metabase
