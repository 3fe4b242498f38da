// The entry point of Quarvel.so: the component host lists the module's one
// class and creates its objects here.
#include <cstring>
#include <new>

#include "platform/com/ComponentModule.h"
#include "sink/QuarvelCls.h"

namespace {

constexpr const char* kProgIds[] = {"Quarvel.QuarvelCls"};

quarvel::platform::IUnknown* CreateObject(const char* progId) {
  if (progId == nullptr || quarvel::sink::QuarvelCls::kProgId != std::string_view(progId)) {
    return nullptr;
  }
  return new (std::nothrow) quarvel::sink::QuarvelCls();
}

constexpr ComponentModuleTable kTable = {quarvel::platform::kComponentModuleAbiVersion, kProgIds,
                                         std::size(kProgIds), CreateObject};

}  // namespace

extern "C" __attribute__((visibility("default"))) const ComponentModuleTable*
ComponentModuleEntry() {
  return &kTable;
}
