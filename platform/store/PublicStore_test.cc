#include "platform/store/PublicStore.h"

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

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

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

  fs::path base_;
  fs::path dir_;
};

// ---------------------------------------------------------------------------
// The store directory and folders

TEST_F(PublicStoreTest, CreatesDirectoryWithHiddenNonIpmSubtree) {
  PublicStore store(dir_);
  EXPECT_EQ(store.Directory(), dir_);
  EXPECT_EQ(store.ReadFolder(Path({"non_ipm_subtree"})),
            (FolderSettings{"non_ipm_subtree", "", true, false}));
  EXPECT_EQ(store.AllFolders(), std::vector<StorePath>{Path({"non_ipm_subtree"})});
}

TEST_F(PublicStoreTest, NonIpmSubtreeSettingsAreAddedOnlyWhereMissing) {
  fs::create_directories(dir_ / "non_ipm_subtree");
  WriteText(dir_ / "non_ipm_subtree" / "Registration", "");
  {
    PublicStore store(dir_);
    EXPECT_TRUE(store.ReadFolder(Path({"non_ipm_subtree"})).hidden);
    store.CreateFolder(Path({"non_ipm_subtree"}), {"System", "", false, false});
  }
  PublicStore store(dir_);
  EXPECT_EQ(store.ReadFolder(Path({"non_ipm_subtree"})).displayName, "System");
  EXPECT_TRUE(store.ItemExists(Path({"non_ipm_subtree", "Registration"})));
}

TEST_F(PublicStoreTest, FolderSettingsDefaultWhereTheFileIsSilent) {
  PublicStore store(dir_);
  fs::create_directory(dir_ / "Hand Made");
  EXPECT_EQ(store.ReadFolder(Path({"Hand Made"})), (FolderSettings{"Hand Made", "", false, false}));
  EXPECT_EQ(store.ReadFolder(StorePath{}).displayName, "store");
  WriteText(dir_ / "Hand Made" / ".folder.json", R"({"emailAddress": "a@x.org", "extra": [1]})");
  EXPECT_EQ(store.ReadFolder(Path({"Hand Made"})),
            (FolderSettings{"Hand Made", "a@x.org", false, false}));
}

TEST_F(PublicStoreTest, CreateFolderMakesParentsAndWritesReadableSettings) {
  PublicStore store(dir_);
  const StorePath folder = Path({"Archive", "2024", "Junk Mail"});
  const FolderSettings settings{"Junk", "junk@example.com", true, false};
  store.CreateFolder(folder, settings);
  EXPECT_EQ(store.ReadFolder(Path({"Archive", "2024"})),
            (FolderSettings{"2024", "", false, false}));
  EXPECT_EQ(store.ReadFolder(folder), settings);
  EXPECT_EQ(ReadText(dir_ / "Archive" / "2024" / "Junk Mail" / ".folder.json"),
            "{\n  \"accessDenied\": false,\n  \"displayName\": \"Junk\",\n"
            "  \"emailAddress\": \"junk@example.com\",\n  \"hidden\": true\n}\n");

  WriteText(dir_ / "Archive" / "item", "kept");
  store.CreateFolder(Path({"Archive"}), {"Old", "a@example.com", false, true});
  EXPECT_EQ(store.ReadFolder(Path({"Archive"})),
            (FolderSettings{"Old", "a@example.com", false, true}));
  EXPECT_EQ(ReadText(dir_ / "Archive" / "item"), "kept");
}

TEST_F(PublicStoreTest, BrokenSettingsFileFails) {
  PublicStore store(dir_);
  fs::create_directory(dir_ / "A");
  for (const char* text : {"{", "[]", R"({"hidden": "yes"})", R"({"displayName": 5})"}) {
    WriteText(dir_ / "A" / ".folder.json", text);
    EXPECT_EQ(ErrorOf([&] { (void)store.ReadFolder(Path({"A"})); }), kErrFail) << text;
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
}

TEST_F(PublicStoreTest, ItemAndFolderCannotShareAName) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"A"}), {});
  store.WriteItem(Path({"A", "x"}), "", {});
  EXPECT_FALSE(store.FolderExists(Path({"A", "x"})));
  EXPECT_EQ(ErrorOf([&] { store.CreateFolder(Path({"A", "x"}), {}); }), kErrFileExists);
  EXPECT_EQ(ErrorOf([&] { store.WriteItem(Path({"A"}), "", {}); }), kErrFileExists);
}

