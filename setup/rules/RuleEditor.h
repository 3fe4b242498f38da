// The rule editor's logic: what frmAddEdit does while a person creates or
// changes one rule. The rules list fills the dialog and shows it modally
// (RuleList::AddClick, EditClick); OK writes the rule into the list, has the
// list saved and reloaded, and tells the folder list that the rule's target
// changed; Cancel and the close box only hide the dialog.
//
// Change tracking: each field remembers its text from when the dialog was
// shown and turns red while it differs (letter case aside). The change
// handlers act only while the program-wide blnTrackChanges is set, so code
// that fills the fields clears it first. OK is enabled only for a rule that
// can be complete; an SCL relation or number, or an action, that is not in
// its list leaves the list without a selection and OK disabled until the
// person chooses, so a stored value the lists cannot show is never rewritten.
// The condition value is checked as it is typed with the sink's own pattern
// syntax: an invalid wildcard pattern (which the sink treats as never met)
// shows why in the value box's tooltip, and OK asks before saving it.
//
// Refusals on OK, with the dialog left open: an incomplete rule (" Please
// populate all fields"), a value the rule file cannot hold (a line break, or
// more than 2047 characters), a header name with a colon before its end
// (it would be stored as another header and value), and an invalid pattern
// the person does not confirm.
//
// Failures: the steps of ShowHide, SelectRecipient, SelectTargetFolder and
// the target's change handling that fail on an empty or missing list entry
// are skipped; a PlatformError from the folder list's CorrelatePFList is
// logged under its name. Window thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "setup/main/SetupContext.h"
#include "setup/main/WindowRoutines.h"
#include "setup/ui/modShowListViewColumnHeaderSortIcon.h"

namespace quarvel::platform::controls {
class ColumnHeader;
class Control;
class ListItem;
class Node;
}  // namespace quarvel::platform::controls

namespace quarvel::setup {

class RuleList;

inline constexpr const char* kAddCaption = "New Rule";
inline constexpr const char* kEditCaption = "Edit Rule";
inline constexpr const char* kPopulateAllFields = " Please populate all fields";
inline constexpr const char* kHeaderColonMessage =
    "A header name can end with \":\" but cannot hold one before its end. Nothing was saved.";
// After the sink's own description of an invalid pattern.
inline constexpr const char* kPatternNotMet = "The sink treats this condition as not met.";
inline constexpr const char* kSaveInvalidPatternQuestion = "Save the rule anyway?";

// The fields whose changes are tracked.
enum class TrackedField {
  kHeader,        // ComboSMTPheaders
  kValue,         // txtValue
  kSclRelation,   // ComboSCL1
  kSclNumber,     // ComboSCL2
  kAction,        // ComboAction
  kTarget,        // ComboTargets
  kEmailAddress,  // ComboEmailAddresses
};

class RuleEditor {
 public:
  RuleEditor(const SetupContext& context, WindowRoutines& routines, RuleList& rules);

  // Connects the dialog's events to the routines below.
  void WireEvents();

  // The dialog's life: created once (Load), activated at every Show,
  // deactivated when hidden; the close box.
  void Creation();
  void Activation();
  void Deactivation();
  void QueryUnload(bool& cancel);

  void Option1Click();
  void Option2Click();
  // A tracked field's text or selection changed, was clicked or lost focus.
  void ChangeHandling(TrackedField field);
  // A tracked field's own drop-down list opens: its text turns black.
  void DropDown(TrackedField field);

  // The target controls that fit the chosen action.
  void ShowHide();
  // OK enabled exactly when the fields can make a complete rule.
  void SetcmdOK();
  void OKClick();
  void CancelClick();

  void TreeNodeClick(platform::controls::Node& node);
  void RecipientClick(platform::controls::ListItem& item);
  void RecipientColumnClick(const platform::controls::ColumnHeader& column);

  // Shows and selects the recipient with `address` (letter case aside), in
  // the address list and the recipients list; the address is kept as given
  // when neither holds it. blnTrackChanges is left as it is.
  void SelectRecipient(const std::string& address);
  // Shows and selects the folder with `url` (letter case aside) in the
  // target list and the tree, with its display name.
  void SelectTargetFolder(const std::string& url);

 private:
  struct Tracked {
    platform::controls::Control* control;
    bool* flag;
    std::string* snapshot;
  };
  [[nodiscard]] Tracked Field(TrackedField field);
  [[nodiscard]] const std::string& TextOf(TrackedField field) const;
  // The value box's tooltip and colour from its pattern check.
  void ShowPatternProblem();
  // Runs `step`; a PlatformError from it (an empty list, a missing entry) skips it.
  static void Skip(const std::function<void()>& step);

  const SetupContext& context_;
  WindowRoutines& routines_;
  RuleList& rules_;

  bool blnChanged1 = false;  // header / SCL relation
  bool blnChanged2 = false;  // value / SCL number
  bool blnChanged3 = false;  // action
  bool blnChanged4 = false;  // target folder
  bool blnChanged5 = false;  // e-mail address
  std::string sComboSMTPheaders, stxtValue, sComboSCL1, sComboSCL2, sComboAction, sComboTargets,
      sComboEmailAddresses;
  // The recipients list's sort order per column.
  std::vector<SortOrder> sortOrders_{0, 0};
  // Set while SelectRecipient selects the address entry, whose Click would
  // otherwise run the change handling that called it again, without end.
  bool selectingAddressEntry_ = false;
};

}  // namespace quarvel::setup
