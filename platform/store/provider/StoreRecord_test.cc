#include "platform/store/provider/StoreRecord.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionRecord.h"
#include "platform/store/provider/StoreFixture_test_support.h"

namespace quarvel::platform::store {
namespace {

using namespace std::string_literals;
using testing::ErrorOf;
using testing::kMessage;
using testing::Path;
using testing::StoreFixture;

constexpr const char* kItem = "http://EXSRV01/Public/Junk Mail/msg1.eml";
constexpr const char* kSubject = "urn:schemas:httpmail:subject";
constexpr const char* kCustom = "urn:schemas:quarvel:move-to";

class RecordTest : public StoreFixture {
 protected:
  void Open(StoreRecord& record, const std::string& url, ado::ConnectMode mode,
            ado::RecordCreateOptions options = ado::adFailIfNotExists) {
    record.Open(url, nullptr, mode, options, ado::adOpenRecordUnspecified, "", "");
  }
};

// ---------------------------------------------------------------------------
// Open: create options, modes and error numbers

struct OpenCase {
  const char* name;
  friend void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }
  std::string url;
  ado::ConnectMode mode;
  int createOptions;
  int error;  // 0: opens
  bool folder = false;
};

class RecordOpenTest : public RecordTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(RecordOpenTest, OpensOrFailsWithTheStoresNumber) {
  const auto& c = GetParam();
  StoreRecord record(Session());
  EXPECT_EQ(ErrorOf([&] {
              Open(record, c.url, c.mode, static_cast<ado::RecordCreateOptions>(c.createOptions));
            }),
            c.error);
  EXPECT_EQ(record.IsOpen(), c.error == 0);
  if (c.error == 0) {
    EXPECT_EQ(record.IsFolder(), c.folder);
  }
}

constexpr int kFail = ado::adFailIfNotExists;
constexpr int kOverwrite = ado::adCreateOverwrite;
constexpr int kOpenIfExists = ado::adOpenIfExists;

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordOpenTest,
    ::testing::Values(
        OpenCase{"ExistingItem", kItem, ado::adModeRead, kFail, 0},
        OpenCase{"EncodedUrl", "http://EXSRV01/Public/Junk%20Mail/msg1.eml", ado::adModeRead, kFail,
                 0},
        OpenCase{"FileFormUrl",
                 "file://./backofficestorage/example.com/Public Folders/Junk Mail/msg1.eml",
                 ado::adModeReadWrite, kFail, 0},
        OpenCase{"MissingItem", "http://EXSRV01/Public/Junk Mail/none.eml", ado::adModeRead, kFail,
                 kErrNotFound},
        OpenCase{"ItemOfMissingFolder", "http://EXSRV01/Public/Nowhere/Quarvel.reg",
                 ado::adModeReadWrite, kFail, kErrNotFound},
        OpenCase{"FolderUrl", "http://EXSRV01/Public/Junk Mail", ado::adModeReadWrite, kFail, 0,
                 true},
        OpenCase{"FolderUrlWithSlash", "http://EXSRV01/Public/Junk Mail/", ado::adModeRead, kFail,
                 0, true},
        OpenCase{"Root", "http://EXSRV01/Public/", ado::adModeRead, kFail, 0, true},
        OpenCase{"StoreOwnFolder", "http://EXSRV01/Public/non_ipm_subtree", ado::adModeReadWrite,
                 kFail, 0, true},
        OpenCase{"DeniedFolderItself", "http://EXSRV01/Public/Denied", ado::adModeReadWrite, kFail,
                 0, true},
        OpenCase{"ItemOfDeniedFolder", "http://EXSRV01/Public/Denied/Quarvel.reg", ado::adModeRead,
                 kFail, kErrAccessDenied},
        OpenCase{"CreateOverwriteNew", "http://EXSRV01/Public/Sales/Quarvel.reg",
                 ado::adModeReadWrite, kOverwrite, 0},
        OpenCase{"CreateOverwriteExisting", kItem, ado::adModeReadWrite, kOverwrite, 0},
        OpenCase{"CreateOverwriteReadOnly", "http://EXSRV01/Public/Sales/Quarvel.reg",
                 ado::adModeRead, kOverwrite, kErrAccessDenied},
        OpenCase{"CreateOverwriteModeUnknown", "http://EXSRV01/Public/Sales/Quarvel.reg",
                 ado::adModeUnknown, kOverwrite, kErrAccessDenied},
        OpenCase{"CreateOverwriteMissingFolder", "http://EXSRV01/Public/Nowhere/Quarvel.reg",
                 ado::adModeReadWrite, kOverwrite, kErrNotFound},
        OpenCase{"CreateOverwriteDeniedFolder", "http://EXSRV01/Public/Denied/Quarvel.reg",
                 ado::adModeReadWrite, kOverwrite, kErrAccessDenied},
        OpenCase{"CreateOverwriteOnFolder", "http://EXSRV01/Public/Sales", ado::adModeReadWrite,
                 kOverwrite, kErrFileExists},
        OpenCase{"CreateNewExisting", kItem, ado::adModeReadWrite, ado::adCreateNonCollection,
                 kErrFileExists},
        OpenCase{"CreateNewMissing", "http://EXSRV01/Public/Sales/new.eml", ado::adModeReadWrite,
                 ado::adCreateNonCollection, 0},
        OpenCase{"OpenIfExistsExisting", kItem, ado::adModeRead, kOpenIfExists, 0},
        OpenCase{"OpenIfExistsFolder", "http://EXSRV01/Public/Sales", ado::adModeRead,
                 kOpenIfExists, 0, true},
        OpenCase{"OpenIfExistsCreates", "http://EXSRV01/Public/Sales/new.eml", ado::adModeReadWrite,
                 kOpenIfExists, 0},
        OpenCase{"CreateCollection", "http://EXSRV01/Public/Sales/Sub", ado::adModeReadWrite,
                 ado::adCreateCollection, kErrInvalidArgument},
        OpenCase{"OverwriteAndOpenIfExists", kItem, ado::adModeReadWrite,
                 kOverwrite | kOpenIfExists, kErrInvalidArgument},
        OpenCase{"NoStoreUrl", "ftp://EXSRV01/Public/x", ado::adModeRead, kFail,
                 kErrInvalidArgument},
        OpenCase{"EscapeAttempt", "http://EXSRV01/Public/Junk Mail/../../etc", ado::adModeRead,
                 kFail, kErrInvalidArgument},
        OpenCase{"HiddenSlash", "http://EXSRV01/Public/Junk Mail%2Fmsg1.eml", ado::adModeRead,
                 kFail, kErrInvalidArgument}),
    [](const auto& info) { return info.param.name; });

