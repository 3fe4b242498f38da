#include "platform/store/PublicStore.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/PlatformError.h"

namespace quarvel::platform::store {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using ado::Variant;

const std::string kTag = "http://schemas.microsoft.com/mapi/proptag/";

StorePath Path(std::vector<std::string> segments) { return StorePath{std::move(segments)}; }

// The error number a call throws, or 0 when it returns.
std::int32_t ErrorOf(const std::function<void()>& call) {
  try {
    call();
    return 0;
  } catch (const PlatformError& e) {
    return e.Number();
  }
}

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class PublicStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "quarvel-store-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    base_ = pattern;
    dir_ = base_ / "store";
  }
  void TearDown() override { fs::remove_all(base_); }

  // The database as the sqlite3 shell sees it: for looking inside and for
  // planting what the store itself never writes.
  SQLite::Database Shell() const {
    return SQLite::Database(dir_ / "store.db", SQLite::OPEN_READWRITE, 5000);
  }
  std::string ShellText(const std::string& query) const {
    return Shell().execAndGet(query).getString();
  }

  fs::path base_;
  fs::path dir_;
};

// ---------------------------------------------------------------------------
// The store directory and folders

TEST_F(PublicStoreTest, CreatesItsDatabaseWithHiddenNonIpmSubtree) {
  PublicStore store(dir_);
  EXPECT_EQ(store.Directory(), dir_);
  EXPECT_EQ(store.ReadFolder(Path({"non_ipm_subtree"})),
            (FolderSettings{"non_ipm_subtree", "", true, false}));
  EXPECT_EQ(store.AllFolders(), std::vector<StorePath>{Path({"non_ipm_subtree"})});
  EXPECT_EQ(store.ReadFolder(StorePath{}).displayName, "store");
  EXPECT_EQ(ShellText("PRAGMA journal_mode"), "wal");
}

TEST_F(PublicStoreTest, NonIpmSubtreeSettingsAreAddedOnlyWhereMissing) {
  {
    PublicStore store(dir_);
    store.CreateFolder(Path({"non_ipm_subtree"}), {"System", "", false, false});
  }
  PublicStore store(dir_);
  EXPECT_EQ(store.ReadFolder(Path({"non_ipm_subtree"})).displayName, "System");
}

TEST_F(PublicStoreTest, CreateFolderMakesParentsAndKeepsReadableRows) {
  PublicStore store(dir_);
  const StorePath folder = Path({"Archive", "2024", "Junk Mail"});
  const FolderSettings settings{"Junk", "junk@example.com", true, false};
  store.CreateFolder(folder, settings);
  EXPECT_EQ(store.ReadFolder(Path({"Archive", "2024"})),
            (FolderSettings{"2024", "", false, false}));
  EXPECT_EQ(store.ReadFolder(folder), settings);
  EXPECT_EQ(ShellText("SELECT display_name || '|' || email || '|' || hidden || '|' || "
                      "access_denied FROM folders WHERE name = 'Junk Mail'"),
            "Junk|junk@example.com|1|0");

  store.WriteItem(Path({"Archive", "item"}), "kept", {});
  store.CreateFolder(Path({"Archive"}), {"Old", "a@example.com", false, true});
  EXPECT_EQ(store.ReadFolder(Path({"Archive"})),
            (FolderSettings{"Old", "a@example.com", false, true}));
  store.CreateFolder(Path({"Archive"}), {"Old", "a@example.com", false, false});
  EXPECT_EQ(store.ReadMessage(Path({"Archive", "item"})), "kept");
}

