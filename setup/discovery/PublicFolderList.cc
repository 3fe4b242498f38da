#include "setup/discovery/PublicFolderList.h"

#include <functional>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/ado/StaticRecordset.h"
#include "platform/controls/ColumnHeader.h"
#include "platform/controls/ListItem.h"
#include "platform/controls/ListView.h"
#include "platform/controls/Node.h"
#include "setup/discovery/QueryLiteral.h"
#include "setup/discovery/UrlDecode.h"
#include "setup/main/ErrorLog.h"
#include "setup/main/FolderRowState.h"
#include "setup/main/InstallForm.h"
#include "setup/main/ListRowStyle.h"
#include "setup/main/StatusDisplay.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::setup {

using namespace platform::controls;
using platform::PlatformError;

namespace {

constexpr const char* kEmailAddressField =
    "http://schemas.microsoft.com/exchange/publicfolderemailaddress";
constexpr const char* kFolderFields[] = {
    kEmailAddressField,
    "http://schemas.microsoft.com/mapi/proptag/x6656001e",
    "http://schemas.microsoft.com/mapi/proptag/x6644001e",
};

// Runs one step of the walk; a failing step is skipped and the walk goes on.
void Step(const std::function<void()>& step) {
  try {
    step();
  } catch (const PlatformError&) {
  }
}

// `text` without its first `count` characters (code points).
std::string DropCharacters(const std::string& text, int count) {
  std::size_t at = 0;
  for (int skipped = 0; skipped < count && at < text.size(); ++skipped) {
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
  }
  return text.substr(at);
}

// Restores the list-ready flag however the fill ends.
class ListNotReady {
 public:
  explicit ListNotReady(bool& flag) : flag_(flag) { flag_ = false; }
  ~ListNotReady() { flag_ = true; }
  ListNotReady(const ListNotReady&) = delete;
  ListNotReady& operator=(const ListNotReady&) = delete;

 private:
  bool& flag_;
};

}  // namespace

std::string FolderListQuery(const std::string& url) {
  std::string query =
      "select \"DAV:displayname\", \"DAV:hassubs\",  \"DAV:parentname\", \"DAV:href\", "
      "\"DAV:childcount\", ";
  for (std::size_t i = 0; i < std::size(kFolderFields); ++i) {
    query += std::string(" \"") + kFolderFields[i] + "\"";
    query += i + 1 < std::size(kFolderFields) ? ", " : " ";
  }
  // The URL is a literal inside a literal: its double quotes are doubled for
  // the inner one, its apostrophes for the outer one.
  query +=
      "From  scope('shallow traversal of \"" + QuoteInQuery(QuoteInQuery(url, '"'), '\'') + "\"')";
  query += " where \"DAV:ishidden\" = False and \"DAV:isfolder\" = True ";
  query += " ORDER BY \"DAV:displayname\" ";
  return query;
}

PublicFolderList::PublicFolderList(const SetupContext& context, RegistrationItems& items,
                                   WindowRoutines& routines)
    : context_(context), items_(items), routines_(routines) {}

void PublicFolderList::GetPublicFolders() {
  InstallForm& form = context_.form;
  frmAddEdit& editor = context_.editor;
  if (const ListItem* selected = form.ListView1.SelectedItem()) {
    selectedFolderKey_ = selected->Key();
  }
  editor.ComboTargets.Clear();
  editor.ComboEmailAddresses.Clear();
  editor.TreeView1.Nodes().Clear();
  editor.ListView1.ListItems().Clear();
  form.ListView1.ListItems().Clear();
  ListNotReady filling(context_.window.listReady);
  (void)getFolderList(context_.state.publicFolderRootUrl, false);
  routines_.GetADMailEnabledRecipients();
}

