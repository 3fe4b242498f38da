#include "platform/store/provider/StoreStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/smtp/PickupFileFormat.h"
#include "platform/store/provider/StoreFixture_test_support.h"

namespace quarvel::platform::store {
namespace {

using namespace std::string_literals;
using testing::ErrorOf;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// ---------------------------------------------------------------------------
// Reading and writing characters

struct TextCase {
  const char* name;
  friend void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }
  std::function<void(StoreStream&)> steps;
  std::string text;      // the stream's whole text afterwards
  std::size_t position;  // afterwards
};

class StreamTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(StreamTextTest, ReadsAndWritesBytesAtThePosition) {
  StoreStream stream("Subject: x\r\n\r\nbody");
  GetParam().steps(stream);
  EXPECT_EQ(stream.Position(), GetParam().position);
  stream.SetPosition(0);
  EXPECT_EQ(stream.ReadText(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StreamTextTest,
    ::testing::Values(TextCase{"ReadAllMovesToTheEnd",
                               [](auto& s) { EXPECT_EQ(s.ReadText(), "Subject: x\r\n\r\nbody"); },
                               "Subject: x\r\n\r\nbody", 18},
                      TextCase{"ReadSomeThenTheRest",
                               [](auto& s) {
                                 EXPECT_EQ(s.ReadText(7), "Subject");
                                 EXPECT_EQ(s.ReadText(2), ": ");
                                 EXPECT_EQ(s.ReadText(), "x\r\n\r\nbody");
                                 EXPECT_EQ(s.ReadText(), "");
                                 EXPECT_EQ(s.ReadText(5), "");
                               },
                               "Subject: x\r\n\r\nbody", 18},
                      TextCase{"ReadMoreThanThereIs",
                               [](auto& s) { EXPECT_EQ(s.ReadText(100).size(), 18u); },
                               "Subject: x\r\n\r\nbody", 18},
                      TextCase{"OverwriteInTheMiddle",
                               [](auto& s) {
                                 s.SetPosition(9);
                                 s.WriteText("y");
                               },
                               "Subject: y\r\n\r\nbody", 10},
                      TextCase{"WritePastTheEndExtends",
                               [](auto& s) {
                                 s.SetPosition(14);
                                 s.WriteText("longer body");
                               },
                               "Subject: x\r\n\r\nlonger body", 25},
                      TextCase{"WriteFromZeroLongerReplacesAll",
                               [](auto& s) {
                                 const auto all = s.ReadText();
                                 s.SetPosition(0);
                                 s.WriteText("x-sender: a@b\r\n" + all);
                               },
                               "x-sender: a@b\r\nSubject: x\r\n\r\nbody", 33},
                      TextCase{"ShorterWriteDoesNotTruncate",
                               [](auto& s) {
                                 s.SetPosition(0);
                                 s.WriteText("Fr");
                               },
                               "Frbject: x\r\n\r\nbody", 2},
                      TextCase{"WriteLineAddsCrLf",
                               [](auto& s) {
                                 s.SetPosition(18);
                                 s.WriteText("!", ado::adWriteLine);
                               },
                               "Subject: x\r\n\r\nbody!\r\n", 21},
                      TextCase{"PositionAtTheEndIsAllowed", [](auto& s) { s.SetPosition(18); },
                               "Subject: x\r\n\r\nbody", 18}),
    [](const auto& info) { return info.param.name; });

TEST(StoreStreamTest, KeepsEveryByteIncludingNulAndInvalidUtf8) {
  const std::string text = "a\0b\xFF\xC3\r\n\xE2\x82"s;
  StoreStream stream(text);
  EXPECT_EQ(stream.Size(), text.size());
  EXPECT_EQ(stream.ReadText(3), "a\0b"s);
  EXPECT_EQ(stream.ReadText(), "\xFF\xC3\r\n\xE2\x82");
}

TEST(StoreStreamTest, RefusesPositionsPastTheEndAndUseAfterClose) {
  StoreStream stream("abc");
  EXPECT_EQ(ErrorOf([&] { stream.SetPosition(4); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { (void)stream.ReadText(-2); }), kErrInvalidArgument);
  EXPECT_EQ(stream.Position(), 0u);
  stream.Close();
  EXPECT_EQ(ErrorOf([&] { (void)stream.ReadText(); }), ado::kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { stream.WriteText("x"); }), ado::kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { (void)stream.Position(); }), ado::kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] { stream.SaveToFile("/tmp/never", ado::adSaveCreateNotExist); }),
            ado::kErrObjectClosed);
}