// A folder row holding what the store never writes fails alone.
TEST_F(PublicStoreTest, DamagedFolderRowFailsOnlyThatFolder) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"A"}), {});
  store.CreateFolder(Path({"A", "Below"}), {});
  store.CreateFolder(Path({"B"}), {});
  store.WriteItem(Path({"A", "Below", "m"}), "x", {});
  for (const char* damage :
       {"hidden = 'yes'", "display_name = x'00ff'", "email = x'01'", "access_denied = 7"}) {
    Shell().exec(std::string("UPDATE folders SET ") + damage + " WHERE name = 'A'");
    EXPECT_EQ(ErrorOf([&] { (void)store.ReadFolder(Path({"A"})); }), kErrFail) << damage;
    EXPECT_EQ(ErrorOf([&] { (void)store.Items(Path({"A"})); }), kErrFail) << damage;
    EXPECT_EQ(store.ReadFolder(Path({"B"})).displayName, "B");
    EXPECT_EQ(store.ReadMessage(Path({"A", "Below", "m"})), "x");
    EXPECT_EQ(store.AllFolders().size(), 4u);
    Shell().exec(
        "UPDATE folders SET hidden = 0, display_name = 'A', email = '', access_denied = 0 "
        "WHERE name = 'A'");
  }
  try {
    Shell().exec("UPDATE folders SET hidden = 'yes' WHERE name = 'A'");
    (void)store.ReadFolder(Path({"A"}));
    ADD_FAILURE();
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Description(),
              "the store's record of folder 'A' is damaged: its hidden flag is not 0 or 1");
  }
}

TEST_F(PublicStoreTest, MissingFolderIsNotFound) {
  PublicStore store(dir_);
  EXPECT_FALSE(store.FolderExists(Path({"Nope"})));
  try {
    (void)store.ReadFolder(Path({"Nope", "Deeper"}));
    ADD_FAILURE();
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Number(), kErrNotFound);
    EXPECT_EQ(e.Description(), "object not found: Nope/Deeper");
  }
  EXPECT_EQ(ErrorOf([&] { (void)store.SubFolders(Path({"Nope"})); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { (void)store.Items(Path({"Nope"})); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { (void)store.ItemCount(Path({"Nope"})); }), kErrNotFound);
}

TEST_F(PublicStoreTest, ItemAndFolderCannotShareAName) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"A"}), {});
  store.WriteItem(Path({"A", "x"}), "", {});
  EXPECT_FALSE(store.FolderExists(Path({"A", "x"})));
  EXPECT_EQ(ErrorOf([&] { store.CreateFolder(Path({"A", "x"}), {}); }), kErrFileExists);
  EXPECT_EQ(ErrorOf([&] { store.CreateFolder(Path({"A", "x", "y"}), {}); }), kErrFileExists);
  EXPECT_EQ(ErrorOf([&] { store.WriteItem(Path({"A"}), "", {}); }), kErrFileExists);
  EXPECT_FALSE(store.FolderExists(Path({"A", "x", "y"})));
}

TEST_F(PublicStoreTest, SubFoldersListsOnlyAddressableFoldersSorted) {
  PublicStore store(dir_);
  for (const char* name : {"b", "A", "a", "Z z"}) store.CreateFolder(Path({"F", name}), {});
  store.WriteItem(Path({"F", "item"}), "", {});
  // Names the store never makes, planted by hand: never listed.
  const auto parent = ShellText("SELECT id FROM folders WHERE name = 'F'");
  for (const char* name : {".hidden", "back\\slash", "a/b", ""}) {
    Shell().exec("INSERT INTO folders (parent, name, display_name) VALUES (" + parent + ", '" +
                 name + "', 'x')");
  }
  EXPECT_EQ(store.SubFolders(Path({"F"})),
            (std::vector<StorePath>{Path({"F", "A"}), Path({"F", "Z z"}), Path({"F", "a"}),
                                    Path({"F", "b"})}));
}

TEST_F(PublicStoreTest, AllFoldersIsDepthFirstParentsFirst) {
  PublicStore store(dir_);
  for (const auto& path : {Path({"B"}), Path({"A", "Y"}), Path({"A", "X", "1"})}) {
    store.CreateFolder(path, {});
  }
  EXPECT_EQ(store.AllFolders(),
            (std::vector<StorePath>{Path({"A"}), Path({"A", "X"}), Path({"A", "X", "1"}),
                                    Path({"A", "Y"}), Path({"B"}), Path({"non_ipm_subtree"})}));
}

TEST_F(PublicStoreTest, FindsFolderByAddressIgnoringCase) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"Plain"}), {});
  store.CreateFolder(Path({"Sales", "Spam"}), {"Spam", "Spam.Ärger@Example.com", false, false});
  EXPECT_EQ(store.FindFolderByAddress("spam.ärger@EXAMPLE.COM"), Path({"Sales", "Spam"}));
  EXPECT_EQ(store.FindFolderByAddress("other@example.com"), std::nullopt);
  EXPECT_EQ(store.FindFolderByAddress(""), std::nullopt);  // never a non-mail folder
}