std::int16_t PublicFolderList::getFolderList(const std::string& sURL, bool blnInProcess) {
  InstallForm& form = context_.form;
  frmAddEdit& editor = context_.editor;
  StatusDisplay& status = context_.status;
  const std::string& root = context_.state.publicFolderRootUrl;
  const bool storeWide = IsStoreWideMode(form.ListView1);

  platform::ado::StaticRecordset records;
  try {
    records.Open(FolderListQuery(sURL), &context_.window.storeConnection);
  } catch (const PlatformError&) {
    return -1;
  }
  const bool top = !blnInProcess;
  if (top) Step([&] { status.BeginProgress(records.RecordCount()); });

  std::int16_t result = records.Eof() ? 0 : 1;
  while (!records.Eof()) {
    if (top) {
      Step([&] { status.UpdateStatus(1); });
      context_.services.DoEvents();
    }
    std::string displayName, href, email, path;
    Step([&] { displayName = records.Value("DAV:displayname").ToString(); });
    Step([&] { href = records.Value("DAV:href").ToString(); });
    Step([&] { email = text::Trim(records.Value(kEmailAddressField).ToString()); });
    const bool mailEnabled = !email.empty();
    Step([&] {
      const std::string parent = text::Trim(UrlDecode(records.Value("DAV:parentname").ToString()));
      const std::string relative = DropCharacters(parent, context_.state.rootUrlLength);
      path = text::CharCount(relative) > 1 ? relative + "/" + displayName : displayName;
    });
    const auto state = items_.RegistrationItemExists(href, "", kRegistrationItemName, false);
    const std::string folderUrl = text::Trim(href);

    Node* node = nullptr;
    Step([&] {
      std::string parentKey;
      if (!text::EqualsIgnoreCase(sURL, root)) {
        const auto slash = folderUrl.rfind('/');
        parentKey = slash == std::string::npos ? folderUrl : folderUrl.substr(0, slash);
      }
      node = &editor.TreeView1.Nodes().Add(parentKey, folderUrl, displayName, kMarkPf);
      node->SetBold(true);
    });

    ListItem* row = nullptr;
    if (mailEnabled) {
      Step([&] {
        row = &form.ListView1.ListItems().Add(0, folderUrl, path, kMarkPf);
        if (!storeWide) row->SetSmallIcon(kMarkUnchecked);
        row->SetChecked(false);
      });
    }

    if (state < 1) {
      bool accessDeniedCandidate = true;
      if (row != nullptr && IsRuleTarget(folderUrl, email)) {
        Step([&] { SetStrParams(*row, kMarkTargetPf, kRuleTargetPrefix, false); });
        accessDeniedCandidate = false;
      }
      if (state == -1) {
        if (row != nullptr && accessDeniedCandidate) {
          Step([&] { SetStrParams(*row, kMarkAccessDenied, kAccessDeniedPrefix, false); });
        }
        if (node != nullptr) {
          Step([&] {
            node->SetImage(kMarkAccessDenied);
            node->SetBold(false);
          });
        }
      }
    } else if (row != nullptr && !storeWide) {
      // In store-wide mode the row shows "pf", unchecked: the mark and the
      // check state never disagree.
      Step([&] {
        row->SetChecked(true);
        row->SetSmallIcon(kMarkChecked);
      });
    }

    if (node != nullptr && node->Bold()) Step([&] { editor.ComboTargets.AddItem(folderUrl); });

    if (row != nullptr) {
      Step([&] {
        AddSubItem(*row, 1, text::Trim(displayName));
        AddSubItem(*row, 2, email);
        row->SetToolTipText(row->ToolTipText() + row->Key());
      });
    }

    bool hasSubs = false;
    Step([&] {
      const auto value = records.Value("DAV:hassubs");
      hasSubs = value.IsBoolean() ? value == platform::ado::Variant(true)
                                  : text::EqualsIgnoreCase(value.ToString(), "True");
    });
    if (hasSubs) (void)getFolderList(folderUrl, true);

    try {
      records.MoveNext();
    } catch (const PlatformError&) {
      break;
    }
  }

  if (top) Step([&] { status.EndProgress(); });
  Step([&] { records.Close(); });
  if (!selectedFolderKey_.empty()) {
    if (ListItem* kept = form.ListView1.ListItems().Find(selectedFolderKey_)) {
      kept->SetSelected(true);
    }
  }
  return result;
}

