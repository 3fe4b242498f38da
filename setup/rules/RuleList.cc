#include "setup/rules/RuleList.h"

#include <exception>

#include "common/Text.h"
#include "common/basIniFileWriter.h"
#include "platform/PlatformError.h"
#include "setup/discovery/PickupDirectory.h"
#include "setup/main/ErrorLog.h"
#include "setup/main/InstallForm.h"
#include "setup/main/MainWindow.h"
#include "setup/main/StatusDisplay.h"
#include "setup/rules/RuleEditor.h"
#include "setup/rules/RuleFileAccess.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::setup {

using platform::PlatformError;
namespace controls = platform::controls;

namespace {

// The columns after the condition, from 1 as the list numbers its sub-items.
constexpr int kActionColumn = 1;
constexpr int kTargetColumn = 2;
constexpr int kDisplayNameColumn = 3;

}  // namespace

RuleList::RuleList(const SetupContext& context, WindowRoutines& routines, PickupDirectory& pickup)
    : context_(context), routines_(routines), pickup_(pickup) {}

void RuleList::Guarded(const char* source, const std::function<void()>& step) {
  try {
    step();
  } catch (const PlatformError& error) {
    context_.log.LogError(source, error);
  }
}

void RuleList::AddRow(const RuleRow& row, int position) {
  controls::ListItem& item = context_.form.ListView2.ListItems().Add(position, "", row.condition);
  item.SetToolTipText(TipText(row.condition));
  item.SetSubItemText(kActionColumn, row.action);
  item.SetSubItemText(kTargetColumn, row.target);
  item.ListSubItems()(kTargetColumn).SetToolTipText(TipText(row.target));
  item.SetSubItemText(kDisplayNameColumn, row.displayName);
  item.ListSubItems()(kDisplayNameColumn).SetToolTipText(TipText(row.displayName));
}

void RuleList::SetRow(controls::ListItem& item, const RuleRow& row) {
  item.SetText(row.condition);
  item.SetToolTipText(TipText(row.condition));
  item.SetSubItemText(kActionColumn, row.action);
  item.SetSubItemText(kTargetColumn, row.target);
  item.ListSubItems()(kTargetColumn).SetToolTipText(TipText(row.target));
  item.SetSubItemText(kDisplayNameColumn, row.displayName);
  item.ListSubItems()(kDisplayNameColumn).SetToolTipText(TipText(row.displayName));
}

std::vector<RuleRow> RuleList::Rows() const {
  std::vector<RuleRow> rows;
  for (const controls::ListItem& item : context_.form.ListView2.ListItems()) {
    rows.push_back({item.Text(), item.ColumnText(kActionColumn), item.ColumnText(kTargetColumn),
                    item.ColumnText(kDisplayNameColumn)});
  }
  return rows;
}

void RuleList::LoadRules() {
  Guarded("RestartComPlusApp", [&] { routines_.RestartComPlusApp(); });
  context_.form.ListView2.ListItems().Clear();
  // One read of the file for the rules and the pickup directory alike.
  StoredRuleList stored = ReadRuleList(context_.state.sRuleFilePath);
  for (const StoredRule& rule : stored.rules) {
    AddRow({ConditionToText(rule.header, rule.value), rule.action, rule.target, rule.displayName},
           0);
  }
  pickup_.ShowStored(std::move(stored.pickupPath));
  UpdateRuleButtons();
}

bool RuleList::SaveRules() {
  ProgramState& state = context_.state;
  state.blnTrackChanges = false;
  std::vector<StoredRule> rules;
  for (const RuleRow& row : Rows()) {
    StoredCondition condition = TextToCondition(row.condition);
    rules.push_back({std::move(condition.header), std::move(condition.value), row.action,
                     row.target, row.displayName});
  }
  const std::string pickupPath = pickup_.TextToStore();
  bool storable = IsStorableValue(pickupPath);
  for (const StoredRule& rule : rules) {
    for (const std::string* value :
         {&rule.header, &rule.value, &rule.action, &rule.target, &rule.displayName}) {
      storable = storable && IsStorableValue(*value);
    }
  }
  bool saved = false;
  if (!storable) {
    context_.services.MessageBox(kValueRefusedMessage, controls::MsgBoxButtons::kOkOnly,
                                 controls::MsgBoxIcon::kExclamation,
                                 controls::MsgBoxDefault::kButton1, kProgramTitle);
  } else {
    try {
      WriteRuleList(state.sRuleFilePath, rules, pickupPath);
      saved = true;
    } catch (const IniError& error) {
      context_.log.LogError("SaveRules", platform::kErrFail, error.what());
    }
  }
  state.blnTrackChanges = true;
  return saved;
}

