// A component module for the host tests, with two classes, "Test.One" and
// "Test.Two". Built in three forms: sound; without its entry point
// (COMPLUS_TEST_MODULE_NO_ENTRY); for another abiVersion
// (COMPLUS_TEST_MODULE_ABI).
#include "platform/complus/TestComponentModule_test_support.h"

#include <cstring>
#include <iterator>
#include <new>

#include "platform/com/ComponentModule.h"
#include "platform/events/IObjectConstruct.h"

#ifndef COMPLUS_TEST_MODULE_ABI
#define COMPLUS_TEST_MODULE_ABI quarvel::platform::kComponentModuleAbiVersion
#endif

namespace {

using quarvel::platform::HRESULT;
using quarvel::platform::IObjectConstruct;
using quarvel::platform::IObjectConstructString;
using quarvel::platform::IUnknown;
using quarvel::platform::complus::test_support::ITestComponent;

constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005);

class TestComponent final : public IUnknown, public IObjectConstruct, public ITestComponent {
 public:
  explicit TestComponent(const char* progId) : progId_(progId) {}

  void* QueryInterface(std::string_view interfaceName) override {
    if (interfaceName == IObjectConstruct::kInterfaceName) {
      return static_cast<IObjectConstruct*>(this);
    }
    if (interfaceName == ITestComponent::kInterfaceName) {
      return static_cast<ITestComponent*>(this);
    }
    return nullptr;
  }

  HRESULT Construct(IUnknown* context) override {
    ++constructCalls_;
    if (context == nullptr) return kFail;
    auto* text = quarvel::platform::QueryInterface<IObjectConstructString>(*context);
    if (text == nullptr) return kFail;
    constructorString_ = text->ConstructString();
    if (constructorString_ == quarvel::platform::complus::test_support::kFailingConstructorString) {
      return kFail;
    }
    return quarvel::platform::S_OK;
  }

  std::string ProgId() const override { return progId_; }
  int ConstructCalls() const override { return constructCalls_; }
  std::string ConstructorString() const override { return constructorString_; }

 private:
  std::string progId_;
  int constructCalls_ = 0;
  std::string constructorString_;
};

constexpr const char* kProgIds[] = {"Test.One", "Test.Two"};

IUnknown* CreateObject(const char* progId) {
  for (const char* known : kProgIds) {
    if (progId != nullptr && std::strcmp(progId, known) == 0) {
      return new (std::nothrow) TestComponent(known);
    }
  }
  return nullptr;
}

constexpr ComponentModuleTable kTable = {COMPLUS_TEST_MODULE_ABI, kProgIds, std::size(kProgIds),
                                         CreateObject};

}  // namespace

#ifndef COMPLUS_TEST_MODULE_NO_ENTRY
extern "C" __attribute__((visibility("default"))) const ComponentModuleTable*
ComponentModuleEntry() {
  return &kTable;
}
#else
// Keeps the table referenced, so the module differs only by its entry point.
extern "C" __attribute__((visibility("default"))) const ComponentModuleTable* OtherEntry() {
  return &kTable;
}
#endif