// ---------------------------------------------------------------------------
// Items

TEST_F(PublicStoreTest, MessagesAreKeptByteExact) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"Inbox"}), {});
  const std::string message = "Subject: x\r\n\r\nline\nline\r\r\n\0\xff\xfe end"s;
  store.WriteItem(Path({"Inbox", "m.eml"}), message, {});
  EXPECT_EQ(store.ReadMessage(Path({"Inbox", "m.eml"})), message);
  store.WriteItem(Path({"Inbox", "empty"}), "", {});
  EXPECT_EQ(store.ReadMessage(Path({"Inbox", "empty"})), "");
}

TEST_F(PublicStoreTest, PropertiesRoundTripEveryKindOfValue) {
  PublicStore store(dir_);
  PropertyMap properties{
      {"urn:schemas:httpmail:subject", Variant("Grüße \"quoted\"\n")},
      {kTag + "x40760003", Variant(-1)},
      {"big", Variant(std::int64_t{-9'000'000'000'000'000'000})},
      {"flag", Variant(true)},
      {"off", Variant(false)},
      {"one", Variant(1)},
      {"nothing", Variant::Null()},
      {"blank", Variant("")},
      {"bytes", Variant("a\xff\0b"s)},
  };
  store.WriteItem(Path({"item"}), "", properties);
  EXPECT_EQ(store.ReadProperties(Path({"item"})), properties);
  properties["unset"] = Variant();  // an empty value is no value
  store.WriteItem(Path({"item"}), "", properties);
  properties.erase("unset");
  EXPECT_EQ(store.ReadProperties(Path({"item"})), properties);
}

TEST_F(PublicStoreTest, PropertiesAreReadableRowsWithCanonicalNames) {
  PublicStore store(dir_);
  store.WriteItem(Path({"m.eml"}), "", {{kTag + "0x001A001E", Variant("IPM.Note")}});
  EXPECT_EQ(ShellText("SELECT p.name || '=' || p.value FROM properties p JOIN items i "
                      "ON i.id = p.item WHERE i.name = 'm.eml'"),
            kTag + "x001a001e=IPM.Note");
  EXPECT_EQ(store.ReadProperties(Path({"m.eml"})),
            (PropertyMap{{kTag + "x001a001e", Variant("IPM.Note")}}));
}

TEST_F(PublicStoreTest, ItemsAddedByHandAreRead) {
  PublicStore store(dir_);
  Shell().exec(
      "INSERT INTO items (folder, name) VALUES (1, 'dropped.eml');"
      "INSERT INTO messages (item, bytes) VALUES (last_insert_rowid(), 'Subject: hi');"
      "INSERT INTO properties (item, name, type, value) SELECT id, 'n', 'integer', "
      "9223372036854775807 FROM items WHERE name = 'dropped.eml';"
      "INSERT INTO properties (item, name, type, value) SELECT id, 's', 'text', 'x' "
      "FROM items WHERE name = 'dropped.eml'");
  EXPECT_TRUE(store.ItemExists(Path({"dropped.eml"})));
  EXPECT_EQ(store.ReadMessage(Path({"dropped.eml"})), "Subject: hi");
  EXPECT_EQ(store.ReadProperties(Path({"dropped.eml"})),
            (PropertyMap{{"n", Variant(std::int64_t{9223372036854775807})}, {"s", Variant("x")}}));
}