TEST_F(RecordTest, CreateOverwriteEmptiesAnExistingItemAtOnce) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite, ado::adCreateOverwrite);
  EXPECT_EQ(Store().ReadMessage(Path({"Junk Mail", "msg1.eml"})), "");
  EXPECT_TRUE(Store().ReadProperties(Path({"Junk Mail", "msg1.eml"})).empty());
  EXPECT_TRUE(record.GetFields().Names().empty());
}

TEST_F(RecordTest, OpenIfExistsKeepsTheItem) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite, ado::adOpenIfExists);
  EXPECT_EQ(Store().ReadMessage(Path({"Junk Mail", "msg1.eml"})), kMessage);
  EXPECT_EQ(record.GetFields().Value(kSubject), ado::Variant("hi"));
}

TEST_F(RecordTest, AFailedOpenLeavesTheRecordClosedAndReusable) {
  StoreRecord record(Session());
  EXPECT_EQ(ErrorOf([&] { Open(record, "http://EXSRV01/Public/Sales/x", ado::adModeRead); }),
            kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { (void)record.GetFields(); }), ado::kErrObjectClosed);
  Open(record, kItem, ado::adModeRead);
  EXPECT_EQ(ErrorOf([&] { Open(record, kItem, ado::adModeRead); }), ado::kErrObjectOpen);
  record.Close();
  Open(record, "http://EXSRV01/Public/Sales", ado::adModeRead);  // open again after Close
  EXPECT_TRUE(record.IsFolder());
}

// ---------------------------------------------------------------------------
// Fields

