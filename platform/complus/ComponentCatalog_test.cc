// The component catalog: its file, the plain model and the administration
// catalog a setup program uses.
#include "platform/complus/ComponentCatalog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <regex>
#include <sstream>

#include "common/FailingFileWriter.h"
#include "platform/PlatformError.h"
#include "platform/com/ComponentModule.h"
#include "platform/complus/InMemoryCatalog.h"
#include "platform/complus/TestComponentModule_test_support.h"

namespace quarvel::platform::complus {
namespace {

namespace fs = std::filesystem;
using ado::Variant;
using test_support::ReadWholeFile;
using test_support::TempDirectory;
using test_support::WriteWholeFile;

constexpr std::string_view kSecret = "s3cr3t-Pa55w0rd";

// Runs `call` and returns the PlatformError it throws; fails the test when it
// throws nothing.
PlatformError ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const PlatformError& e) {
    return e;
  }
  ADD_FAILURE() << "no PlatformError thrown";
  return PlatformError(0, "");
}

class ComponentCatalogTest : public ::testing::Test {
 protected:
  // Adds and saves an application through the administration catalog.
  std::string AddApplication(ComponentCatalog& catalog, std::string_view name,
                             std::string_view password = {}) {
    auto apps = catalog.GetCollection("Applications");
    apps->Populate();
    AdminCatalogObject& app = apps->Add();
    app.SetValue("Name", std::string(name));
    if (!password.empty()) app.SetValue("Password", std::string(password));
    EXPECT_EQ(apps->SaveChanges(), 1u);
    return app.Value("ID").ToString();
  }

  std::vector<std::string> AppNames() {
    ComponentCatalog reader(file_);
    std::vector<std::string> names;
    for (const Application& app : reader.Applications()) names.push_back(app.name);
    return names;
  }

  TempDirectory dir_;
  // In a directory that does not exist yet: saving creates it.
  fs::path file_ = dir_.Path() / "complus" / "catalog.json";
};

// --- The file ----------------------------------------------------------------------

struct PermissionCase {
  const char* name;
  bool saveFirstAndLoosen;  // an earlier save, then someone made the file 0644
};

class CatalogFilePermissionTest : public ComponentCatalogTest,
                                  public ::testing::WithParamInterface<PermissionCase> {};

TEST_P(CatalogFilePermissionTest, OwnerOnlyWhateverTheUmask) {
  const mode_t oldUmask = umask(0);
  ComponentCatalog catalog(file_);
  if (GetParam().saveFirstAndLoosen) {
    catalog.Save();
    ASSERT_EQ(chmod(file_.c_str(), 0644), 0);
  }
  AddApplication(catalog, "Quarvel", kSecret);
  umask(oldUmask);

  struct stat info {};
  ASSERT_EQ(stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  // The temporary file was renamed, not left behind.
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(file_.parent_path())) {
    files.push_back(entry.path());
  }
  EXPECT_EQ(files, std::vector<fs::path>{file_});
}