// A property row holding what the store never writes fails its item alone.
TEST_F(PublicStoreTest, DamagedPropertyRowsFailOnlyTheirItem) {
  PublicStore store(dir_);
  store.WriteItem(Path({"m"}), "", {{"a", Variant(1)}});
  store.WriteItem(Path({"other"}), "", {{"a", Variant(1)}});
  const auto id = ShellText("SELECT id FROM items WHERE name = 'm'");
  for (const char* damage : {"type = 'integer', value = 'one'", "type = 'real', value = 1.5",
                             "type = 'boolean', value = 2", "type = 'null', value = 0",
                             "type = 'text', value = 1", "defined_size = -1"}) {
    Shell().exec(std::string("UPDATE properties SET ") + damage + " WHERE item = " + id);
    EXPECT_EQ(ErrorOf([&] { (void)store.ReadProperties(Path({"m"})); }), kErrFail) << damage;
    EXPECT_EQ(store.ReadProperties(Path({"other"})), (PropertyMap{{"a", Variant(1)}}));
    Shell().exec(
        "UPDATE properties SET type = 'integer', value = 1, defined_size = 0 WHERE item = " + id);
  }
  Shell().exec("UPDATE messages SET bytes = 5 WHERE item = " + id);
  EXPECT_EQ(ErrorOf([&] { (void)store.ReadMessage(Path({"m"})); }), kErrFail);
  EXPECT_EQ(store.ReadMessage(Path({"other"})), "");
}

TEST_F(PublicStoreTest, WritesReplaceWholeItemsAndChangesOnlyWhatTheyName) {
  PublicStore store(dir_);
  const StorePath item = Path({"m"});
  store.WriteItem(item, "old", {{"a", Variant(1)}, {"b", Variant(2)}});
  store.WriteItem(item, "new", {{"b", Variant(3)}});
  EXPECT_EQ(store.ReadMessage(item), "new");
  EXPECT_EQ(store.ReadProperties(item), (PropertyMap{{"b", Variant(3)}}));
  const auto saved = store.ChangeProperties(
      item, {{"c", PropertyValue{Variant("x")}}, {"b", std::nullopt}, {"d", PropertyValue{}}});
  EXPECT_EQ(saved.values, (PropertyMap{{"c", Variant("x")}}));
  EXPECT_EQ(store.ReadMessage(item), "new");
  EXPECT_EQ(store.ReadProperties(item), (PropertyMap{{"c", Variant("x")}}));
  EXPECT_EQ(ErrorOf([&] { store.ChangeProperties(Path({"missing"}), {}); }), kErrNotFound);
}

// A value longer than its property's defined size is refused, never cut; the
// size stays with the property, and a refused change leaves everything as it was.
TEST_F(PublicStoreTest, DefinedSizesRefuseLongerValues) {
  PublicStore store(dir_);
  const StorePath item = Path({"m"});
  store.WriteItem(item, "", {});
  const auto saved = store.ChangeProperties(item, {{"Move to", PropertyValue{Variant("ab"), 3}}});
  EXPECT_EQ(saved.sizes, (PropertySizes{{"Move to", 3}}));
  for (const auto& change : std::vector<PropertyChanges>{
           {{"Move to", PropertyValue{Variant("abcd")}}},
           {{"other", PropertyValue{Variant("x")}}, {"Move to", PropertyValue{Variant("äöüß")}}},
           {{"new", PropertyValue{Variant("xyz!"), 3}}}}) {
    EXPECT_EQ(ErrorOf([&] { store.ChangeProperties(item, change); }), kErrDataOverflow);
    EXPECT_EQ(store.ReadItemProperties(item), saved);
  }
  store.ChangeProperties(item, {{"Move to", PropertyValue{Variant("äöü")}}});
  EXPECT_EQ(store.ReadProperties(item).at("Move to"), Variant("äöü"));
  EXPECT_EQ(ErrorOf([&] {
              store.PutItem(Path({"n"}), "x", {{{"t", Variant("long")}}, {{"t", 2}}});
            }),
            kErrDataOverflow);
  EXPECT_FALSE(store.ItemExists(Path({"n"})));  // nothing of a refused item is kept
}

TEST_F(PublicStoreTest, ItemsListsOnlyItemsSorted) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"F"}), {"F", "f@x", false, false});
  for (const char* name : {"b.eml", "a.eml", "C"}) store.WriteItem(Path({"F", name}), "", {});
  store.CreateFolder(Path({"F", "Sub"}), {});
  EXPECT_EQ(store.Items(Path({"F"})),
            (std::vector<StorePath>{Path({"F", "C"}), Path({"F", "a.eml"}), Path({"F", "b.eml"})}));
  EXPECT_EQ(store.ItemCount(Path({"F"})), 3);
}

