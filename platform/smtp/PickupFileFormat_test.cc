#include "platform/smtp/PickupFileFormat.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace quarvel::platform::smtp {
namespace {

using namespace std::string_literals;

const std::string kInboxUrl = "file://./backofficestorage/example.com/Public Folders/Inbox";
const std::string kMessage = "From: Sender <sender@example.net>\r\nSubject: hi\r\n\r\nHello.\r\n";
const std::string kSender = "x-sender: s@example.net\r\n";
const std::string kReceiver = "x-receiver: r@example.com\r\n";

// ---------------------------------------------------------------------------
// Files that are sent

struct GoodCase {
  const char* name;
  std::string content;
  PickupMessage expected;
  friend void PrintTo(const GoodCase& c, std::ostream* os) { *os << c.name; }
};

class GoodPickupFileTest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodPickupFileTest, YieldsEnvelopeAndMessage) {
  const auto parsed = ParsePickupFile(GetParam().content);
  ASSERT_TRUE(parsed.file) << parsed.whyMalformed;
  EXPECT_EQ(parsed.file->sender, GetParam().expected.sender);
  EXPECT_EQ(parsed.file->receivers, GetParam().expected.receivers);
  EXPECT_EQ(parsed.file->message, GetParam().expected.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GoodPickupFileTest,
    ::testing::Values(
        // What the sink writes when it forwards: the third line is a header
        // of the message, not part of the envelope.
        GoodCase{"QuarvelForward",
                 "x-receiver: Support <support@example.com>\r\nx-sender: sender@example.net\r\n"
                 "x-Originally delivered to:" +
                     kInboxUrl + "\r\n" + kMessage,
                 {"sender@example.net",
                  {"support@example.com"},
                  "x-Originally delivered to:" + kInboxUrl + "\r\n" + kMessage}},
        GoodCase{"LineFeedsOnly",
                 "x-sender: a@example.net\nx-receiver: b@example.com\nSubject: x\n\nbody\n",
                 {"a@example.net", {"b@example.com"}, "Subject: x\n\nbody\n"}},
        GoodCase{"SeveralReceiversInOrderRepeatsOnce",
                 "x-receiver: one@example.com\r\nx-sender: s@example.net\r\n"
                 "x-receiver: two@example.com\r\nx-receiver: ONE@Example.com\r\n"
                 "x-receiver: Three <three@example.com>\r\n" +
                     kMessage,
                 {"s@example.net",
                  {"one@example.com", "two@example.com", "three@example.com"},
                  kMessage}},
        GoodCase{"NamesInAnyCaseValuesPadded",
                 "X-SENDER:s@example.net\r\nX-Receiver:   <r@example.com>   \r\n" + kMessage,
                 {"s@example.net", {"r@example.com"}, kMessage}},
        GoodCase{"SenderWithDisplayName",
                 "x-sender: Sender <s@example.net>\r\nx-receiver: r@example.com\r\n" + kMessage,
                 {"s@example.net", {"r@example.com"}, kMessage}},
        GoodCase{"DisplayNameWithAngleTakesTheLastPair",
                 "x-sender: s@example.net\r\nx-receiver: \"a<b\" <r@example.com>\r\n" + kMessage,
                 {"s@example.net", {"r@example.com"}, kMessage}},
        GoodCase{"EnvelopeLinesInsideTheMessageAreMessage",
                 "x-sender: s@example.net\r\nx-receiver: r@example.com\r\nSubject: x\r\n"
                 "x-receiver: other@example.com\r\n\r\nbody",
                 {"s@example.net",
                  {"r@example.com"},
                  "Subject: x\r\nx-receiver: other@example.com\r\n\r\nbody"}},
        GoodCase{"MessageWithoutLineEnd",
                 "x-sender: s@example.net\nx-receiver: r@example.com\nSubject: x",
                 {"s@example.net", {"r@example.com"}, "Subject: x"}},
        GoodCase{"MessageStartingWithBlankLine",
                 "x-sender: s@example.net\r\nx-receiver: r@example.com\r\n\r\nbody",
                 {"s@example.net", {"r@example.com"}, "\r\nbody"}},
        GoodCase{"NulAndHighBytesInTheMessageKept",
                 "x-sender: s@example.net\r\nx-receiver: r@example.com\r\nSubject: \xC3\xA4\r\n\r\n"
                 "a\0b\xFF"s,
                 {"s@example.net", {"r@example.com"}, "Subject: \xC3\xA4\r\n\r\na\0b\xFF"s}},
        // A forward target that names several recipients reaches each of them.
        GoodCase{"ListOfDisplayNamesAndAddresses",
                 kSender + "x-receiver: Desk <a@x.example>, Other <b@y.example>\r\n" + kMessage,
                 {"s@example.net", {"a@x.example", "b@y.example"}, kMessage}},
        GoodCase{"ListOfBareAddresses",
                 kSender + "x-receiver: a@example.com,b@example.com , A@EXAMPLE.com\r\n" + kMessage,
                 {"s@example.net", {"a@example.com", "b@example.com"}, kMessage}},
        GoodCase{
            "CommaInsideAQuotedName",
            kSender +
                "x-receiver: \"Doe, John\" <j@example.com>, \"a\\\"b, c\" <k@example.com>\r\n" +
                kMessage,
            {"s@example.net", {"j@example.com", "k@example.com"}, kMessage}},
        GoodCase{"NonAsciiAddress",
                 "x-sender: j\xC3\xB6rg@example.net\r\nx-receiver: r@b\xC3\xBC"
                 "cher.example\r\n" +
                     kMessage,
                 {"j\xC3\xB6rg@example.net",
                  {"r@b\xC3\xBC"
                   "cher.example"},
                  kMessage}}));

// ---------------------------------------------------------------------------
// Files that go to Badmail

struct MalformedCase {
  const char* name;
  std::string content;
  std::string why;
  friend void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }
};

class MalformedPickupFileTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedPickupFileTest, SaysWhy) {
  const auto parsed = ParsePickupFile(GetParam().content);
  EXPECT_FALSE(parsed.file) << "accepted";
  EXPECT_NE(parsed.whyMalformed.find(GetParam().why), std::string::npos) << parsed.whyMalformed;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedPickupFileTest,
    ::testing::Values(
        MalformedCase{"Empty", "", "the file is empty"},
        MalformedCase{"JustAMessage", kMessage, "no x-sender line"},
        MalformedCase{"NoReceiver", kSender + kMessage, "no x-receiver line"},
        MalformedCase{"NoSender", kReceiver + kMessage, "no x-sender line"},
        MalformedCase{"TwoSenders", kSender + kReceiver + "x-sender: t@example.net\r\n" + kMessage,
                      "more than one x-sender line"},
        MalformedCase{"EmptyReceiver", kSender + "x-receiver: \r\n" + kMessage,
                      "line 2 (x-receiver): empty address"},
        MalformedCase{"EmptyAngles", kSender + "x-receiver: Nobody <>\r\n" + kMessage,
                      "line 2 (x-receiver): empty address"},
        MalformedCase{"EmptySender", "x-sender: <>\r\n" + kReceiver + kMessage,
                      "line 1 (x-sender): empty address"},
        MalformedCase{"BlankInAddress", kSender + "x-receiver: r r@example.com\r\n" + kMessage,
                      "blank or control character in the address \"r r@example.com\""},
        // A list is sent to whole or not at all.
        MalformedCase{"ListWithAnUnquotedCommaInAName",
                      kSender + "x-receiver: Doe, John <j@example.com>\r\n" + kMessage,
                      "line 2 (x-receiver): address 1 of 2: not an e-mail address "
                      "(name@domain): \"Doe\""},
        MalformedCase{"ListWithAnEmptyPart",
                      kSender + "x-receiver: a@example.com, , b@example.com\r\n" + kMessage,
                      "address 2 of 3: empty address"},
        MalformedCase{"ListWithATrailingComma",
                      kSender + "x-receiver: Desk <a@example.com>,\r\n" + kMessage,
                      "address 2 of 2: empty address"},
        MalformedCase{"ListWithSemicolons",
                      kSender + "x-receiver: a@example.com; b@example.com\r\n" + kMessage,
                      "blank or control character"},
        MalformedCase{"SenderList",
                      "x-sender: a@example.net, b@example.net\r\n" + kReceiver + kMessage,
                      "line 1 (x-sender): blank or control character"},
        MalformedCase{"SemicolonWithoutBlanks",
                      kSender + "x-receiver: a@example.com;b@example.com\r\n" + kMessage,
                      "not a single address"},
        MalformedCase{"NoAt", kSender + "x-receiver: postmaster\r\n" + kMessage,
                      "not an e-mail address (name@domain): \"postmaster\""},
        MalformedCase{"NoDomain", kSender + "x-receiver: r@\r\n" + kMessage,
                      "not an e-mail address"},
        MalformedCase{"NoLocalPart", "x-sender: @example.net\r\n" + kReceiver + kMessage,
                      "line 1 (x-sender): not an e-mail address"},
        MalformedCase{"UnclosedAngle", kSender + "x-receiver: R <r@example.com\r\n" + kMessage,
                      "no > after <"},
        MalformedCase{"TextAfterAngle",
                      kSender + "x-receiver: <r@example.com> and more\r\n" + kMessage,
                      "text after the address in <>"},
        MalformedCase{"NoMessage", kSender + kReceiver, "no message after the envelope"},
        MalformedCase{"NoMessageNoLastLineEnd", kSender + "x-receiver: r@example.com",
                      "no message after the envelope"},
        MalformedCase{"NulInAddress", kSender + "x-receiver: r\0@example.com\r\n"s + kMessage,
                      "line 2 (x-receiver): NUL byte in the envelope"},
        MalformedCase{"NulAfterAddress", "x-sender: s@example.net\0\r\n"s + kReceiver + kMessage,
                      "line 1 (x-sender): NUL byte in the envelope"},
        MalformedCase{"TabShownEscaped", kSender + "x-receiver: r\t@example.com\r\n" + kMessage,
                      "\"r\\x09@example.com\""},
        MalformedCase{"BareCarriageReturnJoinsLines",
                      "x-sender: s@example.net\rx-receiver: r@example.com\r\n" + kMessage,
                      "line 1 (x-sender): blank or control character"}));