TEST_F(RecordTest, FieldChangesArePendingUntilUpdateAndReadsSeeThem) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  auto& fields = record.GetFields();
  fields.SetValue(kCustom, "http://EXSRV01/Public/Junk Mail");
  fields.SetValue(kSubject, "changed");
  EXPECT_EQ(fields.Value(kCustom), ado::Variant("http://EXSRV01/Public/Junk Mail"));
  EXPECT_EQ(fields.Value(kSubject), ado::Variant("changed"));
  const auto onDisk = Store().ReadProperties(Path({"Junk Mail", "msg1.eml"}));
  EXPECT_FALSE(onDisk.contains(kCustom));
  EXPECT_EQ(onDisk.at(kSubject), ado::Variant("hi"));

  fields.Update();
  const auto saved = Store().ReadProperties(Path({"Junk Mail", "msg1.eml"}));
  EXPECT_EQ(saved.at(kCustom), ado::Variant("http://EXSRV01/Public/Junk Mail"));
  EXPECT_EQ(saved.at(kSubject), ado::Variant("changed"));
  EXPECT_EQ(Store().ReadMessage(Path({"Junk Mail", "msg1.eml"})), kMessage);
}

TEST_F(RecordTest, CloseDropsPendingChanges) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  record.GetFields().SetValue(kCustom, "x");
  record.Close();
  Open(record, kItem, ado::adModeRead);
  EXPECT_EQ(ErrorOf([&] { (void)record.GetFields().Value(kCustom); }),
            kErrItemNotFoundInCollection);
}

TEST_F(RecordTest, UpdateKeepsPropertiesOthersSavedMeanwhile) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  StoreRecord other(Session());
  Open(other, kItem, ado::adModeReadWrite);
  other.GetFields().SetValue("urn:other", "theirs");
  other.GetFields().Update();
  record.GetFields().SetValue(kCustom, "mine");
  record.GetFields().Update();
  const auto saved = Store().ReadProperties(Path({"Junk Mail", "msg1.eml"}));
  EXPECT_EQ(saved.at("urn:other"), ado::Variant("theirs"));
  EXPECT_EQ(saved.at(kCustom), ado::Variant("mine"));
  EXPECT_EQ(record.GetFields().Value("urn:other"), ado::Variant("theirs"));  // re-read on Update
}

struct FieldCase {
  const char* name;
  friend void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }
  std::function<void(ado::Fields&)> action;
  int error;
};

class FieldErrorTest : public RecordTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(FieldErrorTest, FailsWithTheDataLayersNumber) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  EXPECT_EQ(ErrorOf([&] { GetParam().action(record.GetFields()); }), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldErrorTest,
    ::testing::Values(
        FieldCase{"ValueOfMissing", [](auto& f) { (void)f.Value(kCustom); },
                  kErrItemNotFoundInCollection},
        FieldCase{"DeleteMissing", [](auto& f) { f.Delete(kCustom); },
                  kErrItemNotFoundInCollection},
        FieldCase{"AppendSaved",
                  [](auto& f) { f.Append(kSubject, ado::adChar, 256, ado::adFldUnspecified, "x"); },
                  kErrObjectAlreadyInCollection},
        FieldCase{"AppendPending",
                  [](auto& f) {
                    f.SetValue(kCustom, "a");
                    f.Append(kCustom, ado::adChar, 256, ado::adFldUnspecified, "b");
                  },
                  kErrObjectAlreadyInCollection},
        FieldCase{"ValueAfterPendingDelete",
                  [](auto& f) {
                    f.Delete(kSubject);
                    (void)f.Value(kSubject);
                  },
                  kErrItemNotFoundInCollection},
        FieldCase{"DeleteTwice",
                  [](auto& f) {
                    f.Delete(kSubject);
                    f.Delete(kSubject);
                  },
                  kErrItemNotFoundInCollection},
        FieldCase{"AppendAfterDeleteIsAllowed",
                  [](auto& f) {
                    f.Delete(kSubject);
                    f.Append(kSubject, ado::adChar, 256, ado::adFldUnspecified, "again");
                    EXPECT_EQ(f.Value(kSubject), ado::Variant("again"));
                  },
                  0},
        FieldCase{"ValueNamesTheOtherTagSpelling",
                  [](auto& f) {
                    f.SetValue("http://schemas.microsoft.com/mapi/proptag/0x001A001E", "IPM.Note");
                    EXPECT_EQ(f.Value("http://schemas.microsoft.com/mapi/proptag/x001a001e"),
                              ado::Variant("IPM.Note"));
                    f.Append("http://schemas.microsoft.com/mapi/proptag/x001A001E", ado::adChar,
                             256, ado::adFldUnspecified, "dup");
                  },
                  kErrObjectAlreadyInCollection}),
    [](const auto& info) { return info.param.name; });

