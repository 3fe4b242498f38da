// The rule editor in the whole setup program, for its tests: the program on
// a test platform (the sample server and directory), its main window shown,
// a small public folder tree in the editor, and a click on Add or Edit that
// runs a test's "person" while the dialog is shown modally.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "setup/main/SetupProgram.h"
#include "setup/main/TestPlatform_test_support.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::setup::testing {

inline const std::string kInbox = "http://MAIL01/Public/Inbox";
inline const std::string kJunkMail = "http://MAIL01/Public/Junk Mail";
inline const std::string kQuarantine = "http://MAIL01/Public/Junk Mail/Quarantine";
inline const std::string kBoardRoom = "http://MAIL01/Public/Board Room";

// Puts a folder tree into the editor as the folder walk fills it (which is
// another concern's): Inbox; Junk Mail with Quarantine below it; Board Room,
// which may not be chosen ("accessdenied", not in the target list).
inline void FillFolderTree(frmAddEdit& editor) {
  editor.TreeView1.Nodes().Clear();
  editor.ComboTargets.Clear();
  struct Folder {
    const char* parent;
    const std::string& url;
    const char* name;
    bool accessDenied;
  };
  const Folder folders[] = {{"", kInbox, "Inbox", false},
                            {"", kJunkMail, "Junk Mail", false},
                            {"http://MAIL01/Public/Junk Mail", kQuarantine, "Quarantine", false},
                            {"", kBoardRoom, "Board Room", true}};
  for (const Folder& folder : folders) {
    auto& node = editor.TreeView1.Nodes().Add(folder.parent, folder.url, folder.name,
                                              folder.accessDenied ? "accessdenied" : "pf");
    node.SetBold(!folder.accessDenied);
    if (!folder.accessDenied) editor.ComboTargets.AddItem(folder.url);
  }
}

class EditorSession {
 public:
  // The program with `ruleFile` as its rule file (none when empty), shown.
  explicit EditorSession(const std::string& ruleFile = "", TestPlatformOptions options = {})
      : platform(std::move(options)) {
    platform.WriteComponentFile();
    if (!ruleFile.empty()) std::ofstream(RuleFilePath(), std::ios::binary) << ruleFile;
    program = platform.MakeProgram();
    program->Form().Show();
    FillFolderTree(editor());
  }

  [[nodiscard]] frmAddEdit& editor() { return program->Editor(); }
  [[nodiscard]] InstallForm& form() { return program->Form(); }
  [[nodiscard]] platform::controls::ScriptedWindowServices& services() {
    return platform.Services();
  }
  [[nodiscard]] std::filesystem::path RuleFilePath() const {
    return platform.Root() / "Quarvel.ini";
  }
  [[nodiscard]] std::string RuleFileText() const {
    std::ifstream in(RuleFilePath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // Clicks Add (or selects row `row` and clicks Edit) and runs `person` while
  // the dialog is shown. Returns whether the dialog was still open when the
  // person was done; it is then cancelled, as the next test step needs it closed.
  bool Add(const std::function<void()>& person) { return Show(form().cmdAdd, person); }
  bool Edit(int row, const std::function<void()>& person) {
    form().ListView2.UserClickItem(form().ListView2.ListItems()(row));
    return Show(form().cmdEdit, person);
  }

  // The rules list: one line per row, its four columns joined by " | ".
  [[nodiscard]] std::vector<std::string> Rules() {
    std::vector<std::string> rows;
    for (const RuleRow& row : program->Rules().Rows()) {
      rows.push_back(row.condition + " | " + row.action + " | " + row.target + " | " +
                     row.displayName);
    }
    return rows;
  }

  TestPlatform platform;
  std::unique_ptr<SetupProgram> program;

 private:
  bool Show(platform::controls::CommandButton& button, const std::function<void()>& person) {
    bool stayedOpen = false;
    services().onModal = [&](platform::controls::Form& dialog) {
      person();
      stayedOpen = dialog.IsLoaded() && dialog.Visible();
      if (stayedOpen) editor().cmdCancel.UserClick();
    };
    button.UserClick();
    services().onModal = nullptr;
    return stayedOpen;
  }
};

}  // namespace quarvel::setup::testing