// ---------------------------------------------------------------------------
// Saving to a file

class StreamSaveTest : public testing::StoreFixture {
 protected:
  fs::path Target() const { return Directory() / "pickup" / "msg.eml"; }
  StreamSaveTest() { fs::create_directories(Directory() / "pickup"); }
  std::size_t FilesInPickup() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(Directory() / "pickup"), fs::directory_iterator()));
  }
};

struct SaveCase {
  const char* name;
  friend void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }
  ado::SaveOptions options;
  bool fileExists;
  int error;
  std::string fileAfter;  // content of the target afterwards
};

class StreamSaveOptionTest : public StreamSaveTest,
                             public ::testing::WithParamInterface<SaveCase> {};

TEST_P(StreamSaveOptionTest, CreatesNewOrReplacesAsAsked) {
  const auto& c = GetParam();
  if (c.fileExists) std::ofstream(Target(), std::ios::binary) << "existing";
  StoreStream stream("new\r\ncontent\0"s);
  stream.SetPosition(3);  // the whole text is saved, wherever the position is
  EXPECT_EQ(ErrorOf([&] { stream.SaveToFile(Target().string(), c.options); }), c.error);
  EXPECT_EQ(ReadFile(Target()), c.fileAfter);
  EXPECT_EQ(FilesInPickup(), 1u);  // no temporary file left behind
  EXPECT_EQ(stream.Position(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StreamSaveOptionTest,
    ::testing::Values(
        SaveCase{"CreateNew", ado::adSaveCreateNotExist, false, 0, "new\r\ncontent\0"s},
        SaveCase{"CreateNewWhenExists", ado::adSaveCreateNotExist, true, kErrFileExists,
                 "existing"},
        SaveCase{"OverWriteNew", ado::adSaveCreateOverWrite, false, 0, "new\r\ncontent\0"s},
        SaveCase{"OverWriteExisting", ado::adSaveCreateOverWrite, true, 0, "new\r\ncontent\0"s}),
    [](const auto& info) { return info.param.name; });

TEST_F(StreamSaveTest, AFailedSaveNamesThePathAndTheReasonAndLeavesNothing) {
  StoreStream stream("text");
  const auto missing = (Directory() / "no such dir" / "msg.eml").string();
  for (const auto options : {ado::adSaveCreateNotExist, ado::adSaveCreateOverWrite}) {
    try {
      stream.SaveToFile(missing, options);
      ADD_FAILURE() << "saved into a missing directory";
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.Number(), kErrFail);
      EXPECT_NE(error.Description().find(missing), std::string::npos) << error.Description();
      EXPECT_NE(error.Description().find("No such file or directory"), std::string::npos);
    }
  }
  EXPECT_EQ(
      ErrorOf([&] { stream.SaveToFile(Target().string(), static_cast<ado::SaveOptions>(7)); }),
      kErrInvalidArgument);
  EXPECT_EQ(FilesInPickup(), 0u);
}

// The SMTP service takes no message file larger than kMaxPickupFileSize: a
// stream that large is never saved, so no forward removes a message that
// the service would refuse.
TEST_F(StreamSaveTest, AStreamLargerThanTheServiceTakesIsRefused) {
  StoreStream fits(std::string(smtp::kMaxPickupFileSize, 'x'));
  fits.SaveToFile(Target().string(), ado::adSaveCreateNotExist);
  EXPECT_EQ(fs::file_size(Target()), smtp::kMaxPickupFileSize);
  fs::remove(Target());
  StoreStream larger(std::string(smtp::kMaxPickupFileSize + 1, 'x'));
  EXPECT_EQ(ErrorOf([&] { larger.SaveToFile(Target().string(), ado::adSaveCreateNotExist); }),
            kErrDataOverflow);
  EXPECT_EQ(FilesInPickup(), 0u);
}

}  // namespace
}  // namespace quarvel::platform::store
