#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/Record.h"
#include "platform/cdo/Folder.h"
#include "platform/cdo/Message.h"
#include "platform/store/provider/StoreFixture_test_support.h"

namespace quarvel::platform::store {
namespace {

using testing::ErrorOf;
using testing::kMessage;
using testing::Path;
using testing::StoreFixture;

class StoreObjectsTest : public StoreFixture {
 protected:
  template <class Interface>
  Interface* Create(std::unique_ptr<IUnknown>& holder, std::string_view progId) {
    holder = Session().CreateObject(progId);
    return holder ? QueryInterface<Interface>(*holder) : nullptr;
  }
};

// ---------------------------------------------------------------------------
// Objects by ProgID

TEST_F(StoreObjectsTest, CreatesEachServedProgIdAnsweringOnlyItsInterface) {
  struct Case {
    std::string_view progId;
    std::string_view interfaceName;
  };
  for (const Case c : {Case{"ADODB.Record", ado::Record::kInterfaceName},
                       Case{"adodb.record", ado::Record::kInterfaceName},
                       Case{"CDO.Folder", cdo::Folder::kInterfaceName},
                       Case{"CDO.Message", cdo::Message::kInterfaceName},
                       Case{"cdo.MESSAGE", cdo::Message::kInterfaceName}}) {
    auto object = Session().CreateObject(c.progId);
    ASSERT_NE(object, nullptr) << c.progId;
    EXPECT_NE(object->QueryInterface(c.interfaceName), nullptr) << c.progId;
    for (const auto other : {ado::Record::kInterfaceName, cdo::Folder::kInterfaceName,
                             cdo::Message::kInterfaceName, std::string_view("IUnknownThing")}) {
      if (other != c.interfaceName) {
        EXPECT_EQ(object->QueryInterface(other), nullptr) << c.progId;
      }
    }
  }
  for (const auto progId : {"ADODB.Stream", "CDO.Person", "", "CDO.Folder2"}) {
    EXPECT_EQ(Session().CreateObject(progId), nullptr) << progId;
  }
}

// ---------------------------------------------------------------------------
// CDO.Folder

struct AddressCase {
  const char* name;
  friend void PrintTo(const AddressCase& c, std::ostream* os) { *os << c.name; }
  std::string url;
  std::string address;
  int error;
};

class FolderAddressTest : public StoreObjectsTest,
                          public ::testing::WithParamInterface<AddressCase> {};

TEST_P(FolderAddressTest, OpensAFolderAndReadsItsAddress) {
  const auto& c = GetParam();
  std::unique_ptr<IUnknown> holder;
  auto* folder = Create<cdo::Folder>(holder, "CDO.Folder");
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(ErrorOf([&] { folder->Open(c.url, nullptr, ado::adModeRead, ado::adFailIfNotExists); }),
            c.error);
  if (c.error == 0) {
    EXPECT_EQ(folder->EmailAddress(), c.address);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderAddressTest,
    ::testing::Values(
        AddressCase{"MailEnabled", "http://EXSRV01/Public/Junk Mail", "junk@example.com", 0},
        AddressCase{"Nested", "http://EXSRV01/Public/Junk Mail/Level 1/", "level1@example.com", 0},
        AddressCase{"NotMailEnabled", "http://EXSRV01/Public/zeta", "", 0},
        AddressCase{"FileForm", "file://./backofficestorage/example.com/Public Folders/Sales",
                    "sales@example.com", 0},
        AddressCase{"Encoded", "http://EXSRV01/Public/Junk%20Mail", "junk@example.com", 0},
        AddressCase{"DeniedFolderStillHasItsAddress", "http://EXSRV01/Public/Denied",
                    "denied@example.com", 0},
        AddressCase{"Missing", "http://EXSRV01/Public/Nowhere", "", kErrNotFound},
        AddressCase{"AnItemIsNoFolder", "http://EXSRV01/Public/Junk Mail/msg1.eml", "",
                    kErrNotFound},
        AddressCase{"NoStoreUrl", "mailto:junk@example.com", "", kErrInvalidArgument}),
    [](const auto& info) { return info.param.name; });

TEST_F(StoreObjectsTest, AFolderMustBeOpenedAndIsNeverCreated) {
  std::unique_ptr<IUnknown> holder;
  auto* folder = Create<cdo::Folder>(holder, "CDO.Folder");
  EXPECT_EQ(ErrorOf([&] { (void)folder->EmailAddress(); }), ado::kErrObjectClosed);
  EXPECT_EQ(ErrorOf([&] {
              folder->Open("http://EXSRV01/Public/New", nullptr, ado::adModeReadWrite,
                           ado::adCreateOverwrite);
            }),
            kErrInvalidArgument);
  EXPECT_FALSE(Store().FolderExists(Path({"New"})));
}

// ---------------------------------------------------------------------------
// CDO.Message

TEST_F(StoreObjectsTest, AMessagesStreamStartsAtZeroWithTheWholeMessage) {
  std::unique_ptr<IUnknown> holder;
  auto* message = Create<cdo::Message>(holder, "CDO.Message");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(ErrorOf([&] { (void)message->GetStream(); }), ado::kErrObjectClosed);
  message->Open("file://./backofficestorage/example.com/Public Folders/Junk Mail/msg1.eml", nullptr,
                ado::adModeUnknown, ado::adFailIfNotExists);
  auto stream = message->GetStream();
  EXPECT_EQ(stream->Position(), 0u);
  EXPECT_EQ(stream->ReadText(ado::adReadAll), kMessage);
  auto second = message->GetStream();  // a fresh stream each time
  EXPECT_EQ(second->Position(), 0u);
}

TEST_F(StoreObjectsTest, OpeningAMessageFailsLikeTheStore) {
  std::unique_ptr<IUnknown> holder;
  auto* message = Create<cdo::Message>(holder, "CDO.Message");
  const auto open = [&](const std::string& url, ado::RecordCreateOptions options) {
    return ErrorOf([&] { message->Open(url, nullptr, ado::adModeUnknown, options); });
  };
  EXPECT_EQ(open("http://EXSRV01/Public/Junk Mail/none.eml", ado::adFailIfNotExists), kErrNotFound);
  EXPECT_EQ(open("http://EXSRV01/Public/Junk Mail", ado::adFailIfNotExists), kErrNotFound);
  EXPECT_EQ(open("http://EXSRV01/Public/", ado::adFailIfNotExists), kErrNotFound);
  EXPECT_EQ(open("http://EXSRV01/Public/Nowhere/x.eml", ado::adFailIfNotExists), kErrNotFound);
  EXPECT_EQ(open("http://EXSRV01/Public/Denied/x.eml", ado::adFailIfNotExists), kErrAccessDenied);
  EXPECT_EQ(open("http://EXSRV01/Public/Junk Mail/msg1.eml", ado::adCreateOverwrite),
            kErrInvalidArgument);
  EXPECT_EQ(Store().ReadMessage(Path({"Junk Mail", "msg1.eml"})), kMessage);
}

// The sink's forward: read the message, put envelope lines in front, save the
// stream as a new pickup file; the item itself never changes.
TEST_F(StoreObjectsTest, AForwardWritesThePickupFileAndLeavesTheItem) {
  std::unique_ptr<IUnknown> holder;
  auto* message = Create<cdo::Message>(holder, "CDO.Message");
  message->Open("http://EXSRV01/Public/Junk Mail/msg1.eml", nullptr, ado::adModeUnknown,
                ado::adFailIfNotExists);
  auto stream = message->GetStream();
  const std::string all = stream->ReadText(ado::adReadAll);
  const std::string envelope = "x-sender: a@example.com\r\nx-receiver: b@example.com\r\n";
  stream->SetPosition(0);
  stream->WriteText(envelope + all, ado::adWriteChar);
  const auto file = (Directory() / "pickup.eml").string();
  stream->SaveToFile(file, ado::adSaveCreateNotExist);
  std::ifstream in(file, std::ios::binary);
  std::ostringstream saved;
  saved << in.rdbuf();
  EXPECT_EQ(saved.str(), envelope + kMessage);
  EXPECT_EQ(Store().ReadMessage(Path({"Junk Mail", "msg1.eml"})), kMessage);
  EXPECT_EQ(ErrorOf([&] { stream->SaveToFile(file, ado::adSaveCreateNotExist); }), kErrFileExists);
}

TEST_F(StoreObjectsTest, TheSessionNamesItsUrlsWithTheServersFacts) {
  EXPECT_EQ(Session().HttpUrl(Path({"Junk Mail", "Level 1"})),
            "http://EXSRV01/Public/Junk Mail/Level 1");
  EXPECT_EQ(Session().FileUrl({}), "file://./backofficestorage/example.com/Public Folders/");
  EXPECT_EQ(Session().Facts().mailDomain, "example.com");
}

}  // namespace
}  // namespace quarvel::platform::store
