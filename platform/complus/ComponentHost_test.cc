// The component host: objects by ProgID from the catalog's modules.
#include "platform/complus/ComponentHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/complus/ComponentCatalog.h"
#include "platform/complus/TestComponentModule_test_support.h"
#include "platform/events/IExStoreSyncEvents.h"

namespace quarvel::platform::complus {
namespace {

namespace fs = std::filesystem;
using test_support::ITestComponent;
using test_support::TempDirectory;
using test_support::WriteWholeFile;

class ComponentHostTest : public ::testing::Test {
 public:
  // A new application "Quarvel" holding the module's components.
  void Install(const fs::path& module) {
    catalog_.AddApplication("Quarvel");
    catalog_.Save();
    catalog_.InstallComponent("Quarvel", module);
  }

  // Sets a component's construction settings as a setup program would.
  void SetConstruction(std::string_view progId, bool enabled, const ado::Variant& text) {
    ComponentCatalog setup(file_);
    auto components = setup.GetCollection("Components", setup.FindApplication("Quarvel")->id);
    components->Populate();
    for (std::size_t i = 0; i < components->Count(); ++i) {
      if (components->Item(i).Name() != progId) continue;
      components->Item(i).SetValue("ConstructionEnabled", enabled);
      components->Item(i).SetValue("ConstructorString", text);
    }
    components->SaveChanges();
  }

 protected:
  static ITestComponent& Test(const CreateResult& result) {
    auto* component = QueryInterface<ITestComponent>(*result.object);
    if (component == nullptr) throw std::logic_error("not a test component");
    return *component;
  }

