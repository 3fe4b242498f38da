#include "setup/main/SetupProgram.h"

#include <utility>

namespace quarvel::setup {

SetupProgram::SetupProgram(const SetupPlatform& platform,
                           platform::controls::WindowServices& services, ProgramSettings settings)
    : platform_(platform),
      services_(services),
      settings_(std::move(settings)),
      window_(platform_.providers),
      log_(form_, services_),
      status_(form_, services_, window_),
      context_{platform_, settings_, services_, form_, editor_, state_, window_, log_, status_},
      priority_(form_.txtPriority, state_),
      paths_(context_),
      main_(context_, paths_, *this),
      recipients_(context_, paths_),
      complus_(context_, priority_, recipients_, *this),
      pickup_(context_),
      rules_(context_, *this, pickup_),
      ruleEditor_(context_, *this, rules_),
      items_(context_),
      registration_(context_, items_, *this),
      folders_(context_, items_, *this),
      restore_(context_) {
  state_.sRuleFilePath = settings_.programDirectory / kRuleFileName;
  state_.lastValidPriority = form_.txtPriority.Text();
  form_.SetServices(&services_);
  editor_.SetServices(&services_);
  WireEvents();
}

SetupProgram::~SetupProgram() = default;

void SetupProgram::WireEvents() {
  form_.OnLoad = [this] { main_.StartUp(); };
  form_.OnActivate = [this] { main_.Activate(); };
  form_.OnUnload = [this] { main_.WindowUnload(); };
  form_.txtPriority.OnKeyPress = [this](int& keyAscii) { priority_.KeyPress(keyAscii); };
  form_.txtPriority.OnChange = [this] { priority_.Change(); };
  form_.cmdRefreshFolders.OnClick = [this] { main_.RefreshFoldersClick(); };
  form_.Command2.OnClick = [this] { main_.Exit(); };
  form_.Command3.OnClick = [this] { log_.ClearErrorLog(); };
  form_.Label6.OnClick = [this] { main_.OpenProductWebPage(); };

  form_.ListView2.OnClick = [this] { rules_.ListClick(); };
  form_.ListView2.OnBeforeLabelEdit = [this](bool& cancel) { rules_.BeforeLabelEdit(cancel); };
  form_.cmdDelete.OnClick = [this] { rules_.DeleteClick(); };
  form_.cmdDeleteAll.OnClick = [this] { rules_.DeleteAllClick(); };
  form_.cmdMoveUp.OnClick = [this] { rules_.MoveUpClick(); };
  form_.cmdMoveDown.OnClick = [this] { rules_.MoveDownClick(); };
  form_.cmdRefreshRules.OnClick = [this] { rules_.RefreshClick(); };
  form_.cmdAdd.OnClick = [this] { rules_.AddClick(ruleEditor_); };
  form_.cmdEdit.OnClick = [this] { rules_.EditClick(ruleEditor_); };
  ruleEditor_.WireEvents();
  for (auto* event :
       {&form_.ComboPickUp.OnChange, &form_.ComboPickUp.OnClick, &form_.ComboPickUp.OnLostFocus}) {
    *event = [this] { pickup_.ChangeHandling(); };
  }
  form_.btnPickUpChange.OnClick = [this] { pickup_.ChangeClick(); };
  form_.btnInstall.OnClick = [this] { complus_.btnInstall_Click(); };

  form_.btnRegisterSW.OnClick = [this] { registration_.btnRegisterSW_Click(); };
  form_.btnChange.OnClick = [this] { registration_.btnChange_Click(); };
  form_.cmdCheckAll.OnClick = [this] { registration_.CheckAll(); };
  // A click on a row and a click on its check box both flip it, once.
  form_.ListView1.OnItemClick = [this](controls::ListItem& row) { registration_.RowToggle(row); };
  form_.ListView1.OnItemCheck = [this](controls::ListItem& row) { registration_.RowToggle(row); };
  form_.ListView1.OnMouseUp = [this] { folders_.ClearSelection(); };
  form_.ListView1.OnColumnClick = [this](controls::ColumnHeader& column) {
    folders_.ColumnClick(column);
  };
}

void SetupProgram::RefreshButtons() { complus_.RefreshButtons(); }
void SetupProgram::RestartComPlusApp() { complus_.RestartComPlusApp(kApplicationName); }
void SetupProgram::GetADMailEnabledRecipients() { recipients_.GetADMailEnabledRecipients(); }

void SetupProgram::GetPublicFolders() { folders_.GetPublicFolders(); }

void SetupProgram::LoadRules() { rules_.LoadRules(); }

void SetupProgram::SortFolderListInitially() { folders_.SortFolderListInitially(); }
void SetupProgram::subRegister() { registration_.subRegister(); }
void SetupProgram::subRegisterSW() { registration_.subRegisterSW(); }
void SetupProgram::ShowStoreWideState() { registration_.ShowStoreWideState(); }
void SetupProgram::CorrelatePFList(const std::string& previousTarget, const std::string& target) {
  folders_.CorrelatePFList(previousTarget, target);
}
void SetupProgram::TransformAllTargetsInPFList() { folders_.TransformAllTargetsInPFList(); }

}  // namespace quarvel::setup
