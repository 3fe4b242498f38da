// Creates platform objects by ProgID, as the component runtime does.
#pragma once

#include <memory>
#include <string_view>

#include "platform/com/IUnknown.h"

namespace quarvel::platform {

class IObjectFactory {
 public:
  virtual ~IObjectFactory() = default;
  // nullptr when no object of that ProgID can be created.
  virtual std::unique_ptr<IUnknown> CreateObject(std::string_view progId) = 0;
};

}  // namespace quarvel::platform
