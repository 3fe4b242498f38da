// The state the whole setup program shares across its windows and concerns,
// written where its comment says and read by everyone else. Owned by the
// SetupProgram; window thread only.
#pragma once

#include <filesystem>
#include <string>

#include "common/RuleFile.h"

namespace quarvel::setup {

struct ProgramState {
  // Found once at start-up by server discovery (ServerPaths).
  std::string publicFolderRootUrl;  // "<scheme>://<host>/Public/", or "" when not found
  int rootUrlLength = 0;            // characters of publicFolderRootUrl
  std::string publicStoreId;        // GUID text of the store holding the public folder tree
  std::string windowsVersionName;   // only "Windows 2000" is ever tested

  // The priority field (PriorityField): its last accepted text, and set while
  // the program itself writes the field, so that its change handling stays out.
  std::string lastValidPriority;
  bool priorityGuard = false;

  // Change handlers of the rule editor's fields and of the pickup directory
  // act only while this is set; whoever fills those controls clears it.
  bool blnTrackChanges = false;
  // The pickup directory as last loaded from or stored in the rule file.
  std::string sSavedPickupDir;
  // The rule file (kRuleFileName): beside the setup program, as the sink
  // reads it beside its own module.
  std::filesystem::path sRuleFilePath;
  // The rule editor may really unload (set when the program ends); until
  // then closing it only hides it.
  bool blnAllowEditorUnload = false;
};

}  // namespace quarvel::setup
