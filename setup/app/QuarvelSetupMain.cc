// QuarvelSetup: the setup program. "-b" (or "/b") as the first argument runs
// the unattended batch pass; --install and --uninstall do the install
// button's work without a window; without arguments it opens the window;
// "--report" prints what it discovered on the server, "--rules" the rule
// list, "--pickup" shows or sets the pickup directory, "--add-rule" adds
// a rule through the rule editor, "--list" shows the folder list with its
// marks, "--register" and its kin register the sink as the window's
// buttons do, and "--restore" puts quarantined mail back into the folders
// it was delivered to.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "setup/app/ServerPlatform.h"
#include "setup/app/SetupCommands.h"
#include "setup/main/CommandLine.h"
#ifdef QUARVEL_WITH_WINDOW
#include "setup/app/SetupWindow.h"
#endif

namespace {

namespace fs = std::filesystem;
using namespace quarvel::setup;

// The arguments after the program's name as one text, as the batch rule reads them.
std::string CommandLineOf(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

// The directory of the running executable: the rule file lives beside it.
fs::path ProgramDirectory(const char* argv0) {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (!error) return self.parent_path();
  return fs::absolute(fs::path(argv0), error).parent_path();
}

// The registration commands' options, kept apart from the others'.
struct RegistrationOptions {
  bool list = false;
  std::vector<std::string> registerFolders;
  std::vector<std::string> unregisterFolders;
  bool registerStoreWide = false;
  bool unregisterStoreWide = false;
  std::vector<CLI::Option*> options;
};

void AddRegistrationOptions(CLI::App& app, RegistrationOptions& r) {
  r.options = {
      app.add_flag("--list", r.list, "print the folder list with each row's mark"),
      app.add_option("--register", r.registerFolders,
                     "register the sink in these mail-enabled folders (URL, path or e-mail "
                     "address), as clicking their rows and Change does")
          ->expected(1, CLI::detail::expected_max_vector_size)
          ->type_name("FOLDER..."),
      app.add_option("--unregister", r.unregisterFolders,
                     "remove the sink's registration from these folders")
          ->expected(1, CLI::detail::expected_max_vector_size)
          ->type_name("FOLDER..."),
      app.add_flag("--register-store-wide", r.registerStoreWide,
                   "register the sink for all public folders, as the store-wide button does"),
      app.add_flag("--unregister-store-wide", r.unregisterStoreWide,
                   "remove the store-wide registration"),
  };
  for (std::size_t i = 0; i < r.options.size(); ++i) {
    for (std::size_t j = i + 1; j < r.options.size(); ++j) r.options[i]->excludes(r.options[j]);
  }
}

bool RegistrationRequested(const RegistrationOptions& r) {
  for (const CLI::Option* option : r.options) {
    if (option->count() > 0) return true;
  }
  return false;
}

int RunRegistrationCommand(const CommandContext& context, const RegistrationOptions& r) {
  if (r.list) return RunFolderList(context);
  if (!r.registerFolders.empty()) return RunRegisterFolders(context, r.registerFolders, false);
  if (!r.unregisterFolders.empty()) return RunRegisterFolders(context, r.unregisterFolders, true);
  return RunRegisterStoreWide(context, r.unregisterStoreWide);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string commandLine = CommandLineOf(argc, argv);
  // Only the first two characters decide batch mode ("-bx" too); the rest of
  // the line is then read as options.
  const bool batch = IsBatchCommandLine(commandLine);

  CLI::App app{
      "QuarvelSetup: installs the Quarvel sink, registers it with the public store and edits "
      "its rules.\n"
      "  QuarvelSetup -b [--server DIR]   unattended: re-apply the registration and exit\n"
      "                                   (\"-b\" or \"/b\", any case, as the first argument);\n"
      "                                   exit 0 clean, 1 the error log has entries (they go to\n"
      "                                   standard error), 2 it could not start\n"
      "  QuarvelSetup --install [--identity DOMAIN\\USER --password-stdin] [--priority N]\n"
      "                                   install the sink's application from Quarvel.so in\n"
      "                                   the working directory (the identity and password\n"
      "                                   only on Windows 2000 hosts; elsewhere it runs as a\n"
      "                                   service); exit 0 installed, 1 not (the log goes to\n"
      "                                   standard error), 2 it could not start\n"
      "  QuarvelSetup --uninstall         remove the application\n"
      "  QuarvelSetup [--server DIR]      open the setup window\n"
      "  QuarvelSetup --report            show what the program discovers on the server\n"
      "  QuarvelSetup --rules [--json]    show the rule list as the window shows it\n"
      "  QuarvelSetup --pickup [DIR]      show the pickup directory, or store DIR as it\n"
      "  QuarvelSetup --add-rule HEADER VALUE ACTION [TARGET] [--display-name NAME]\n"
      "                                   add a rule as the rule editor's Add and OK do:\n"
      "                                   HEADER a header name, or SCL for the spam\n"
      "                                   confidence level; VALUE its pattern, or for SCL\n"
      "                                   \"greater than 3\", \"less than 5\", \"equal to -1\"\n"
      "                                   (also \">3\", \"<5\", \"=-1\"); ACTION \"move to\"\n"
      "                                   (TARGET a folder URL the editor offers), \"forward\n"
      "                                   to\" (TARGET an e-mail address) or \"delete\" (no\n"
      "                                   TARGET); the editor's refusals go to standard\n"
      "                                   error and exit 1, an invalid pattern included\n"
      "                                   (the other commands exit 1 when the error log has\n"
      "                                   entries, 2 when they could not start; loading the\n"
      "                                   rules restarts the component application and\n"
      "                                   stores the first pickup directory found when the\n"
      "                                   rule file names none, as the window does)\n"
      "  QuarvelSetup --restore FOLDER [--header NAME] [--match PATTERN] [--dry-run]\n"
      "                                   move the items a move rule put into FOLDER (a URL\n"
      "                                   of either form, or a path like \"Junk Mail/Spam\")\n"
      "                                   back to the folder each was delivered to, raising no\n"
      "                                   store event; --match picks items as a rule's condition\n"
      "                                   on --header (default Subject; IMFSCL for the SCL)\n"
      "                                   would; exit 0 all restored, 1 some could not be, 2 a\n"
      "                                   bad command line or no such folder"};
  std::string server = ServerPlatform::DefaultRoot().string();
  app.add_option("--server", server,
                 "the stand-in server's directory (default: $EXSIM_ROOT, else ./exsim-server)");
  bool report = false;
  auto* reportFlag =
      app.add_flag("--report", report, "print what start-up discovers on the server, and exit");
  bool rules = false;
  auto* rulesFlag = app.add_flag("--rules", rules,
                                 "print the rule list (condition, action, target, display name)");
  bool json = false;
  app.add_flag("--json", json, "with --rules: print JSON")->needs(rulesFlag);
  std::string pickup;
  auto* pickupOption =
      app.add_option("--pickup", pickup,
                     "show the pickup directory and those the SMTP virtual servers offer, or "
                     "store DIR as the pickup directory (through the window's Change button)")
          ->expected(0, 1)
          ->type_name("[DIR]");
  pickupOption->excludes(rulesFlag);
  std::vector<std::string> addRule;
  auto* addRuleOption =
      app.add_option("--add-rule", addRule,
                     "add a rule through the rule editor: HEADER VALUE ACTION [TARGET]")
          ->expected(3, 4)
          ->allow_extra_args(false)
          ->type_name("HEADER VALUE ACTION [TARGET]");
  addRuleOption->excludes(rulesFlag)->excludes(pickupOption)->excludes(reportFlag);
  AddRuleOptions addRuleOptions;
  app.add_option("--display-name", addRuleOptions.displayName,
                 "with --add-rule: the target's display name (default: the one the editor "
                 "finds for it)")
      ->needs(addRuleOption);
  RestoreOptions restoreOptions;
  auto* restoreOption =
      app.add_option("--restore", restoreOptions.folder,
                     "move the items of FOLDER that carry \"Originally delivered to\" back to the "
                     "folder they were delivered to")
          ->type_name("FOLDER");
  std::string matchPattern;
  auto* matchOption =
      app.add_option("--match", matchPattern,
                     "with --restore: only items whose --header satisfies PATTERN, tested as a "
                     "rule's condition value")
          ->type_name("PATTERN");
  auto* headerOption =
      app.add_option("--header", restoreOptions.header,
                     "with --match: Subject (default), IMFSCL (the spam confidence level) or a "
                     "transport header such as X-Spam-Flag")
          ->type_name("NAME");
  auto* dryRunFlag = app.add_flag("--dry-run", restoreOptions.dryRun,
                                  "with --restore: change nothing, say what would be done");
  matchOption->needs(restoreOption);
  headerOption->needs(matchOption);
  dryRunFlag->needs(restoreOption);
  restoreOption->excludes(rulesFlag)
      ->excludes(pickupOption)
      ->excludes(addRuleOption)
      ->excludes(reportFlag);
  RegistrationOptions registration;
  AddRegistrationOptions(app, registration);
  bool batchFlag = false;
  app.add_flag("-b", batchFlag, "batch mode (also /b, or -b followed by anything)");
  bool install = false;
  bool uninstall = false;
  InstallOptions installOptions;
  auto* installFlag =
      app.add_flag("--install", install, "install the application, as the Install button does");
  auto* uninstallFlag = app.add_flag("--uninstall", uninstall,
                                     "remove the application, as the Uninstall button does");
  installFlag->excludes(uninstallFlag);
  for (auto* flag : {installFlag, uninstallFlag}) flag->excludes(addRuleOption);
  auto* identityOption =
      app.add_option("--identity", installOptions.identity,
                     "with --install on Windows 2000: the account it runs as (default: the one "
                     "the window proposes)");
  auto* passwordOption = app.add_flag(
      "--password-stdin", installOptions.passwordFromInput,
      "with --install on Windows 2000: read the account's password from the first line of "
      "standard input (it is never taken from the command line)");
  auto* priorityOption =
      app.add_option("--priority", installOptions.priority,
                     "with --install: the event sink priority, 0 (highest) to 65535 (lowest)");
  for (auto* option : {identityOption, passwordOption, priorityOption}) {
    option->needs(installFlag);
  }

  try {
    if (batch) {
      // argv[1] is the batch switch; the parser sees the rest.
      app.parse(argc - 1, argv + 1);
    } else {
      app.parse(argc, argv);
    }
  } catch (const CLI::ParseError& error) {
    // --help exits 0; a wrong command line exits 2, as documented.
    return app.exit(error) == 0 ? 0 : 2;
  }

  // The program reads batch mode from its command line: "-b" given later on
  // the line counts as well.
  const bool runBatch = batch || batchFlag;
  if ((runBatch || install || uninstall) && restoreOption->count() > 0) {
    std::cerr << "QuarvelSetup: --restore cannot be combined with -b, --install or --uninstall\n";
    return 2;
  }
  if (runBatch && (install || uninstall || addRuleOption->count() > 0)) {
    std::cerr << "QuarvelSetup: -b cannot be combined with --install, --uninstall or "
                 "--add-rule\n";
    return 2;
  }
  if (RegistrationRequested(registration) &&
      (runBatch || install || uninstall || report || rules || addRuleOption->count() > 0 ||
       pickupOption->count() > 0)) {
    std::cerr << "QuarvelSetup: --list and the registration commands run alone\n";
    return 2;
  }
  std::error_code error;
  const CommandContext context{fs::path(server),
                               ProgramDirectory(argv[0]),
                               fs::current_path(error),
                               runBatch && !batch ? "-b " + commandLine : commandLine,
                               std::cout,
                               std::cerr};
  if (install || uninstall) {
    installOptions.uninstall = uninstall;
    return RunInstall(context, installOptions, std::cin);
  }
  if (runBatch) return RunBatch(context);
  if (RegistrationRequested(registration)) return RunRegistrationCommand(context, registration);
  if (restoreOption->count() > 0) {
    if (matchOption->count() > 0) restoreOptions.match = matchPattern;
    return RunRestore(context, restoreOptions);
  }
  if (report) return RunDiscoveryReport(context);
  if (rules) return RunRuleList(context, json);
  if (addRuleOption->count() > 0) {
    addRuleOptions.header = addRule.at(0);
    addRuleOptions.value = addRule.at(1);
    addRuleOptions.action = addRule.at(2);
    if (addRule.size() > 3) addRuleOptions.target = addRule[3];
    return RunAddRule(context, addRuleOptions);
  }
  if (pickupOption->count() > 0) {
    // "--pickup" alone shows (as does an empty DIR, which the next load would
    // replace by the first directory found anyway); "--pickup DIR" stores.
    return RunPickupDirectory(context,
                              pickup.empty() ? std::nullopt : std::optional<std::string>(pickup));
  }
#ifdef QUARVEL_WITH_WINDOW
  return RunSetupWindow(context, argc, argv);
#else
  context.err << "QuarvelSetup: built without Qt 6, so it has no window; \"QuarvelSetup -b\" "
                 "runs the unattended pass and \"--report\" shows what it discovers\n";
  return 2;
#endif
}
