#include "platform/metabase/Metabase.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/FailingFileWriter.h"
#include "platform/PlatformError.h"
#include "platform/metabase/FailingMetabaseBinder.h"
#include "platform/metabase/MetabaseFileBinder.h"

namespace quarvel::platform::metabase {
namespace {

namespace fs = std::filesystem;

class MetabaseTest : public ::testing::Test {
 protected:
  MetabaseTest()
      : directory_(fs::temp_directory_path() /
                   ("metabase_test_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  ~MetabaseTest() override { fs::remove_all(directory_); }

  fs::path File() const { return directory_ / "metabase.json"; }
  void WriteFile(const std::string& content) const { std::ofstream(File()) << content; }
  std::string ReadFile() const {
    std::ifstream in(File());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Virtual servers 1 and 3, without 2.
  Metabase Sparse() const {
    Metabase metabase(File());
    metabase.SetSmtpServer(1,
                           {"/srv/one/pickup", "/srv/one/Queue", "/srv/one/Drop", "/srv/one/Bad"});
    metabase.SetSmtpServer(3, {"/srv/three/pickup", {}, {}, {}});
    return metabase;
  }

  fs::path directory_;
};

// ---------------------------------------------------------------------------
// Binds

struct BindCase {
  const char* name;
  std::string path;
  std::string pickup;  // "" for a failing bind
  std::int32_t error = 0;
  friend void PrintTo(const BindCase& c, std::ostream* os) { *os << c.name; }
};

class MetabaseBindTest : public MetabaseTest, public ::testing::WithParamInterface<BindCase> {};

TEST_P(MetabaseBindTest, AnswersAsTheSetupProgramExpects) {
  const auto metabase = Sparse();
  const auto& c = GetParam();
  if (!c.pickup.empty()) {
    const auto object = metabase.Bind(c.path);
    EXPECT_EQ(object.Get("PickupDirectory"), ado::Variant(c.pickup));
    EXPECT_EQ(object.Path(), c.path);
    return;
  }
  try {
    (void)metabase.Bind(c.path);
    FAIL() << "bound " << c.path;
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), c.error) << error.Description();
    if (c.error == kErrNotFound) {
      EXPECT_EQ(error.Description(), "no object at " + c.path);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MetabaseBindTest,
    ::testing::Values(
        BindCase{"First", "IIS://localhost/smtpsvc/1", "/srv/one/pickup"},
        BindCase{"AnyCase", "iis://LocalHost/SMTPSVC/3", "/srv/three/pickup"},
        BindCase{"MissingNumber", "IIS://localhost/smtpsvc/2", "", kErrNotFound},
        BindCase{"PastTheLast", "IIS://localhost/smtpsvc/4", "", kErrNotFound},
        BindCase{"Zero", "IIS://localhost/smtpsvc/0", "", kErrNotFound},
        BindCase{"LeadingZero", "IIS://localhost/smtpsvc/01", "", kErrNotFound},
        BindCase{"HugeNumber", "IIS://localhost/smtpsvc/99999999999999999999", "", kErrNotFound},
        BindCase{"OtherHost", "IIS://mail01/smtpsvc/1", "", kErrNotFound},
        BindCase{"OtherService", "IIS://localhost/w3svc/1", "", kErrNotFound},
        BindCase{"TheServiceItself", "IIS://localhost/smtpsvc", "", kErrNotFound},
        BindCase{"BelowTheServer", "IIS://localhost/smtpsvc/1/Domain", "", kErrNotFound},
        BindCase{"Empty", "", "", kErrInvalidArgument},
        BindCase{"NoScheme", "localhost/smtpsvc/1", "", kErrInvalidArgument},
        BindCase{"WrongScheme", "LDAP://localhost/smtpsvc/1", "", kErrInvalidArgument},
        BindCase{"SchemeOnly", "IIS://", "", kErrInvalidArgument},
        BindCase{"EmptyHost", "IIS:///smtpsvc/1", "", kErrInvalidArgument},
        BindCase{"TrailingSlash", "IIS://localhost/smtpsvc/1/", "", kErrInvalidArgument},
        BindCase{"DoubleSlash", "IIS://localhost//smtpsvc/1", "", kErrInvalidArgument},
        BindCase{"SignedNumber", "IIS://localhost/smtpsvc/+1", "", kErrInvalidArgument},
        BindCase{"NegativeNumber", "IIS://localhost/smtpsvc/-1", "", kErrInvalidArgument},
        BindCase{"HexNumber", "IIS://localhost/smtpsvc/0x1", "", kErrInvalidArgument},
        BindCase{"Blank", "IIS://localhost/smtpsvc/ 1", "", kErrInvalidArgument},
        BindCase{"LineBreak", "IIS://localhost/smtpsvc/1\n", "", kErrInvalidArgument},
        BindCase{"Backslashes", "IIS://localhost\\smtpsvc\\1", "", kErrInvalidArgument}));

TEST_F(MetabaseTest, BoundObjectHasEveryDirectoryByAnyCase) {
  const auto object = Sparse().Bind("IIS://localhost/smtpsvc/1");
  EXPECT_EQ(object.GetString("pickupdirectory"), "/srv/one/pickup");
  EXPECT_EQ(object.GetString("QueueDirectory"), "/srv/one/Queue");
  EXPECT_EQ(object.GetString("DropDirectory"), "/srv/one/Drop");
  EXPECT_EQ(object.GetString("BADMAILDIRECTORY"), "/srv/one/Bad");
  try {
    (void)object.Get("ServerBindings");
    FAIL();
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrNotFound);
    EXPECT_EQ(error.Description(), "no property \"ServerBindings\" at IIS://localhost/smtpsvc/1");
  }
}

TEST_F(MetabaseTest, BoundObjectIsASnapshot) {
  auto metabase = Sparse();
  const auto object = metabase.Bind("IIS://localhost/smtpsvc/1");
  metabase.SetSmtpServer(1, {"/elsewhere", {}, {}, {}});
  ASSERT_TRUE(metabase.RemoveSmtpServer(1));
  EXPECT_EQ(object.GetString(kPickupDirectory), "/srv/one/pickup");
  EXPECT_THROW((void)metabase.Bind("IIS://localhost/smtpsvc/1"), PlatformError);
  EXPECT_FALSE(metabase.RemoveSmtpServer(1));
}

TEST_F(MetabaseTest, FailingBinderFailsOnlyTheChosenCall) {
  const auto metabase = Sparse();
  FailingMetabaseBinder binder(metabase, 2, kErrAccessDenied);
  EXPECT_NO_THROW((void)binder.Bind("IIS://localhost/smtpsvc/1"));
  try {
    (void)binder.Bind("IIS://localhost/smtpsvc/1");
    FAIL();
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrAccessDenied);
  }
  EXPECT_EQ(binder.Bind("IIS://localhost/smtpsvc/3").GetString(kPickupDirectory),
            "/srv/three/pickup");
  EXPECT_EQ(binder.Calls(), 3);
}

TEST_F(MetabaseTest, FileBinderAnswersFromTheFileAsItIsNow) {
  const MetabaseFileBinder binder(File());
  EXPECT_THROW((void)binder.Bind("IIS://localhost/smtpsvc/1"), PlatformError);  // no file yet
  Sparse().Save();
  EXPECT_EQ(binder.Bind("IIS://localhost/smtpsvc/3").GetString(kPickupDirectory),
            "/srv/three/pickup");
  WriteFile("{ broken");
  try {
    (void)binder.Bind("IIS://localhost/smtpsvc/1");
    FAIL();
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrFail);
    EXPECT_NE(error.Description().find("not valid JSON"), std::string::npos);
  }
}

// ---------------------------------------------------------------------------
// The file

TEST_F(MetabaseTest, MissingFileIsAnEmptyMetabase) {
  const Metabase metabase(File());
  EXPECT_TRUE(metabase.SmtpServerNumbers().empty());
  EXPECT_THROW((void)metabase.Bind("IIS://localhost/smtpsvc/1"), PlatformError);
  EXPECT_FALSE(fs::exists(File()));
}

TEST_F(MetabaseTest, SaveAndLoadKeepEveryServer) {
  Sparse().Save();
  const Metabase loaded(File());
  EXPECT_EQ(loaded.SmtpServerNumbers(), (std::vector<int>{1, 3}));
  EXPECT_EQ(loaded.SmtpServer(1), Sparse().SmtpServer(1));
  EXPECT_EQ(loaded.SmtpServer(3), Sparse().SmtpServer(3));
  EXPECT_FALSE(loaded.SmtpServer(2));
  // Every directory spelt out, for a person to read.
  const auto text = ReadFile();
  EXPECT_NE(text.find("\"BadMailDirectory\": \"" + (directory_ / "Badmail").string() + "\""),
            std::string::npos)
      << text;
  EXPECT_EQ(fs::status(File()).permissions() & fs::perms::others_read, fs::perms::others_read);
}

TEST_F(MetabaseTest, DefaultsAndRelativeDirectoriesLieBesideTheFile) {
  WriteFile(R"({"SMTPSVC": {"2": {"pickupdirectory": "spool/in", "DropDirectory": "/abs/drop"}}})");
  const Metabase metabase(File());
  const auto server = metabase.SmtpServer(2);
  ASSERT_TRUE(server);
  EXPECT_EQ(server->pickupDirectory, directory_ / "spool" / "in");
  EXPECT_EQ(server->queueDirectory, directory_ / "Queue");
  EXPECT_EQ(server->dropDirectory, fs::path("/abs/drop"));
  EXPECT_EQ(server->badmailDirectory, directory_ / "Badmail");
}

// A virtual server whose pickup directory was never set: its object lacks the
// property, as a bind to the real metabase shows it, through a save and a load.
TEST_F(MetabaseTest, ServerWithoutPickupDirectoryKeepsItUnset) {
  WriteFile(R"({"smtpsvc": {"1": {}, "2": {"PickupDirectory": null, "QueueDirectory": "q"}}})");
  for (const bool reloaded : {false, true}) {
    Metabase metabase(File());
    const auto server = metabase.SmtpServer(2);
    ASSERT_TRUE(server);
    EXPECT_FALSE(server->hasPickupDirectory);
    EXPECT_TRUE(server->pickupDirectory.empty());
    EXPECT_EQ(server->queueDirectory, directory_ / "q");
    EXPECT_TRUE(metabase.SmtpServer(1)->hasPickupDirectory);
    const auto object = metabase.Bind("IIS://localhost/smtpsvc/2");
    EXPECT_EQ(object.GetString(kQueueDirectory), (directory_ / "q").string());
    try {
      (void)object.Get(kPickupDirectory);
      ADD_FAILURE() << "a pickup directory appeared" << (reloaded ? " after saving" : "");
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.Number(), kErrNotFound);
    }
    metabase.Save();
  }
  EXPECT_NE(ReadFile().find("\"PickupDirectory\": null"), std::string::npos) << ReadFile();
  // Set from code, a given pickup directory is dropped with the flag.
  Metabase metabase(File());
  metabase.SetSmtpServer(3, {"/given", {}, {}, {}, false});
  EXPECT_EQ(metabase.SmtpServer(3)->pickupDirectory, fs::path());
  // Only the pickup directory may be null.
  WriteFile(R"({"smtpsvc": {"1": {"DropDirectory": null}}})");
  EXPECT_THROW(Metabase{File()}, PlatformError);
}

TEST_F(MetabaseTest, RelativeFileNameIsMadeAbsolute) {
  const auto here = fs::current_path();
  fs::current_path(directory_);
  const Metabase metabase("metabase.json");
  fs::current_path(here);
  EXPECT_EQ(metabase.File(), File());
}

TEST_F(MetabaseTest, NumbersStartAtOne) {
  Metabase metabase(File());
  for (const int number : {0, -1}) {
    try {
      metabase.SetSmtpServer(number, {});
      FAIL() << number;
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.Number(), kErrInvalidArgument);
    }
  }
  EXPECT_TRUE(metabase.SmtpServerNumbers().empty());
}