INSTANTIATE_TEST_SUITE_P(Saves, CatalogFilePermissionTest,
                         ::testing::Values(PermissionCase{"Create", false},
                                           PermissionCase{"Resave", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Every administration call that writes the file is made to fail in turn, at
// each step of the write: the call reports kErrFail naming the step, and the
// file stays exactly as the call found it.
TEST_F(ComponentCatalogTest, FailedWriteLeavesTheFileAsTheCallFoundIt) {
  const ComponentCatalog::ModuleLister lister = [](const fs::path&) {
    return std::vector<std::string>{"Quarvel.QuarvelCls"};
  };
  for (const FileWriteStep step : {FileWriteStep::kCreate, FileWriteStep::kWrite,
                                   FileWriteStep::kFlush, FileWriteStep::kName}) {
    const std::string stepName(StepName(step));
    for (int failOn = 1;; ++failOn) {
      SCOPED_TRACE(stepName + ", write " + std::to_string(failOn));
      fs::remove_all(file_.parent_path());
      FailingFileWriter files(SystemFiles(), failOn, step, EIO);
      ComponentCatalog catalog(file_, {}, lister, files);
      const std::vector<std::function<void()>> calls = {
          [&] { AddApplication(catalog, "Quarvel", kSecret); },
          [&] { catalog.InstallComponent("Quarvel", dir_.Path() / "Quarvel.so"); },
          [&] {
            catalog.CreateServiceForApplication("Quarvel", "QuarvelSvc", "", "", "", "", "", false);
          },
          [&] { catalog.ShutdownApplication("Quarvel"); },
          [&] { catalog.StartApplication("Quarvel"); },
          [&] { catalog.DeleteServiceForApplication("Quarvel"); },
      };
      bool failed = false;
      for (const auto& call : calls) {
        const std::string before = fs::exists(file_) ? ReadWholeFile(file_) : "";
        try {
          call();
        } catch (const PlatformError& error) {
          EXPECT_EQ(error.Number(), kErrFail);
          EXPECT_NE(error.Description().find("(" + stepName + ")"), std::string::npos)
              << error.Description();
          EXPECT_EQ(fs::exists(file_) ? ReadWholeFile(file_) : "", before);
          failed = true;
          break;
        }
      }
      if (!failed) {
        EXPECT_EQ(files.Calls(), static_cast<int>(calls.size()));
        break;
      }
    }
  }
}

TEST_F(ComponentCatalogTest, MissingFileIsAnEmptyCatalogAndIsNotCreatedByReading) {
  ComponentCatalog catalog(file_);
  EXPECT_TRUE(catalog.Applications().empty());
  auto apps = catalog.GetCollection("Applications");
  apps->Populate();
  EXPECT_EQ(apps->Count(), 0u);
  EXPECT_FALSE(fs::exists(file_));
}

struct BadFileCase {
  const char* name;
  const char* content;
  const char* mentions;
};

class CatalogBadFileTest : public ComponentCatalogTest,
                           public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(CatalogBadFileTest, RefusedWithTheFileNameAndNoValues) {
  fs::create_directories(file_.parent_path());
  WriteWholeFile(file_, GetParam().content);
  const PlatformError error = ErrorOf([&] { ComponentCatalog catalog(file_); });
  EXPECT_EQ(error.Number(), kErrFail);
  EXPECT_NE(error.Description().find(file_.string()), std::string::npos) << error.what();
  EXPECT_NE(error.Description().find(GetParam().mentions), std::string::npos) << error.what();
  EXPECT_EQ(error.Description().find(kSecret), std::string::npos) << error.what();
}

INSTANTIATE_TEST_SUITE_P(
    Files, CatalogBadFileTest,
    ::testing::Values(
        // Cut off right after the password: a parser's message would quote it.
        BadFileCase{"Truncated", R"({"Applications": [{"Name": "Q", "Password": "s3cr3t-Pa55w0rd)",
                    "not valid JSON"},
        BadFileCase{"ApplicationsNotAList", R"({"Applications": {"Name": "Q"}})", "must be a list"},
        BadFileCase{
            "NameNotText",
            R"({"Applications": [{"Name": 7, "ID": "{1}", "Password": "s3cr3t-Pa55w0rd"}]})",
            "\"Name\" must be text"},
        BadFileCase{"MissingId", R"({"Applications": [{"Name": "Q"}]})", "application 1"},
        BadFileCase{"ComponentWithoutModule",
                    R"({"Applications": [{"Name": "Q", "ID": "{1}",
                        "Components": [{"Name": "Test.One"}]}]})",
                    "component 1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComponentCatalogTest, TextThatIsNotUtf8IsRefusedAndTheFileKept) {
  ComponentCatalog catalog(file_);
  AddApplication(catalog, "Quarvel");
  const std::string before = ReadWholeFile(file_);
  catalog.Applications()[0].description = "bad \xFF byte";
  EXPECT_EQ(ErrorOf([&] { catalog.Save(); }).Number(), kErrInvalidArgument);
  EXPECT_EQ(ReadWholeFile(file_), before);
}

// --- Passwords ---------------------------------------------------------------------

TEST_F(ComponentCatalogTest, PasswordIsKeptButNeverShown) {
  {
    ComponentCatalog catalog(file_);
    AddApplication(catalog, "Quarvel", kSecret);
    AddApplication(catalog, "Other");
  }
  ComponentCatalog catalog(file_);
  ASSERT_EQ(catalog.Applications().size(), 2u);
  EXPECT_EQ(catalog.Applications()[0].password, kSecret);

  const std::string listing = catalog.Describe();
  EXPECT_EQ(listing.find(kSecret), std::string::npos) << listing;
  EXPECT_NE(listing.find("Password: ********\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Password: \n"), std::string::npos) << "an unset password shows empty";

  std::ostringstream streamed;
  streamed << catalog.Applications()[0];
  EXPECT_EQ(streamed.str().find(kSecret), std::string::npos);
  EXPECT_EQ(::testing::PrintToString(catalog.Applications()[0]).find(kSecret), std::string::npos);

  auto apps = catalog.GetCollection("Applications");
  apps->Populate();
  EXPECT_EQ(apps->Item(0).Value("Password"), Variant("********"));
  EXPECT_EQ(apps->Item(1).Value("Password"), Variant(""));
  const PlatformError error = ErrorOf([&] { apps->Item(0).SetValue("Password", Variant::Null()); });
  EXPECT_EQ(error.Description().find(kSecret), std::string::npos);
}

