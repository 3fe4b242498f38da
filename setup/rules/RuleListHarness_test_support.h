// The rules list and the pickup directory on their own, for their tests: the
// main window and the rule editor as models, the program's state, the error
// log and status bar, on a test platform (the sample server in a temporary
// directory, whose metabase a test may change), with the controls wired as
// the program wires them and the routines of other concerns recorded.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "setup/discovery/PickupDirectory.h"
#include "setup/main/ErrorLog.h"
#include "setup/main/InstallForm.h"
#include "setup/main/StatusDisplay.h"
#include "setup/main/TestPlatform_test_support.h"
#include "setup/main/WindowRoutines.h"
#include "setup/rules/RuleList.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::setup::testing {

// Every call of another concern's routine, one line each, e.g.
// "CorrelatePFList <previous>|<new>".
class RecordingRoutines : public WindowRoutines {
 public:
  void RefreshButtons() override { calls.push_back("RefreshButtons"); }
  void LoadRules() override { calls.push_back("LoadRules"); }
  void GetPublicFolders() override { calls.push_back("GetPublicFolders"); }
  void SortFolderListInitially() override { calls.push_back("SortFolderListInitially"); }
  void subRegister() override { calls.push_back("subRegister"); }
  void subRegisterSW() override { calls.push_back("subRegisterSW"); }
  void RestartComPlusApp() override { calls.push_back("RestartComPlusApp"); }
  void ShowStoreWideState() override { calls.push_back("ShowStoreWideState"); }
  void GetADMailEnabledRecipients() override { calls.push_back("GetADMailEnabledRecipients"); }
  void CorrelatePFList(const std::string& previousTarget, const std::string& target) override {
    calls.push_back("CorrelatePFList " + previousTarget + "|" + target);
  }
  void TransformAllTargetsInPFList() override { calls.push_back("TransformAllTargetsInPFList"); }

  [[nodiscard]] int Count(const std::string& call) const {
    int count = 0;
    for (const std::string& line : calls) count += line == call ? 1 : 0;
    return count;
  }

  std::vector<std::string> calls;
};

class RuleListHarness {
 public:
  explicit RuleListHarness(TestPlatformOptions options = {})
      : platform(std::move(options)),
        bundle(platform.Bundle()),
        settings{"", platform.Root(), platform.Root()},
        window(bundle.providers),
        log(form, services()),
        status(form, services(), window),
        context{bundle, settings, services(), form, editor, state, window, log, status},
        pickup(context),
        rules(context, routines, pickup) {
    state.sRuleFilePath = platform.Root() / "Quarvel.ini";
    state.blnTrackChanges = true;
    form.SetServices(&services());
    editor.SetServices(&services());
    form.ListView2.OnClick = [this] { rules.ListClick(); };
    form.ListView2.OnBeforeLabelEdit = [this](bool& cancel) { rules.BeforeLabelEdit(cancel); };
    form.cmdDelete.OnClick = [this] { rules.DeleteClick(); };
    form.cmdDeleteAll.OnClick = [this] { rules.DeleteAllClick(); };
    form.cmdMoveUp.OnClick = [this] { rules.MoveUpClick(); };
    form.cmdMoveDown.OnClick = [this] { rules.MoveDownClick(); };
    form.cmdRefreshRules.OnClick = [this] { rules.RefreshClick(); };
    for (auto* event :
         {&form.ComboPickUp.OnChange, &form.ComboPickUp.OnClick, &form.ComboPickUp.OnLostFocus}) {
      *event = [this] { pickup.ChangeHandling(); };
    }
    form.btnPickUpChange.OnClick = [this] { pickup.ChangeClick(); };
  }

  platform::controls::ScriptedWindowServices& services() { return platform.Services(); }
  [[nodiscard]] std::string RuleFilePath() const { return state.sRuleFilePath.string(); }

  void WriteRuleFile(const std::string& text) const {
    std::ofstream(state.sRuleFilePath, std::ios::binary) << text;
  }
  [[nodiscard]] std::string RuleFileText() const {
    std::ifstream in(state.sRuleFilePath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // A person clicks row `index` (from 1) of the rules list.
  void ClickRow(int index) { form.ListView2.UserClickItem(form.ListView2.ListItems()(index)); }
  [[nodiscard]] std::vector<std::string> Conditions() const {
    std::vector<std::string> conditions;
    for (const RuleRow& row : rules.Rows()) conditions.push_back(row.condition);
    return conditions;
  }

  TestPlatform platform;
  SetupPlatform bundle;
  ProgramSettings settings;
  InstallForm form;
  frmAddEdit editor;
  ProgramState state;
  WindowState window;
  ErrorLog log;
  StatusDisplay status;
  SetupContext context;
  RecordingRoutines routines;
  PickupDirectory pickup;
  RuleList rules;
};

// Rule n's five keys as the setup program writes them.
inline std::string RuleLines(int n, const std::string& header, const std::string& value,
                             const std::string& action, const std::string& target,
                             const std::string& displayName = "") {
  const std::string number = std::to_string(n);
  return "ConditionHeader" + number + "=" + header + "\nConditionValue" + number + "=" + value +
         "\nAction" + number + "=" + action + "\nTarget" + number + "=" + target +
         "\nTargetDisplayName" + number + "=" + displayName + "\n";
}

}  // namespace quarvel::setup::testing
