// The error log: the exact entry text, newest entry first, the echo of an
// unattended run, and the count that survives emptying the log.
#include "setup/main/ErrorLog.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/controls/ScriptedWindowServices_test_support.h"
#include "setup/main/InstallForm.h"

namespace quarvel::setup {
namespace {

using platform::PlatformError;
using platform::controls::LocalDateTime;
using platform::controls::ScriptedWindowServices;

class ErrorLogTest : public ::testing::Test {
 protected:
  InstallForm form_;
  ScriptedWindowServices services_;
  ErrorLog log_{form_, services_};
};

TEST_F(ErrorLogTest, AnEntryCarriesTimeSourceSignedNumberAndDescription) {
  services_.now = LocalDateTime{2024, 3, 9, 14, 5, 6};
  log_.LogError("http://MAIL01/Public/Sales/Quarvel.reg",
                PlatformError(platform::kErrNotFound, "no item there"));
  EXPECT_EQ(form_.txtErr.Text(),
            "[2024-03-09 14:05:06] http://MAIL01/Public/Sales/Quarvel.reg - ERROR: -2147217895 no "
            "item there\r\n\r\n");
  log_.LogError("AddComPlusApp", 3367, "object already in collection");
  EXPECT_TRUE(form_.txtErr.Text().starts_with(
      "[2024-03-09 14:05:06] AddComPlusApp - ERROR: 3367 object already in collection\r\n\r\n["));
}

TEST_F(ErrorLogTest, NewestEntryComesFirstAndNothingIsTrimmed) {
  services_.now = LocalDateTime{2023, 12, 31, 23, 59, 58};
  log_.LogError("first", 1, "one");
  services_.now = LocalDateTime{2024, 1, 1, 0, 0, 1};
  log_.LogMessage("File /srv/Quarvel.so not found.");
  services_.now = LocalDateTime{2024, 1, 1, 9, 8, 7};
  log_.LogError("third", -5, "three");
  EXPECT_EQ(form_.txtErr.Text(),
            "[2024-01-01 09:08:07] third - ERROR: -5 three\r\n\r\n"
            "[2024-01-01 00:00:01] File /srv/Quarvel.so not found.\r\n\r\n"
            "[2023-12-31 23:59:58] first - ERROR: 1 one\r\n\r\n");
  EXPECT_EQ(log_.EntriesWritten(), 3);
}

TEST_F(ErrorLogTest, TheEchoGetsOneLinePerEntryAndTheCountSurvivesClearing) {
  std::ostringstream echo;
  log_.LogError("before echo", 1, "not echoed");
  log_.EchoTo(&echo);
  log_.LogError("GC://RootDSE", 2, "no directory");
  EXPECT_EQ(echo.str(), "[2024-03-09 14:05:06] GC://RootDSE - ERROR: 2 no directory\n");
  log_.Clear();
  EXPECT_TRUE(log_.IsEmpty());
  EXPECT_EQ(log_.EntriesWritten(), 2);
}

TEST_F(ErrorLogTest, TheLogAndItsButtonShowExactlyWhileThereAreEntries) {
  log_.ShowOrHide();
  EXPECT_FALSE(form_.txtErr.Visible());
  EXPECT_FALSE(form_.Command3.Visible());
  log_.LogError("x", 1, "y");
  EXPECT_FALSE(form_.txtErr.Visible()) << "showing waits for the caller's point";
  log_.ShowOrHide();
  EXPECT_TRUE(form_.txtErr.Visible());
  EXPECT_TRUE(form_.Command3.Visible());
  log_.ClearErrorLog();
  EXPECT_EQ(form_.txtErr.Text(), "");
  EXPECT_FALSE(form_.txtErr.Visible());
  EXPECT_FALSE(form_.Command3.Visible());
}

}  // namespace
}  // namespace quarvel::setup