// --- Plain model ---------------------------------------------------------------------

TEST_F(ComponentCatalogTest, NewIdsAreUpperCaseRandomGuidsInBraces) {
  ComponentCatalog catalog(file_);
  const std::string first = AddApplication(catalog, "One");
  const std::string second = AddApplication(catalog, "Two");
  const std::regex guid(
      R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})");
  EXPECT_TRUE(std::regex_match(first, guid)) << first;
  EXPECT_TRUE(std::regex_match(second, guid)) << second;
  EXPECT_NE(first, second);
}

TEST_F(ComponentCatalogTest, IdsComeFromTheInjectedGuidSource) {
  ComponentCatalog catalog(file_, [] {
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 17);
    return bytes;
  });
  EXPECT_EQ(catalog.AddApplication("Quarvel").id, "{00112233-4455-6677-8899-AABBCCDDEEFF}");
}

struct LookupCase {
  const char* query;
  const char* found;  // nullptr: none
};

class CatalogLookupTest : public ComponentCatalogTest,
                          public ::testing::WithParamInterface<LookupCase> {};

TEST_P(CatalogLookupTest, FindsApplicationsIgnoringCase) {
  ComponentCatalog catalog(file_);
  catalog.AddApplication("Quarvel");
  catalog.AddApplication("Ärger Filter");
  const Application* app = catalog.FindApplication(GetParam().query);
  if (GetParam().found == nullptr) {
    EXPECT_EQ(app, nullptr);
  } else {
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->name, GetParam().found);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, CatalogLookupTest,
    ::testing::Values(LookupCase{"Quarvel", "Quarvel"}, LookupCase{"QUARVEL", "Quarvel"},
                      LookupCase{"quarvel", "Quarvel"}, LookupCase{"ärger filter", "Ärger Filter"},
                      LookupCase{"ÄRGER FILTER", "Ärger Filter"}, LookupCase{"Quarve", nullptr},
                      LookupCase{"Quarvel ", nullptr}, LookupCase{"", nullptr}));

// --- Administration catalog: applications ----------------------------------------

TEST_F(ComponentCatalogTest, CollectionIsEmptyUntilPopulatedAndShowsDefaults) {
  ComponentCatalog catalog(file_);
  AddApplication(catalog, "Quarvel");
  auto apps = catalog.GetCollection("Applications");
  EXPECT_EQ(apps->Count(), 0u);
  apps->Populate();
  ASSERT_EQ(apps->Count(), 1u);
  const AdminCatalogObject& app = apps->Item(0);
  EXPECT_EQ(app.Name(), "Quarvel");
  EXPECT_EQ(app.Value("Name"), Variant("Quarvel"));
  EXPECT_EQ(app.Value("Identity"), Variant("Interactive User"));
  EXPECT_EQ(app.Value("Description"), Variant(""));
  EXPECT_EQ(app.Value("ApplicationAccessChecksEnabled"), Variant(true));
  EXPECT_EQ(app.Value("ID").ToString(), app.Key());
  EXPECT_EQ(ErrorOf([&] { (void)apps->Item(1); }).Number(), kErrInvalidArgument);
}

TEST_F(ComponentCatalogTest, SaveChangesPersistsForASecondCatalog) {
  ComponentCatalog writer(file_);
  auto apps = writer.GetCollection("Applications");
  apps->Populate();
  AdminCatalogObject& app = apps->Add();
  app.SetValue("Name", "Quarvel");
  app.SetValue("Identity", "EXAMPLE\\svc-quarvel");
  app.SetValue("Password", std::string(kSecret));
  app.SetValue("Description", "Public folder spam filter");
  app.SetValue("ApplicationAccessChecksEnabled", false);
  const std::string id = app.Value("ID").ToString();

  EXPECT_EQ(ComponentCatalog(file_).FindApplication("Quarvel"), nullptr)
      << "visible before SaveChanges";
  EXPECT_EQ(apps->SaveChanges(), 1u);
  EXPECT_EQ(apps->SaveChanges(), 0u) << "nothing changed since";

  const ComponentCatalog reader(file_);
  const Application* saved = reader.FindApplication("quarvel");
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->id, id);
  EXPECT_EQ(saved->identity, "EXAMPLE\\svc-quarvel");
  EXPECT_EQ(saved->password, kSecret);
  EXPECT_EQ(saved->description, "Public folder spam filter");
  EXPECT_FALSE(saved->accessChecksEnabled);
  EXPECT_FALSE(saved->running);
}

