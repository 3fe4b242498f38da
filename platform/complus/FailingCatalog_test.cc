// The catalog wrapper that fails a chosen call: every call counts, those of
// the collections and objects it hands out included, and the failing call
// changes nothing in the catalog behind it.
#include "platform/complus/FailingCatalog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/complus/InMemoryCatalog.h"

namespace quarvel::platform::complus {
namespace {

std::vector<std::string> OneClass(const std::filesystem::path&) { return {"Quarvel.QuarvelCls"}; }

// Adds an application named "Quarvel" through `catalog` and sets a
// component's constructor string: 9 calls, in this order.
void AddQuarvel(AdminCatalog& catalog) {
  auto apps = catalog.GetCollection("Applications", "");             // 1
  apps->Populate();                                                  // 2
  AdminCatalogObject& app = apps->Add();                             // 3
  app.SetValue("Name", "Quarvel");                                   // 4
  apps->SaveChanges();                                               // 5
  catalog.InstallComponent("Quarvel", "Quarvel.so", "", "");         // 6
  auto components = catalog.GetCollection("Components", app.Key());  // 7 (Key), 8
  components->Populate();                                            // 9
}

TEST(FailingCatalogTest, FailsExactlyTheChosenCallAndNamesIt) {
  const std::vector<std::string> calls = {"GetCollection", "Populate",      "Add",
                                          "SetValue",      "SaveChanges",   "InstallComponent",
                                          "Key",           "GetCollection", "Populate"};
  for (int n = 1; n <= static_cast<int>(calls.size()); ++n) {
    InMemoryCatalog inner(OneClass);
    FailingCatalog catalog(inner, n, kErrAccessDenied);
    try {
      AddQuarvel(catalog);
      ADD_FAILURE() << "call " << n << " did not fail";
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.Number(), kErrAccessDenied);
      EXPECT_EQ(error.Description(),
                "simulated failure of " + calls[n - 1] + " (call " + std::to_string(n) + ")");
    }
    EXPECT_EQ(catalog.FailedCall(), calls[n - 1]);
    EXPECT_EQ(catalog.Calls(), n);
    // A failing save or install never reached the catalog behind.
    inner.Load();
    EXPECT_EQ(inner.FindApplication("Quarvel") != nullptr, n > 5) << calls[n - 1];
    EXPECT_EQ(inner.FindComponent("Quarvel.QuarvelCls").second != nullptr, n > 6) << calls[n - 1];
  }
}

TEST(FailingCatalogTest, CountsAgainWhenArmedAgain) {
  InMemoryCatalog inner(OneClass);
  FailingCatalog catalog(inner);
  AddQuarvel(catalog);
  EXPECT_EQ(catalog.Calls(), 9);
  EXPECT_EQ(catalog.FailedCall(), "");

  catalog.FailCall(2);
  EXPECT_NO_THROW(catalog.StartApplication("Quarvel"));
  EXPECT_THROW(catalog.ShutdownApplication("Quarvel"), PlatformError);
  EXPECT_EQ(catalog.FailedCall(), "ShutdownApplication");
  EXPECT_NO_THROW((void)catalog.RefreshComponents());
  inner.Load();
  EXPECT_TRUE(inner.FindApplication("Quarvel")->running) << "the failing shutdown did nothing";
}

TEST(FailingCatalogTest, ObjectsStayTheSameAcrossLookupsAndRemoval) {
  InMemoryCatalog inner(OneClass);
  FailingCatalog catalog(inner);
  AddQuarvel(catalog);
  auto apps = catalog.GetCollection("Applications", "");
  apps->Populate();
  AdminCatalogObject& first = apps->Item(0);
  EXPECT_EQ(&first, &apps->Item(0));
  EXPECT_EQ(first.Value("Name").ToString(), "Quarvel");
  apps->Remove(0);
  EXPECT_EQ(apps->Count(), 0u);
  apps->SaveChanges();
  inner.Load();
  EXPECT_EQ(inner.FindApplication("Quarvel"), nullptr);
}

}  // namespace
}  // namespace quarvel::platform::complus
