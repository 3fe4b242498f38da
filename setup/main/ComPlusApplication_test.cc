// The component application as an administrator drives it through the main
// window: install and uninstall in both modes, a missing component file,
// names that differ only in case, a reinstall that meets the service left by
// the last one, the priority kept as the constructor string, and every
// catalog call failing in turn.
#include "setup/main/ComPlusApplication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/complus/ComponentCatalog.h"
#include "setup/main/StatusDisplay.h"
#include "setup/main/TestPlatform_test_support.h"

namespace quarvel::setup {
namespace {

namespace fs = std::filesystem;
using platform::complus::Application;
using platform::complus::Component;
using platform::controls::MsgBoxIcon;
using testing::TestPlatform;

constexpr const char* kSecret = "s3cr3t-Pa55w0rd";

class ComPlusTest : public ::testing::Test {
 protected:
  // Starts the program on Windows 2000 or a later version, with or without
  // the component file, and shows its window (the first activation).
  void Start(bool windows2000, bool withComponentFile = true) {
    platform_.SetWindows2000(windows2000);
    if (withComponentFile) platform_.WriteComponentFile();
    program_ = platform_.MakeProgram();
    program_->Form().Show();
  }
  InstallForm& Form() { return program_->Form(); }
  std::string Log() { return Form().txtErr.Text(); }
  std::string StatusText() { return Form().StatusBar1.Panels()("statustext").Text(); }
  // Every entry ends with a blank line.
  int LogEntries() {
    const std::string log = Log();
    int entries = 0;
    for (auto at = log.find("\r\n\r\n"); at != std::string::npos; at = log.find("\r\n\r\n", at + 4))
      ++entries;
    return entries;
  }

  // The catalog as it stands now, read past the failing wrapper.
  std::vector<Application> Applications() {
    platform_.Catalog().Load();
    return platform_.Catalog().Applications();
  }
  const Application* Quarvel() {
    platform_.Catalog().Load();
    return platform_.Catalog().FindApplication("Quarvel");
  }
  // Puts an application with the sink component into the catalog, as
  // another installation would have.
  void AddInstalled(const std::string& name, std::optional<std::string> constructorString,
                    bool constructionEnabled = true) {
    auto& catalog = platform_.Catalog();
    catalog.Load();
    Application& app = catalog.AddApplication(name);
    app.components.push_back(Component{"Quarvel.QuarvelCls", platform_.Root() / "Quarvel.so",
                                       constructionEnabled, std::move(constructorString)});
    catalog.Save();
  }

  TestPlatform platform_;
  std::unique_ptr<SetupProgram> program_;
};

// --- Install and uninstall -----------------------------------------------------------

TEST_F(ComPlusTest, ServiceModeInstallsAServiceUnderLocalSystemAndUninstalls) {
  Start(false);
  EXPECT_EQ(Form().btnInstall.Caption(), "Install");
  EXPECT_TRUE(Form().btnInstall.Enabled());
  EXPECT_EQ(Form().Label8.Caption(), "COM+ object \"Quarvel\" is not installed.");
  for (const auto* hidden : {&Form().txtIdent, &Form().txtPwd}) EXPECT_FALSE(hidden->Visible());
  EXPECT_FALSE(Form().Label2.Visible());
  EXPECT_FALSE(Form().Label3.Visible());
  EXPECT_TRUE(Form().txtPriority.Enabled());
  EXPECT_EQ(Form().cmdCheckAll.Caption(), "Uncheck All");
  EXPECT_FALSE(Form().btnRegisterSW.Enabled()) << "nothing to unregister, nothing to register";
  EXPECT_FALSE(Form().Frame3.Enabled());
  EXPECT_EQ(StatusText(), kStatusNotInstalled);

  ASSERT_TRUE(Form().btnInstall.UserClick());
  EXPECT_EQ(Log(), "");
  const Application* app = Quarvel();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->description, "Manages e-mails tagged as SPAM in Exchange Public Folders");
  EXPECT_FALSE(app->accessChecksEnabled);
  EXPECT_EQ(app->identity, "Interactive User") << "no identity is set in service mode";
  EXPECT_EQ(app->password, "");
  ASSERT_EQ(app->components.size(), 1u);
  EXPECT_EQ(app->components[0].progId, "Quarvel.QuarvelCls");
  EXPECT_EQ(app->components[0].moduleFile, platform_.Root() / "Quarvel.so");
  EXPECT_TRUE(app->components[0].constructionEnabled);
  EXPECT_EQ(app->components[0].constructorString, "65520");
  const auto* service = platform_.Catalog().FindService("Quarvel");
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->application, "Quarvel");
  EXPECT_EQ(service->startType, "SERVICE_AUTO_START");
  EXPECT_EQ(service->errorControl, "SERVICE_ERROR_NORMAL");
  EXPECT_EQ(service->dependencies, "");
  EXPECT_EQ(service->runAs, ".\\localsystem");
  EXPECT_FALSE(service->desktopInteraction);

