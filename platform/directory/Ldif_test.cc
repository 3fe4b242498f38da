#include "platform/directory/Ldif.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/PlatformError.h"

namespace quarvel::platform::directory {
namespace {

using Values = std::vector<std::string>;

// The values of `name` in the only entry of `text`.
Values ValuesOf(const std::string& text, const std::string& name) {
  const auto entries = ParseLdif(text, "test.ldif");
  EXPECT_EQ(entries.size(), 1u);
  if (entries.empty()) return {};
  const auto values = entries.front().Values(name);
  if (!values) return {"<absent>"};
  return Values(values->begin(), values->end());
}

struct ReadCase {
  const char* name;
  std::string text;
  std::string attribute;
  Values expected;
  friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
};

class LdifReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LdifReadTest, ReadsTheValues) {
  const auto& c = GetParam();
  EXPECT_EQ(ValuesOf(c.text, c.attribute), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LdifReadTest,
    ::testing::Values(
        ReadCase{"Plain", "dn: CN=A\ncn: Alice\n", "cn", {"Alice"}},
        ReadCase{"NameIgnoresCase", "dn: CN=A\nmail: a@example.com\n", "MAIL", {"a@example.com"}},
        ReadCase{"MultiValued",
                 "dn: CN=A\nobjectClass: top\ncn: A\nobjectclass: user\n",
                 "objectClass",
                 {"top", "user"}},
        ReadCase{"Base64", "dn: CN=A\nname:: SsO8cmdlbiBNw7xsbGVy\n", "name", {"Jürgen Müller"}},
        ReadCase{"Base64KeepsLineBreaksAndNul",
                 "dn: CN=A\nmail:: YQpiAGM=\n",
                 "mail",
                 {std::string("a\nb\0c", 5)}},
        ReadCase{"Base64Empty", "dn: CN=A\ncn::\n", "cn", {""}},
        ReadCase{"Base64Folded",
                 "dn: CN=A\nname:: SsO8cmdlbi\n BNw7xsbGVy\n",
                 "name",
                 {"Jürgen Müller"}},
        ReadCase{"FoldedDropsOneBlankOnly",
                 "dn: CN=A\ndescription: one\n  two\n",
                 "description",
                 {"one two"}},
        ReadCase{"FoldedMidWord",
                 "dn: CN=A\nmsExchHomeServerName: /o=Ex/cn=Serv\n ers/cn=MAIL01\n",
                 "msExchHomeServerName",
                 {"/o=Ex/cn=Servers/cn=MAIL01"}},
        ReadCase{"EmptyValue", "dn: CN=A\nsAMAccountType:\n", "sAMAccountType", {""}},
        ReadCase{"BlanksAfterColonSkipped", "dn: CN=A\ncn:    Alice\n", "cn", {"Alice"}},
        ReadCase{"TrailingBlanksKept", "dn: CN=A\ncn: Alice  \n", "cn", {"Alice  "}},
        ReadCase{"Crlf", "dn: CN=A\r\ncn: Alice\r\n ice\r\n", "cn", {"Aliceice"}},
        ReadCase{"Utf8PlainValue", "dn: CN=A\ncn: Zoë\n", "cn", {"Zoë"}},
        ReadCase{"ColonInValue", "dn: CN=A\ndescription: a: b\n", "description", {"a: b"}},
        ReadCase{"CommentsAnywhere",
                 "# file\nversion: 1\n# before\ndn: CN=A\n# between\n#  folded\n comment\ncn: A\n",
                 "cn",
                 {"A"}},
        ReadCase{"DistinguishedNameFromDn",
                 "dn: CN=A,DC=x\ncn: A\n",
                 "distinguishedName",
                 {"CN=A,DC=x"}},
        ReadCase{"AbsentIsAbsent", "dn: CN=A\ncn: A\n", "mail", {"<absent>"}}));

TEST(LdifTest, SeparatesEntriesByBlankLinesAndKeepsTheirOrderAndLines) {
  const auto entries = ParseLdif(
      "version: 1\n\n"
      "dn:\ndnsHostName: dc01\n"
      "\n\n   \n"  // blank lines, one of them only blanks
      "dn: CN=B\ncn: B\n\n"
      "# a record of comments only\n\n"
      "dn:: Q049QQ==\ncn: A",  // no line end at the end of the file
      "x.ldif");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].dn, "");
  EXPECT_EQ(entries[1].dn, "CN=B");
  EXPECT_EQ(entries[1].line, 8u);
  EXPECT_EQ(entries[2].dn, "CN=A");
  EXPECT_EQ(entries[2].line, 13u);
}

