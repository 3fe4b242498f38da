#include "platform/store/StoreUrl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "platform/PlatformError.h"

namespace quarvel::platform::store {
namespace {

using namespace std::string_literals;

StorePath Path(std::vector<std::string> segments) { return StorePath{std::move(segments)}; }

// ---------------------------------------------------------------------------
// Accepted URLs

struct ParseCase {
  const char* name;
  std::string url;
  std::vector<std::string> expected;
  friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }
};

class ParseStoreUrlTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseStoreUrlTest, NamesThePath) {
  EXPECT_EQ(ParseStoreUrl(GetParam().url).segments, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseStoreUrlTest,
    ::testing::Values(
        ParseCase{"HttpRootWithSlash", "http://srv/Public/", {}},
        ParseCase{"HttpRootWithoutSlash", "http://srv/Public", {}},
        ParseCase{"HttpFolder", "http://srv/Public/Junk Mail", {"Junk Mail"}},
        ParseCase{"HttpTrailingSlash", "http://srv/Public/Inbox/Sub/", {"Inbox", "Sub"}},
        ParseCase{"HttpsAndAnyCase", "HTTPS://SRV.example.com/pUBLIC/Inbox", {"Inbox"}},
        ParseCase{"HostWithPort", "http://srv:8080/Public/A", {"A"}},
        ParseCase{
            "EncodedBlanks", "http://srv/Public/Junk%20Mail/Old%20Spam", {"Junk Mail", "Old Spam"}},
        ParseCase{"EncodedUtf8AnyHexCase", "http://srv/Public/%C3%84rger/%c3%b6l", {"Ärger", "öl"}},
        ParseCase{"RawUtf8", "http://srv/Public/Ärger", {"Ärger"}},
        ParseCase{"PlusIsNotABlank", "http://srv/Public/a+b", {"a+b"}},
        ParseCase{"EncodedPercent", "http://srv/Public/100%25", {"100%"}},
        ParseCase{"DotsInsideName", "http://srv/Public/a..b/v1.0.eml", {"a..b", "v1.0.eml"}},
        ParseCase{"NonIpmSubtreeIsAFolder",
                  "http://srv/Public/non_ipm_subtree/Reg.EML",
                  {"non_ipm_subtree", "Reg.EML"}},
        ParseCase{"FileItem",
                  "file://./backofficestorage/example.com/Public Folders/Inbox/m.eml",
                  {"Inbox", "m.eml"}},
        ParseCase{"FileEncoded",
                  "file://./backofficestorage/example.com/Public%20Folders/Junk%20Mail/",
                  {"Junk Mail"}},
        ParseCase{"FileRootAnyCase", "FILE://./BackOfficeStorage/Example.COM/public folders/", {}},
        ParseCase{"FileRootWithoutSlash", "file://./backofficestorage/d/Public Folders", {}},
        ParseCase{"FileMarkerLettersEncoded",
                  "file://./backofficestorage/d/%50ublic%20Folders/X",
                  {"X"}}));

// ---------------------------------------------------------------------------
// Refused URLs

struct RefuseCase {
  const char* name;
  std::string url;
  friend void PrintTo(const RefuseCase& c, std::ostream* os) { *os << c.name; }
};

class RefuseStoreUrlTest : public ::testing::TestWithParam<RefuseCase> {};

// The URL as an error message shows it: control characters escaped.
std::string Shown(const std::string& url) {
  std::string out;
  for (const char c : url) {
    if (static_cast<unsigned char>(c) < 0x20) {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

TEST_P(RefuseStoreUrlTest, ThrowsInvalidArgumentNamingTheUrl) {
  try {
    const StorePath path = ParseStoreUrl(GetParam().url);
    ADD_FAILURE() << "accepted as '" << path.ToString() << "'";
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Number(), kErrInvalidArgument);
    EXPECT_NE(e.Description().find("'" + Shown(GetParam().url) + "'"), std::string::npos)
        << e.Description();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefuseStoreUrlTest,
    ::testing::Values(
        RefuseCase{"Empty", ""}, RefuseCase{"Relative", "Public/Inbox"},
        RefuseCase{"OtherScheme", "ftp://srv/Public/Inbox"},
        RefuseCase{"NoHost", "http:///Public/Inbox"}, RefuseCase{"NoTree", "http://srv"},
        RefuseCase{"OtherTree", "http://srv/Exchange/Inbox"},
        RefuseCase{"MarkerPrefixOnly", "http://srv/Publicity/Inbox"},
        RefuseCase{"HttpWithFileMarker", "http://srv/Public Folders/Inbox"},
        RefuseCase{"FileWithHttpMarker", "file://./backofficestorage/d/Public/Inbox"},
        RefuseCase{"FileNoDomain", "file://./backofficestorage//Public Folders/Inbox"},
        RefuseCase{"FileOtherRoot", "file:///backofficestorage/d/Public Folders/Inbox"},
        RefuseCase{"DotDot", "http://srv/Public/../etc"},
        RefuseCase{"DotDotInFileForm", "file://./backofficestorage/d/Public Folders/A/../../x"},
        RefuseCase{"EncodedDotDot", "http://srv/Public/%2E%2E/etc"},
        RefuseCase{"Dot", "http://srv/Public/./Inbox"},
        RefuseCase{"HiddenName", "http://srv/Public/Inbox/.folder.json"},
        RefuseCase{"PropertiesFile", "http://srv/Public/Inbox/.m.eml.props.json"},
        RefuseCase{"EmptyInnerSegment", "http://srv/Public/A//B"},
        RefuseCase{"TwoTrailingSlashes", "http://srv/Public/A//"},
        RefuseCase{"EncodedSlash", "http://srv/Public/A%2F..%2F..%2Fetc"},
        RefuseCase{"EncodedSlashLowerCase", "http://srv/Public/A%2fB"},
        RefuseCase{"Backslash", "http://srv/Public/A\\B"},
        RefuseCase{"EncodedBackslash", "http://srv/Public/..%5C..%5Cetc"},
        RefuseCase{"EncodedNul", "http://srv/Public/a%00b"},
        RefuseCase{"RawNul", "http://srv/Public/a\0b"s},
        RefuseCase{"EncodedLineFeed", "http://srv/Public/a%0Ab"},
        RefuseCase{"ControlCharacter", "http://srv/Public/a\x1f"},
        RefuseCase{"LonePercent", "http://srv/Public/100%"},
        RefuseCase{"ShortEscape", "http://srv/Public/a%4"},
        RefuseCase{"NonHexEscape", "http://srv/Public/a%G1"},
        RefuseCase{"BadEscapeInMarker", "http://srv/Pub%lic/A"}));

// ---------------------------------------------------------------------------
// Building URLs

TEST(StoreUrlTest, HttpUrlOfRootEndsInSlash) {
  EXPECT_EQ(HttpUrl("srv", StorePath{}), "http://srv/Public/");
}

TEST(StoreUrlTest, FileUrlOfRootEndsInSlash) {
  EXPECT_EQ(FileUrl("example.com", StorePath{}),
            "file://./backofficestorage/example.com/Public Folders/");
}

TEST(StoreUrlTest, UrlsJoinSegmentsUnencoded) {
  const StorePath path = Path({"Junk Mail", "Ärger", "m 1.eml"});
  EXPECT_EQ(HttpUrl("srv", path), "http://srv/Public/Junk Mail/Ärger/m 1.eml");
  EXPECT_EQ(FileUrl("example.com", path),
            "file://./backofficestorage/example.com/Public Folders/Junk Mail/Ärger/m 1.eml");
}

TEST(StoreUrlTest, BuiltUrlsParseBackToTheirPath) {
  for (const StorePath& path :
       {StorePath{}, Path({"Inbox"}), Path({"Junk Mail", "a+b", "x.eml"}), Path({"Ärger"})}) {
    EXPECT_EQ(ParseStoreUrl(HttpUrl("srv", path)), path) << path.ToString();
    EXPECT_EQ(ParseStoreUrl(FileUrl("example.com", path)), path) << path.ToString();
  }
}

// ---------------------------------------------------------------------------
// Names, decoding and paths

struct NameCase {
  const char* name;
  std::string text;
  bool accepted;
  friend void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }
};

class CheckNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CheckNameTest, AcceptsOnlySafeNames) {
  if (GetParam().accepted) {
    EXPECT_NO_THROW(CheckName(GetParam().text));
  } else {
    try {
      CheckName(GetParam().text);
      ADD_FAILURE() << "accepted";
    } catch (const PlatformError& e) {
      EXPECT_EQ(e.Number(), kErrInvalidArgument);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckNameTest,
    ::testing::Values(NameCase{"Plain", "Inbox", true}, NameCase{"Blank", "Junk Mail", true},
                      NameCase{"Utf8", "Ärger", true}, NameCase{"InnerDots", "a..b", true},
                      NameCase{"TrailingDot", "a.", true}, NameCase{"Delete", "a\x7f", true},
                      NameCase{"Empty", "", false}, NameCase{"Dot", ".", false},
                      NameCase{"DotDot", "..", false}, NameCase{"Hidden", ".x", false},
                      NameCase{"Absolute", "/etc", false}, NameCase{"Slash", "a/b", false},
                      NameCase{"Backslash", "a\\b", false}, NameCase{"Nul", "a\0b"s, false},
                      NameCase{"Tab", "a\tb", false}, NameCase{"CarriageReturn", "a\r", false}));

TEST(PercentDecodeTest, DecodesEscapesAndKeepsEverythingElse) {
  EXPECT_EQ(PercentDecode("a%20b%2F%2fc+d"), "a b//c+d");
  EXPECT_EQ(PercentDecode("%C3%A4%ff"), "\xC3\xA4\xFF");
  EXPECT_EQ(PercentDecode("%00"), "\0"s);
  EXPECT_EQ(PercentDecode(""), "");
}

TEST(PercentDecodeTest, RefusesMalformedEscapes) {
  for (const char* text : {"%", "%4", "a%", "%g0", "%0g", "%%41", "% 41"}) {
    try {
      (void)PercentDecode(text);
      ADD_FAILURE() << text;
    } catch (const PlatformError& e) {
      EXPECT_EQ(e.Number(), kErrInvalidArgument) << text;
    }
  }
}

TEST(StorePathTest, NavigatesAndPrints) {
  const StorePath root;
  EXPECT_TRUE(root.IsRoot());
  EXPECT_EQ(root.Parent(), root);
  EXPECT_EQ(root.Name(), "");
  EXPECT_EQ(root.ToString(), "");
  const StorePath sub = root.Child("Inbox").Child("Sub Folder");
  EXPECT_FALSE(sub.IsRoot());
  EXPECT_EQ(sub.Name(), "Sub Folder");
  EXPECT_EQ(sub.ToString(), "Inbox/Sub Folder");
  EXPECT_EQ(sub.Parent(), Path({"Inbox"}));
  EXPECT_LT(Path({"A"}), Path({"A", "B"}));
}

TEST(StorePathTest, ChildChecksTheName) {
  for (const char* name : {"..", "", "a/b", ".hidden"}) {
    EXPECT_THROW((void)StorePath{}.Child(name), PlatformError) << name;
  }
}

}  // namespace
}  // namespace quarvel::platform::store