TEST_F(PublicStoreTest, MissingItemIsNotFound) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"F"}), {});
  store.CreateFolder(Path({"G"}), {});
  const struct {
    const char* name;
    std::function<void()> call;
  } calls[] = {
      {"ReadProperties",
       [&] {
         (void)store.ReadProperties(Path({"F", "x"}));
       }},
      {"ReadMessage",
       [&] {
         (void)store.ReadMessage(Path({"F", "x"}));
       }},
      {"ReadMessageOfFolder", [&] { (void)store.ReadMessage(Path({"F"})); }},
      {"ReadMessageOfRoot", [&] { (void)store.ReadMessage(StorePath{}); }},
      {"DeleteItem",
       [&] {
         store.DeleteItem(Path({"F", "x"}));
       }},
      {"WriteItemInMissingFolder",
       [&] {
         store.WriteItem(Path({"H", "x"}), "", {});
       }},
      {"MoveMissing",
       [&] {
         store.MoveItem(Path({"F", "x"}), Path({"G", "y"}), true);
       }},
  };
  for (const auto& c : calls) EXPECT_EQ(ErrorOf(c.call), kErrNotFound) << c.name;
  EXPECT_FALSE(store.ItemExists(Path({"F", "x"})));
  EXPECT_FALSE(store.ItemExists(Path({"H", "x"})));
  EXPECT_FALSE(store.ItemExists(Path({"F"})));
  EXPECT_FALSE(store.ItemExists(StorePath{}));
}

TEST_F(PublicStoreTest, DeleteItemTakesItsPropertiesAlong) {
  PublicStore store(dir_);
  store.WriteItem(Path({"m"}), "x", {{"a", Variant(1)}});
  store.DeleteItem(Path({"m"}));
  EXPECT_FALSE(store.ItemExists(Path({"m"})));
  EXPECT_EQ(ShellText("SELECT count(*) FROM properties"), "0");
  EXPECT_EQ(ShellText("SELECT count(*) FROM messages"), "0");
}

// ---------------------------------------------------------------------------
// Moving

TEST_F(PublicStoreTest, MoveItemTakesMessageAndProperties) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"In"}), {});
  store.CreateFolder(Path({"Junk Mail"}), {});
  store.WriteItem(Path({"In", "m"}), "body", {{"a", Variant(1)}});
  store.MoveItem(Path({"In", "m"}), Path({"Junk Mail", "{GUID}.EML"}), false);
  EXPECT_FALSE(store.ItemExists(Path({"In", "m"})));
  EXPECT_TRUE(store.Items(Path({"In"})).empty());
  EXPECT_EQ(store.ReadMessage(Path({"Junk Mail", "{GUID}.EML"})), "body");
  EXPECT_EQ(store.ReadProperties(Path({"Junk Mail", "{GUID}.EML"})),
            (PropertyMap{{"a", Variant(1)}}));
}

TEST_F(PublicStoreTest, MoveItemReplacesAnExistingItemOnlyWhenOverwriting) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"F"}), {});
  const auto from = Path({"F", "from"});
  const auto to = Path({"F", "to"});
  store.WriteItem(from, "new", {{"n", Variant(1)}});
  store.WriteItem(to, "old", {{"o", Variant(2)}});
  for (const auto& source : {from, to}) {
    EXPECT_EQ(ErrorOf([&] { store.MoveItem(source, to, false); }), kErrFileExists);
  }
  store.MoveItem(to, to, true);
  EXPECT_EQ(store.ReadMessage(from), "new");
  EXPECT_EQ(store.ReadMessage(to), "old");
  EXPECT_EQ(store.ReadProperties(to), (PropertyMap{{"o", Variant(2)}}));

  store.MoveItem(from, to, true);
  EXPECT_FALSE(store.ItemExists(from));
  EXPECT_EQ(store.ReadMessage(to), "new");
  EXPECT_EQ(store.ReadProperties(to), (PropertyMap{{"n", Variant(1)}}));
}

