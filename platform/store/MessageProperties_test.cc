#include "platform/store/MessageProperties.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace quarvel::platform::store {
namespace {

using namespace std::string_literals;
using ado::Variant;

// ---------------------------------------------------------------------------
// The raw header block

struct HeaderBlockCase {
  const char* name;
  std::string message;
  std::string expected;
  friend void PrintTo(const HeaderBlockCase& c, std::ostream* os) { *os << c.name; }
};

class RawHeaderBlockTest : public ::testing::TestWithParam<HeaderBlockCase> {};

TEST_P(RawHeaderBlockTest, EndsAtTheFirstEmptyLineWithCrLf) {
  EXPECT_EQ(RawHeaderBlock(GetParam().message), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RawHeaderBlockTest,
    ::testing::Values(HeaderBlockCase{"CrLf", "A: 1\r\nB: 2\r\n\r\nbody\r\n", "A: 1\r\nB: 2\r\n"},
                      HeaderBlockCase{"LfOnly", "A: 1\nB: 2\n\nbody\n\nmore\n", "A: 1\r\nB: 2\r\n"},
                      HeaderBlockCase{"Mixed", "A: 1\nB: 2\r\n\nbody", "A: 1\r\nB: 2\r\n"},
                      HeaderBlockCase{"CrLfBlankAfterLf", "A: 1\n\r\nbody", "A: 1\r\n"},
                      HeaderBlockCase{"NoBlankLineIsAllHeader", "A: 1\nB: 2", "A: 1\r\nB: 2\r\n"},
                      HeaderBlockCase{"NoBlankLineEndingInLf", "A: 1\n", "A: 1\r\n"},
                      HeaderBlockCase{"Folded", "Subject: a\r\n\tb\r\n c\r\n\r\nbody",
                                      "Subject: a\r\n\tb\r\n c\r\n"},
                      HeaderBlockCase{"BlankOnlyLineIsNotEmpty", "A: 1\n \nB: 2\n\nbody",
                                      "A: 1\r\n \r\nB: 2\r\n"},
                      HeaderBlockCase{"LoneCrStaysInLine", "A: x\ry\n\nbody", "A: x\ry\r\n"},
                      HeaderBlockCase{"DoubleCr", "A: 1\r\r\n\r\n", "A: 1\r\r\n"},
                      HeaderBlockCase{"EightBitAndNul", "S: \xff\0x\n\n"s, "S: \xff\0x\r\n"s},
                      HeaderBlockCase{"Empty", "", ""},
                      HeaderBlockCase{"StartsWithCrLf", "\r\nA: 1\r\n", ""},
                      HeaderBlockCase{"StartsWithLf", "\nA: 1\n", ""}));

// ---------------------------------------------------------------------------
// Derived properties

struct DeriveCase {
  const char* name;
  std::string message;
  std::string subject;
  std::string from;
  std::string fromEmail;
  friend void PrintTo(const DeriveCase& c, std::ostream* os) { *os << c.name; }
};

class DeriveMessagePropertiesTest : public ::testing::TestWithParam<DeriveCase> {};

TEST_P(DeriveMessagePropertiesTest, DecodesSubjectAndSender) {
  const DeriveCase& c = GetParam();
  const PropertyMap properties = DeriveMessageProperties(c.message, {});
  EXPECT_EQ(properties.at(kPropSubject), Variant(c.subject));
  EXPECT_EQ(properties.at(kPropFrom), Variant(c.from));
  EXPECT_EQ(properties.at(kPropFromEmail), Variant(c.fromEmail));
  EXPECT_EQ(properties.at(kPropTransportHeaders), Variant(RawHeaderBlock(c.message)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeriveMessagePropertiesTest,
    ::testing::Values(
        DeriveCase{"Plain", "From: Alice <alice@example.com>\r\nSubject: Hello\r\n\r\nHi\r\n",
                   "Hello", "Alice <alice@example.com>", "alice@example.com"},
        DeriveCase{"Utf8Base64Subject", "Subject: =?UTF-8?B?w4RyZ2VyIG1pdCBkZXIgQmFobg==?=\n\n",
                   "Ärger mit der Bahn", "", ""},
        DeriveCase{"Latin1QuotedPrintableSubject",
                   "Subject: =?ISO-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=\r\n\r\n", "Grüße aus Köln", "",
                   ""},
        DeriveCase{"EncodedWordAmongText", "Subject: Re: =?utf-8?q?Caf=C3=A9?= time\n\n",
                   "Re: Café time", "", ""},
        DeriveCase{"AdjacentEncodedWordsJoin",
                   "Subject: =?UTF-8?B?5pel5pys6Kqe?= =?UTF-8?B?44Gu44OG44K544OI?=\n\n",
                   "日本語のテスト", "", ""},
        DeriveCase{"RawLatin1SubjectBecomesUtf8",
                   "Subject: Gr\xfc\xdf"
                   "e\n\n",
                   "Grüße", "", ""},
        DeriveCase{"RawUtf8Subject", "Subject: Grüße\n\n", "Grüße", "", ""},
        DeriveCase{"FoldedSubjectLfOnly", "Subject: part one\n part two\nX: y\n\nbody",
                   "part one part two", "", ""},
        DeriveCase{"HeaderNameIgnoresCase", "SUBJECT: loud\r\nfrom: bob@example.org\r\n\r\n",
                   "loud", "bob@example.org", "bob@example.org"},
        DeriveCase{"EncodedDisplayName", "From: =?UTF-8?B?SsO8cmdlbg==?= <j@example.de>\r\n\r\n",
                   "", "Jürgen <j@example.de>", "j@example.de"},
        DeriveCase{"QuotedDisplayName", "From: \"Doe, John\" <john@example.com>\n\n", "",
                   "\"Doe, John\" <john@example.com>", "john@example.com"},
        DeriveCase{"FirstOfSeveral", "From: a@x.example, b@y.example\n\n", "",
                   "a@x.example, b@y.example", "a@x.example"},
        DeriveCase{"FirstMailboxInGroup", "From: Friends: carol@example.net, d@example.net;\n\n",
                   "", "Friends: carol@example.net, d@example.net;", "carol@example.net"},
        DeriveCase{"FoldedFrom", "From: Alice\r\n <alice@example.com>\r\n\r\n", "",
                   "Alice <alice@example.com>", "alice@example.com"},
        DeriveCase{"DecodedOnce",
                   "From: =?UTF-8?Q?=3D=3FUTF-8=3FB=3FSsO8cmdlbg=3D=3D=3F=3D?= <a@b.example>\n"
                   "Subject: =?UTF-8?Q?=3D=3FUTF-8=3FB=3FSsO8cmdlbg=3D=3D=3F=3D?=\n\n",
                   "=?UTF-8?B?SsO8cmdlbg==?=", "=?UTF-8?B?SsO8cmdlbg==?= <a@b.example>",
                   "a@b.example"},
        // Only the fields named Subject and From count, however many others
        // come first and whatever they hold.
        DeriveCase{"AmongManyOtherFields",
                   "Received: from a\r\n\tby b; Subject: not this\r\nX-Original-Subject: no\r\n"
                   "Resent-From: r@example.com\r\nFrom : spaced@example.com\r\n"
                   "DKIM-Signature: v=1;\r\n h=From:Subject;\r\nSubject: this one\r\n"
                   "X-Subject: no\r\nSender: s@example.com\r\nFrom: f@example.com\r\n\r\n",
                   "this one", "f@example.com", "f@example.com"},
        DeriveCase{"NoSubjectOrSender", "X-Other: 1\r\n\r\n", "", "", ""},
        DeriveCase{"HeadersInBodyDoNotCount",
                   "X-Other: 1\r\n\r\nSubject: body\r\nFrom: body@example.com\r\n", "", "", ""},
        DeriveCase{"OnlyHeadersNoNewline", "Subject: only headers", "only headers", "", ""},
        DeriveCase{"Empty", "", "", "", ""}));

TEST(DeriveMessagePropertiesFactsTest, ClassesAndConfidenceLevel) {
  const std::string message = "Subject: s\r\n\r\n";
  PropertyMap properties = DeriveMessageProperties(message, {});
  EXPECT_EQ(properties.at(kPropMessageClass), Variant("IPM.Note"));
  EXPECT_EQ(properties.at(kPropContentClass), Variant("urn:content-class:message"));
  EXPECT_EQ(properties.count(kPropSpamConfidenceLevel), 0u);

  properties = DeriveMessageProperties(message, {"IPM.Post", 7});
  EXPECT_EQ(properties.at(kPropMessageClass), Variant("IPM.Post"));
  EXPECT_EQ(properties.at(kPropSpamConfidenceLevel), Variant(7));
  EXPECT_TRUE(properties.at(kPropSpamConfidenceLevel).IsInteger());

  properties = DeriveMessageProperties(message, {"IPM.Note", -1});
  EXPECT_EQ(properties.at(kPropSpamConfidenceLevel), Variant(-1));
  for (const auto& [name, value] : properties) EXPECT_EQ(CanonicalPropertyName(name), name);
}

TEST(DeriveMessagePropertiesFactsTest, DerivedPropertiesSurviveTheStore) {
  std::string dir = ::testing::TempDir() + "quarvel-derive-XXXXXX";
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  {
    PublicStore store(dir);
    const std::string message =
        "From: =?UTF-8?B?SsO8cmdlbg==?= <j@example.de>\nSubject: =?UTF-8?Q?Caf=C3=A9?=\n\nbody";
    const PropertyMap properties = DeriveMessageProperties(message, {"IPM.Note", 9});
    store.WriteItem(StorePath{{"m.eml"}}, message, properties);
    EXPECT_EQ(store.ReadProperties(StorePath{{"m.eml"}}), properties);
  }
  std::filesystem::remove_all(dir);
}

// Malformed input never throws and always keeps the raw headers and class.
TEST(DeriveMessagePropertiesRobustnessTest, SurvivesMalformedMessages) {
  std::vector<std::string> messages = {
      "\xff\xfe\0\x01garbage"s,
      "Subject: =?UTF-8?B?####?=\r\n\r\n",
      "Subject: =?x-unknown-charset?Q?abc?=\r\n\r\n",
      "Subject: =?UTF-8?Q?unterminated\r\n\r\n",
      "From: <<<@@@>>>\r\nSubject:\r\n\r\n",
      "From: \"unclosed <a@b\r\n\r\n",
      "Subject: a\0b\r\n\r\n"s,
      ": no name\r\n\r\n",
      "Subject: \xc3\x28 bad utf8\r\n\r\n",
      "Content-Type: multipart/mixed; boundary=x\r\n\r\n--x\r\n--x--",
      std::string(100000, 'A'),
      "Subject: " + std::string(100000, 'x') + "\r\n\r\n",
      std::string(5000, '\n'),
  };
  std::mt19937 random(12345);  // fixed seed: the same inputs on every run
  for (int i = 0; i < 200; ++i) {
    std::string bytes(random() % 300, '\0');
    for (char& b : bytes) b = static_cast<char>(random() % 256);
    messages.push_back(bytes);
    messages.push_back("Subject: " + bytes + "\r\nFrom: " + bytes + "\r\n\r\n");
  }
  for (const std::string& message : messages) {
    PropertyMap properties;
    ASSERT_NO_THROW(properties = DeriveMessageProperties(message, {"IPM.Note", 5}));
    EXPECT_EQ(properties.at(kPropTransportHeaders), Variant(RawHeaderBlock(message)));
    EXPECT_EQ(properties.at(kPropMessageClass), Variant("IPM.Note"));
    EXPECT_TRUE(properties.at(kPropSubject).IsString());
    EXPECT_TRUE(properties.at(kPropFromEmail).IsString());
  }
}

TEST(DeriveMessagePropertiesRobustnessTest, DerivesOnSeveralThreadsAtOnce) {
  const std::string message =
      "From: =?UTF-8?B?SsO8cmdlbg==?= <j@example.de>\r\n"
      "Subject: =?ISO-8859-1?Q?Gr=FC=DFe?=\r\n\r\nbody\r\n";
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 100; ++i) {
        const PropertyMap properties = DeriveMessageProperties(message, {});
        EXPECT_EQ(properties.at(kPropSubject), Variant("Grüße"));
        EXPECT_EQ(properties.at(kPropFromEmail), Variant("j@example.de"));
      }
    });
  }
  for (auto& thread : threads) thread.join();
}

}  // namespace
}  // namespace quarvel::platform::store

namespace quarvel::platform::store {
namespace {

TEST(MessagePropertiesReturningForwardTest, InvalidFieldNameDoesNotHideTheRest) {
  const std::string message =
      "x-Originally delivered to:file://./backofficestorage/example.com/Public Folders/Sales\r\n"
      "From: \"Toner Outlet\" <office@example.net>\r\n"
      "Subject: Spam: cheap toner\r\n\r\nBody\r\n";
  const auto properties = DeriveMessageProperties(message, {});
  EXPECT_EQ(properties.at(kPropSubject).ToString(), "Spam: cheap toner");
  EXPECT_EQ(properties.at(kPropFromEmail).ToString(), "office@example.net");
  EXPECT_TRUE(properties.at(CanonicalPropertyName(kPropTransportHeaders))
                  .ToString()
                  .starts_with("x-Originally delivered to:file://"));
}

}  // namespace
}  // namespace quarvel::platform::store
