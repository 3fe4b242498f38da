#include "platform/metabase/FailingMetabaseBinder.h"

#include "platform/PlatformError.h"

namespace quarvel::platform::metabase {

FailingMetabaseBinder::FailingMetabaseBinder(const MetabaseBinder& inner, int failingCall,
                                             std::int32_t number)
    : inner_(inner), failingCall_(failingCall), number_(number) {}

MetabaseObject FailingMetabaseBinder::Bind(const std::string& path) const {
  if (++calls_ == failingCall_) {
    throw PlatformError(number_, "simulated failure of bind " + std::to_string(calls_));
  }
  return inner_.Bind(path);
}

}  // namespace quarvel::platform::metabase
