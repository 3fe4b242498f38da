#include "setup/rules/RuleEditor.h"

#include <optional>

#include "common/PatternCheck.h"
#include "common/Text.h"
#include "platform/PlatformError.h"
#include "setup/main/ErrorLog.h"
#include "setup/main/InstallForm.h"
#include "setup/main/MainWindow.h"
#include "setup/rules/RuleDisplayText.h"
#include "setup/rules/RuleFileAccess.h"
#include "setup/rules/RuleList.h"
#include "setup/rules/frmAddEdit.h"
#include "setup/ui/basLVSetLastColumn.h"

namespace quarvel::setup {

using platform::PlatformError;
namespace controls = platform::controls;

namespace {

constexpr const char* kMoveTo = "move to";
constexpr const char* kDelete = "delete";
constexpr const char* kForwardTo = "forward to";
constexpr const char* kNullTarget = "<NULL>";
constexpr const char* kAccessDenied = "accessdenied";
constexpr const char* kUserDisabled = "userdisabled";
constexpr int kDisplayNameColumn = 1;  // of the recipients list, from 0

constexpr const char* kHeaderNames[] = {
    "From:", "Subject:", "X-SMSMSE-SCL:", "X-Spam-Flag:", "X-Spam-Status:", "Return-Path:"};

// An invalid pattern's value box: a pale red behind the text, which stays
// free for the change colours.
constexpr controls::Color kPatternProblemBack = controls::Color::Rgb(255, 220, 220);

}  // namespace

RuleEditor::RuleEditor(const SetupContext& context, WindowRoutines& routines, RuleList& rules)
    : context_(context), routines_(routines), rules_(rules) {}

void RuleEditor::Skip(const std::function<void()>& step) {
  try {
    step();
  } catch (const PlatformError&) {
    // An empty list or a missing entry: the step has nothing to act on.
  }
}

void RuleEditor::WireEvents() {
  frmAddEdit& editor = context_.editor;
  editor.OnLoad = [this] { Creation(); };
  editor.OnActivate = [this] { Activation(); };
  editor.OnDeactivate = [this] { Deactivation(); };
  editor.OnQueryUnload = [this](bool& cancel, controls::UnloadMode) { QueryUnload(cancel); };
  editor.Option1.OnClick = [this] { Option1Click(); };
  editor.Option2.OnClick = [this] { Option2Click(); };

  const auto track = [this](TrackedField field) {
    return [this, field] { ChangeHandling(field); };
  };
  const auto black = [this](TrackedField field) { return [this, field] { DropDown(field); }; };
  editor.ComboSMTPheaders.OnChange = track(TrackedField::kHeader);
  editor.ComboSMTPheaders.OnClick = track(TrackedField::kHeader);
  editor.ComboSMTPheaders.OnLostFocus = track(TrackedField::kHeader);
  // The pattern check runs whoever fills the box; the change handling only
  // while changes are tracked.
  editor.txtValue.OnChange = [this] {
    ShowPatternProblem();
    ChangeHandling(TrackedField::kValue);
  };
  const std::pair<controls::ComboBox*, TrackedField> lists[] = {
      {&editor.ComboSCL1, TrackedField::kSclRelation},
      {&editor.ComboSCL2, TrackedField::kSclNumber},
      {&editor.ComboAction, TrackedField::kAction},
      {&editor.ComboTargets, TrackedField::kTarget},
      {&editor.ComboEmailAddresses, TrackedField::kEmailAddress}};
  for (const auto& [combo, field] : lists) {
    combo->OnChange = track(field);
    combo->OnClick = track(field);
    combo->OnDropDown = black(field);
  }

  editor.cmdOK.OnClick = [this] { OKClick(); };
  editor.cmdCancel.OnClick = [this] { CancelClick(); };
  editor.TreeView1.OnNodeClick = [this](controls::Node& node) { TreeNodeClick(node); };
  editor.ListView1.OnItemClick = [this](controls::ListItem& item) { RecipientClick(item); };
  editor.ListView1.OnColumnClick = [this](controls::ColumnHeader& column) {
    RecipientColumnClick(column);
  };
}

RuleEditor::Tracked RuleEditor::Field(TrackedField field) {
  frmAddEdit& editor = context_.editor;
  switch (field) {
    case TrackedField::kHeader:
      return {&editor.ComboSMTPheaders, &blnChanged1, &sComboSMTPheaders};
    case TrackedField::kValue:
      return {&editor.txtValue, &blnChanged2, &stxtValue};
    case TrackedField::kSclRelation:
      return {&editor.ComboSCL1, &blnChanged1, &sComboSCL1};
    case TrackedField::kSclNumber:
      return {&editor.ComboSCL2, &blnChanged2, &sComboSCL2};
    case TrackedField::kAction:
      return {&editor.ComboAction, &blnChanged3, &sComboAction};
    case TrackedField::kTarget:
      return {&editor.ComboTargets, &blnChanged4, &sComboTargets};
    case TrackedField::kEmailAddress:
      break;
  }
  return {&editor.ComboEmailAddresses, &blnChanged5, &sComboEmailAddresses};
}

const std::string& RuleEditor::TextOf(TrackedField field) const {
  const frmAddEdit& editor = context_.editor;
  switch (field) {
    case TrackedField::kHeader:
      return editor.ComboSMTPheaders.Text();
    case TrackedField::kValue:
      return editor.txtValue.Text();
    case TrackedField::kSclRelation:
      return editor.ComboSCL1.Text();
    case TrackedField::kSclNumber:
      return editor.ComboSCL2.Text();
    case TrackedField::kAction:
      return editor.ComboAction.Text();
    case TrackedField::kTarget:
      return editor.ComboTargets.Text();
    case TrackedField::kEmailAddress:
      break;
  }
  return editor.ComboEmailAddresses.Text();
}

void RuleEditor::Creation() {
  frmAddEdit& editor = context_.editor;
  // Only once, even should the dialog be loaded again.
  if (editor.ComboSMTPheaders.ListCount() == 0) {
    for (const char* header : kHeaderNames) editor.ComboSMTPheaders.AddItem(header);
  }
  // Descending first, so that the click below sorts ascending by address.
  sortOrders_[0] = 1;
  Skip([&] { RecipientColumnClick(editor.ListView1.ColumnHeaders()(1)); });
  Skip([&] {
    controls::ListItem& first = editor.ListView1.ListItems()(1);
    first.EnsureVisible();
    first.SetSelected(true);
  });
}

void RuleEditor::Activation() {
  frmAddEdit& editor = context_.editor;
  context_.state.blnAllowEditorUnload = false;
  blnChanged1 = blnChanged2 = blnChanged3 = blnChanged4 = blnChanged5 = false;
  for (TrackedField field :
       {TrackedField::kHeader, TrackedField::kValue, TrackedField::kSclRelation,
        TrackedField::kSclNumber, TrackedField::kAction, TrackedField::kTarget,
        TrackedField::kEmailAddress}) {
    Field(field).control->SetForeColor(controls::kBlack);
  }
  editor.cmdOK.SetEnabled(false);
  sComboSMTPheaders = editor.ComboSMTPheaders.Text();
  stxtValue = editor.txtValue.Text();
  sComboSCL1 = editor.ComboSCL1.Text();
  sComboSCL2 = editor.ComboSCL2.Text();
  sComboAction = editor.ComboAction.Text();
  sComboTargets = editor.ComboTargets.Text();
  sComboEmailAddresses = editor.ComboEmailAddresses.Text();
  ShowHide();
  ShowPatternProblem();
}

void RuleEditor::Deactivation() { context_.state.blnAllowEditorUnload = true; }

void RuleEditor::QueryUnload(bool& cancel) {
  if (context_.state.blnAllowEditorUnload) return;
  // Closing the dialog is Cancel: it stays for the next Add or Edit.
  cancel = true;
  context_.editor.Hide();
}

void RuleEditor::Option1Click() {
  frmAddEdit& editor = context_.editor;
  editor.ComboSMTPheaders.SetEnabled(true);
  editor.txtValue.SetEnabled(true);
  editor.ComboSCL1.SetEnabled(false);
  editor.ComboSCL2.SetEnabled(false);
  ShowPatternProblem();
  SetcmdOK();
}

void RuleEditor::Option2Click() {
  frmAddEdit& editor = context_.editor;
  editor.ComboSMTPheaders.SetEnabled(false);
  editor.txtValue.SetEnabled(false);
  editor.ComboSCL1.SetEnabled(true);
  editor.ComboSCL2.SetEnabled(true);
  ShowPatternProblem();
  SetcmdOK();
}

void RuleEditor::ChangeHandling(TrackedField field) {
  if (!context_.state.blnTrackChanges) return;
  if (field == TrackedField::kEmailAddress && selectingAddressEntry_) return;
  frmAddEdit& editor = context_.editor;
  if (field == TrackedField::kAction) ShowHide();
  const Tracked tracked = Field(field);
  *tracked.flag = !text::EqualsIgnoreCase(TextOf(field), *tracked.snapshot);
  if (field == TrackedField::kEmailAddress) SelectRecipient(std::string(TextOf(field)));
  tracked.control->SetForeColor(*tracked.flag ? controls::kRed : controls::kBlack);
  if (field == TrackedField::kTarget) {
    Skip([&] { editor.ComboTargets.SetToolTipText(TipText(editor.ComboTargets.Text())); });
    Skip([&] { SelectTargetFolder(text::Trim(editor.ComboTargets.Text())); });
  }
  SetcmdOK();
}

void RuleEditor::DropDown(TrackedField field) {
  Field(field).control->SetForeColor(controls::kBlack);
}

void RuleEditor::ShowHide() {
  frmAddEdit& editor = context_.editor;
  ProgramState& state = context_.state;
  const std::string action = editor.ComboAction.Text();
  if (action == kDelete) {
    for (controls::Control* control : std::initializer_list<controls::Control*>{
             &editor.txtDispLayName, &editor.Label3, &editor.ComboTargets,
             &editor.ComboEmailAddresses, &editor.Label5, &editor.Label6, &editor.TreeView1,
             &editor.ListView1}) {
      control->SetVisible(false);
    }
    return;
  }
  editor.Label3.SetVisible(true);
  editor.Label6.SetVisible(true);
  editor.txtDispLayName.SetVisible(true);

  // A list without a chosen entry shows no text at all, and so no stale name.
  const auto clearChoice = [&](controls::ComboBox& combo) {
    const bool tracking = state.blnTrackChanges;
    state.blnTrackChanges = false;
    Skip([&] { combo.SetListIndex(0); });
    Skip([&] { combo.SetListIndex(-1); });
    editor.txtDispLayName.SetText("");
    state.blnTrackChanges = tracking;
  };
  if (action == kForwardTo) {
    SetLastColumnWidth(editor.ListView1);
    context_.services.DoEvents();
    editor.TreeView1.SetVisible(false);
    editor.ListView1.SetVisible(true);
    editor.Label3.SetCaption("Target E-mail Address:");
    editor.Label5.SetCaption("Select target E-mail Recipient:");
    if (editor.ComboEmailAddresses.ListIndex() == -1) {
      clearChoice(editor.ComboEmailAddresses);
    } else if (const controls::ListItem* row = editor.ListView1.SelectedItem()) {
      editor.txtDispLayName.SetText(row->ColumnText(kDisplayNameColumn));
    }
    editor.ComboEmailAddresses.SetVisible(true);
    editor.ComboTargets.SetVisible(false);
  } else {
    editor.TreeView1.SetVisible(true);
    editor.ListView1.SetVisible(false);
    editor.Label3.SetCaption("Target URL:");
    editor.Label5.SetCaption("Select target Public Folder:");
    if (editor.ComboTargets.ListIndex() == -1) {
      clearChoice(editor.ComboTargets);
    } else if (const controls::Node* node = editor.TreeView1.SelectedItem()) {
      editor.txtDispLayName.SetText(node->Text());
    }
    editor.ComboEmailAddresses.SetVisible(false);
    editor.ComboTargets.SetVisible(true);
  }
  editor.Label5.SetVisible(true);
}

void RuleEditor::SetcmdOK() {
  const frmAddEdit& editor = context_.editor;
  const std::string& action = editor.ComboAction.Text();
  const bool known = action == kMoveTo || action == kDelete || action == kForwardTo;
  bool enabled = false;
  if (editor.Option2.Value()) {
    // Only what the two lists offer can be saved; one without a choice is incomplete.
    enabled = known && !text::TrimView(editor.ComboSCL1.Text()).empty() &&
              !text::TrimView(editor.ComboSCL2.Text()).empty();
  } else {
    enabled = known && !text::TrimView(editor.ComboSMTPheaders.Text()).empty() &&
              !text::TrimView(editor.txtValue.Text()).empty();
    if (action == kMoveTo) enabled = enabled && !text::TrimView(editor.ComboTargets.Text()).empty();
    if (action == kForwardTo) {
      enabled = enabled && !text::TrimView(editor.ComboEmailAddresses.Text()).empty();
    }
  }
  context_.editor.cmdOK.SetEnabled(enabled);
}

void RuleEditor::OKClick() {
  frmAddEdit& editor = context_.editor;
  controls::WindowServices& services = context_.services;
  const std::string previousUrl = editor.txtPrevUrl.Text();
  const std::string previousAddress = editor.txtPrevAddress.Text();
  const std::string target = text::Trim(editor.ComboTargets.Text());
  const std::string address = text::Trim(editor.ComboEmailAddresses.Text());
  const std::string displayName = text::Trim(editor.txtDispLayName.Text());
  const std::string action = text::Trim(editor.ComboAction.Text());

  EditorFields fields;
  std::string header;
  std::string value;
  if (editor.Option2.Value()) {
    fields = {EditorFields::Kind::kScl, text::Trim(editor.ComboSCL1.Text()),
              text::Trim(editor.ComboSCL2.Text())};
    header = std::string(kSclPrefix);
    // An empty relation or number would still leave the blank between them.
    value = fields.first.empty() || fields.second.empty() ? "" : fields.first + " " + fields.second;
  } else {
    header = text::Trim(editor.ComboSMTPheaders.Text());
    value = text::Trim(editor.txtValue.Text());
    fields = {EditorFields::Kind::kHeader, header, value};
  }

  const bool complete = !value.empty() && !header.empty() && !action.empty() &&
                        (action != kMoveTo || !target.empty()) &&
                        (action != kForwardTo || !address.empty());
  if (!complete) {
    services.MessageBox(kPopulateAllFields, controls::MsgBoxButtons::kOkOnly,
                        controls::MsgBoxIcon::kNone, controls::MsgBoxDefault::kButton1,
                        kProgramTitle);
    return;
  }

  RuleRow row;
  std::string previousTarget;
  if (action == kDelete) {
    row.target = kNullTarget;
    previousTarget = previousUrl;
  } else if (action == kForwardTo) {
    row.target = address;
    previousTarget = previousAddress;
  } else {
    row.target = target;
    previousTarget = previousUrl;
  }
  row.condition = EditorFieldsToText(fields);
  row.action = action;
  row.displayName = displayName;

  // What the file would hold must be what the person confirmed.
  StoredCondition stored = TextToCondition(row.condition);
  bool storable = true;
  for (const std::string* part :
       {&stored.header, &stored.value, &row.action, &row.target, &row.displayName}) {
    storable = storable && IsStorableValue(*part);
  }
  if (!storable) {
    services.MessageBox(kValueRefusedMessage, controls::MsgBoxButtons::kOkOnly,
                        controls::MsgBoxIcon::kExclamation, controls::MsgBoxDefault::kButton1,
                        kProgramTitle);
    return;
  }
  if (fields.kind == EditorFields::Kind::kHeader) {
    std::string_view name = header;
    if (name.ends_with(':')) name.remove_suffix(1);
    if (name.find(':') != std::string_view::npos) {
      services.MessageBox(kHeaderColonMessage, controls::MsgBoxButtons::kOkOnly,
                          controls::MsgBoxIcon::kExclamation, controls::MsgBoxDefault::kButton1,
                          kProgramTitle);
      return;
    }
    if (const auto problem = pattern::ConditionPatternProblem(value)) {
      const std::string question =
          *problem + "\n" + kPatternNotMet + "\n\n" + kSaveInvalidPatternQuestion;
      if (services.MessageBox(question, controls::MsgBoxButtons::kYesNo,
                              controls::MsgBoxIcon::kExclamation, controls::MsgBoxDefault::kButton2,
                              kProgramTitle) != controls::MsgBoxResult::kYes) {
        return;
      }
    }
  }

  controls::ListView& list = context_.form.ListView2;
  int position = 0;
  if (editor.Caption() == kAddCaption) {
    rules_.AddRow(row, 0);
    position = list.ListItems().Count();
  } else if (controls::ListItem* selected = list.SelectedItem()) {
    rules_.SetRow(*selected, row);
    position = selected->Index();
  }
  editor.Hide();
  const bool saved = rules_.SaveRules();
  rules_.LoadRules();
  // Only a rule that reached the file moves the folder list's marks.
  if (saved) {
    try {
      routines_.CorrelatePFList(previousTarget, row.target);
    } catch (const PlatformError& error) {
      context_.log.LogError("CorrelatePFList", error);
    }
  }
  if (position > 0 && position <= list.ListItems().Count()) {
    controls::ListItem& item = list.ListItems()(position);
    list.SetSelectedItem(&item);
    item.EnsureVisible();
    rules_.UpdateRuleButtons();
  }
  context_.log.ShowOrHide();
}

void RuleEditor::CancelClick() { context_.editor.Hide(); }

void RuleEditor::TreeNodeClick(controls::Node& node) {
  frmAddEdit& editor = context_.editor;
  const auto previousChoice = [&] { SelectTargetFolder(text::Trim(editor.ComboTargets.Text())); };
  if (node.Image() == kAccessDenied) {
    previousChoice();
    return;
  }
  try {
    editor.ComboTargets.SetText(text::Trim(node.Key()));
  } catch (const PlatformError&) {
    // A folder the target list does not offer cannot be chosen either.
    previousChoice();
    return;
  }
  editor.txtDispLayName.SetText(text::Trim(node.Text()));
}

void RuleEditor::RecipientClick(controls::ListItem& item) {
  frmAddEdit& editor = context_.editor;
  if (item.SmallIcon() == kUserDisabled) {
    SelectRecipient(text::Trim(editor.ComboEmailAddresses.Text()));
    return;
  }
  const std::string address = text::Trim(item.Text());
  // The same text again would raise no change, yet drop the list's selection.
  if (editor.ComboEmailAddresses.Text() != address) editor.ComboEmailAddresses.SetText(address);
  editor.txtDispLayName.SetText(text::Trim(item.ColumnText(kDisplayNameColumn)));
}

void RuleEditor::RecipientColumnClick(const controls::ColumnHeader& column) {
  controls::ListView& list = context_.editor.ListView1;
  SortByColumn(list, sortOrders_, column.Index(), context_.services);
  if (controls::ListItem* selected = list.SelectedItem()) selected->EnsureVisible();
}

void RuleEditor::SelectRecipient(const std::string& address) {
  frmAddEdit& editor = context_.editor;
  controls::ComboBox& combo = editor.ComboEmailAddresses;
  Skip([&] { combo.SetText(address); });
  editor.txtDispLayName.SetText("");
  for (int i = 0; i < combo.ListCount(); ++i) {
    if (text::EqualsIgnoreCase(combo.List(i), address)) {
      selectingAddressEntry_ = true;
      Skip([&] { combo.SetListIndex(i); });
      selectingAddressEntry_ = false;
      break;
    }
  }
  controls::ListItemCollection& rows = editor.ListView1.ListItems();
  if (rows.Count() > 0) rows(1).EnsureVisible();
  controls::ListItem* match = nullptr;
  for (controls::ListItem& row : rows) {
    if (text::EqualsIgnoreCase(row.Text(), address)) {
      match = &row;
      break;
    }
    row.SetSelected(false);
  }
  if (match != nullptr) {
    editor.txtDispLayName.SetText(text::Trim(match->ColumnText(kDisplayNameColumn)));
    match->SetSelected(true);
    match->EnsureVisible();
  }
}

void RuleEditor::SelectTargetFolder(const std::string& url) {
  frmAddEdit& editor = context_.editor;
  ProgramState& state = context_.state;
  const bool tracking = state.blnTrackChanges;
  state.blnTrackChanges = false;
  Skip([&] { editor.ComboTargets.SetListIndex(-1); });
  editor.txtDispLayName.SetText("");
  for (int i = 0; i < editor.ComboTargets.ListCount(); ++i) {
    if (text::EqualsIgnoreCase(editor.ComboTargets.List(i), url)) {
      Skip([&] { editor.ComboTargets.SetListIndex(i); });
      break;
    }
  }
  controls::NodeCollection& nodes = editor.TreeView1.Nodes();
  for (controls::Node& node : nodes) {
    node.SetSelected(false);
    node.SetExpanded(false);
  }
  if (nodes.Count() > 0) nodes(1).EnsureVisible();
  for (controls::Node& node : nodes) {
    if (!text::EqualsIgnoreCase(node.Key(), url)) continue;
    editor.txtDispLayName.SetText(text::Trim(node.Text()));
    if (node.Parent() != nullptr) node.Parent()->SetExpanded(true);
    node.SetSelected(true);
    node.SetExpanded(false);
    node.EnsureVisible();
    break;
  }
  state.blnTrackChanges = tracking;
}

void RuleEditor::ShowPatternProblem() {
  frmAddEdit& editor = context_.editor;
  std::optional<std::string> problem;
  if (!editor.Option2.Value()) problem = pattern::ConditionPatternProblem(editor.txtValue.Text());
  editor.txtValue.SetToolTipText(problem ? *problem + "\n" + kPatternNotMet : "");
  editor.txtValue.SetBackColor(
      problem ? kPatternProblemBack
              : controls::Color::System(controls::SystemColor::kWindowBackground));
}

}  // namespace quarvel::setup