TEST_F(RecordTest, DeleteAndAppendReachTheItemOnUpdate) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  auto& fields = record.GetFields();
  fields.Delete(kSubject);
  fields.Append(kCustom, ado::adChar, 256, ado::adFldUnspecified, "target");
  EXPECT_EQ(fields.Names(), std::vector<std::string>{kCustom});
  fields.Update();
  const auto saved = Store().ReadProperties(Path({"Junk Mail", "msg1.eml"}));
  EXPECT_FALSE(saved.contains(kSubject));
  EXPECT_EQ(saved.at(kCustom), ado::Variant("target"));
}

struct SizeCase {
  const char* name;
  friend void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }
  std::string value;
  long definedSize;
  ado::DataType type;
  bool fits;
};

// A fixed-length text holds at most its size in characters; a longer value
// is refused whole, never cut (a cut move or forward target would send mail
// to the wrong place), and the field keeps what it held.
class FieldSizeTest : public RecordTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(FieldSizeTest, ALongerTextIsRefusedNeverCut) {
  const auto& c = GetParam();
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  auto& fields = record.GetFields();
  const auto append = [&] {
    fields.Append(kCustom, c.type, c.definedSize, ado::adFldUnspecified, c.value);
  };
  if (!c.fits) {
    EXPECT_EQ(ErrorOf(append), kErrDataOverflow);
    EXPECT_EQ(ErrorOf([&] { (void)fields.Value(kCustom); }), kErrItemNotFoundInCollection);
    fields.Update();
    EXPECT_FALSE(Store().ReadProperties(Path({"Junk Mail", "msg1.eml"})).contains(kCustom));
    return;
  }
  append();
  EXPECT_EQ(fields.Value(kCustom), ado::Variant(c.value));
  fields.Update();
  EXPECT_EQ(Store().ReadProperties(Path({"Junk Mail", "msg1.eml"})).at(kCustom),
            ado::Variant(c.value));
}

std::string Repeat(const std::string& unit, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += unit;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldSizeTest,
    ::testing::Values(
        SizeCase{"Short", "abc", 256, ado::adChar, true},
        SizeCase{"Exact", Repeat("x", 256), 256, ado::adChar, true},
        SizeCase{"Longer", Repeat("x", 300), 256, ado::adChar, false},
        SizeCase{"TwoByteCharactersFit", Repeat("\xC3\xA4", 256), 256, ado::adChar, true},
        SizeCase{"TwoByteCharacters", Repeat("\xC3\xA4", 257), 256, ado::adChar, false},
        SizeCase{"WideText", Repeat("y", 10), 4, ado::adVarWChar, false},
        SizeCase{"NoSize", Repeat("z", 400), 0, ado::adChar, true}),
    [](const auto& info) { return info.param.name; });

// The size stays with the property: assigning a longer value later, through
// any record, is refused as well.
TEST_F(RecordTest, ADefinedSizeHoldsForLaterAssignments) {
  {
    StoreRecord record(Session());
    Open(record, kItem, ado::adModeReadWrite);
    record.GetFields().Append(kCustom, ado::adChar, 5, ado::adFldUnspecified, "short");
    EXPECT_EQ(ErrorOf([&] { record.GetFields().SetValue(kCustom, "longer"); }), kErrDataOverflow);
    record.GetFields().Update();
  }
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  auto& fields = record.GetFields();
  EXPECT_EQ(ErrorOf([&] { fields.SetValue(kCustom, "longer"); }), kErrDataOverflow);
  fields.SetValue(kCustom, "fits!");
  fields.Update();
  EXPECT_EQ(Store().ReadProperties(Path({"Junk Mail", "msg1.eml"})).at(kCustom),
            ado::Variant("fits!"));
  // Removed and created again, the property takes the new size.
  fields.Delete(kCustom);
  fields.Append(kCustom, ado::adChar, 20, ado::adFldUnspecified, "much longer");
  fields.Update();
  EXPECT_EQ(Store().ReadItemProperties(Path({"Junk Mail", "msg1.eml"})).sizes.at(kCustom), 20);
}