  EXPECT_EQ(Form().btnInstall.Caption(), "Uninstall");
  EXPECT_EQ(Form().Label8.Caption(), "COM+ object \"Quarvel\" is installed.");
  EXPECT_FALSE(Form().txtIdent.Visible());
  EXPECT_FALSE(Form().txtPriority.Enabled());
  EXPECT_TRUE(Form().Frame3.Enabled());
  EXPECT_TRUE(Form().btnRegisterSW.Enabled());
  EXPECT_TRUE(Form().cmdCheckAll.Enabled()) << "per-folder mode";
  EXPECT_FALSE(Form().btnChange.Enabled());
  EXPECT_FALSE(Form().txtErr.Visible());
  EXPECT_EQ(StatusText(), kStatusNoRules);

  ASSERT_TRUE(Form().btnInstall.UserClick());
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(Quarvel(), nullptr);
  EXPECT_NE(platform_.Catalog().FindService("Quarvel"), nullptr) << "uninstalling keeps it";
  EXPECT_EQ(Form().btnInstall.Caption(), "Install");
  EXPECT_TRUE(Form().txtPriority.Enabled());
  EXPECT_EQ(StatusText(), kStatusNotInstalled);
}

TEST_F(ComPlusTest, Windows2000ModeRunsUnderTheTypedIdentityAndKeepsThePasswordToTheCatalog) {
  Start(true);
  EXPECT_FALSE(Form().Label8.Visible());
  EXPECT_EQ(Form().txtIdent.Text(), "EXAMPLE\\Administrator") << "proposed from the LAN group";
  EXPECT_TRUE(Form().txtIdent.Enabled());
  EXPECT_TRUE(Form().txtPwd.Visible());
  EXPECT_EQ(Form().txtPwd.Text(), "");
  EXPECT_EQ(Form().Label2.Caption(), "Password:");

  // No password: the catalog is not touched.
  ASSERT_TRUE(Form().btnInstall.UserClick());
  ASSERT_EQ(platform_.Services().messageBoxes.size(), 1u);
  const auto& box = platform_.Services().messageBoxes[0];
  EXPECT_EQ(box.text, "Please fill the Identity and Password fields");
  EXPECT_EQ(box.icon, MsgBoxIcon::kExclamation);
  EXPECT_EQ(box.caption, "Quarvel setup");
  EXPECT_TRUE(Applications().empty());
  EXPECT_EQ(Form().btnInstall.Caption(), "Install");

  ASSERT_TRUE(Form().txtPwd.UserType(std::string(" ") + kSecret + " "));
  ASSERT_TRUE(Form().btnInstall.UserClick());
  EXPECT_EQ(Log(), "");
  const Application* app = Quarvel();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->identity, "EXAMPLE\\Administrator");
  EXPECT_EQ(app->password, kSecret) << "trimmed";
  EXPECT_TRUE(platform_.Catalog().Services().empty()) << "no service on Windows 2000";

  EXPECT_EQ(Form().btnInstall.Caption(), "Uninstall");
  EXPECT_TRUE(Form().txtIdent.Visible());
  EXPECT_FALSE(Form().txtIdent.Enabled());
  EXPECT_EQ(Form().txtIdent.Text(), "EXAMPLE\\Administrator");
  EXPECT_FALSE(Form().txtPwd.Visible());
  EXPECT_EQ(Form().Label2.Caption(), "Password: ********");
  for (const auto& message : platform_.Services().messageBoxes) {
    EXPECT_EQ(message.text.find(kSecret), std::string::npos);
  }

  ASSERT_TRUE(Form().btnInstall.UserClick());
  EXPECT_EQ(Quarvel(), nullptr);
  EXPECT_EQ(Form().btnInstall.Caption(), "Install");
  EXPECT_EQ(Form().txtPwd.Text(), "") << "a new installation asks for the password again";
}

