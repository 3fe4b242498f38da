// The root of every platform object, as the component model defines it: an
// object is asked for an interface by name and answers with itself seen as
// that interface, or with nothing. Objects created in a loaded module are used
// through this, never through dynamic_cast, so that a module may hide all of
// its own symbols.
#pragma once

#include <cstdint>
#include <string_view>

namespace quarvel::platform {

using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;

class IUnknown {
 public:
  virtual ~IUnknown() = default;
  // The object as the named interface (an interface's kInterfaceName), or nullptr.
  virtual void* QueryInterface(std::string_view interfaceName) = 0;
};

// Typed form: QueryInterface<IExStoreSyncEvents>(object).
template <class Interface>
[[nodiscard]] Interface* QueryInterface(IUnknown& object) {
  return static_cast<Interface*>(object.QueryInterface(Interface::kInterfaceName));
}

}  // namespace quarvel::platform