struct BadFileCase {
  const char* name;
  std::string content;
  std::string why;
  friend void PrintTo(const BadFileCase& c, std::ostream* os) { *os << c.name; }
};

class MetabaseBadFileTest : public MetabaseTest,
                            public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(MetabaseBadFileTest, IsRefusedAndTheModelStays) {
  Metabase metabase = Sparse();
  WriteFile(GetParam().content);
  try {
    metabase.Load();
    FAIL() << "loaded";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrFail);
    EXPECT_NE(error.Description().find(GetParam().why), std::string::npos) << error.Description();
  }
  EXPECT_EQ(metabase.SmtpServerNumbers(), (std::vector<int>{1, 3}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MetabaseBadFileTest,
    ::testing::Values(
        BadFileCase{"NotJson", "{\"smtpsvc\": {", "not valid JSON"},
        BadFileCase{"NotAnObject", "[1, 2]", "one JSON object"},
        BadFileCase{"UnknownSection", R"({"w3svc": {}})", "unknown section \"w3svc\""},
        BadFileCase{"ServiceNotAnObject", R"({"smtpsvc": []})", "must be an object"},
        BadFileCase{"NumberZero", R"({"smtpsvc": {"0": {}}})", "\"0\" is not a number from 1"},
        BadFileCase{"LeadingZero", R"({"smtpsvc": {"01": {}}})", "not a number from 1"},
        BadFileCase{"NotANumber", R"({"smtpsvc": {"one": {}}})", "not a number from 1"},
        BadFileCase{"ServerNotAnObject", R"({"smtpsvc": {"1": "x"}})", "must be an object"},
        BadFileCase{"MisspeltProperty", R"({"smtpsvc": {"1": {"PickupDir": "/p"}}})",
                    "unknown property \"PickupDir\""},
        BadFileCase{"DirectoryNotText", R"({"smtpsvc": {"1": {"PickupDirectory": 7}}})",
                    "PickupDirectory must be text"},
        BadFileCase{"ControlCharactersShownEscaped", "{\"smtpsvc\": {\"1\\n\": {}}}",
                    "\"1\\x0A\" is not a number"}));

TEST_F(MetabaseTest, SaveIntoAnUnusableDirectoryFails) {
  // A file where the metabase's directory would be.
  Metabase elsewhere(directory_ / "blocked" / "metabase.json");
  std::ofstream(directory_ / "blocked") << "not a directory";
  try {
    elsewhere.Save();
    FAIL();
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrFail);
    EXPECT_NE(error.Description().find("cannot save metabase"), std::string::npos);
  }
}