TEST_F(PublicStoreTest, SubFoldersListsOnlyAddressableFoldersSorted) {
  PublicStore store(dir_);
  for (const char* name : {"b", "A", "a", "Z z"}) store.CreateFolder(Path({"F", name}), {});
  fs::create_directory(dir_ / "F" / ".hidden");
  fs::create_directory(dir_ / "F" / "back\\slash");
  WriteText(dir_ / "F" / "item", "");
  fs::create_directory_symlink(base_, dir_ / "F" / "link");
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
  EXPECT_EQ(ReadText(dir_ / "Inbox" / "m.eml"), message);
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
      {"nothing", Variant::Null()},
      {"blank", Variant("")},
  };
  store.WriteItem(Path({"item"}), "", properties);
  EXPECT_EQ(store.ReadProperties(Path({"item"})), properties);
  properties["unset"] = Variant();  // an empty value is no value
  store.WriteItem(Path({"item"}), "", properties);
  properties.erase("unset");
  EXPECT_EQ(store.ReadProperties(Path({"item"})), properties);
}

TEST_F(PublicStoreTest, PropertiesFileIsReadableJsonWithCanonicalNames) {
  PublicStore store(dir_);
  store.WriteItem(Path({"m.eml"}), "", {{kTag + "0x001A001E", Variant("IPM.Note")}});
  EXPECT_EQ(ReadText(dir_ / ".m.eml.props.json"),
            "{\n  \"" + kTag + "x001a001e\": \"IPM.Note\"\n}\n");
  EXPECT_EQ(store.ReadProperties(Path({"m.eml"})),
            (PropertyMap{{kTag + "x001a001e", Variant("IPM.Note")}}));
  // JSON holds only UTF-8: a bad byte is kept as U+FFFD rather than failing.
  store.WriteItem(Path({"m"}), "",
                  {{"h", Variant("a\xff"
                                 "b")}});
  EXPECT_EQ(store.ReadProperties(Path({"m"})).at("h"), Variant("a\xEF\xBF\xBD"
                                                               "b"));
}

TEST_F(PublicStoreTest, HandMadeItemsAndPropertiesAreRead) {
  PublicStore store(dir_);
  WriteText(dir_ / "dropped.eml", "Subject: hi\r\n\r\n");
  EXPECT_TRUE(store.ItemExists(Path({"dropped.eml"})));
  EXPECT_TRUE(store.ReadProperties(Path({"dropped.eml"})).empty());
  WriteText(dir_ / ".dropped.eml.props.json",
            "{\"" + kTag + "X0E070003\": 42, \"n\": 9223372036854775807, \"s\": \"x\"}");
  EXPECT_EQ(store.ReadProperties(Path({"dropped.eml"})),
            (PropertyMap{{kTag + "x0e070003", Variant(42)},
                         {"n", Variant(std::int64_t{9223372036854775807})},
                         {"s", Variant("x")}}));
}

TEST_F(PublicStoreTest, UnsupportedPropertyFilesFail) {
  PublicStore store(dir_);
  WriteText(dir_ / "m", "");
  for (const char* text : {"{", "[1]", R"({"a": 1.5})", R"({"a": [1]})", R"({"a": {}})",
                           R"({"a": 9223372036854775808})"}) {
    WriteText(dir_ / ".m.props.json", text);
    EXPECT_EQ(ErrorOf([&] { (void)store.ReadProperties(Path({"m"})); }), kErrFail) << text;
  }
}

