// The main window's rules list (ListView2 in the frame "Rules") and its
// buttons: the setup program's working copy of the rule file. Every change
// made here is written to the file at once and the list is then read back
// from it, so the list always shows what the sink will read.
//
// Row n is rule n of the file, a RuleRow: the condition text (RuleDisplayText),
// the action, the target and its display name, with tooltips on columns 1, 3
// and 4. The list is never sorted and its rows are never edited in place.
//
// Saving replaces the file's whole rule list and its pickup directory at once
// (RuleFileAccess), so rules beyond a gap or beyond a deletion never come back
// and a sink never reads a half-written list. A value the file cannot hold is
// refused with a message and nothing is written; a failed write is logged
// under "SaveRules"; either way the load that follows shows what the file
// really holds. Every load first restarts the component application, so a
// running sink starts afresh. Delete and Delete All ask first, No being the
// default answer.
//
// Reaches other concerns through WindowRoutines (RestartComPlusApp,
// CorrelatePFList, TransformAllTargetsInPFList, GetPublicFolders) and the
// pickup directory; a PlatformError from a routine is logged under its name.
// Window thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "setup/main/SetupContext.h"
#include "setup/main/WindowRoutines.h"
#include "setup/rules/RuleDisplayText.h"

namespace quarvel::platform::controls {
class ListItem;
}

namespace quarvel::setup {

class PickupDirectory;
class RuleEditor;

inline constexpr const char* kDeleteRuleQuestion = "Are you sure you want to delete selected rule?";
inline constexpr const char* kDeleteAllRulesQuestion = "Are you sure you want to delete all rules?";

// Where the rule editor opens, in twips right of and below the list's corner.
inline constexpr int kEditorOffsetX = 250;
inline constexpr int kEditorOffsetY = 800;

class RuleList {
 public:
  RuleList(const SetupContext& context, WindowRoutines& routines, PickupDirectory& pickup);

  // Rebuilds the list and the pickup directory combo from the file.
  void LoadRules();
  // Writes every row and the pickup directory; returns whether the file now
  // holds them.
  bool SaveRules();
  // Edit and Delete need a selected row, Move Up one below the first, Move
  // Down one above the last, Delete All any row.
  void UpdateRuleButtons();
  // Places the rule editor below the list's top left corner (size unchanged)
  // and shows it modally; returns when it is hidden.
  void ShowForm();

  // Add and Edit: fill the rule editor (a new rule, or the selected row) with
  // changes untracked, show it, and return when it is hidden. A step that
  // fails is skipped. A stored SCL relation or number, or an action, that
  // its list does not hold leaves that list without a selection.
  void AddClick(RuleEditor& editor);
  void EditClick(RuleEditor& editor);

  // A row at `position` from 1 (0 appends), and a row's texts replaced; the
  // list is not stored (the editor's OK stores it).
  void AddRow(const RuleRow& row, int position);
  void SetRow(platform::controls::ListItem& item, const RuleRow& row);

  // ListView2's click, and its request to edit a row in place (refused).
  void ListClick();
  void BeforeLabelEdit(bool& cancel);
  // The buttons.
  void DeleteClick();
  void DeleteAllClick();
  void MoveUpClick();
  void MoveDownClick();
  void RefreshClick();

  // The rows as the list holds them, in order.
  [[nodiscard]] std::vector<RuleRow> Rows() const;

 private:
  // Moves the selected row from position `from` to `to` and stores the list.
  void MoveRow(int from, int to);
  [[nodiscard]] bool Confirm(const char* question);
  // Runs a routine of another concern; a PlatformError from it is logged under `source`.
  void Guarded(const char* source, const std::function<void()>& step);

  const SetupContext& context_;
  WindowRoutines& routines_;
  PickupDirectory& pickup_;
};

}  // namespace quarvel::setup
