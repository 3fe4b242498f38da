#include "setup/discovery/DirectoryRecipients.h"

#include <charconv>
#include <cstdint>
#include <memory>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/ado/Recordset.h"
#include "platform/host/HostSystem.h"
#include "setup/discovery/QueryLiteral.h"
#include "setup/discovery/ServerPaths.h"
#include "setup/main/InstallForm.h"
#include "setup/main/StatusDisplay.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::setup {

using platform::PlatformError;
using platform::ado::Variant;

namespace {

constexpr std::string_view kUserAccount = "805306368";
constexpr std::int64_t kAccountDisabled = 2;  // the bit in userAccountControl
// Global and distribution groups, and the domain-local (alias) groups,
// which are groups just as much.
constexpr std::string_view kGroupAccounts[] = {"268435456", "268435457", "536870912", "536870913"};

bool IsAbsent(const Variant& value) { return value.IsNull() || value.IsEmpty(); }

// As the platform converts a value to a condition: True, a non-zero number,
// or the text "True".
bool IsTrue(const Variant& value) {
  if (value.IsBoolean()) return value == Variant(true);
  if (value.IsInteger()) return value != Variant(0);
  return text::EqualsIgnoreCase(text::TrimView(value.ToString()), "True");
}

std::int64_t AsNumber(const Variant& value) {
  const std::string digits = text::Trim(value.ToString());
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size() ? number : 0;
}

// A field of the current record, or null when it cannot be read: a record is
// classified with what could be read.
Variant Field(const platform::ado::Recordset& records, const char* name) {
  try {
    return records.Value(name);
  } catch (const PlatformError&) {
    return Variant::Null();
  }
}

std::string KindOf(const platform::ado::Recordset& records) {
  const Variant accountType = Field(records, "sAMAccountType");
  if (IsAbsent(accountType)) {
    return IsAbsent(Field(records, "mAPIRecipient")) ? kRecipientPublicFolder : kRecipientContact;
  }
  const std::string type = accountType.ToString();
  if (type.empty()) return kRecipientUser;
  if (text::EqualsIgnoreCase(type, kUserAccount)) {
    const bool disabled = (AsNumber(Field(records, "userAccountControl")) & kAccountDisabled) != 0;
    return disabled ? kRecipientUserDisabled : kRecipientUser;
  }
  for (const std::string_view group : kGroupAccounts) {
    if (text::EqualsIgnoreCase(type, group)) return kRecipientGroup;
  }
  return kRecipientContact;
}

}  // namespace

std::string DnsDomainOfCategory(std::string_view category) {
  const std::size_t first = text::FindIgnoreCase(category, "DC=");
  // Without a domain component there is no domain to name.
  if (first == std::string_view::npos) return {};
  std::string domain(category.substr(first + 3));
  domain.erase(0, domain.find_first_not_of(' '));
  if (domain.empty()) return {};
  // Anything after the last domain component is no part of the name.
  const std::size_t last = domain.rfind("DC=");
  const std::size_t comma = domain.find(',', last == std::string::npos ? 0 : last);
  if (comma != std::string::npos && comma > 1) domain.erase(comma);
  std::erase(domain, ' ');
  return text::ReplaceAll(domain, ",DC=", ".");
}

bool IsUsableAddress(std::string_view address) {
  if (address.empty()) return false;
  for (const char32_t c : text::DecodeUtf8(address)) {
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool lineBreak = c == 0x2028 || c == 0x2029;
    if (control || lineBreak) return false;
  }
  return true;
}

DirectoryRecipients::DirectoryRecipients(const SetupContext& context, ServerPaths& paths)
    : context_(context), paths_(paths) {}

void DirectoryRecipients::FillIdentityField() {
  const std::string userName = paths_.GetLoggedOnUserName();
  std::string identity;
  auto records = paths_.DirectoryQuery(
      "SELECT sAMAccountName, cn, objectCategory FROM '" + context_.window.globalCatalogPath +
      "' WHERE objectcategory='person' AND sAMAccountName='" + QuoteInQuery(userName) + "'");
  if (!records->Eof()) {
    const Variant category = records->Value("objectcategory");
    const std::string domain = DnsDomainOfCategory(IsAbsent(category) ? "" : category.ToString());
    if (!domain.empty()) identity = domain + "\\" + userName;
  }
  records->Close();
  // The workstation's own domain is the name the platform logs on with.
  const std::string lanGroup = GetWorkstationDomain();
  if (!lanGroup.empty()) identity = lanGroup + "\\" + userName;
  context_.form.txtIdent.SetText(identity);
}

std::string DirectoryRecipients::GetWorkstationDomain() {
  try {
    const auto& host = context_.platform.host;
    const auto info = host.QueryWorkstation("\\\\" + host.ComputerName());
    return info.status == platform::host::kNerrSuccess ? info.lanGroup : std::string();
  } catch (const PlatformError&) {
    // No answer is no domain; the identity found in the directory stays.
    return {};
  }
}

void DirectoryRecipients::GetADMailEnabledRecipients() {
  frmAddEdit& editor = context_.editor;
  StatusDisplay& status = context_.status;
  std::unique_ptr<platform::ado::Recordset> records;
  try {
    records = paths_.DirectoryQuery(
        "SELECT name, mail, sAMAccountType, mAPIRecipient, userAccountControl, "
        "msExchHideFromAddressLists FROM '" +
            context_.window.globalCatalogPath +
            "' WHERE mail='*' AND ((objectcategory='publicFolder') OR (objectcategory='group') OR "
            "(objectcategory='person' AND (objectclass='user' OR objectclass='contact')))   "
            "ORDER BY cn",
        {{"Page Size", 100}, {"Size Limit", 30000}, {"Timeout", 120}});
  } catch (const PlatformError&) {
    return;  // no directory: both lists stay empty
  }
  bool progress = false;
  try {
    if (!records->Eof()) {
      status.BeginProgress(records->RecordCount());
      progress = true;
    }
    for (; !records->Eof(); records->MoveNext()) {
      status.UpdateStatus(1);
      context_.services.DoEvents();
      if (IsTrue(Field(*records, "msExchHideFromAddressLists"))) continue;
      const std::string mail = Field(*records, "mail").ToString();
      if (!IsUsableAddress(mail)) continue;
      const std::string kind = KindOf(*records);
      if (kind != kRecipientUserDisabled) editor.ComboEmailAddresses.AddItem(mail);
      try {
        auto& row = editor.ListView1.ListItems().Add(0, mail, mail, kind);
        row.SetSubItemText(1, text::Trim(Field(*records, "name").ToString()));
      } catch (const PlatformError&) {
        // The address is already a row: it is offered again, listed once.
      }
    }
  } catch (const PlatformError&) {
    // A record set that cannot move on ends the fill with what it listed.
  }
  if (progress) status.EndProgress();
  try {
    records->Close();
  } catch (const PlatformError&) {
  }
}

}  // namespace quarvel::setup