TEST_F(PublicStoreTest, MovesGoOnlyIntoPublicFoldersBelowTheRoot) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"F"}), {});
  store.CreateFolder(Path({"F", "Sub"}), {});
  store.CreateFolder(Path({"non_ipm_subtree", "StoreEvents{1}", "GlobalEvents"}), {});
  store.WriteItem(Path({"F", "m"}), "x", {});
  EXPECT_EQ(ErrorOf([&] {
              store.MoveItem(Path({"F", "m"}), Path({"Nope", "m"}), true);
            }),
            kErrNotFound);
  EXPECT_EQ(ErrorOf([&] {
              store.MoveItem(Path({"F", "m"}), Path({"F", "Sub"}), true);
            }),
            kErrFileExists);
  for (const auto& to : {Path({"m"}), Path({"non_ipm_subtree", "m"}),
                         Path({"non_ipm_subtree", "StoreEvents{1}", "GlobalEvents", "m"})}) {
    EXPECT_EQ(ErrorOf([&] {
                store.MoveItem(Path({"F", "m"}), to, true);
              }),
              kErrAccessDenied)
        << to.ToString();
  }
  EXPECT_TRUE(store.ItemExists(Path({"F", "m"})));
}

// ---------------------------------------------------------------------------
// Refusals

TEST_F(PublicStoreTest, AccessDeniedFolderRefusesItemsButNotTheFolder) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"Open"}), {});
  store.WriteItem(Path({"Open", "m"}), "x", {});
  store.CreateFolder(Path({"Locked"}), {});
  store.WriteItem(Path({"Locked", "m"}), "x", {});
  store.CreateFolder(Path({"Locked", "Sub"}), {});
  store.CreateFolder(Path({"Locked"}), {"Locked", "", false, true});

  const StorePath locked = Path({"Locked", "m"});
  const struct {
    const char* name;
    std::function<void()> call;
  } calls[] = {
      {"ItemExists", [&] { (void)store.ItemExists(locked); }},
      {"ItemExistsOfMissingItem",
       [&] {
         (void)store.ItemExists(Path({"Locked", "none"}));
       }},
      {"Items", [&] { (void)store.Items(Path({"Locked"})); }},
      {"ItemCount", [&] { (void)store.ItemCount(Path({"Locked"})); }},
      {"ReadProperties", [&] { (void)store.ReadProperties(locked); }},
      {"ReadMessage", [&] { (void)store.ReadMessage(locked); }},
      {"WriteItem",
       [&] {
         store.WriteItem(Path({"Locked", "new"}), "", {});
       }},
      {"ChangeProperties", [&] { store.ChangeProperties(locked, {}); }},
      {"DeleteItem", [&] { store.DeleteItem(locked); }},
      {"MoveOut",
       [&] {
         store.MoveItem(locked, Path({"Open", "n"}), true);
       }},
      {"MoveIn",
       [&] {
         store.MoveItem(Path({"Open", "m"}), Path({"Locked", "n"}), true);
       }},
  };
  for (const auto& c : calls) EXPECT_EQ(ErrorOf(c.call), kErrAccessDenied) << c.name;

  EXPECT_TRUE(store.FolderExists(Path({"Locked"})));
  EXPECT_TRUE(store.ReadFolder(Path({"Locked"})).accessDenied);
  EXPECT_EQ(store.SubFolders(Path({"Locked"})), std::vector<StorePath>{Path({"Locked", "Sub"})});
  EXPECT_EQ(ShellText("SELECT count(*) FROM items"), "2");
  EXPECT_TRUE(store.ItemExists(Path({"Open", "m"})));
}

TEST_F(PublicStoreTest, UnsafeSegmentsAreRefusedEverywhere) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"F"}), {});
  for (const StorePath& bad :
       {Path({".."}), Path({"F", ".."}), Path({"/tmp"}), Path({"F", "a/b"}), Path({""}),
        Path({"F", ".folder.json"}), Path({"..", "store", "F"})}) {
    const struct {
      const char* name;
      std::function<void()> call;
    } calls[] = {
        {"FolderExists", [&] { (void)store.FolderExists(bad); }},
        {"CreateFolder", [&] { store.CreateFolder(bad, {}); }},
        {"ReadFolder", [&] { (void)store.ReadFolder(bad); }},
        {"SubFolders", [&] { (void)store.SubFolders(bad); }},
        {"ItemExists", [&] { (void)store.ItemExists(bad); }},
        {"ReadMessage", [&] { (void)store.ReadMessage(bad); }},
        {"WriteItem", [&] { store.WriteItem(bad, "x", {}); }},
        {"MoveFrom",
         [&] {
           store.MoveItem(bad, Path({"F", "x"}), true);
         }},
        {"MoveTo",
         [&] {
           store.MoveItem(Path({"F", "x"}), bad, true);
         }},
    };
    for (const auto& c : calls) {
      EXPECT_EQ(ErrorOf(c.call), kErrInvalidArgument) << c.name << " " << bad.ToString();
    }
  }
  EXPECT_EQ(FilesIn(base_), std::vector<std::string>{"store"});
}