// A save that fails at any step of the file write reports the step and keeps
// the file as it was, whole.
TEST_F(MetabaseTest, FailedSaveKeepsTheOldFile) {
  Sparse().Save();
  const std::string before = ReadFile();
  for (const FileWriteStep step :
       {FileWriteStep::kCreate, FileWriteStep::kPermissions, FileWriteStep::kWrite,
        FileWriteStep::kFlush, FileWriteStep::kClose, FileWriteStep::kName}) {
    const std::string stepName(StepName(step));
    SCOPED_TRACE(stepName);
    FailingFileWriter files(SystemFiles(), 1, step, EIO);
    Metabase metabase(File(), files);
    metabase.SetSmtpServer(2, {"/srv/two/pickup", {}, {}, {}});
    try {
      metabase.Save();
      ADD_FAILURE() << "the failed save was taken for success";
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.Number(), kErrFail);
      EXPECT_NE(error.Description().find("cannot save metabase " + File().string() + " (" +
                                         stepName + ")"),
                std::string::npos)
          << error.Description();
    }
    EXPECT_EQ(ReadFile(), before);
    metabase.Save();  // the next write goes through
    EXPECT_NE(ReadFile(), before);
    WriteFile(before);
  }
}

}  // namespace
}  // namespace quarvel::platform::metabase
