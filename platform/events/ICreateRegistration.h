// The store asks a sink whether it accepts a registration that names it.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/IUnknown.h"

namespace quarvel::platform {

class IExStoreDispEventInfo;

class ICreateRegistration {
 public:
  static constexpr std::string_view kInterfaceName = "ICreateRegistration";
  virtual ~ICreateRegistration() = default;

  // *plResult 0 accepts the registration.
  virtual HRESULT Register(IExStoreDispEventInfo* pEventInfo, const std::string& bstrURLItem,
                           long lFlags, long* plResult) = 0;
};

}  // namespace quarvel::platform