TEST_F(RecordTest, AReadOnlyRecordRefusesEveryChange) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeRead);
  auto& fields = record.GetFields();
  EXPECT_EQ(ErrorOf([&] { fields.SetValue(kCustom, "x"); }), kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] { fields.Append(kCustom, ado::adChar, 256, ado::adFldUnspecified, "x"); }),
            kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] { fields.Delete(kSubject); }), kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] { record.DeleteRecord("", false); }), kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] {
              (void)record.MoveRecord("", "http://EXSRV01/Public/Sales/m.eml", "", "",
                                      ado::adMoveOverWrite, false);
            }),
            kErrAccessDenied);
  fields.Update();  // nothing pending: no error
  EXPECT_TRUE(Store().ItemExists(Path({"Junk Mail", "msg1.eml"})));
}

TEST_F(RecordTest, AFolderRecordShowsTheFoldersPropertiesReadOnly) {
  StoreRecord record(Session());
  Open(record, "http://EXSRV01/Public/Junk Mail", ado::adModeReadWrite);
  auto& fields = record.GetFields();
  EXPECT_EQ(fields.Value("DAV:displayname"), ado::Variant("Junk Mail"));
  EXPECT_EQ(fields.Value("DAV:isfolder"), ado::Variant(true));
  EXPECT_EQ(fields.Value("DAV:hassubs"), ado::Variant(true));
  EXPECT_EQ(fields.Value("http://schemas.microsoft.com/exchange/publicfolderemailaddress"),
            ado::Variant("junk@example.com"));
  EXPECT_EQ(ErrorOf([&] { fields.SetValue("DAV:displayname", "x"); }), kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] { record.DeleteRecord("", false); }), kErrFail);
  EXPECT_TRUE(Store().FolderExists(Path({"Junk Mail"})));
}

TEST_F(RecordTest, AClosedRecordAndItsFieldsRefuseWork) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  auto& fields = record.GetFields();
  record.Close();
  const std::vector<std::function<void()>> actions = {
      [&] { (void)fields.Value(kSubject); },
      [&] { fields.SetValue(kCustom, "x"); },
      [&] { fields.Update(); },
      [&] { (void)fields.Names(); },
      [&] { (void)record.GetFields(); },
      [&] { (void)record.ParentURL(); },
      [&] { record.DeleteRecord("", false); },
      [&] { (void)record.MoveRecord("", "x", "", "", ado::adMoveOverWrite, false); },
      [&] { record.Close(); },
  };
  for (std::size_t i = 0; i < actions.size(); ++i) {
    EXPECT_EQ(ErrorOf(actions[i]), ado::kErrObjectClosed) << "action " << i;
  }
}

// ---------------------------------------------------------------------------
// ParentURL

struct ParentCase {
  const char* name;
  friend void PrintTo(const ParentCase& c, std::ostream* os) { *os << c.name; }
  std::string url;
  std::string parent;
};

class ParentUrlTest : public RecordTest, public ::testing::WithParamInterface<ParentCase> {};

