#include "platform/host/SimulatedHost.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "platform/ErrorOf_test_support.h"
#include "platform/PlatformError.h"
#include "platform/host/FailingHost.h"
#include "platform/host/InMemoryHost.h"
#include "platform/host/XdgOpen.h"

namespace quarvel::platform::host {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class SimulatedHostTest : public ::testing::Test {
 protected:
  SimulatedHostTest()
      : directory_(fs::temp_directory_path() /
                   ("simulated_host_test_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        noComputerName_("COMPUTERNAME", nullptr) {
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  ~SimulatedHostTest() override { fs::remove_all(directory_); }

  fs::path File() const { return directory_ / kHostFileName; }

  fs::path directory_;
  ScopedEnvironment noComputerName_;
};

TEST_F(SimulatedHostTest, AnswersTheFactsOfTheFile) {
  SaveHostFacts(File(), SampleHostFacts());
  const SimulatedHost host(File());
  EXPECT_EQ(host.ComputerName(), "MAIL01");
  EXPECT_EQ(host.LoggedOnUserName(), "Administrator");
  EXPECT_EQ(host.WindowsVersion(), (OsVersion{2, 5, 2}));
  EXPECT_FALSE(host.ClusterKeyExists());
  EXPECT_EQ(host.QueryWorkstation("\\\\MAIL01"), (WorkstationInfo{kNerrSuccess, "EXAMPLE"}));
  EXPECT_EQ(host.QueryWorkstation("\\\\DC01"), (WorkstationInfo{kErrorBadNetPath, ""}));
}

TEST_F(SimulatedHostTest, AnEditShowsAtTheNextCall) {
  SaveHostFacts(File(), SampleHostFacts());
  const SimulatedHost host(File());
  EXPECT_EQ(host.WindowsVersion(), (OsVersion{2, 5, 2}));
  SaveHostFacts(File(), HostFacts{"NODE1", "CORP", std::nullopt, OsVersion{2, 5, 0}, true});
  EXPECT_EQ(host.WindowsVersion(), (OsVersion{2, 5, 0}));
  EXPECT_TRUE(host.ClusterKeyExists());
  EXPECT_EQ(host.ComputerName(), "NODE1");
  EXPECT_EQ(ErrorOf([&] { (void)host.LoggedOnUserName(); }), kErrFail);
  SaveHostFacts(File(), HostFacts{"NODE1", "CORP", "a", std::nullopt, true});
  EXPECT_EQ(ErrorOf([&] { (void)host.WindowsVersion(); }), kErrFail);
}

TEST_F(SimulatedHostTest, TheEnvironmentNamesTheComputerFirst) {
  SaveHostFacts(File(), SampleHostFacts());
  const SimulatedHost host(File());
  {
    const ScopedEnvironment computerName("COMPUTERNAME", "EXSRV02");
    EXPECT_EQ(host.ComputerName(), "EXSRV02");
    EXPECT_EQ(host.QueryWorkstation("\\\\EXSRV02"), (WorkstationInfo{kNerrSuccess, "EXAMPLE"}));
    EXPECT_EQ(host.QueryWorkstation("\\\\MAIL01").status, kErrorBadNetPath);
  }
  const ScopedEnvironment empty("COMPUTERNAME", "");
  EXPECT_EQ(host.ComputerName(), "MAIL01");
}

TEST_F(SimulatedHostTest, WithoutAFileEveryCallFailsButTheWorkstationAnswersAStatus) {
  const SimulatedHost host(File());
  EXPECT_EQ(ErrorOf([&] { (void)host.ComputerName(); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { (void)host.LoggedOnUserName(); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { (void)host.WindowsVersion(); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { (void)host.ClusterKeyExists(); }), kErrNotFound);
  EXPECT_EQ(host.QueryWorkstation("\\\\MAIL01"), (WorkstationInfo{kNerrWkstaNotStarted, ""}));
  const ScopedEnvironment computerName("COMPUTERNAME", "EXSRV02");
  EXPECT_EQ(host.ComputerName(), "EXSRV02");
}

// ---------------------------------------------------------------------------
// Opening web addresses

class WebAddressTest : public SimulatedHostTest {
 protected:
  // A PATH holding only a fake xdg-open that writes its arguments to a file.
  void InstallFakeXdgOpen() const {
    const fs::path script = directory_ / "bin" / "xdg-open";
    fs::create_directories(script.parent_path());
    std::ofstream(script) << "#!/bin/sh\nprintf '%s|' \"$@\" > \"" << Opened().string()
                          << ".tmp\"\nmv \"" << Opened().string() << ".tmp\" \""
                          << Opened().string() << "\"\n";
    ::chmod(script.c_str(), 0755);
  }
  fs::path Opened() const { return directory_ / "opened"; }
  std::string WaitForOpened() const {
    for (int i = 0; i < 500 && !fs::exists(Opened()); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(Opened());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(WebAddressTest, HandsTheAddressToXdgOpenAsOneArgument) {
  InstallFakeXdgOpen();
  const ScopedEnvironment path("PATH", ((directory_ / "bin").string() + ":/usr/bin:/bin").c_str());
  SimulatedHost host(File());
  host.OpenWebAddress("https://example.com/quarvel?a=1&b=$(reboot)");
  EXPECT_EQ(WaitForOpened(), "https://example.com/quarvel?a=1&b=$(reboot)|");
}

TEST_F(WebAddressTest, SaysSoWhenXdgOpenIsMissing) {
  const ScopedEnvironment path("PATH", (directory_ / "nothing-here").c_str());
  SimulatedHost host(File());
  try {
    host.OpenWebAddress("https://example.com/");
    FAIL();
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrNotFound);
    EXPECT_NE(error.Description().find("xdg-open is not installed"), std::string::npos);
  }
}

TEST_F(WebAddressTest, RefusesWhatIsNoWebAddress) {
  InstallFakeXdgOpen();
  const ScopedEnvironment path("PATH", ((directory_ / "bin").string() + ":/usr/bin:/bin").c_str());
  SimulatedHost host(File());
  for (const std::string url :
       {"", "http://", "file:///etc/passwd", "/usr/bin/xterm", "--help", "javascript:alert(1)",
        "https://a b", "https://a\nb", "ftp://example.com/"}) {
    EXPECT_EQ(ErrorOf([&] { host.OpenWebAddress(url); }), kErrInvalidArgument) << url;
  }
  EXPECT_TRUE(IsOpenableWebAddress("HTTP://Example.com"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(fs::exists(Opened()));
}

// ---------------------------------------------------------------------------
// The in-memory host and the failing wrapper

TEST(InMemoryHostTest, AnswersItsFactsAndNotesAddresses) {
  InMemoryHost host;
  EXPECT_EQ(host.ComputerName(), "MAIL01");
  EXPECT_EQ(host.QueryWorkstation("\\\\MAIL01").lanGroup, "EXAMPLE");
  host.Facts().userName.reset();
  host.Facts().osVersion.reset();
  EXPECT_EQ(ErrorOf([&] { (void)host.LoggedOnUserName(); }), kErrFail);
  EXPECT_EQ(ErrorOf([&] { (void)host.WindowsVersion(); }), kErrFail);
  host.OpenWebAddress("https://example.com/");
  host.SetRefuseWebAddresses(true);
  EXPECT_EQ(ErrorOf([&] { host.OpenWebAddress("https://example.org/"); }), kErrNotFound);
  EXPECT_EQ(host.OpenedWebAddresses(), (std::vector<std::string>{"https://example.com/"}));
}

TEST(FailingHostTest, FailsEachCallInTurnAndOnlyThatOne) {
  const std::vector<std::function<void(HostSystem&)>> calls = {
      [](HostSystem& h) { (void)h.ComputerName(); },
      [](HostSystem& h) { (void)h.LoggedOnUserName(); },
      [](HostSystem& h) { (void)h.WindowsVersion(); },
      [](HostSystem& h) { (void)h.ClusterKeyExists(); },
      [](HostSystem& h) { h.OpenWebAddress("https://example.com/"); },
  };
  for (std::size_t failing = 1; failing <= calls.size(); ++failing) {
    InMemoryHost inner;
    FailingHost host(inner, static_cast<int>(failing), kErrAccessDenied);
    for (std::size_t call = 1; call <= calls.size(); ++call) {
      EXPECT_EQ(ErrorOf([&] { calls[call - 1](host); }), call == failing ? kErrAccessDenied : 0)
          << "call " << call << " with call " << failing << " failing";
    }
    EXPECT_EQ(inner.OpenedWebAddresses().size(), failing == calls.size() ? 0u : 1u);
    EXPECT_EQ(host.Calls(), static_cast<int>(calls.size()));
  }
}

TEST(FailingHostTest, AFailingWorkstationCallAnswersAStatus) {
  InMemoryHost inner;
  const FailingHost host(inner, 2);
  EXPECT_EQ(host.QueryWorkstation("\\\\MAIL01"), (WorkstationInfo{kNerrSuccess, "EXAMPLE"}));
  EXPECT_EQ(host.QueryWorkstation("\\\\MAIL01"), (WorkstationInfo{kNerrWkstaNotStarted, ""}));
  EXPECT_EQ(host.QueryWorkstation("\\\\MAIL01"), (WorkstationInfo{kNerrSuccess, "EXAMPLE"}));
}

}  // namespace
}  // namespace quarvel::platform::host
