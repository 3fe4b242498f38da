// The setup program's commands that run without a window, one function each.
// Every command makes the program on the stand-in server (HeadlessProgram),
// runs the same routines a person would through the window, and answers with
// an exit status: 0 done, 1 the run wrote to the error log (every entry also
// went to the error stream), 2 it could not start.
//
// Adding a command: write `int RunX(const CommandContext&, ...)` here on a
// HeadlessProgram, and give it its option in QuarvelSetupMain.cc.
#pragma once

#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "setup/app/HeadlessWindowServices.h"
#include "setup/app/ServerPlatform.h"
#include "setup/main/SetupProgram.h"

namespace quarvel::setup {

struct CommandContext {
  std::filesystem::path serverRoot;        // the stand-in server's directory
  std::filesystem::path programDirectory;  // where the program (and the rule file) is
  std::filesystem::path workingDirectory;  // where the component file is looked for
  std::string commandLine;                 // the arguments as one text
  std::ostream& out;
  std::ostream& err;
};

// The program on the stand-in server with headless window services; its
// error log goes to the context's error stream as it is written.
class HeadlessProgram {
 public:
  explicit HeadlessProgram(const CommandContext& context);

  [[nodiscard]] SetupProgram& Program() { return program_; }
  [[nodiscard]] HeadlessWindowServices& Services() { return services_; }
  // Start-up; false when the program closed during it.
  bool Load();
  // Ends the program as Exit does, unless it is already closed.
  void Exit();
  // 1 when the run wrote to the error log, else 0.
  [[nodiscard]] int ExitStatus() const;

 private:
  ServerPlatform platform_;
  HeadlessWindowServices services_;
  SetupProgram program_;
};

// Batch mode ("-b"): start-up, first activation with its registration pass,
// and exit; then the installation state (WriteInstallationState) on the
// output stream.
int RunBatch(const CommandContext& context);

// What --install and --uninstall are told.
struct InstallOptions {
  bool uninstall = false;
  // Windows 2000 hosts only: the identity (else the one the window
  // proposes) and whether the password is the first line of standard input.
  std::optional<std::string> identity;
  bool passwordFromInput = false;
  // The event sink priority (else the field's, as the window shows it).
  std::optional<std::string> priority;
};

// --install / --uninstall: start-up and first activation as the window runs
// them, the identity, password and priority typed into their fields, then a
// press of the install button, if it reads as wanted ("Install" or
// "Uninstall"); already in the wanted state, nothing is pressed. Writes the
// installation state to the output stream. The password is read from `in`
// before anything else and goes nowhere but the catalog. Exit status 0 when
// the application is in the wanted state and nothing was logged, 1 when it
// is not or the log has entries, 2 for a priority that is none or no server
// directory.
int RunInstall(const CommandContext& context, const InstallOptions& options, std::istream& in);

// The application's state and the status line, as the window shows them:
//   COM+ object "Quarvel" is installed (as a service under .\localsystem).
//   Status: stopped. Reason: no rules.
void WriteInstallationState(SetupProgram& program, std::ostream& out);

// What start-up discovered, one fact a line, for a person: the server, the
// public-folder root, the store identifier, the Windows version name, the
// cluster flag and the global catalog path.
int RunDiscoveryReport(const CommandContext& context);

// The rule list as the window shows it, loaded as the window loads it (which
// restarts the component application, and stores the first pickup directory
// found when the file names none): per rule its number, condition text,
// action, target and target display name, as a table or (`json`) as JSON,
// then the pickup directory.
int RunRuleList(const CommandContext& context, bool json);

// The pickup directory: without `directory`, the stored one and those the
// SMTP virtual servers offer; with it, `directory` is typed into the pickup
// box and stored with the Change button, as a person would. Exits 1 as well
// when the value was refused.
int RunPickupDirectory(const CommandContext& context, const std::optional<std::string>& directory);

// What --add-rule is told: the rule as a person would fill the rule editor.
struct AddRuleOptions {
  // A header name ("Subject", "X-Spam-Flag:"), or "SCL" (also "IMFSCL")
  // for the spam confidence level.
  std::string header;
  // The header's pattern; for SCL the relation and number the editor's lists
  // offer ("greater than 3", "less than 5", "equal to -1"), or ">3", "<5", "=-1", "-1".
  std::string value;
  std::string action;  // "move to", "delete" or "forward to"
  // The folder URL (as the editor's target list offers it) for "move to",
  // the e-mail address for "forward to"; not used for "delete".
  std::string target;
  // The target's display name, instead of the one the editor finds.
  std::optional<std::string> displayName;
};

// --add-rule: start-up and first activation as the window runs them, then a
// click on Add, the rule filled into the editor through its controls, and
// OK. The editor's own refusals (its messages, and the invalid-pattern
// question answered No) and a choice its lists do not offer go to the error
// stream, and nothing is stored. On success prints the rule list. Exit
// status 0 when the rule was added and nothing was logged, 1 otherwise, 2
// for no server directory.
int RunAddRule(const CommandContext& context, const AddRuleOptions& options);

// The folder list as the window shows it after its first activation: the
// registration mode, then one line per mail-enabled folder with its mark
// ("checked", "unchecked", "pf", "targetpf", "accessdenied"; a "*" after it
// when the row is pending), its path and its e-mail address.
void WriteFolderList(SetupProgram& program, std::ostream& out);

// --list: start-up and first activation, then WriteFolderList.
int RunFolderList(const CommandContext& context);

// --register / --unregister FOLDER...: start-up and first activation, then
// a person's click on each named folder's row that does not yet read as
// wanted ("checked" or "unchecked"), and a press of Change. A FOLDER is a
// folder URL, a folder path as the list shows it, or a folder's e-mail
// address (any case). A folder that is not listed, is a rule target, is
// denied by the store, cannot be changed per folder while the store-wide
// registration is active, or cannot be registered while the application is
// not installed, is named on the error stream and left alone. Prints the
// folder list afterwards. Exit status 0 when every folder reads as wanted
// and nothing was logged, 1 otherwise, 2 for no server directory.
int RunRegisterFolders(const CommandContext& context, const std::vector<std::string>& folders,
                       bool unregister);

// --register-store-wide / --unregister-store-wide: start-up and first
// activation, then the store-wide button's work if it reads as wanted
// ("Register" or "Unregister"), without the question a person is asked.
// Registering needs the application installed. Prints the folder list
// afterwards. Exit status 0 when the registration is in the wanted state
// and nothing was logged, 1 otherwise, 2 for no server directory.
int RunRegisterStoreWide(const CommandContext& context, bool unregister);

// What --restore is told.
struct RestoreOptions {
  std::string folder;                // a folder URL of either form, or a path below the root
  std::optional<std::string> match;  // a rule's condition value; every item without it
  std::string header = "Subject";    // what --match tests, as a rule's header would
  bool dryRun = false;
};

// --restore: start-up, then the items of the folder that a move rule put
// there go back to the folder they were delivered to (QuarantineRestore),
// one line per item on the output stream as it is done, then a summary.
// Exit status 0 when every selected item that carries the mark is back (or,
// in a dry run, would be), 1 when some could not be restored or the log has
// entries, 2 for a filter that cannot work, a folder that is none, or no
// store connection.
int RunRestore(const CommandContext& context, const RestoreOptions& options);

// Checks that the server directory exists; otherwise says so on the error
// stream and returns false.
[[nodiscard]] bool CheckServerDirectory(const CommandContext& context);

}  // namespace quarvel::setup