TEST_P(ParentUrlTest, AnswersInTheFormTheRecordWasOpenedWith) {
  Folder({"Sales", "100%25"}, "100%25", "");
  Store().WriteItem(Path({"Sales", "100%25", "x.eml"}), "", {});
  StoreRecord record(Session());
  Open(record, GetParam().url, ado::adModeRead);
  EXPECT_EQ(record.ParentURL(), GetParam().parent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParentUrlTest,
    ::testing::Values(
        ParentCase{"HttpItem", kItem, "http://EXSRV01/Public/Junk Mail"},
        ParentCase{"EncodedHttpItem", "http://exsrv01/public/Junk%20Mail/msg1.eml",
                   "http://exsrv01/Public/Junk Mail"},
        ParentCase{"FileItem",
                   "file://./backofficestorage/example.com/Public Folders/Junk Mail/msg1.eml",
                   "file://./backofficestorage/example.com/Public Folders/Junk Mail"},
        ParentCase{"EncodedFileItem",
                   "file://./backofficestorage/example.com/public%20folders/Junk%20Mail/msg1.eml",
                   "file://./backofficestorage/example.com/Public Folders/Junk Mail"},
        ParentCase{"NestedFolder", "http://EXSRV01/Public/Junk Mail/Level 1/Level 2 Deep",
                   "http://EXSRV01/Public/Junk Mail/Level 1"},
        ParentCase{"TopFolder", "http://EXSRV01/Public/Sales", "http://EXSRV01/Public/"},
        ParentCase{"TopFolderFileForm",
                   "file://./backofficestorage/example.com/Public Folders/Sales",
                   "file://./backofficestorage/example.com/Public Folders/"},
        ParentCase{"PercentInAName", "http://EXSRV01/Public/Sales/100%2525/x.eml",
                   "http://EXSRV01/Public/Sales/100%2525"},
        ParentCase{"Root", "http://EXSRV01/Public/", ""}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Deleting and moving

TEST_F(RecordTest, DeleteRecordRemovesTheRecordsOwnItem) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  record.DeleteRecord("", false);
  EXPECT_FALSE(Store().ItemExists(Path({"Junk Mail", "msg1.eml"})));
  EXPECT_EQ(ErrorOf([&] { record.GetFields().SetValue(kCustom, "x"); }), kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] { record.DeleteRecord("", false); }), kErrNotFound);
  record.Close();
}

TEST_F(RecordTest, DeleteRecordRemovesAnotherItemByUrl) {
  Store().WriteItem(Path({"Sales", "other.eml"}), "x", {});
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  record.DeleteRecord("http://EXSRV01/Public/Sales/other.eml", false);
  EXPECT_FALSE(Store().ItemExists(Path({"Sales", "other.eml"})));
  EXPECT_TRUE(Store().ItemExists(Path({"Junk Mail", "msg1.eml"})));
  EXPECT_EQ(ErrorOf([&] { record.DeleteRecord("http://EXSRV01/Public/Sales/other.eml", false); }),
            kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { record.DeleteRecord("http://EXSRV01/Public/Sales", false); }), kErrFail);
}

struct MoveCase {
  const char* name;
  friend void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.name; }
  ado::MoveRecordOptions options;
  bool destinationExists;
  int error;
};