  TempDirectory dir_;
  fs::path file_ = dir_.Path() / "catalog.json";
  ComponentCatalog catalog_{file_};
  ComponentHost host_{file_};
};

TEST_F(ComponentHostTest, LoadsEachModuleOnce) {
  Install(COMPLUS_TEST_MODULE);
  const CreateResult one = host_.CreateObject("Test.One");
  const CreateResult two = host_.CreateObject("Test.Two");
  const CreateResult again = host_.CreateObject("Test.One");
  ASSERT_NE(one.object, nullptr) << one.whyNot;
  ASSERT_NE(two.object, nullptr) << two.whyNot;
  ASSERT_NE(again.object, nullptr) << again.whyNot;
  EXPECT_EQ(one.whyNot, "");
  EXPECT_EQ(Test(one).ProgId(), "Test.One");
  EXPECT_EQ(Test(two).ProgId(), "Test.Two");
  EXPECT_NE(one.object, again.object);
  EXPECT_NE(one.module, nullptr);
  EXPECT_EQ(one.module, two.module);
  EXPECT_EQ(one.module, again.module);
  EXPECT_EQ(host_.LoadedModuleCount(), 1u);
}

TEST_F(ComponentHostTest, ProgIdsMatchIgnoringCase) {
  Install(COMPLUS_TEST_MODULE);
  const CreateResult result = host_.CreateObject("test.TWO");
  ASSERT_NE(result.object, nullptr) << result.whyNot;
  EXPECT_EQ(Test(result).ProgId(), "Test.Two");
}

TEST_F(ComponentHostTest, CreatesTheQuarvelSink) {
  Install(QUARVEL_MODULE_PATH);
  const CreateResult result = host_.CreateObject("Quarvel.QuarvelCls");
  ASSERT_NE(result.object, nullptr) << result.whyNot;
  EXPECT_NE(QueryInterface<IExStoreSyncEvents>(*result.object), nullptr);
}

struct ReasonCase {
  const char* name;
  // Prepares the catalog; returns the ProgID to create.
  std::function<std::string(ComponentHostTest&, ComponentCatalog&, const fs::path& dir)> arrange;
  const char* reason;
};

class ComponentHostReasonTest : public ComponentHostTest,
                                public ::testing::WithParamInterface<ReasonCase> {};

TEST_P(ComponentHostReasonTest, GivesNoObjectAndSaysWhy) {
  // The host saw a sound catalog before: the reason must come from the change.
  Install(COMPLUS_TEST_MODULE);
  ASSERT_NE(host_.CreateObject("Test.One").object, nullptr);
  const std::string progId = GetParam().arrange(*this, catalog_, dir_.Path());
  CreateResult result;
  ASSERT_NO_THROW(result = host_.CreateObject(progId));
  EXPECT_EQ(result.object, nullptr);
  EXPECT_NE(result.whyNot.find(GetParam().reason), std::string::npos) << result.whyNot;
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, ComponentHostReasonTest,
    ::testing::Values(
        ReasonCase{"CatalogFileRemoved",
                   [](ComponentHostTest&, ComponentCatalog& catalog, const fs::path&) {
                     fs::remove(catalog.File());
                     return "Test.One";
                   },
                   "Test.One is not installed"},
        ReasonCase{"ApplicationRemoved",
                   [](ComponentHostTest&, ComponentCatalog& catalog, const fs::path&) {
                     auto apps = catalog.GetCollection("Applications");
                     apps->Populate();
                     apps->Remove(0);
                     apps->SaveChanges();
                     return "Test.One";
                   },
                   "Test.One is not installed"},
        ReasonCase{
            "UnknownProgId",
            [](ComponentHostTest&, ComponentCatalog&, const fs::path&) { return "Test.Three"; },
            "Test.Three is not installed"},
        ReasonCase{"ModuleFileGone",
                   [](ComponentHostTest&, ComponentCatalog& catalog, const fs::path& dir) {
                     // Another module file, never loaded by the host.
                     const fs::path copy = dir / "gone.so";
                     fs::copy_file(QUARVEL_MODULE_PATH, copy);
                     catalog.AddApplication("Sink");
                     catalog.Save();
                     catalog.InstallComponent("Sink", copy);
                     fs::remove(copy);
                     return "Quarvel.QuarvelCls";
                   },
                   "gone.so"},
        ReasonCase{"CatalogUnreadable",
                   [](ComponentHostTest&, ComponentCatalog& catalog, const fs::path&) {
                     WriteWholeFile(catalog.File(), "{\"Applications\": [");
                     return "Test.One";
                   },
                   "not valid JSON"},
        ReasonCase{"ConstructFails",
                   [](ComponentHostTest& test, ComponentCatalog&, const fs::path&) {
                     test.SetConstruction("Test.One", true,
                                          std::string(test_support::kFailingConstructorString));
                     return "Test.One";
                   },
                   "Test.One failed to construct: 0x80004005"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ConstructionCase {
  const char* name;
  bool enabled;
  ado::Variant text;
  int constructCalls;
  const char* received;
};

class ComponentHostConstructionTest : public ComponentHostTest,
                                      public ::testing::WithParamInterface<ConstructionCase> {};

TEST_P(ComponentHostConstructionTest, ConstructorStringReachesConstruct) {
  Install(COMPLUS_TEST_MODULE);
  SetConstruction("Test.Two", GetParam().enabled, GetParam().text);
  const CreateResult result = host_.CreateObject("Test.Two");
  ASSERT_NE(result.object, nullptr) << result.whyNot;
  EXPECT_EQ(Test(result).ConstructCalls(), GetParam().constructCalls);
  EXPECT_EQ(Test(result).ConstructorString(), GetParam().received);
  // The other class keeps its own settings.
  EXPECT_EQ(Test(host_.CreateObject("Test.One")).ConstructCalls(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ComponentHostConstructionTest,
    ::testing::Values(ConstructionCase{"Enabled", true, ado::Variant("Server=one;Folder=Spam"), 1,
                                       "Server=one;Folder=Spam"},
                      ConstructionCase{"EnabledWithNull", true, ado::Variant::Null(), 1, ""},
                      ConstructionCase{"Disabled", false, ado::Variant("unused"), 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComponentHostTest, ChangesByAnotherCatalogApplyToTheNextObject) {
  Install(COMPLUS_TEST_MODULE);
  SetConstruction("Test.One", true, "first");
  EXPECT_EQ(Test(host_.CreateObject("Test.One")).ConstructorString(), "first");
  SetConstruction("Test.One", true, "second");
  EXPECT_EQ(Test(host_.CreateObject("Test.One")).ConstructorString(), "second");
}

TEST_F(ComponentHostTest, ShutDownApplicationsStillActivateAndReportTheirGeneration) {
  Install(COMPLUS_TEST_MODULE);
  const CreateResult before = host_.CreateObject("Test.One");
  ASSERT_NE(before.object, nullptr) << before.whyNot;
  EXPECT_EQ(before.generation, 0u);

  catalog_.ShutdownApplication("Quarvel");
  const CreateResult after = host_.CreateObject("Test.One");
  ASSERT_NE(after.object, nullptr) << after.whyNot;
  EXPECT_EQ(after.generation, 1u);
  // Objects of the earlier generation live on.
  EXPECT_EQ(Test(before).ProgId(), "Test.One");
}

TEST_F(ComponentHostTest, ConcurrentCreationIsSafeWhileTheCatalogChanges) {
  Install(COMPLUS_TEST_MODULE);
  SetConstruction("Test.One", true, "even");
  constexpr int kThreads = 4;
  constexpr int kPerThread = 150;
  std::atomic<int> created{0};
  std::atomic<bool> writing{true};
  std::vector<std::string> failures[kThreads];

  std::thread writer([&] {
    for (int i = 0; writing; ++i) SetConstruction("Test.One", true, i % 2 ? "odd" : "even");
  });
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        const char* progId = (i + t) % 2 ? "Test.One" : "Test.Two";
        const CreateResult result = host_.CreateObject(progId);
        if (result.object == nullptr) {
          failures[t].push_back(result.whyNot);
          continue;
        }
        auto* test = QueryInterface<ITestComponent>(*result.object);
        const std::string text = test->ConstructorString();
        if (test->ProgId() != progId ||
            (progId == std::string("Test.One") && text != "odd" && text != "even")) {
          failures[t].push_back("wrong object: " + test->ProgId() + " \"" + text + "\"");
        }
        ++created;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  writing = false;
  writer.join();

  for (const auto& list : failures) EXPECT_EQ(list, std::vector<std::string>{});
  EXPECT_EQ(created, kThreads * kPerThread);
  EXPECT_EQ(host_.LoadedModuleCount(), 1u);
}

}  // namespace
}  // namespace quarvel::platform::complus