TEST_F(ComPlusTest, AReinstallInServiceModeFindsTheServiceRecorded) {
  Start(false);
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(Form().btnInstall.UserClick());  // install
    EXPECT_EQ(Log(), "");
    ASSERT_NE(Quarvel(), nullptr);
    EXPECT_EQ(Form().btnInstall.Caption(), "Uninstall");
    ASSERT_TRUE(Form().btnInstall.UserClick());  // uninstall
    EXPECT_EQ(Quarvel(), nullptr);
  }
  EXPECT_EQ(platform_.Catalog().Services().size(), 1u);
}

// --- A missing component file -----------------------------------------------------

class MissingComponentFileTest : public ComPlusTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MissingComponentFileTest, NothingCanBeInstalledAndTheStatusSaysNotInstalled) {
  const bool windows2000 = GetParam();
  Start(windows2000, false);
  EXPECT_EQ(Form().btnInstall.Caption(), "Install");
  for (const auto* disabled : {&Form().btnInstall, &Form().btnRegisterSW, &Form().cmdCheckAll}) {
    EXPECT_FALSE(disabled->Enabled()) << disabled->Name();
  }
  EXPECT_FALSE(Form().Frame3.Enabled());
  EXPECT_FALSE(Form().txtPriority.Enabled());
  EXPECT_EQ(Log(), "[2024-03-09 14:05:06] File " + (platform_.Root() / "Quarvel.so").string() +
                       " not found. COM+ object installation is impossible.\r\n\r\n");
  EXPECT_EQ(StatusText(), kStatusNotInstalled);
  if (windows2000) {
    EXPECT_TRUE(Form().txtIdent.Visible());
    EXPECT_FALSE(Form().txtIdent.Enabled());
    EXPECT_FALSE(Form().txtPwd.Enabled());
    EXPECT_FALSE(Form().Label8.Visible());
  } else {
    EXPECT_FALSE(Form().txtIdent.Visible());
    EXPECT_EQ(Form().Label8.Caption(), "COM+ object \"Quarvel\" is not installed.");
  }
  EXPECT_FALSE(Form().btnInstall.UserClick()) << "a disabled button cannot be pressed";
  EXPECT_TRUE(Applications().empty());

  // The file arrives; the next refresh makes installing possible again.
  platform_.WriteComponentFile();
  program_->ComPlus().RefreshButtons();
  EXPECT_TRUE(Form().btnInstall.Enabled());
  EXPECT_TRUE(Form().txtPriority.Enabled());
}