class MoveRecordTest : public RecordTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveRecordTest, MovesTheItemOverwritingOnlyWhenAsked) {
  const auto& c = GetParam();
  const auto destination = Path({"Sales", "moved.eml"});
  if (c.destinationExists) Store().WriteItem(destination, "old", {});
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  std::string answer;
  EXPECT_EQ(ErrorOf([&] {
              answer = record.MoveRecord(kItem, "http://EXSRV01/Public/Sales/moved.eml", "", "",
                                         c.options, false);
            }),
            c.error);
  if (c.error == 0) {
    EXPECT_EQ(answer, "http://EXSRV01/Public/Sales/moved.eml");
    EXPECT_FALSE(Store().ItemExists(Path({"Junk Mail", "msg1.eml"})));
    EXPECT_EQ(Store().ReadMessage(destination), kMessage);
    EXPECT_EQ(record.ParentURL(), "http://EXSRV01/Public/Sales");  // the record follows its item
  } else {
    EXPECT_TRUE(Store().ItemExists(Path({"Junk Mail", "msg1.eml"})));
    EXPECT_EQ(Store().ReadMessage(destination), "old");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, MoveRecordTest,
                         ::testing::Values(MoveCase{"ToNewName", ado::adMoveOverWrite, false, 0},
                                           MoveCase{"OverWrite", ado::adMoveOverWrite, true, 0},
                                           MoveCase{"NoOverWrite", ado::adMoveDontUpdateLinks, true,
                                                    kErrFileExists},
                                           // -1 has every bit set, yet asks for no overwrite.
                                           MoveCase{"UnspecifiedDoesNotOverwrite",
                                                    ado::adMoveUnspecified, true, kErrFileExists}),
                         [](const auto& info) { return info.param.name; });

TEST_F(RecordTest, MovingIntoAMissingOrDeniedFolderFails) {
  StoreRecord record(Session());
  Open(record, kItem, ado::adModeReadWrite);
  EXPECT_EQ(ErrorOf([&] {
              (void)record.MoveRecord("", "http://EXSRV01/Public/Nowhere/m.eml", "", "",
                                      ado::adMoveOverWrite, false);
            }),
            kErrNotFound);
  EXPECT_EQ(ErrorOf([&] {
              (void)record.MoveRecord("", "http://EXSRV01/Public/Denied/m.eml", "", "",
                                      ado::adMoveOverWrite, false);
            }),
            kErrAccessDenied);
  EXPECT_TRUE(Store().ItemExists(Path({"Junk Mail", "msg1.eml"})));
}

// ---------------------------------------------------------------------------
// The event record and records on connections

TEST_F(RecordTest, TheEventRecordIsOpenForWritingOnAnExistingItem) {
  const auto url = Session().FileUrl(Path({"Junk Mail", "msg1.eml"}));
  EXPECT_EQ(url, "file://./backofficestorage/example.com/Public Folders/Junk Mail/msg1.eml");
  auto record = Session().OpenEventRecord(url);
  record->GetFields().SetValue(kCustom, "x");
  record->GetFields().Update();
  EXPECT_EQ(record->ParentURL(), "file://./backofficestorage/example.com/Public Folders/Junk Mail");
  record->Close();
  // The sink opens it again by URL after closing it.
  record->Open(url, nullptr, ado::adModeReadWrite, ado::adFailIfNotExists,
               ado::adOpenRecordUnspecified, "", "");
  EXPECT_EQ(record->GetFields().Value(kCustom), ado::Variant("x"));
  EXPECT_EQ(ErrorOf([&] { (void)Session().OpenEventRecord(url + ".none"); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { (void)Session().OpenEventRecord(Session().FileUrl(Path({"Sales"}))); }),
            kErrNotFound);
}

TEST_F(RecordTest, ARecordOnAConnectionNeedsAnOpenStoreConnectionOfThisSession) {
  ado::Connection connection(registry_);
  StoreRecord record(Session());
  const auto open = [&] {
    record.Open(kItem, &connection, ado::adModeRead, ado::adFailIfNotExists,
                ado::adOpenRecordUnspecified, "", "");
  };
  EXPECT_EQ(ErrorOf(open), ado::kErrInvalidConnection);  // closed

  // A connection of another session over another store is not this store's.
  PublicStore otherStore(Directory() / "other");
  StoreSession otherSession(otherStore, {"OTHER", "other.example"});
  ado::ProviderRegistry otherRegistry;
  otherSession.RegisterProvider(otherRegistry);
  ado::Connection otherConnection(otherRegistry);
  otherConnection.Open("ExOLEDB.DataSource", "http://OTHER/Public/");
  StoreRecord stranger(Session());
  EXPECT_EQ(ErrorOf([&] {
              stranger.Open(kItem, &otherConnection, ado::adModeRead, ado::adFailIfNotExists,
                            ado::adOpenRecordUnspecified, "", "");
            }),
            ado::kErrInvalidConnection);

  connection.Open("ExOLEDB.DataSource", testing::kRoot);
  open();
  EXPECT_EQ(record.GetFields().Value(kSubject), ado::Variant("hi"));
}

TEST_F(RecordTest, AProgramsOwnRecordOpensThroughTheStoreConnection) {
  ado::Connection connection(registry_);
  connection.Open("ExOLEDB.DataSource", testing::kRoot, "", "");
  ado::ConnectionRecord record;
  record.Open("http://EXSRV01/Public/Junk Mail", &connection, ado::adModeReadWrite,
              ado::adFailIfNotExists, ado::adOpenRecordUnspecified, "", "");
  record.Close();
  EXPECT_EQ(ErrorOf([&] {
              record.Open("http://EXSRV01/Public/Junk Mail/Quarvel.reg", &connection,
                          ado::adModeRead, ado::adFailIfNotExists, ado::adOpenRecordUnspecified, "",
                          "");
            }),
            kErrNotFound);
}

TEST_F(RecordTest, TheStoreConnectionNeedsAStoreFolderUrl) {
  ado::Connection connection(registry_);
  EXPECT_EQ(ErrorOf([&] { connection.Open("ExOLEDB.DataSource", ""); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { connection.Open("ExOLEDB.DataSource", "http://EXSRV01/Public/None/"); }),
            kErrNotFound);
  connection.Open("exoledb.datasource", testing::kFileRoot);
  EXPECT_EQ(connection.State(), ado::adStateOpen);
}

}  // namespace
}  // namespace quarvel::platform::store
