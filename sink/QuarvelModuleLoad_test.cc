// Quarvel.so as the component host sees it: one entry point, one class.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "platform/com/ComponentModule.h"
#include "platform/events/EventFlags.h"
#include "platform/events/ICreateRegistration.h"
#include "platform/events/IExStoreDispEventInfo.h"
#include "platform/events/IExStoreSyncEvents.h"

namespace quarvel::platform {
namespace {

class RefusingEventInfo : public IExStoreDispEventInfo {
 public:
  ado::Record& EventRecord() override { throw std::runtime_error("no record here"); }
  IObjectFactory& Objects() override { throw std::runtime_error("no objects here"); }
  void AbortChange(long) override { ADD_FAILURE() << "the sink vetoed a change"; }
};

class QuarvelModuleLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(QUARVEL_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    const auto entry =
        reinterpret_cast<ComponentModuleEntryFunction>(dlsym(handle_, COMPONENT_MODULE_ENTRY));
    ASSERT_NE(entry, nullptr);
    table_ = entry();
  }
  void TearDown() override {
    if (handle_ != nullptr) dlclose(handle_);
  }

  void* handle_ = nullptr;
  const ComponentModuleTable* table_ = nullptr;
};

TEST_F(QuarvelModuleLoadTest, ListsAndCreatesItsOneClass) {
  ASSERT_EQ(table_->abiVersion, kComponentModuleAbiVersion);
  ASSERT_EQ(table_->progIdCount, 1u);
  EXPECT_STREQ(table_->progIds[0], "Quarvel.QuarvelCls");
  EXPECT_EQ(table_->createObject("Quarvel.Other"), nullptr);
  EXPECT_EQ(table_->createObject(nullptr), nullptr);

  std::unique_ptr<IUnknown> object(table_->createObject("Quarvel.QuarvelCls"));
  ASSERT_NE(object, nullptr);
  auto* events = QueryInterface<IExStoreSyncEvents>(*object);
  auto* registration = QueryInterface<ICreateRegistration>(*object);
  ASSERT_NE(events, nullptr);
  ASSERT_NE(registration, nullptr);

  long result = -1;
  EXPECT_EQ(registration->Register(nullptr, "", 0, &result), S_OK);
  EXPECT_EQ(result, 0);
  // An error thrown by the host below the sink never comes back out of it.
  RefusingEventInfo info;
  EXPECT_EQ(events->OnSyncSave(&info, "/x", EVT_SYNC_BEGIN | EVT_IS_DELIVERED), S_OK);
  EXPECT_EQ(events->OnSyncSave(&info, "/x", EVT_SYNC_COMMITTED | EVT_IS_DELIVERED), S_OK);
}

TEST_F(QuarvelModuleLoadTest, HidesEverythingButTheEntryPoint) {
  EXPECT_EQ(dlsym(handle_, "_ZN7quarvel4sink11ThreadStateEv"), nullptr);
  EXPECT_EQ(dlsym(handle_,
                  "_ZN7quarvel12ReadIniValueESt17basic_string_viewIcSt11char_traitsIcEES3_S3_"
                  "RKNSt7__cxx1112basic_stringIcS2_SaIcEEE"),
            nullptr);
}

}  // namespace
}  // namespace quarvel::platform