// ---------------------------------------------------------------------------
// Size limit, and the envelope the service writes

TEST(PickupFileSizeTest, LimitIsInclusive) {
  const std::string head = kSender + kReceiver;
  std::string content = head + std::string(kMaxPickupFileSize - head.size(), 'x');
  EXPECT_TRUE(ParsePickupFile(content).file);
  content += 'x';
  const auto parsed = ParsePickupFile(content);
  EXPECT_FALSE(parsed.file);
  EXPECT_EQ(parsed.whyMalformed, "the file is larger than 67108864 bytes");
}

TEST(FormatEnvelopeTest, ParsesBackToTheSameMail) {
  const PickupMessage mail{"s@example.net",
                           {"r@example.com"},
                           "x-Originally delivered to:" + kInboxUrl + "\r\n" + kMessage};
  const auto content = FormatEnvelope(mail.receivers[0], mail.sender) + mail.message;
  EXPECT_TRUE(content.starts_with("x-receiver: r@example.com\r\nx-sender: s@example.net\r\n"));
  const auto parsed = ParsePickupFile(content);
  ASSERT_TRUE(parsed.file) << parsed.whyMalformed;
  EXPECT_EQ(*parsed.file, mail);
}

TEST(ShownTextTest, EscapesControlBytesOnly) {
  EXPECT_EQ(ShownText("a\r\n\x7F\0b \xC3\xA4"s), "a\\x0D\\x0A\\x7F\\x00b \xC3\xA4");
}

}  // namespace
}  // namespace quarvel::platform::smtp
