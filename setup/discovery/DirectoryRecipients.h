// What the setup program takes from the directory besides the server: the
// identity it proposes for the component application (the administrator who
// runs it, as domain "\" user name, the workstation's LAN group winning over
// the DNS domain the directory names) and the mail recipients the rule
// editor offers as forward targets, each shown with its kind.
//
// Recipient kinds (the editor's icon keys): "user", "userdisabled", "group"
// (global, distribution and domain-local groups), "contact" and "pf" (a
// mail-enabled public folder's directory object). A recipient hidden from
// address lists, or whose address is empty or holds a line break or another
// control character, is listed nowhere. A disabled user is listed but not
// offered in the address list; an address that is already a row's key is
// offered again but not listed twice.
//
// Failures: FillIdentityField lets the directory's PlatformError through
// (txtIdent keeps its text); the workstation lookup and the recipient fill
// never fail, they list what they could read. Nothing is logged here.
// Window thread only.
#pragma once

#include <string>
#include <string_view>

#include "setup/main/SetupContext.h"

namespace quarvel::setup {

class ServerPaths;

// The recipient kinds, as the editor's image list names them.
inline constexpr const char* kRecipientUser = "user";
inline constexpr const char* kRecipientUserDisabled = "userdisabled";
inline constexpr const char* kRecipientGroup = "group";
inline constexpr const char* kRecipientContact = "contact";
inline constexpr const char* kRecipientPublicFolder = "pf";

class DirectoryRecipients {
 public:
  DirectoryRecipients(const SetupContext& context, ServerPaths& paths);

  // txtIdent = the proposed identity, or "" when no domain can be found.
  void FillIdentityField();
  // The LAN group of this computer, or "" when it cannot be told.
  [[nodiscard]] std::string GetWorkstationDomain();
  // Fills the rule editor's recipient list (ListView1) and its address list
  // (ComboEmailAddresses) from the directory, with a progress run.
  void GetADMailEnabledRecipients();

 private:
  const SetupContext& context_;
  ServerPaths& paths_;
};

// The DNS domain named by the domain components of a directory name such as
// an objectCategory ("CN=Person,CN=Schema,...,DC=example,DC=com" gives
// "example.com"); "" when it names none.
[[nodiscard]] std::string DnsDomainOfCategory(std::string_view category);

// Whether `address` can stand as a recipient's address: not empty, and no
// line break or other control character.
[[nodiscard]] bool IsUsableAddress(std::string_view address);

}  // namespace quarvel::setup