void RuleList::UpdateRuleButtons() {
  InstallForm& form = context_.form;
  const controls::ListItem* selected = form.ListView2.SelectedItem();
  const int count = form.ListView2.ListItems().Count();
  form.cmdDelete.SetEnabled(selected != nullptr);
  form.cmdEdit.SetEnabled(selected != nullptr);
  form.cmdMoveUp.SetEnabled(selected != nullptr && selected->Index() > 1);
  form.cmdMoveDown.SetEnabled(selected != nullptr && selected->Index() < count);
  form.cmdDeleteAll.SetEnabled(count > 0);
}

void RuleList::ShowForm() {
  controls::WindowServices& services = context_.services;
  frmAddEdit& editor = context_.editor;
  if (const auto rect = services.WindowRect(context_.form.ListView2)) {
    editor.Move(rect->left * services.TwipsPerPixelX() + kEditorOffsetX,
                rect->top * services.TwipsPerPixelY() + kEditorOffsetY, editor.Width(),
                editor.Height());
  }
  // The busy pointer was for preparing the dialog, not for the person filling it.
  services.SetMousePointer(controls::MousePointer::kDefault);
  editor.Show(controls::ShowMode::kModal, &context_.form);
}

namespace {

// Runs `step`; a PlatformError from it (a list without the entry, an empty
// tree) skips it and the preparation goes on.
void Skip(const std::function<void()>& step) {
  try {
    step();
  } catch (const PlatformError&) {
  }
}

// A drop-down list set to a stored text: the entry that spells it, or no
// entry at all when the list holds none, so that the dialog never shows an
// earlier choice as the stored one.
void ShowInList(controls::ComboBox& list, const std::string& text) {
  try {
    list.SetText(text);
  } catch (const PlatformError&) {
    Skip([&] { list.SetListIndex(-1); });
  }
}

}  // namespace

void RuleList::AddClick(RuleEditor& ruleEditor) {
  ProgramState& state = context_.state;
  frmAddEdit& editor = context_.editor;
  context_.status.StartAction();
  Skip([&] { editor.Load(); });
  state.blnTrackChanges = false;
  Skip([&] { editor.ComboSMTPheaders.SetText(editor.ComboSMTPheaders.List(0)); });
  editor.txtValue.SetText("");
  Skip([&] { editor.ComboAction.SetListIndex(0); });
  Skip([&] { editor.ComboSCL1.SetListIndex(1); });
  Skip([&] { editor.ComboSCL2.SetListIndex(0); });
  editor.txtDispLayName.SetText("");
  Skip([&] { editor.ComboTargets.SetListIndex(-1); });
  Skip([&] { editor.ComboEmailAddresses.SetListIndex(-1); });
  editor.ComboEmailAddresses.SetText("");
  editor.txtPrevUrl.SetText("");
  editor.txtPrevAddress.SetText("");
  editor.SetCaption(kAddCaption);
  // Nothing chosen, the tree collapsed and both lists scrolled to the top.
  if (editor.TreeView1.Nodes().Count() > 0) {
    ruleEditor.SelectTargetFolder("");
    controls::Node& first = editor.TreeView1.Nodes()(1);
    first.SetSelected(true);
    first.EnsureVisible();
    first.SetSelected(false);
  }
  if (editor.ListView1.ListItems().Count() > 0) {
    ruleEditor.SelectRecipient("");
    controls::ListItem& first = editor.ListView1.ListItems()(1);
    first.SetSelected(true);
    first.EnsureVisible();
    first.SetSelected(false);
  }
  state.blnTrackChanges = true;
  Skip([&] { ShowForm(); });
  context_.status.EndAction();
}