TEST_F(PublicStoreTest, WritesReplaceWholeFiles) {
  PublicStore store(dir_);
  const StorePath item = Path({"m"});
  store.WriteItem(item, "old", {{"a", Variant(1)}, {"b", Variant(2)}});
  store.WriteItem(item, "new", {{"b", Variant(3)}});
  EXPECT_EQ(store.ReadMessage(item), "new");
  EXPECT_EQ(store.ReadProperties(item), (PropertyMap{{"b", Variant(3)}}));
  store.WriteProperties(item, {{"c", Variant("x")}});
  EXPECT_EQ(store.ReadMessage(item), "new");
  EXPECT_EQ(store.ReadProperties(item), (PropertyMap{{"c", Variant("x")}}));
  EXPECT_EQ(ErrorOf([&] { store.WriteProperties(Path({"missing"}), {}); }), kErrNotFound);
  EXPECT_FALSE(fs::exists(dir_ / ".missing.props.json"));
}

TEST_F(PublicStoreTest, ItemsListsOnlyItemsSorted) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"F"}), {"F", "f@x", false, false});
  for (const char* name : {"b.eml", "a.eml", "C"}) store.WriteItem(Path({"F", name}), "", {});
  store.CreateFolder(Path({"F", "Sub"}), {});
  fs::create_symlink(base_ / "outside", dir_ / "F" / "link");
  EXPECT_EQ(store.Items(Path({"F"})),
            (std::vector<StorePath>{Path({"F", "C"}), Path({"F", "a.eml"}), Path({"F", "b.eml"})}));
}

TEST_F(PublicStoreTest, MissingItemIsNotFound) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"F"}), {});
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
         store.WriteItem(Path({"G", "x"}), "", {});
       }},
      {"MoveMissing",
       [&] {
         store.MoveItem(Path({"F", "x"}), Path({"F", "y"}), true);
       }},
  };
  for (const auto& c : calls) EXPECT_EQ(ErrorOf(c.call), kErrNotFound) << c.name;
  EXPECT_FALSE(store.ItemExists(Path({"F", "x"})));
  EXPECT_FALSE(store.ItemExists(Path({"G", "x"})));
  EXPECT_FALSE(store.ItemExists(Path({"F"})));
  EXPECT_FALSE(store.ItemExists(StorePath{}));
}

TEST_F(PublicStoreTest, DeleteItemRemovesBothFiles) {
  PublicStore store(dir_);
  store.WriteItem(Path({"m"}), "x", {{"a", Variant(1)}});
  store.DeleteItem(Path({"m"}));
  EXPECT_FALSE(store.ItemExists(Path({"m"})));
  EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"non_ipm_subtree"});
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
  EXPECT_EQ(FilesIn(dir_ / "In"), std::vector<std::string>{".folder.json"});
  EXPECT_EQ(store.ReadMessage(Path({"Junk Mail", "{GUID}.EML"})), "body");
  EXPECT_EQ(store.ReadProperties(Path({"Junk Mail", "{GUID}.EML"})),
            (PropertyMap{{"a", Variant(1)}}));
}

TEST_F(PublicStoreTest, MoveItemReplacesAnExistingItemOnlyWhenOverwriting) {
  PublicStore store(dir_);
  store.WriteItem(Path({"from"}), "new", {{"n", Variant(1)}});
  store.WriteItem(Path({"to"}), "old", {{"o", Variant(2)}});
  for (const auto& [from, to] : {std::pair{"from", "to"}, std::pair{"to", "to"}}) {
    EXPECT_EQ(ErrorOf([&] { store.MoveItem(Path({from}), Path({to}), false); }), kErrFileExists);
  }
  store.MoveItem(Path({"to"}), Path({"to"}), true);
  EXPECT_EQ(store.ReadMessage(Path({"from"})), "new");
  EXPECT_EQ(store.ReadMessage(Path({"to"})), "old");
  EXPECT_EQ(store.ReadProperties(Path({"to"})), (PropertyMap{{"o", Variant(2)}}));

  store.MoveItem(Path({"from"}), Path({"to"}), true);
  EXPECT_FALSE(store.ItemExists(Path({"from"})));
  EXPECT_EQ(store.ReadMessage(Path({"to"})), "new");
  EXPECT_EQ(store.ReadProperties(Path({"to"})), (PropertyMap{{"n", Variant(1)}}));

  WriteText(dir_ / "bare", "bare");  // no properties file: the replaced ones must go
  store.MoveItem(Path({"bare"}), Path({"to"}), true);
  EXPECT_EQ(store.ReadMessage(Path({"to"})), "bare");
  EXPECT_TRUE(store.ReadProperties(Path({"to"})).empty());
}

