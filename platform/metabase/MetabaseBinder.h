// Finding a metabase object by its path, as the setup program binds one
// ("IIS://localhost/smtpsvc/1"). The setup program depends only on this
// interface; Metabase answers it from its file, FailingMetabaseBinder wraps
// another binder to fail a chosen call.
#pragma once

#include <string>

#include "platform/metabase/MetabaseObject.h"

namespace quarvel::platform::metabase {

class MetabaseBinder {
 public:
  virtual ~MetabaseBinder() = default;

  // The object at `path`. Throws PlatformError: kErrInvalidArgument for text
  // that is not a metabase path, kErrNotFound when no object is at the path.
  [[nodiscard]] virtual MetabaseObject Bind(const std::string& path) const = 0;
};

}  // namespace quarvel::platform::metabase