std::vector<std::string> PublicFolderList::RuleTargets() const {
  std::vector<std::string> targets;
  for (const ListItem& rule : context_.form.ListView2.ListItems()) {
    std::string target = text::Trim(rule.ColumnText(2));
    if (!target.empty()) targets.push_back(std::move(target));
  }
  return targets;
}

bool PublicFolderList::IsRuleTarget(const std::string& url, const std::string& address) const {
  for (const std::string& target : RuleTargets()) {
    if (text::EqualsIgnoreCase(target, url) || text::EqualsIgnoreCase(target, address)) {
      return true;
    }
  }
  return false;
}

bool PublicFolderList::RowMatches(const ListItem& row, const std::string& target) const {
  const std::string wanted = text::Trim(target);
  if (wanted.empty()) return false;
  return text::EqualsIgnoreCase(row.Key(), wanted) ||
         text::EqualsIgnoreCase(text::Trim(row.ColumnText(2)), wanted);
}

void PublicFolderList::CorrelatePFList(const std::string& sPrevURL, const std::string& sURL) {
  if (text::EqualsIgnoreCase(sURL, sPrevURL)) return;
  ListView& list = context_.form.ListView1;
  const bool storeWide = IsStoreWideMode(list);
  int handled = 0;
  for (ListItem& row : list.ListItems()) {
    if (RowMatches(row, sURL)) {
      // A rule target is never registered. In store-wide mode "pf" hides
      // whether the folder still carries an item of its own, so that one
      // goes too.
      const std::string& mark = row.SmallIcon();
      if (mark == kMarkChecked || mark == kMarkPf) {
        if (!items_.DeleteRegistrationItem(row.Key(), "", kRegistrationItemName, false)) {
          (void)items_.RegistrationItemExists(row.Key(), "", kRegistrationItemName, true);
          context_.log.ShowOrHide();
        }
      }
      SetRowMark(row, kMarkTargetPf, kRuleTargetPrefix);
      if (++handled > 1) break;
    }
    if (RowMatches(row, sPrevURL)) {
      if (row.SmallIcon() == kMarkTargetPf) {
        bool stillTargeted = false;
        for (const std::string& target : RuleTargets()) {
          if (RowMatches(row, target)) stillTargeted = true;
        }
        if (!stillTargeted) MarkFromStore(row, items_, storeWide);
      }
      if (++handled > 1) break;
    }
  }
}

void PublicFolderList::TransformAllTargetsInPFList() {
  ListView& list = context_.form.ListView1;
  const bool storeWide = IsStoreWideMode(list);
  for (ListItem& row : list.ListItems()) {
    if (row.SmallIcon() == kMarkTargetPf) MarkFromStore(row, items_, storeWide);
  }
}

void PublicFolderList::ClearSelection() {
  ListView& list = context_.form.ListView1;
  if (ListItem* selected = list.SelectedItem()) {
    selected->SetSelected(false);
    list.SetSelectedItem(nullptr);
  }
}

void PublicFolderList::ColumnClick(ColumnHeader& column) {
  ListView& list = context_.form.ListView1;
  SortByColumn(list, sortOrders_, column.Index(), context_.services);
  if (ListItem* selected = list.SelectedItem()) {
    selected->EnsureVisible();
    selectedFolderKey_ = selected->Key();
  }
}

void PublicFolderList::SortFolderListInitially() {
  ListView& list = context_.form.ListView1;
  sortOrders_[0] = 1;
  ColumnClick(list.ColumnHeaders()(1));
  if (list.SelectedItem() == nullptr && list.ListItems().Count() > 0) {
    ListItem& first = list.ListItems()(1);
    first.EnsureVisible();
    first.SetSelected(true);
  }
}

}  // namespace quarvel::setup
