// Directory query texts and directory files: refused cleanly or understood
// whole, and a query that is understood runs over a few entries.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/directory/DirectoryQuery.h"
#include "platform/directory/DirectorySearch.h"
#include "platform/directory/Ldif.h"

namespace {

const std::vector<quarvel::platform::directory::DirectoryEntry>& Entries() {
  static const auto entries = quarvel::platform::directory::ParseLdif(
      "dn: CN=Alice,CN=Users,DC=example,DC=com\n"
      "objectClass: top\nobjectClass: user\n"
      "objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com\n"
      "cn: Alice\nname:: SsO8cmdlbg==\nmail: alice@example.com\nsAMAccountType:\n"
      "userAccountControl: 514\n\n"
      "dn: CN=Staff,DC=example,DC=com\nobjectClass: group\ncn: Staff\n"
      "msExchHideFromAddressLists: TRUE\n",
      "fuzz");
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace directory = quarvel::platform::directory;
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const auto query = directory::ParseDirectoryQuery(text);
    (void)directory::SearchEntries(Entries(), query, directory::SearchPreferences{});
  } catch (const quarvel::platform::PlatformError&) {
  }
  try {
    (void)directory::ParseLdif(text, "fuzz");
  } catch (const quarvel::platform::PlatformError&) {
  }
  return 0;
}
