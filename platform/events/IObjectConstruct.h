// Object construction by the component host: it hands a new object the
// construction object, which carries the component's constructor string.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/IUnknown.h"

namespace quarvel::platform {

// What the host passes to Construct.
class IObjectConstructString {
 public:
  static constexpr std::string_view kInterfaceName = "IObjectConstructString";
  virtual ~IObjectConstructString() = default;
  virtual std::string ConstructString() = 0;
};

class IObjectConstruct {
 public:
  static constexpr std::string_view kInterfaceName = "IObjectConstruct";
  virtual ~IObjectConstruct() = default;
  virtual HRESULT Construct(IUnknown* pCtorObj) = 0;
};

}  // namespace quarvel::platform