// ---------------------------------------------------------------------------
// Several writers

TEST_F(PublicStoreTest, ConcurrentWritersAndReadersSeeWholeItems) {
  PublicStore first(dir_);
  PublicStore second(dir_);  // a second database object on the same file, as another process
  first.CreateFolder(Path({"F"}), {});
  constexpr int kThreads = 4;
  constexpr int kItems = 20;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      PublicStore& store = t % 2 == 0 ? first : second;
      for (int i = 0; i < kItems; ++i) {
        const std::string name = std::to_string(t) + "-" + std::to_string(i);
        const std::string body(1000 + i, static_cast<char>('a' + t));
        store.WriteItem(Path({"F", name}), body, {{"n", Variant(i)}});
        // Every thread also rewrites one shared item; readers must never see a mix.
        store.WriteItem(Path({"F", "shared"}), body, {{"n", Variant(i)}});
        const std::string shared = store.ReadMessage(Path({"F", "shared"}));
        EXPECT_EQ(shared.find_first_not_of(shared.front()), std::string::npos);
        (void)store.Items(Path({"F"}));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(first.Items(Path({"F"})).size(), kThreads * kItems + 1u);
  for (int t = 0; t < kThreads; ++t) {
    const StorePath item = Path({"F", std::to_string(t) + "-7"});
    EXPECT_EQ(first.ReadMessage(item), std::string(1007, static_cast<char>('a' + t)));
    EXPECT_EQ(first.ReadProperties(item), (PropertyMap{{"n", Variant(7)}}));
  }
  for (const std::string& name : FilesIn(dir_)) {
    EXPECT_TRUE(name.starts_with("store.db")) << name;  // the database, its log and index
  }
}

TEST_F(PublicStoreTest, AFileOfSomethingElseIsNoStore) {
  fs::create_directories(dir_);
  {
    SQLite::Database other(dir_ / "store.db", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    other.exec("CREATE TABLE accounts (id INTEGER)");
  }
  EXPECT_EQ(ErrorOf([&] { PublicStore store(dir_); }), kErrFail);
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  std::ofstream(dir_ / "store.db") << "not a database at all, just some text that is long enough";
  EXPECT_EQ(ErrorOf([&] { PublicStore store(dir_); }), kErrFail);
}

// ---------------------------------------------------------------------------
// Property names

struct NameCase {
  std::string name;
  std::string canonical;
  friend void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }
};

class CanonicalPropertyNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CanonicalPropertyNameTest, GivesOneSpellingPerTag) {
  EXPECT_EQ(CanonicalPropertyName(GetParam().name), GetParam().canonical);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CanonicalPropertyNameTest,
    ::testing::Values(NameCase{kTag + "0x001A001E", kTag + "x001a001e"},
                      NameCase{kTag + "x001A001E", kTag + "x001a001e"},
                      NameCase{kTag + "X001a001e", kTag + "x001a001e"},
                      NameCase{kTag + "0X0E070003", kTag + "x0e070003"},
                      NameCase{kTag + "x001a001e", kTag + "x001a001e"},
                      NameCase{kTag + "0x", kTag + "0x"}, NameCase{kTag + "x001Z", kTag + "x001Z"},
                      NameCase{kTag + "001A001E", kTag + "001A001E"},
                      NameCase{"HTTP://schemas.microsoft.com/mapi/proptag/0x001A001E",
                               "HTTP://schemas.microsoft.com/mapi/proptag/0x001A001E"},
                      NameCase{"urn:schemas:httpmail:Subject", "urn:schemas:httpmail:Subject"},
                      NameCase{"DAV:ishidden", "DAV:ishidden"}, NameCase{"", ""}));

}  // namespace
}  // namespace quarvel::platform::store