INSTANTIATE_TEST_SUITE_P(Modes, MissingComponentFileTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Windows2000" : "Service"; });

TEST_F(ComPlusTest, AnApplicationGoneWithItsFileReadsAsNotInstalled) {
  Start(false);
  ASSERT_TRUE(Form().btnInstall.UserClick());
  ASSERT_EQ(Form().btnInstall.Caption(), "Uninstall");
  fs::remove(platform_.Root() / "Quarvel.so");
  ASSERT_TRUE(Form().btnInstall.UserClick());  // uninstall, then the file is missing
  EXPECT_EQ(Form().btnInstall.Caption(), "Install");
  EXPECT_EQ(StatusText(), kStatusNotInstalled);
  EXPECT_NE(Log().find("not found. COM+ object installation is impossible."), std::string::npos);
}

// --- Names that differ only in case ---------------------------------------------------

TEST_F(ComPlusTest, NamesThatDifferOnlyInCaseAreOneApplication) {
  platform_.WriteComponentFile();
  AddInstalled("QUARVEL", "100");
  AddInstalled("quarvel", "200");
  Start(false);
  EXPECT_EQ(Form().btnInstall.Caption(), "Uninstall");
  EXPECT_EQ(Form().txtPriority.Text(), "100") << "the first one found";
  const auto generation = Applications()[0].generation;
  program_->ComPlus().RestartComPlusApp("Quarvel");
  EXPECT_EQ(Applications()[0].generation, generation + 1);
  EXPECT_TRUE(Applications()[0].running);

  ASSERT_TRUE(Form().btnInstall.UserClick());
  ASSERT_EQ(Applications().size(), 1u);
  EXPECT_EQ(Applications()[0].name, "quarvel");
  EXPECT_EQ(Form().btnInstall.Caption(), "Uninstall");
  EXPECT_EQ(Form().txtPriority.Text(), "200");
  ASSERT_TRUE(Form().btnInstall.UserClick());
  EXPECT_TRUE(Applications().empty());
  EXPECT_EQ(Form().btnInstall.Caption(), "Install");
  // Restarting an application that is not there does nothing, and says nothing.
  program_->ComPlus().RestartComPlusApp("Quarvel");
  EXPECT_EQ(Log(), "");
}

// --- The priority as constructor string -----------------------------------------------

struct StoredPriorityCase {
  const char* name;
  friend void PrintTo(const StoredPriorityCase& c, std::ostream* os) { *os << c.name; }
  std::optional<std::string> constructorString;
  bool constructionEnabled;
  std::string shown;
  bool logged;  // once, however often the state is refreshed
};

class StoredPriorityTest : public ComPlusTest,
                           public ::testing::WithParamInterface<StoredPriorityCase> {};

TEST_P(StoredPriorityTest, IsShownOnlyWhenItIsAPriority) {
  const StoredPriorityCase& c = GetParam();
  platform_.WriteComponentFile();
  AddInstalled("Quarvel", c.constructorString, c.constructionEnabled);
  Start(false);
  program_->ComPlus().RefreshButtons();
  EXPECT_EQ(Form().txtPriority.Text(), c.shown);
  EXPECT_EQ(program_->State().lastValidPriority, c.shown);
  EXPECT_EQ(LogEntries(), c.logged ? 1 : 0) << Log();
  if (c.logged) {
    EXPECT_NE(Log().find("] CheckComPlusAppExists - ERROR: -2147024809 the component "
                         "application \"Quarvel\" keeps the event sink priority \"" +
                         *c.constructorString),
              std::string::npos)
        << Log();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Stored, StoredPriorityTest,
    ::testing::Values(StoredPriorityCase{"Plain", "100", true, "100", false},
                      StoredPriorityCase{"Blanks", " 42 ", true, "42", false},
                      StoredPriorityCase{"LeadingZeros", "00100", true, "100", false},
                      StoredPriorityCase{"Lowest", "65535", true, "65535", false},
                      StoredPriorityCase{"Highest", "0", true, "0", false},
                      StoredPriorityCase{"OutOfRange", "70000", true, "65520", true},
                      StoredPriorityCase{"Negative", "-1", true, "65520", true},
                      StoredPriorityCase{"Letters", "abc", true, "65520", true},
                      StoredPriorityCase{"Empty", "", true, "65520", false},
                      StoredPriorityCase{"Null", std::nullopt, true, "65520", false},
                      StoredPriorityCase{"ConstructionDisabled", "100", false, "65520", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComPlusTest, TheTypedPriorityIsInstalledAndAMissingOneKeepsTheField) {
  Start(false);
  ASSERT_TRUE(Form().txtPriority.UserPaste(" 300"));
  ASSERT_TRUE(Form().btnInstall.UserClick());
  EXPECT_EQ(Quarvel()->components[0].constructorString, "300") << "plain decimal";
  EXPECT_EQ(Form().txtPriority.Text(), "300");

  // A component without a constructor string leaves the field as it is.
  auto& catalog = platform_.Catalog();
  catalog.Load();
  catalog.FindApplication("Quarvel")->components[0].constructorString.reset();
  catalog.Save();
  program_->ComPlus().RefreshButtons();
  EXPECT_EQ(Form().txtPriority.Text(), "300");
  EXPECT_EQ(Log(), "");
}

TEST_F(ComPlusTest, APriorityThatIsNoneIsNeverInstalled) {
  Start(false);
  platform_.CatalogWrapper().FailCall(0);  // counts from here
  program_->ComPlus().AddComPlusApp("Quarvel", "", "", "70000");
  EXPECT_TRUE(Applications().empty());
  EXPECT_EQ(platform_.CatalogWrapper().Calls(), 0) << "refused before the catalog is touched";
  EXPECT_NE(Log().find("] AddComPlusApp - ERROR: -2147024809 the event sink priority \"70000\""),
            std::string::npos);
}

// --- A module that cannot be used -----------------------------------------------------

TEST_F(ComPlusTest, AnUnusableModuleIsLoggedOnceAndOnlyForThisApplication) {
  Start(false);
  ASSERT_TRUE(Form().btnInstall.UserClick());
  AddInstalled("Other", "1");
  // Now no module holds the sink's class any more.
  platform_.SetModuleProgIds({});
  program_->ComPlus().RefreshButtons();
  program_->ComPlus().RefreshButtons();
  EXPECT_EQ(LogEntries(), 1) << Log();
  EXPECT_NE(Log().find("] CheckComPlusAppExists - ERROR: -2147217895 the component "
                       "Quarvel.QuarvelCls cannot be used: component module "),
            std::string::npos)
      << Log();
  EXPECT_EQ(Form().btnInstall.Caption(), "Uninstall") << "it can still be removed";
  EXPECT_EQ(Form().txtPriority.Text(), "65520");
}

TEST_F(ComPlusTest, AComponentFileWithoutTheSinkClassIsNoInstallation) {
  platform_.SetModuleProgIds({"Other.Class"});
  Start(false);
  ASSERT_TRUE(Form().btnInstall.UserClick());
  EXPECT_TRUE(Applications().empty());
  EXPECT_NE(Log().find("] AddComPlusApp - ERROR: -2147217895 setting the event sink priority: "
                       "the component file holds no class Quarvel.*"),
            std::string::npos)
      << Log();
  EXPECT_EQ(Form().btnInstall.Caption(), "Install");
}

// --- Each catalog call failing in turn ------------------------------------------------

// The steps of an installation in their order, with the catalog calls each
// one makes.
struct InstallStep {
  const char* text;
  std::vector<std::string> calls;
};

const std::vector<InstallStep> kInstallSteps = {
    {"adding the application", {"GetCollection", "Populate", "Add", "Value", "SetValue"}},
    {"saving the application", {"SaveChanges"}},
    {"installing the component file", {"InstallComponent"}},
    {"refreshing the components", {"RefreshComponents"}},
    {"creating the service", {"CreateServiceForApplication"}},
    {"setting the event sink priority",
     {"GetCollection", "Populate", "Count", "Item", "Name", "SetValue", "SaveChanges"}},
};

class FailingCatalogStepTest : public ComPlusTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailingCatalogStepTest, LeavesNoHalfMadeApplicationAndNamesTheStep) {
  const bool windows2000 = GetParam();
  std::size_t lastStep = 0;
  std::vector<bool> stepSeen(kInstallSteps.size(), false);
  int call = 1;
  for (;; ++call) {
    SCOPED_TRACE("failing call " + std::to_string(call));
    ASSERT_LT(call, 200) << "the installation never got through";
    Start(windows2000);
    if (windows2000) {
      ASSERT_TRUE(Form().txtPwd.UserType(kSecret));
    }
    platform_.CatalogWrapper().FailCall(call);
    ASSERT_TRUE(Form().btnInstall.UserClick());
    const std::string failed = platform_.CatalogWrapper().FailedCall();
    if (failed.empty()) break;  // every call of the click has been failed once
    EXPECT_EQ(Log().find(kSecret), std::string::npos);

    const std::string simulated =
        "simulated failure of " + failed + " (call " + std::to_string(call) + ")";
    if (Log().find("] AddComPlusApp - ERROR: ") != std::string::npos) {
      // The installation failed: nothing of it is left, and the log says where.
      EXPECT_TRUE(Applications().empty());
      EXPECT_EQ(Form().btnInstall.Caption(), "Install");
      EXPECT_EQ(StatusText(), kStatusNotInstalled);
      // "... AddComPlusApp - ERROR: <number> <step>: <why>"
      const std::string prefix =
          "] AddComPlusApp - ERROR: " + std::to_string(platform::kErrFail) + " ";
      const std::string log = Log();
      const auto begin = log.find(prefix) + prefix.size();
      const std::string entry = log.substr(begin, log.find("\r\n", begin) - begin);
      EXPECT_TRUE(entry.ends_with(": " + simulated)) << entry;
      std::size_t step = 0;
      while (step < kInstallSteps.size() && !entry.starts_with(kInstallSteps[step].text)) ++step;
      ASSERT_LT(step, kInstallSteps.size()) << Log();
      const auto& calls = kInstallSteps[step].calls;
      EXPECT_NE(std::find(calls.begin(), calls.end(), failed), calls.end()) << failed;
      EXPECT_GE(step, lastStep) << "steps run in their order";
      lastStep = step;
      stepSeen[step] = true;
    } else {
      // The installation went through; the refresh after it failed.
      const Application* app = Quarvel();
      ASSERT_NE(app, nullptr) << Log();
      ASSERT_EQ(app->components.size(), 1u);
      EXPECT_EQ(app->components[0].constructorString, "65520");
      EXPECT_NE(Log().find("] CheckComPlusAppExists - ERROR: " +
                           std::to_string(platform::kErrFail) + " " + simulated),
                std::string::npos)
          << Log();
    }
    platform_.Catalog().Applications().clear();
    platform_.Catalog().Services().clear();
    platform_.Catalog().Save();
  }
  for (std::size_t step = 0; step < kInstallSteps.size(); ++step) {
    const bool serviceStep = std::string(kInstallSteps[step].text) == "creating the service";
    EXPECT_EQ(stepSeen[step], !(windows2000 && serviceStep)) << kInstallSteps[step].text;
  }
  EXPECT_GT(call, 20);
}

INSTANTIATE_TEST_SUITE_P(Modes, FailingCatalogStepTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Windows2000" : "Service"; });

TEST_F(ComPlusTest, AFailingRemovalIsLoggedAndTheApplicationStays) {
  Start(false);
  ASSERT_TRUE(Form().btnInstall.UserClick());
  platform_.CatalogWrapper().FailCall(2);  // Populate
  ASSERT_TRUE(Form().btnInstall.UserClick());
  EXPECT_NE(Log().find("] RemoveComPlusApp - ERROR: -2147467259 simulated failure of Populate"),
            std::string::npos);
  EXPECT_NE(Quarvel(), nullptr);
  EXPECT_EQ(Form().btnInstall.Caption(), "Uninstall");
  EXPECT_TRUE(Form().txtErr.Visible());
  EXPECT_TRUE(Form().Command3.Visible());
}

}  // namespace
}  // namespace quarvel::setup