void RuleList::EditClick(RuleEditor& ruleEditor) {
  const controls::ListItem* selected = context_.form.ListView2.SelectedItem();
  if (selected == nullptr) return;
  const RuleRow row = Rows()[static_cast<std::size_t>(selected->Index() - 1)];
  ProgramState& state = context_.state;
  frmAddEdit& editor = context_.editor;
  context_.status.StartAction();
  Skip([&] { editor.Load(); });
  state.blnTrackChanges = false;
  const EditorFields fields = TextToEditorFields(row.condition);
  if (fields.kind == EditorFields::Kind::kScl) {
    editor.Option2.SetValue(true);
    ShowInList(editor.ComboSCL1, fields.first);
    ShowInList(editor.ComboSCL2, fields.second);
  } else {
    editor.Option1.SetValue(true);
    editor.ComboSMTPheaders.SetText(fields.first);
    editor.txtValue.SetText(fields.second);
  }
  const std::string action = text::Trim(row.action);
  const std::string target = text::Trim(row.target);
  ShowInList(editor.ComboAction, action);
  if (action != "delete") {
    if (action == "forward to") {
      ruleEditor.SelectRecipient(target);
    } else {
      ruleEditor.SelectTargetFolder(target);
    }
  }
  editor.txtPrevUrl.SetText(target);
  editor.txtPrevAddress.SetText(target);
  editor.SetCaption(kEditCaption);
  state.blnTrackChanges = true;
  Skip([&] { ShowForm(); });
  context_.status.EndAction();
}

void RuleList::ListClick() { UpdateRuleButtons(); }

void RuleList::BeforeLabelEdit(bool& cancel) { cancel = true; }

bool RuleList::Confirm(const char* question) {
  return context_.services.MessageBox(
             question, controls::MsgBoxButtons::kYesNo, controls::MsgBoxIcon::kExclamation,
             controls::MsgBoxDefault::kButton2, kProgramTitle) == controls::MsgBoxResult::kYes;
}

void RuleList::DeleteClick() {
  controls::ListItem* selected = context_.form.ListView2.SelectedItem();
  if (selected == nullptr) return;
  if (!Confirm(kDeleteRuleQuestion)) return;
  context_.status.StartAction();
  const std::string previousTarget = text::Trim(selected->ColumnText(kTargetColumn));
  context_.form.ListView2.ListItems().Remove(selected->Index());
  // The save replaces the whole rule section, so no rule of the longer list
  // stays behind the last one. Only a deletion that reached the file frees
  // the rule's target in the folder list.
  if (SaveRules()) {
    Guarded("CorrelatePFList", [&] { routines_.CorrelatePFList(previousTarget, ""); });
  }
  LoadRules();
  context_.log.ShowOrHide();
  context_.status.EndAction();
}

void RuleList::DeleteAllClick() {
  if (!Confirm(kDeleteAllRulesQuestion)) return;
  context_.status.StartAction();
  try {
    DeleteRuleSection(context_.state.sRuleFilePath);
    Guarded("TransformAllTargetsInPFList", [&] { routines_.TransformAllTargetsInPFList(); });
  } catch (const IniError& error) {
    context_.log.LogError("DeleteIniSection", platform::kErrFail, error.what());
  }
  LoadRules();
  context_.log.ShowOrHide();
  context_.status.EndAction();
}

void RuleList::MoveRow(int from, int to) {
  controls::ListItemCollection& items = context_.form.ListView2.ListItems();
  const RuleRow row = Rows()[static_cast<std::size_t>(from - 1)];
  items.Remove(from);
  AddRow(row, to);
  const bool saved = SaveRules();
  LoadRules();
  // After a failed save the list shows the old order: the moved rule is still at `from`.
  const int select = saved ? to : from;
  if (select <= items.Count()) context_.form.ListView2.SetSelectedItem(&items(select));
  UpdateRuleButtons();
  context_.log.ShowOrHide();
}

void RuleList::MoveUpClick() {
  const controls::ListItem* selected = context_.form.ListView2.SelectedItem();
  if (selected == nullptr || selected->Index() <= 1) return;
  MoveRow(selected->Index(), selected->Index() - 1);
}

void RuleList::MoveDownClick() {
  const controls::ListItem* selected = context_.form.ListView2.SelectedItem();
  if (selected == nullptr || selected->Index() >= context_.form.ListView2.ListItems().Count()) {
    return;
  }
  MoveRow(selected->Index(), selected->Index() + 1);
}

void RuleList::RefreshClick() {
  context_.status.StartAction();
  LoadRules();
  Guarded("GetPublicFolders", [&] { routines_.GetPublicFolders(); });
  context_.log.ShowOrHide();
  context_.status.EndAction();
}

}  // namespace quarvel::setup