TEST_F(ComponentCatalogTest, RemoveByIndexTakesEffectOnSave) {
  ComponentCatalog catalog(file_);
  for (const char* name : {"Alpha", "Beta", "Gamma"}) AddApplication(catalog, name);
  auto apps = catalog.GetCollection("Applications");
  apps->Populate();
  apps->Remove(1);
  ASSERT_EQ(apps->Count(), 2u);
  EXPECT_EQ(apps->Item(0).Name(), "Alpha");
  EXPECT_EQ(apps->Item(1).Name(), "Gamma");
  EXPECT_EQ(ErrorOf([&] { apps->Remove(2); }).Number(), kErrInvalidArgument);
  EXPECT_EQ(AppNames(), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(apps->SaveChanges(), 1u);
  EXPECT_EQ(AppNames(), (std::vector<std::string>{"Alpha", "Gamma"}));
}

TEST_F(ComponentCatalogTest, PopulateDropsUnsavedChanges) {
  ComponentCatalog catalog(file_);
  AddApplication(catalog, "Alpha");
  auto apps = catalog.GetCollection("Applications");
  apps->Populate();
  apps->Item(0).SetValue("Description", "changed");
  apps->Add().SetValue("Name", "Beta");
  apps->Populate();
  ASSERT_EQ(apps->Count(), 1u);
  EXPECT_EQ(apps->Item(0).Value("Description"), Variant(""));
  EXPECT_EQ(apps->SaveChanges(), 0u);
}

TEST_F(ComponentCatalogTest, SaveChangesKeepsWhatOthersWroteMeanwhile) {
  ComponentCatalog setup(file_);
  AddApplication(setup, "Alpha");
  AddApplication(setup, "Beta");
  auto apps = setup.GetCollection("Applications");
  apps->Populate();
  apps->Item(0).SetValue("Description", "by setup");

  ComponentCatalog other(file_);
  other.FindApplication("Beta")->description = "by exsim";
  other.AddApplication("Gamma");
  other.Save();

  EXPECT_EQ(apps->SaveChanges(), 1u);
  const ComponentCatalog reader(file_);
  EXPECT_EQ(AppNames(), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(reader.FindApplication("Alpha")->description, "by setup");
  EXPECT_EQ(reader.FindApplication("Beta")->description, "by exsim");
}

TEST_F(ComponentCatalogTest, AnApplicationNeedsANameToBeSaved) {
  ComponentCatalog catalog(file_);
  auto apps = catalog.GetCollection("Applications");
  apps->Populate();
  apps->Add();
  EXPECT_EQ(ErrorOf([&] { apps->SaveChanges(); }).Number(), kErrInvalidArgument);
  EXPECT_FALSE(fs::exists(file_));
}

struct FlagCase {
  const char* name;
  Variant value;
  bool expected;
};

class CatalogFlagTest : public ComponentCatalogTest,
                        public ::testing::WithParamInterface<FlagCase> {};

TEST_P(CatalogFlagTest, BooleanPropertiesConvertAsThePlatformDoes) {
  ComponentCatalog catalog(file_);
  AddApplication(catalog, "Quarvel");
  auto apps = catalog.GetCollection("Applications");
  apps->Populate();
  apps->Item(0).SetValue("ApplicationAccessChecksEnabled", !GetParam().expected);
  apps->Item(0).SetValue("ApplicationAccessChecksEnabled", GetParam().value);
  EXPECT_EQ(apps->Item(0).Value("ApplicationAccessChecksEnabled"), Variant(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Values, CatalogFlagTest,
                         ::testing::Values(FlagCase{"True", Variant(true), true},
                                           FlagCase{"False", Variant(false), false},
                                           FlagCase{"MinusOne", Variant(-1), true},
                                           FlagCase{"Zero", Variant(0), false},
                                           FlagCase{"TextTrue", Variant("true"), true},
                                           FlagCase{"TextFalse", Variant("FALSE"), false}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Administration catalog: components --------------------------------------------

class CatalogComponentsTest : public ComponentCatalogTest {
 protected:
  void SetUp() override {
    appId_ = AddApplication(catalog_, "Quarvel");
    catalog_.InstallComponent("Quarvel", COMPLUS_TEST_MODULE);
  }

  ComponentCatalog catalog_{file_};
  std::string appId_;
};

TEST_F(CatalogComponentsTest, ShowsAndChangesConstructionSettings) {
  // The key is compared ignoring case.
  std::string lowerId = appId_;
  for (char& c : lowerId) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto components = catalog_.GetCollection("Components", lowerId);
  components->Populate();
  ASSERT_EQ(components->Count(), 2u);
  AdminCatalogObject& two = components->Item(1);
  EXPECT_EQ(two.Name(), "Test.Two");
  EXPECT_EQ(two.Value("Name"), Variant("Test.Two"));
  EXPECT_EQ(two.Value("ConstructionEnabled"), Variant(false));
  EXPECT_TRUE(two.Value("ConstructorString").IsNull());

  two.SetValue("ConstructionEnabled", true);
  two.SetValue("ConstructorString", "Server=one");
  components->Item(0).SetValue("ConstructorString", "");
  EXPECT_EQ(components->SaveChanges(), 2u);

  const ComponentCatalog reader(file_);
  const auto [app, component] = reader.FindComponent("TEST.TWO");
  ASSERT_NE(component, nullptr);
  EXPECT_EQ(app->name, "Quarvel");
  EXPECT_TRUE(component->constructionEnabled);
  EXPECT_EQ(component->constructorString, "Server=one");
  // An empty constructor string stays distinct from null.
  EXPECT_EQ(reader.FindComponent("Test.One").second->constructorString, "");

  components->Item(1).SetValue("ConstructorString", Variant::Null());
  components->SaveChanges();
  EXPECT_EQ(ComponentCatalog(file_).FindComponent("Test.Two").second->constructorString,
            std::nullopt);
}

TEST_F(CatalogComponentsTest, RemoveButNoAdd) {
  auto components = catalog_.GetCollection("Components", appId_);
  components->Populate();
  EXPECT_EQ(ErrorOf([&] { components->Add(); }).Number(), kErrFail);
  components->Remove(0);
  EXPECT_EQ(components->SaveChanges(), 1u);
  const ComponentCatalog reader(file_);
  EXPECT_EQ(reader.FindComponent("Test.One").second, nullptr);
  EXPECT_NE(reader.FindComponent("Test.Two").second, nullptr);
}

TEST_F(CatalogComponentsTest, CollectionOfARemovedApplicationCannotBeSaved) {
  auto components = catalog_.GetCollection("Components", appId_);
  components->Populate();
  auto apps = catalog_.GetCollection("Applications");
  apps->Populate();
  apps->Remove(0);
  apps->SaveChanges();
  components->Item(0).SetValue("ConstructionEnabled", true);
  EXPECT_EQ(ErrorOf([&] { components->SaveChanges(); }).Number(), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { components->Populate(); }).Number(), kErrNotFound);
}

struct CollectionNameCase {
  const char* name;
  const char* collection;
  const char* key;
};

class CatalogCollectionNameTest : public CatalogComponentsTest,
                                  public ::testing::WithParamInterface<CollectionNameCase> {};

TEST_P(CatalogCollectionNameTest, UnknownCollectionsAreNotFound) {
  const PlatformError error =
      ErrorOf([&] { (void)catalog_.GetCollection(GetParam().collection, GetParam().key); });
  EXPECT_EQ(error.Number(), kErrNotFound);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CatalogCollectionNameTest,
    ::testing::Values(CollectionNameCase{"UnknownName", "Widgets", ""},
                      CollectionNameCase{"ComponentsWithoutKey", "Components", ""},
                      CollectionNameCase{"ComponentsOfUnknownApplication", "Components",
                                         "{00000000-0000-0000-0000-000000000000}"}),
    [](const auto& info) { return std::string(info.param.name); });

struct PropertyCase {
  const char* name;
  bool component;  // else an application
  const char* property;
  std::optional<Variant> value;  // nullopt: read the property
};

class CatalogPropertyTest : public CatalogComponentsTest,
                            public ::testing::WithParamInterface<PropertyCase> {};

TEST_P(CatalogPropertyTest, IsRefusedAsAnInvalidArgument) {
  auto collection = GetParam().component ? catalog_.GetCollection("Components", appId_)
                                         : catalog_.GetCollection("Applications");
  collection->Populate();
  AdminCatalogObject& object = collection->Item(0);
  const PlatformError error = ErrorOf([&] {
    if (GetParam().value) {
      object.SetValue(GetParam().property, *GetParam().value);
    } else {
      (void)object.Value(GetParam().property);
    }
  });
  EXPECT_EQ(error.Number(), kErrInvalidArgument);
  EXPECT_NE(error.Description().find(GetParam().property), std::string::npos) << error.what();
  EXPECT_EQ(collection->SaveChanges(), 0u) << "a refused value changes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Properties, CatalogPropertyTest,
    ::testing::Values(
        PropertyCase{"ReadUnknown", false, "Colour", std::nullopt},
        PropertyCase{"WriteUnknown", false, "Colour", Variant("red")},
        PropertyCase{"NamesAreExact", false, "name", std::nullopt},
        PropertyCase{"IdIsReadOnly", false, "ID", Variant("{0}")},
        PropertyCase{"NameNotNull", false, "Name", Variant::Null()},
        PropertyCase{"FlagNotText", false, "ApplicationAccessChecksEnabled", Variant("maybe")},
        PropertyCase{"ComponentHasNoPassword", true, "Password", std::nullopt},
        PropertyCase{"ProgIdIsReadOnly", true, "Name", Variant("Test.Three")},
        PropertyCase{"ComponentFlagNotText", true, "ConstructionEnabled", Variant("yes")}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Installing components ------------------------------------------------------------

struct InstallCase {
  const char* name;
  const char* module;
  std::vector<std::string> progIds;
};

class CatalogInstallTest : public ComponentCatalogTest,
                           public ::testing::WithParamInterface<InstallCase> {};

TEST_P(CatalogInstallTest, AddsOneComponentPerProgId) {
  ComponentCatalog catalog(file_);
  AddApplication(catalog, "Quarvel");
  catalog.InstallComponent("quarvel", GetParam().module, "", "");

  const ComponentCatalog reader(file_);
  const Application* app = reader.FindApplication("Quarvel");
  ASSERT_NE(app, nullptr);
  std::vector<std::string> progIds;
  for (const Component& component : app->components) {
    progIds.push_back(component.progId);
    EXPECT_EQ(component.moduleFile, fs::path(GetParam().module));
    EXPECT_FALSE(component.constructionEnabled);
    EXPECT_EQ(component.constructorString, std::nullopt);
  }
  EXPECT_EQ(progIds, GetParam().progIds);
}

INSTANTIATE_TEST_SUITE_P(
    Modules, CatalogInstallTest,
    ::testing::Values(InstallCase{"TestModule", COMPLUS_TEST_MODULE, {"Test.One", "Test.Two"}},
                      InstallCase{"QuarvelSo", QUARVEL_MODULE_PATH, {"Quarvel.QuarvelCls"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CatalogComponentsTest, InstallingAgainReplacesTheComponents) {
  auto components = catalog_.GetCollection("Components", appId_);
  components->Populate();
  components->Item(0).SetValue("ConstructionEnabled", true);
  components->SaveChanges();

  catalog_.InstallComponent("Quarvel", COMPLUS_TEST_MODULE);
  const ComponentCatalog reader(file_);
  const Application* app = reader.FindApplication("Quarvel");
  ASSERT_EQ(app->components.size(), 2u);
  EXPECT_FALSE(app->components[0].constructionEnabled);
}

TEST_F(CatalogComponentsTest, ArgumentsMayComeFromTheCatalogItself) {
  // Each call re-reads the file, replacing the model these refer to.
  const Application& app = catalog_.Applications()[0];
  catalog_.InstallComponent(app.name, catalog_.Applications()[0].components[0].moduleFile);
  auto components = catalog_.GetCollection("Components", catalog_.Applications()[0].id);
  components->Populate();
  EXPECT_EQ(components->Count(), 2u);
  catalog_.ShutdownApplication(catalog_.Applications()[0].name);
  EXPECT_EQ(ComponentCatalog(file_).FindApplication("Quarvel")->generation, 1u);
}

TEST_F(CatalogComponentsTest, ARelativeModulePathIsStoredAbsolute) {
  const fs::path relative = fs::relative(fs::path(COMPLUS_TEST_MODULE));
  ASSERT_TRUE(relative.is_relative());
  catalog_.InstallComponent("Quarvel", relative);
  EXPECT_EQ(ComponentCatalog(file_).FindComponent("Test.One").second->moduleFile,
            fs::path(COMPLUS_TEST_MODULE));
}

TEST_F(CatalogComponentsTest, AProgIdBelongsToOneApplication) {
  AddApplication(catalog_, "Other");
  const PlatformError error =
      ErrorOf([&] { catalog_.InstallComponent("Other", COMPLUS_TEST_MODULE); });
  EXPECT_EQ(error.Number(), kErrObjectAlreadyInCollection);
  EXPECT_NE(error.Description().find("Quarvel"), std::string::npos) << error.what();
  EXPECT_TRUE(ComponentCatalog(file_).FindApplication("Other")->components.empty());
}

struct InstallErrorCase {
  const char* name;
  std::function<fs::path(const fs::path& dir)> module;
  const char* application;
  std::int32_t number;
  const char* mentions;
};

class CatalogInstallErrorTest : public ComponentCatalogTest,
                                public ::testing::WithParamInterface<InstallErrorCase> {};

TEST_P(CatalogInstallErrorTest, FailsAndLeavesTheCatalogAsItWas) {
  ComponentCatalog catalog(file_);
  AddApplication(catalog, "Quarvel");
  const std::string before = ReadWholeFile(file_);
  const fs::path module = GetParam().module(dir_.Path());
  const PlatformError error =
      ErrorOf([&] { catalog.InstallComponent(GetParam().application, module); });
  EXPECT_EQ(error.Number(), GetParam().number);
  EXPECT_NE(error.Description().find(GetParam().mentions), std::string::npos) << error.what();
  EXPECT_EQ(ReadWholeFile(file_), before);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CatalogInstallErrorTest,
    ::testing::Values(
        InstallErrorCase{"MissingFile", [](const fs::path& dir) { return dir / "none.so"; },
                         "Quarvel", kErrNotFound, "none.so"},
        InstallErrorCase{"NotAModule",
                         [](const fs::path& dir) {
                           WriteWholeFile(dir / "text.so", "just text");
                           return dir / "text.so";
                         },
                         "Quarvel", kErrFail, "text.so"},
        InstallErrorCase{"NoEntryPoint",
                         [](const fs::path&) { return fs::path(COMPLUS_TEST_MODULE_NO_ENTRY); },
                         "Quarvel", kErrFail, COMPONENT_MODULE_ENTRY},
        InstallErrorCase{"OtherAbiVersion",
                         [](const fs::path&) { return fs::path(COMPLUS_TEST_MODULE_OTHER_ABI); },
                         "Quarvel", kErrFail, "abiVersion 99"},
        InstallErrorCase{"UnknownApplication",
                         [](const fs::path&) { return fs::path(COMPLUS_TEST_MODULE); }, "Nobody",
                         kErrNotFound, "Nobody"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComponentCatalogTest, RefreshReportsEachUnusableComponentAndChecksTheOthers) {
  ComponentCatalog catalog(file_);
  AddApplication(catalog, "Broken");
  AddApplication(catalog, "Quarvel");
  const fs::path copy = dir_.Path() / "copy.so";
  fs::copy_file(COMPLUS_TEST_MODULE, copy);
  catalog.InstallComponent("Broken", copy);
  catalog.InstallComponent("Quarvel", QUARVEL_MODULE_PATH);
  EXPECT_TRUE(catalog.RefreshComponents().empty());

  // A module that is gone: each of its components is reported, the
  // application after it is still checked, and nothing throws.
  fs::remove(copy);
  auto problems = catalog.RefreshComponents();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].application, "Broken");
  EXPECT_EQ(problems[0].progId, "Test.One");
  EXPECT_EQ(problems[1].progId, "Test.Two");
  EXPECT_EQ(problems[0].moduleFile, copy);
  EXPECT_EQ(problems[0].number, kErrNotFound);

  // A module that no longer holds a ProgID the catalog names.
  fs::copy_file(QUARVEL_MODULE_PATH, copy);
  problems = catalog.RefreshComponents();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].number, kErrNotFound);
  EXPECT_NE(problems[0].description.find("no longer holds Test.One"), std::string::npos);

  // One that cannot be loaded at all.
  WriteWholeFile(copy, "not a module");
  problems = catalog.RefreshComponents();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].number, kErrFail);
}

// --- Run state and services ---------------------------------------------------------

TEST_F(ComponentCatalogTest, ShutdownCountsGenerationsAndStartRuns) {
  ComponentCatalog catalog(file_);
  AddApplication(catalog, "Quarvel");
  EXPECT_FALSE(ComponentCatalog(file_).FindApplication("Quarvel")->running);

  catalog.StartApplication("QUARVEL");
  EXPECT_TRUE(ComponentCatalog(file_).FindApplication("Quarvel")->running);
  catalog.ShutdownApplication("Quarvel");
  catalog.ShutdownApplication("Quarvel");

  const ComponentCatalog reader(file_);
  const Application* app = reader.FindApplication("Quarvel");
  EXPECT_FALSE(app->running);
  EXPECT_EQ(app->generation, 2u);
  EXPECT_NE(reader.Describe().find("State: shut down (generation 2)"), std::string::npos);
  EXPECT_EQ(ErrorOf([&] { catalog.ShutdownApplication("Nobody"); }).Number(), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { catalog.StartApplication("Nobody"); }).Number(), kErrNotFound);
}

TEST_F(ComponentCatalogTest, ServiceIsRecordedWithoutItsPasswordAndOutlivesItsApplication) {
  ComponentCatalog catalog(file_);
  const std::string id = AddApplication(catalog, "Quarvel");
  catalog.CreateServiceForApplication(id, "QuarvelSvc", "SERVICE_DEMAND_START",
                                      "SERVICE_ERROR_NORMAL", "RPCSS", "LocalSystem", kSecret,
                                      true);
  EXPECT_EQ(ReadWholeFile(file_).find(kSecret), std::string::npos);

  const ComponentCatalog reader(file_);
  const Service* service = reader.FindService("quarvelsvc");
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->name, "QuarvelSvc");
  EXPECT_EQ(service->application, "Quarvel");
  EXPECT_EQ(service->startType, "SERVICE_DEMAND_START");
  EXPECT_EQ(service->errorControl, "SERVICE_ERROR_NORMAL");
  EXPECT_EQ(service->dependencies, "RPCSS");
  EXPECT_EQ(service->runAs, "LocalSystem");
  EXPECT_TRUE(service->desktopInteraction);
  EXPECT_NE(reader.Describe().find("Service QuarvelSvc runs application \"Quarvel\""),
            std::string::npos);

  // The name is taken, whichever application asks.
  const auto taken = ErrorOf([&] {
    catalog.CreateServiceForApplication("Quarvel", "QUARVELSVC", "", "", "", "", "", false);
  });
  EXPECT_EQ(taken.Number(), kErrServiceExists);
  EXPECT_NE(taken.Description().find("runs application \"Quarvel\""), std::string::npos);

  // Removing the application leaves its service: a reinstall meets it.
  auto apps = catalog.GetCollection("Applications");
  apps->Populate();
  apps->Remove(0);
  apps->SaveChanges();
  AddApplication(catalog, "Quarvel");
  EXPECT_NE(ComponentCatalog(file_).FindService("QuarvelSvc"), nullptr);
  EXPECT_EQ(ErrorOf([&] {
              catalog.CreateServiceForApplication("Quarvel", "QuarvelSvc", "", "", "", "", "",
                                                  false);
            }).Number(),
            kErrServiceExists);

  catalog.DeleteServiceForApplication("QUARVEL");
  EXPECT_EQ(ComponentCatalog(file_).FindService("QuarvelSvc"), nullptr);
  EXPECT_EQ(ErrorOf([&] { catalog.DeleteServiceForApplication("Quarvel"); }).Number(),
            kErrNotFound);
  EXPECT_EQ(ErrorOf([&] {
              catalog.CreateServiceForApplication("Nobody", "S", "", "", "", "", "", false);
            }).Number(),
            kErrNotFound);
}

// --- In memory -----------------------------------------------------------------------

TEST(InMemoryCatalogTest, KeepsWhatWasSavedAndWritesNoFile) {
  TempDirectory dir;
  const fs::path module = dir.Path() / "Quarvel.so";
  // The lister stands in for loading modules: an existing file holds one class.
  InMemoryCatalog catalog([](const fs::path& file) -> std::vector<std::string> {
    if (!fs::exists(file)) throw PlatformError(kErrNotFound, "no file " + file.string());
    return {"Quarvel.QuarvelCls"};
  });
  EXPECT_TRUE(catalog.File().empty());

  auto apps = catalog.GetCollection("Applications");
  apps->Populate();
  apps->Add().SetValue("Name", "Quarvel");
  // Unsaved changes are dropped by Populate, as in the file-backed catalog.
  apps->Populate();
  EXPECT_EQ(apps->Count(), 0u);
  apps->Add().SetValue("Name", "Quarvel");
  apps->SaveChanges();
  apps->Populate();
  ASSERT_EQ(apps->Count(), 1u);

  EXPECT_EQ(ErrorOf([&] { catalog.InstallComponent("Quarvel", module); }).Number(), kErrNotFound);
  WriteWholeFile(module, "any");
  catalog.InstallComponent("Quarvel", module);
  auto components = catalog.GetCollection("Components", apps->Item(0).Key());
  components->Populate();
  ASSERT_EQ(components->Count(), 1u);
  EXPECT_EQ(components->Item(0).Name(), "Quarvel.QuarvelCls");
  EXPECT_TRUE(catalog.RefreshComponents().empty());
  fs::remove(module);
  EXPECT_EQ(catalog.RefreshComponents().size(), 1u);
  EXPECT_TRUE(fs::is_empty(dir.Path()));
}

}  // namespace
}  // namespace quarvel::platform::complus
