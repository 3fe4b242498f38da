// The public folders as the setup program offers them: the main window's
// folder list (ListView1: every mail-enabled folder, with its registration
// mark), and in the rule editor the folder tree (TreeView1) and the target
// list (ComboTargets) of every folder a move may go to. One recursive walk
// of the folder hierarchy fills all three, depth first, each level by one
// shallow store query ordered by display name.
//
// A row's mark comes from the store (registered or not, or access denied
// when the store refuses the check) and from the rule list: a folder that a
// rule targets by its URL or its e-mail address is a rule target, never
// registered. When a rule's target changes, the rows follow: the new target
// loses its registration item and is unchecked; a folder no rule targets any
// more takes its mark from the store again. In store-wide mode rows that
// registration owns show "pf" and are never checked.
//
// The folder URL is quoted in each query as a literal of the store's query
// language (a quote inside it is doubled), so folder names with apostrophes,
// double quotes or letters beyond ASCII are listed like any other. A refill
// keeps the row that was selected, when it is still there; otherwise the
// first row is selected. Sorting by a column shows the direction in its
// header.
//
// Failures: the walk goes on after every failing step (a level whose query
// fails lists nothing) and logs nothing; the registration checks run with
// logging off. CorrelatePFList, TransformAllTargetsInPFList and ClearSelection
// let errors of the lists reach their caller. Window thread only; the walk
// lets pending window messages run after each top-level folder, while the
// list-ready flag is down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "setup/main/RegistrationItems.h"
#include "setup/main/SetupContext.h"
#include "setup/main/WindowRoutines.h"
#include "setup/ui/modShowListViewColumnHeaderSortIcon.h"

namespace quarvel::platform::controls {
class ColumnHeader;
class ListItem;
}  // namespace quarvel::platform::controls

namespace quarvel::setup {

// The query that lists the visible folders directly below `url`, ordered by
// display name.
[[nodiscard]] std::string FolderListQuery(const std::string& url);

class PublicFolderList {
 public:
  PublicFolderList(const SetupContext& context, RegistrationItems& items, WindowRoutines& routines);

  // Rebuilds the folder list, the editor's tree and targets, and (through
  // the recipients' routine) its recipient lists.
  void GetPublicFolders();
  // Lists the folders below `sURL` and, recursively, theirs: 1 rows listed,
  // 0 no sub-folders, -1 the query failed.
  std::int16_t getFolderList(const std::string& sURL, bool blnInProcess = false);

  // A rule's target changed from `sPrevURL` to `sURL` (either may be "").
  void CorrelatePFList(const std::string& sPrevURL, const std::string& sURL);
  // Every rule is gone: no row is a rule target any more.
  void TransformAllTargetsInPFList();
  // The mouse button was released over the list: nothing stays selected.
  void ClearSelection();
  // A click on a column header: sorts by it, flipping its direction.
  void ColumnClick(platform::controls::ColumnHeader& column);
  // Sorted ascending by folder path; the kept row, or else the first, selected.
  void SortFolderListInitially();

  // The key of the row to select after a refill ("" for none).
  [[nodiscard]] const std::string& SelectedFolderKey() const { return selectedFolderKey_; }

 private:
  // The rule list's targets (third column, trimmed) that are not empty.
  [[nodiscard]] std::vector<std::string> RuleTargets() const;
  // Whether a rule targets the row's folder by URL or e-mail address.
  [[nodiscard]] bool IsRuleTarget(const std::string& url, const std::string& address) const;
  [[nodiscard]] bool RowMatches(const platform::controls::ListItem& row,
                                const std::string& target) const;

  const SetupContext& context_;
  RegistrationItems& items_;
  WindowRoutines& routines_;
  std::string selectedFolderKey_;
  std::vector<SortOrder> sortOrders_{0, 0, 0};
};

}  // namespace quarvel::setup