TEST_F(PublicStoreTest, MoveNeedsAnExistingDestinationFolder) {
  PublicStore store(dir_);
  store.WriteItem(Path({"m"}), "x", {});
  store.CreateFolder(Path({"Sub"}), {});
  EXPECT_EQ(ErrorOf([&] { store.MoveItem(Path({"m"}), Path({"Nope", "m"}), true); }), kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { store.MoveItem(Path({"m"}), Path({"Sub"}), true); }), kErrFileExists);
  EXPECT_TRUE(store.ItemExists(Path({"m"})));
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
      {"ReadProperties", [&] { (void)store.ReadProperties(locked); }},
      {"ReadMessage", [&] { (void)store.ReadMessage(locked); }},
      {"WriteItem",
       [&] {
         store.WriteItem(Path({"Locked", "new"}), "", {});
       }},
      {"WriteProperties", [&] { store.WriteProperties(locked, {}); }},
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
  EXPECT_EQ(FilesIn(dir_ / "Locked"),
            (std::vector<std::string>{".folder.json", ".m.props.json", "Sub", "m"}));
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

TEST_F(PublicStoreTest, SymbolicLinksAreNeverFollowed) {
  PublicStore store(dir_);
  const fs::path outside = base_ / "outside";
  fs::create_directory(outside);
  WriteText(outside / "secret", "secret");
  fs::create_directory_symlink(outside, dir_ / "Linked");
  fs::create_symlink(outside / "secret", dir_ / "item");

  EXPECT_EQ(ErrorOf([&] { (void)store.FolderExists(Path({"Linked"})); }), kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] {
              (void)store.ReadMessage(Path({"Linked", "secret"}));
            }),
            kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] { store.WriteItem(Path({"Linked", "x"}), "x", {}); }), kErrAccessDenied);
  EXPECT_EQ(ErrorOf([&] { store.CreateFolder(Path({"Linked", "Sub"}), {}); }), kErrAccessDenied);
  EXPECT_FALSE(store.ItemExists(Path({"item"})));
  EXPECT_EQ(ErrorOf([&] { (void)store.ReadMessage(Path({"item"})); }), kErrNotFound);

  // Writing an item of the link's name replaces the link, not its target.
  store.WriteItem(Path({"item"}), "mine", {});
  EXPECT_EQ(store.ReadMessage(Path({"item"})), "mine");
  EXPECT_EQ(FilesIn(outside), std::vector<std::string>{"secret"});
  EXPECT_EQ(ReadText(outside / "secret"), "secret");
}

// ---------------------------------------------------------------------------
// Atomic writes

TEST_F(PublicStoreTest, FailedWriteLeavesNoTraceAndNamesThePath) {
  PublicStore store(dir_);
  store.CreateFolder(Path({"F"}), {});
  fs::create_directory(dir_ / "F" / ".m.props.json");  // cannot be replaced by a file
  try {
    store.WriteItem(Path({"F", "m"}), "x", {{"a", Variant(1)}});
    ADD_FAILURE();
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Number(), kErrFail);
    EXPECT_NE(e.Description().find(".m.props.json"), std::string::npos) << e.Description();
    EXPECT_NE(e.Description().find("directory"), std::string::npos) << e.Description();
  }
  EXPECT_FALSE(store.ItemExists(Path({"F", "m"})));
  EXPECT_EQ(FilesIn(dir_ / "F"), (std::vector<std::string>{".folder.json", ".m.props.json"}));
}

TEST_F(PublicStoreTest, ConcurrentWritersAndReadersSeeWholeFiles) {
  PublicStore first(dir_);
  PublicStore second(dir_);  // same process, same temporary names: must not collide
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
  for (const std::string& name : FilesIn(dir_ / "F")) {
    EXPECT_NE(name.rfind(".tmp-", 0), 0u) << name;
  }
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