TEST(LdifTest, AnEmptyTextHasNoEntries) {
  EXPECT_TRUE(ParseLdif("", "x").empty());
  EXPECT_TRUE(ParseLdif("# nothing\n\n", "x").empty());
  EXPECT_TRUE(ParseLdif("version: 1\n", "x").empty());
}

struct MalformedCase {
  const char* name;
  std::string text;
  std::string expected;  // the start of the message after "bad.ldif:"
  friend void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }
};

class LdifMalformedTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(LdifMalformedTest, NamesTheLine) {
  const auto& c = GetParam();
  try {
    (void)ParseLdif(c.text, "bad.ldif");
    FAIL() << "read malformed LDIF";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Number(), kErrFail);
    EXPECT_EQ(error.Description().substr(0, 9 + c.expected.size()), "bad.ldif:" + c.expected)
        << error.Description();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LdifMalformedTest,
    ::testing::Values(
        MalformedCase{"ContinuationFirst", " cn: A\n", "1: a line starting with a blank"},
        MalformedCase{"ContinuationAfterBlank", "dn: CN=A\ncn: A\n\n more\n",
                      "4: a line starting with a blank continues the line before, but it follows "
                      "a blank line"},
        MalformedCase{"NoColon", "dn: CN=A\ncn A\n", "2: expected \"name: value\""},
        MalformedCase{"MissingName", "dn: CN=A\n: A\n", "2: an attribute name is missing"},
        MalformedCase{"BadName", "dn: CN=A\n1cn: A\n", "2: \"1cn\" is no attribute name"},
        MalformedCase{"BlankInName", "dn: CN=A\nc n: A\n", "2: \"c n\" is no attribute name"},
        MalformedCase{"Option", "dn: CN=A\ncn;lang-de: A\n",
                      "2: attribute options (\";lang-de\") are not supported"},
        MalformedCase{"UrlValue", "dn: CN=A\njpegPhoto:< file:///etc/passwd\n",
                      "2: values read from a URL"},
        MalformedCase{"Base64BadCharacter", "dn: CN=A\ncn:: QUJ*\n", "2: the value after \"::\""},
        MalformedCase{"Base64BadLength", "dn: CN=A\ncn:: QUJDR\n", "2: the value after \"::\""},
        MalformedCase{"Base64PaddingInside", "dn: CN=A\ncn:: QQ==QUJD\n",
                      "2: the value after \"::\""},
        MalformedCase{"Base64BrokenOnFoldedLine", "dn: CN=A\ncn: A\nname:: SsO8\n c*\n",
                      "3: the value after \"::\""},
        MalformedCase{"NoDn", "cn: A\n", "1: an entry must start with \"dn:\", not \"cn:\""},
        MalformedCase{"SecondDn", "dn: CN=A\ncn: A\ndn: CN=B\n", "3: a second \"dn:\""},
        MalformedCase{"ChangeRecord", "dn: CN=A\nchangetype: delete\n",
                      "2: change records (\"changetype:\") are not supported"},
        MalformedCase{"OtherVersion", "version: 2\ndn: CN=A\ncn: A\n",
                      "1: only LDIF version 1 is read"},
        MalformedCase{"LateVersion", "dn: CN=A\ncn: A\n\nversion: 1\n",
                      "4: \"version:\" may only open the file"},
        MalformedCase{"DuplicateDnIgnoringCase", "dn: CN=A\ncn: A\n\n# again\ndn: cn=a\ncn: A\n",
                      "5: the entry \"cn=a\" was already given on line 1"},
        MalformedCase{"NoAttributes", "dn: CN=A\n\ndn: CN=B\ncn: B\n",
                      "1: the entry has no attributes"},
        MalformedCase{"IntegerNotANumber", "dn: CN=A\nuserAccountControl: 5l2\n",
                      "2: userAccountControl takes a whole number, not \"5l2\""},
        MalformedCase{"IntegerTooLarge", "dn: CN=A\nsAMAccountType: 99999999999999999999\n",
                      "2: sAMAccountType takes a whole number"},
        MalformedCase{"BooleanNotTrueOrFalse", "dn: CN=A\nmsExchHideFromAddressLists: yes\n",
                      "2: msExchHideFromAddressLists takes TRUE or FALSE, not \"yes\""}));

}  // namespace
}  // namespace quarvel::platform::directory
