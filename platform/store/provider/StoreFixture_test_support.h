// A small public folder tree in a temporary directory of its own, with a
// session over it and a connection registry holding the store's provider.
//
//   Junk Mail            junk@example.com     item msg1.eml
//     Level 1            level1@example.com
//       Level 2 Deep
//   Sales                sales@example.com
//   zeta                 shown as "Alpha Team"
//   apple
//   Hidden Stuff         hidden
//   Denied               denied@example.com   denies access; holds Inside
//     Inside
//   non_ipm_subtree      (the store's own, hidden)
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/ErrorOf_test_support.h"
#include "platform/PlatformError.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/store/PublicStore.h"
#include "platform/store/provider/StoreSession.h"

namespace quarvel::platform::store::testing {

inline constexpr const char* kHost = "EXSRV01";
inline constexpr const char* kDomain = "example.com";
inline constexpr const char* kRoot = "http://EXSRV01/Public/";
inline constexpr const char* kFileRoot = "file://./backofficestorage/example.com/Public Folders/";
inline constexpr const char* kMessage = "Subject: hi\r\nFrom: a@example.com\r\n\r\nbody\r\n";

inline StorePath Path(std::initializer_list<const char*> names) {
  StorePath path;
  for (const char* name : names) path.segments.emplace_back(name);
  return path;
}

// The setup program's folder listing query, exactly as it builds it.
inline std::string ListingQuery(const std::string& url) {
  return "select \"DAV:displayname\", \"DAV:hassubs\",  \"DAV:parentname\", \"DAV:href\", "
         "\"DAV:childcount\",  "
         "\"http://schemas.microsoft.com/exchange/publicfolderemailaddress\",  "
         "\"http://schemas.microsoft.com/mapi/proptag/x6656001e\",  "
         "\"http://schemas.microsoft.com/mapi/proptag/x6644001e\" From  scope('shallow "
         "traversal of \"" +
         url +
         "\"') where \"DAV:ishidden\" = False and \"DAV:isfolder\" = True  ORDER BY "
         "\"DAV:displayname\" ";
}

// The setup program's UrlDecode: "+" is a blank, "%XX" with two characters
// after the "%" becomes that byte.
inline std::string UrlDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

using platform::ErrorOf;

class StoreFixture : public ::testing::Test {
 protected:
  StoreFixture() {
    std::string pattern = (std::filesystem::temp_directory_path() / "store_test.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    directory_ = pattern;
    store_ = std::make_unique<PublicStore>(directory_ / "store");
    session_ = std::make_unique<StoreSession>(*store_, ServerFacts{kHost, kDomain});
    session_->RegisterProvider(registry_);

    Folder({"Junk Mail"}, "Junk Mail", "junk@example.com");
    Folder({"Junk Mail", "Level 1"}, "Level 1", "level1@example.com");
    Folder({"Junk Mail", "Level 1", "Level 2 Deep"}, "Level 2 Deep", "");
    Folder({"Sales"}, "Sales", "sales@example.com");
    Folder({"zeta"}, "Alpha Team", "");
    Folder({"apple"}, "apple", "");
    Folder({"Hidden Stuff"}, "Hidden Stuff", "", /*hidden=*/true);
    Folder({"Denied", "Inside"}, "Inside", "");
    Folder({"Denied"}, "Denied", "denied@example.com", false, /*denied=*/true);
    store_->WriteItem(Path({"Junk Mail", "msg1.eml"}), kMessage,
                      {{"urn:schemas:httpmail:subject", ado::Variant("hi")}});
  }
  ~StoreFixture() override {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

  void Folder(std::initializer_list<const char*> names, const std::string& display,
              const std::string& email, bool hidden = false, bool denied = false) {
    store_->CreateFolder(Path(names), FolderSettings{display, email, hidden, denied});
  }

  PublicStore& Store() { return *store_; }
  StoreSession& Session() { return *session_; }
  const std::filesystem::path& Directory() const { return directory_; }

  std::filesystem::path directory_;
  std::unique_ptr<PublicStore> store_;
  std::unique_ptr<StoreSession> session_;
  ado::ProviderRegistry registry_;
};

}  // namespace quarvel::platform::store::testing
