#include "setup/app/SetupCommands.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>
#include <system_error>
#include <vector>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/controls/ListItem.h"
#include "setup/main/ComPlusApplication.h"
#include "setup/main/EventPriority.h"
#include "setup/main/FolderRowState.h"
#include "setup/main/InstallForm.h"
#include "setup/main/QuarantineRestore.h"
#include "setup/main/StatusDisplay.h"
#include "setup/rules/RuleEditor.h"
#include "setup/rules/RuleList.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::setup {

namespace fs = std::filesystem;

HeadlessProgram::HeadlessProgram(const CommandContext& context)
    : platform_(context.serverRoot),
      services_(context.err, platform_.Bundle().host),
      program_(platform_.Bundle(), services_,
               ProgramSettings{context.commandLine, context.programDirectory,
                               context.workingDirectory}) {
  program_.EchoLogTo(&context.err);
}

bool HeadlessProgram::Load() {
  program_.Load();
  return !program_.IsClosed();
}

void HeadlessProgram::Exit() {
  if (!program_.IsClosed()) program_.Exit();
}

int HeadlessProgram::ExitStatus() const { return program_.Log().EntriesWritten() > 0 ? 1 : 0; }

bool CheckServerDirectory(const CommandContext& context) {
  std::error_code error;
  if (fs::is_directory(context.serverRoot, error)) return true;
  context.err << "QuarvelSetup: no server directory at " << context.serverRoot.string()
              << " (set EXSIM_ROOT or --server; exsim init creates one)\n";
  return false;
}

int RunBatch(const CommandContext& context) {
  if (!CheckServerDirectory(context)) return 2;
  HeadlessProgram headless(context);
  if (headless.Load()) headless.Program().Activate();
  headless.Exit();
  WriteInstallationState(headless.Program(), context.out);
  return headless.ExitStatus();
}

void WriteInstallationState(SetupProgram& program, std::ostream& out) {
  InstallForm& form = program.Form();
  const bool installed = form.btnInstall.Caption() == "Uninstall";
  out << "COM+ object \"" << kApplicationName << "\" is "
      << (installed ? "installed" : "not installed");
  if (installed) {
    if (program.ComPlus().IsWindows2000Mode()) {
      out << " (identity " << form.txtIdent.Text() << ")";
    } else {
      out << " (as a service under .\\localsystem)";
    }
  }
  out << ".\n";
  // The status as the window's status bar shows it once the work is done.
  program.Status().AppStatus();
  out << form.StatusBar1.Panels()("statustext").Text() << '\n';
}

int RunInstall(const CommandContext& context, const InstallOptions& options, std::istream& in) {
  if (options.priority && !ParseEventPriority(*options.priority)) {
    context.err << "QuarvelSetup: --priority \"" << *options.priority
                << "\" is no whole number from 0 (highest) to 65535 (lowest)\n";
    return 2;
  }
  std::string password;
  if (options.passwordFromInput) {
    std::getline(in, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
  }
  if (!CheckServerDirectory(context)) return 2;

  HeadlessProgram headless(context);
  SetupProgram& program = headless.Program();
  bool reached = false;
  if (headless.Load()) {
    program.Activate();
    InstallForm& form = program.Form();
    const std::string wanted = options.uninstall ? "Install" : "Uninstall";
    if (form.btnInstall.Caption() == wanted) {
      context.out << "Nothing to do: the application is "
                  << (options.uninstall ? "not installed" : "already installed") << ".\n";
      reached = true;
    } else if (!form.btnInstall.Enabled()) {
      context.err << "QuarvelSetup: the application cannot be installed from "
                  << context.workingDirectory.string() << " (see the log above)\n";
    } else {
      if (!options.uninstall) {
        if (program.ComPlus().IsWindows2000Mode()) {
          if (options.identity) form.txtIdent.UserPaste(*options.identity);
          form.txtPwd.UserPaste(password);
        } else if (options.identity || options.passwordFromInput) {
          context.err << "QuarvelSetup: this host runs the application as a service under "
                         ".\\localsystem; --identity and --password-stdin are not used\n";
        }
        if (options.priority) form.txtPriority.UserPaste(text::Trim(*options.priority));
      }
      form.btnInstall.UserClick();
      reached = form.btnInstall.Caption() == wanted;
    }
  }
  headless.Exit();
  WriteInstallationState(program, context.out);
  const int status = headless.ExitStatus();
  return status == 0 && !reached ? 1 : status;
}

int RunDiscoveryReport(const CommandContext& context) {
  if (!CheckServerDirectory(context)) return 2;
  HeadlessProgram headless(context);
  headless.Load();
  SetupProgram& program = headless.Program();
  const ProgramState& state = program.State();
  const WindowState& window = program.Window();
  const auto shown = [](const std::string& value) { return value.empty() ? "(none)" : value; };
  context.out << "Server directory:   " << context.serverRoot.string() << '\n'
              << "Exchange server:    " << shown(window.exchangeServerName) << '\n'
              << "Public folder root: " << shown(state.publicFolderRootUrl) << '\n'
              << "Public store:       " << shown(state.publicStoreId) << '\n'
              << "Windows version:    " << shown(state.windowsVersionName) << '\n'
              << "Cluster node:       " << (window.clusterServer ? "yes" : "no") << '\n'
              << "Global catalog:     " << shown(window.globalCatalogPath) << '\n'
              << "Store connection:   "
              << (window.storeConnection.State() == platform::ado::adStateOpen ? "open"
                                                                               : "not open")
              << '\n'
              << "Rule file:          " << state.sRuleFilePath.string() << '\n';
  headless.Exit();
  return headless.ExitStatus();
}

namespace {

// A value as one line of a table: control characters escaped ("\x09").
std::string TableText(const std::string& value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
    } else {
      shown += c;
    }
  }
  return shown;
}

void PrintRuleTable(const std::vector<RuleRow>& rows, const std::vector<lint::Finding>& findings,
                    const std::string& pickup, std::ostream& out) {
  using Line = std::array<std::string, 5>;
  std::vector<Line> lines = {
      {"#", "Condition", "Action", "Target URL or E-mail Address", "Target Display Name"}};
  int number = 0;
  for (const RuleRow& row : rows) {
    lines.push_back({std::to_string(++number), TableText(row.condition), TableText(row.action),
                     TableText(row.target), TableText(row.displayName)});
  }
  std::array<std::size_t, 5> widths{};
  for (const Line& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      widths[i] = std::max(widths[i], text::CharCount(line[i]));
    }
  }
  if (rows.empty()) {
    out << "No rules.\n";
  } else {
    for (const Line& line : lines) {
      std::string text;
      for (std::size_t i = 0; i < line.size(); ++i) {
        text += line[i];
        if (i + 1 < line.size()) text.append(widths[i] - text::CharCount(line[i]) + 2, ' ');
      }
      while (!text.empty() && text.back() == ' ') text.pop_back();
      out << text << '\n';
    }
  }
  for (const lint::Finding& finding : findings)
    out << TableText(lint::FindingLine(finding)) << '\n';
  out << "Pickup directory: " << (pickup.empty() ? "(none)" : TableText(pickup)) << '\n';
}

void PrintRuleJson(const std::vector<RuleRow>& rows, const std::vector<lint::Finding>& findings,
                   const std::string& pickup, std::ostream& out) {
  nlohmann::json rules = nlohmann::json::array();
  for (const RuleRow& row : rows) {
    rules.push_back({{"condition", row.condition},
                     {"action", row.action},
                     {"target", row.target},
                     {"displayName", row.displayName}});
  }
  nlohmann::json found = nlohmann::json::array();
  for (const lint::Finding& finding : findings) {
    found.push_back({{"rule", finding.rule},
                     {"severity", lint::SeverityName(finding.severity)},
                     {"code", finding.code},
                     {"message", finding.message}});
  }
  const nlohmann::json document = {
      {"rules", std::move(rules)}, {"findings", std::move(found)}, {"pickupDirectory", pickup}};
  // Bytes that are not UTF-8 show as U+FFFD rather than stop the output.
  out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

int RunRuleList(const CommandContext& context, bool json) {
  if (!CheckServerDirectory(context)) return 2;
  HeadlessProgram headless(context);
  if (headless.Load()) {
    SetupProgram& program = headless.Program();
    program.Rules().LoadRules();
    const auto rows = program.Rules().Rows();
    const auto& findings = program.Rules().Findings();
    const std::string& pickup = program.Form().ComboPickUp.Text();
    if (json) {
      PrintRuleJson(rows, findings, pickup, context.out);
    } else {
      PrintRuleTable(rows, findings, pickup, context.out);
    }
  }
  headless.Exit();
  return headless.ExitStatus();
}

int RunPickupDirectory(const CommandContext& context, const std::optional<std::string>& directory) {
  if (!CheckServerDirectory(context)) return 2;
  HeadlessProgram headless(context);
  bool refused = false;
  if (headless.Load()) {
    SetupProgram& program = headless.Program();
    InstallForm& form = program.Form();
    program.Rules().LoadRules();
    if (directory) {
      form.ComboPickUp.UserPaste(*directory);
      if (form.btnPickUpChange.Enabled()) {
        form.btnPickUpChange.UserClick();
        refused = program.State().sSavedPickupDir != text::Trim(*directory);
      } else {
        context.out << "Unchanged: the rule file holds that directory already (letter case "
                       "is not compared).\n";
      }
    }
    context.out << "Pickup directory: "
                << (program.State().sSavedPickupDir.empty()
                        ? "(none)"
                        : TableText(program.State().sSavedPickupDir))
                << '\n';
    if (!directory) {
      for (int i = 0; i < form.ComboPickUp.ListCount(); ++i) {
        context.out << "Offered:          " << TableText(form.ComboPickUp.List(i)) << '\n';
      }
    }
  }
  headless.Exit();
  return refused ? 1 : headless.ExitStatus();
}

namespace {

using platform::controls::ComboBox;

// A person picks the entry that reads `text` (letter case aside); false when
// the list offers none.
bool Choose(ComboBox& list, std::string_view text) {
  for (int i = 0; i < list.ListCount(); ++i) {
    if (text::EqualsIgnoreCase(list.List(i), text)) return list.UserSelect(i);
  }
  return false;
}

std::string Entries(const ComboBox& list) {
  std::string entries;
  for (int i = 0; i < list.ListCount(); ++i) {
    entries += (i == 0 ? "\"" : ", \"") + list.List(i) + "\"";
  }
  return entries.empty() ? "none" : entries;
}

// ">3", "<5", "=4" and "4" as the relation and number the editor's lists say.
std::pair<std::string, std::string> SclChoice(std::string_view value) {
  const std::string_view trimmed = text::TrimView(value);
  if (trimmed.empty()) return {"", ""};
  const auto rest = [&] { return text::Trim(trimmed.substr(1)); };
  switch (trimmed.front()) {
    case '>':
      return {"greater than", rest()};
    case '<':
      return {"less than", rest()};
    case '=':
      return {"equal to", rest()};
    default:
      break;
  }
  const std::size_t blank = trimmed.rfind(' ');
  if (blank == std::string_view::npos) return {"equal to", std::string(trimmed)};
  return {text::Trim(trimmed.substr(0, blank)), text::Trim(trimmed.substr(blank + 1))};
}

// Fills the shown editor as a person would and presses OK; returns what the
// editor did not offer (empty when every choice could be made).
std::vector<std::string> FillRuleEditor(frmAddEdit& editor, const AddRuleOptions& options) {
  std::vector<std::string> problems;
  const std::string header = text::Trim(options.header);
  if (text::EqualsIgnoreCase(header, "SCL") || text::EqualsIgnoreCase(header, "IMFSCL")) {
    editor.Option2.UserClick();
    const auto [relation, number] = SclChoice(options.value);
    if (!Choose(editor.ComboSCL1, relation)) {
      problems.push_back("the SCL relation \"" + relation + "\" is none of " +
                         Entries(editor.ComboSCL1));
    }
    if (!Choose(editor.ComboSCL2, number)) {
      problems.push_back("the SCL number \"" + number + "\" is none of " +
                         Entries(editor.ComboSCL2));
    }
  } else {
    editor.Option1.UserClick();
    editor.ComboSMTPheaders.UserPaste(options.header);
    editor.txtValue.UserPaste(options.value);
  }
  if (!Choose(editor.ComboAction, text::Trim(options.action))) {
    problems.push_back("the action \"" + options.action + "\" is none of " +
                       Entries(editor.ComboAction));
  }
  const std::string& action = editor.ComboAction.Text();
  if (action == "move to" && !Choose(editor.ComboTargets, text::Trim(options.target))) {
    problems.push_back(
        "\"" + options.target +
        "\" is none of the folders the editor offers as targets: " + Entries(editor.ComboTargets));
  } else if (action == "forward to") {
    editor.ComboEmailAddresses.UserPaste(options.target);
  }
  if (options.displayName) editor.txtDispLayName.SetText(*options.displayName);
  return problems;
}

// One item of a restore as a line: what became of it, its name and subject,
// and where it went or why it stayed.
void PrintRestoredItem(const RestoredItem& item, bool dryRun, std::ostream& out) {
  std::string name = item.url;
  while (!name.empty() && name.back() == '/') name.pop_back();
  name = name.substr(name.rfind('/') + 1);
  const std::string what = TableText(name) + " \"" + TableText(item.subject) + "\"";
  switch (item.result) {
    case RestoreResult::kRestored:
      out << (dryRun ? "would restore: " : "restored: ") << what << " -> "
          << TableText(item.destination) << '\n';
      break;
    case RestoreResult::kNoMark:
      out << "skipped: " << what
          << ": no \"Originally delivered to\" mark, so no rule moved it here\n";
      break;
    case RestoreResult::kAlreadyHome:
      out << "skipped: " << what << ": already in the folder it was delivered to\n";
      break;
    case RestoreResult::kTargetGone:
      out << "not restored: " << what << ": the folder it was delivered to is gone ("
          << TableText(item.mark) << ")\n";
      break;
    case RestoreResult::kTargetInvalid:
      out << "not restored: " << what << ": its mark names no public folder of this store ("
          << TableText(item.mark) << ")\n";
      break;
    case RestoreResult::kFailed:
      out << "not restored: " << what << ": " << TableText(item.detail) << '\n';
      break;
  }
}

}  // namespace

int RunAddRule(const CommandContext& context, const AddRuleOptions& options) {
  if (!CheckServerDirectory(context)) return 2;
  HeadlessProgram headless(context);
  bool added = false;
  if (headless.Load()) {
    SetupProgram& program = headless.Program();
    program.Activate();
    frmAddEdit& editor = program.Editor();
    const std::size_t before = program.Rules().Rows().size();
    headless.Services().onModal = [&](platform::controls::Form& dialog) {
      const std::vector<std::string> problems = FillRuleEditor(editor, options);
      for (const std::string& problem : problems) {
        context.err << "QuarvelSetup: " << problem << '\n';
      }
      if (!problems.empty()) return;
      if (!editor.cmdOK.Enabled()) {
        context.err << "QuarvelSetup: the rule is not complete, so the editor keeps OK "
                       "disabled:"
                    << kPopulateAllFields << '\n';
        return;
      }
      editor.cmdOK.UserClick();
      // Still shown: the editor refused, and said why on the error stream.
      if (dialog.Visible()) editor.cmdCancel.UserClick();
    };
    program.Form().cmdAdd.UserClick();
    headless.Services().onModal = nullptr;
    const std::vector<RuleRow> rows = program.Rules().Rows();
    added = rows.size() == before + 1;
    if (added) {
      context.out << "Rule " << rows.size() << " added.\n";
      PrintRuleTable(rows, program.Rules().Findings(), program.Form().ComboPickUp.Text(),
                     context.out);
    } else {
      context.err << "QuarvelSetup: no rule was added\n";
    }
  }
  headless.Exit();
  const int status = headless.ExitStatus();
  return status == 0 && !added ? 1 : status;
}

namespace {

// The folder row a person would mean by `folder`: its URL, its path or its
// e-mail address, in any case.
platform::controls::ListItem* FindFolderRow(SetupProgram& program, const std::string& folder) {
  const std::string wanted = text::Trim(folder);
  for (auto& row : program.Form().ListView1.ListItems()) {
    if (text::EqualsIgnoreCase(row.Key(), wanted) || text::EqualsIgnoreCase(row.Text(), wanted) ||
        text::EqualsIgnoreCase(text::Trim(row.ColumnText(2)), wanted)) {
      return &row;
    }
  }
  return nullptr;
}

// Why a person's click cannot bring the row to `mark`, or "" when it can.
std::string WhyRowCannotBecome(SetupProgram& program, const platform::controls::ListItem& row,
                               const std::string& mark) {
  const std::string& now = row.SmallIcon();
  if (now == kMarkTargetPf) return "it is the target of a rule and is never registered";
  if (now == kMarkAccessDenied) return "the store denies access to it";
  if (now == kMarkPf) {
    return "the application is registered store-wide, so per-folder registration is not "
           "offered (--unregister-store-wide first)";
  }
  if (mark == kMarkChecked && program.Form().btnInstall.Caption() != "Uninstall") {
    return "the application is not installed (QuarvelSetup --install first); registrations "
           "can only be removed";
  }
  return "";
}

}  // namespace

void WriteFolderList(SetupProgram& program, std::ostream& out) {
  InstallForm& form = program.Form();
  out << (IsStoreWideMode(form.ListView1) ? "Registered store-wide: every public folder.\n"
                                          : "Registered per folder: the folders marked checked.\n");
  std::size_t markWidth = 4;
  std::size_t pathWidth = 11;
  for (const auto& row : form.ListView1.ListItems()) {
    markWidth = std::max(markWidth, row.SmallIcon().size() + 1);
    pathWidth = std::max(pathWidth, text::CharCount(row.Text()));
  }
  const auto pad = [](const std::string& value, std::size_t width) {
    const std::size_t count = text::CharCount(value);
    return value + std::string(width > count ? width - count : 0, ' ');
  };
  out << pad("Mark", markWidth) << "  " << pad("Folder path", pathWidth) << "  E-mail address\n";
  for (const auto& row : form.ListView1.ListItems()) {
    const std::string mark = row.SmallIcon() + (IsPending(row) ? "*" : "");
    out << pad(mark, markWidth) << "  " << pad(row.Text(), pathWidth) << "  " << row.ColumnText(2)
        << '\n';
  }
}

int RunFolderList(const CommandContext& context) {
  if (!CheckServerDirectory(context)) return 2;
  HeadlessProgram headless(context);
  SetupProgram& program = headless.Program();
  if (headless.Load()) {
    program.Activate();
    WriteFolderList(program, context.out);
  }
  headless.Exit();
  return headless.ExitStatus();
}

int RunRegisterFolders(const CommandContext& context, const std::vector<std::string>& folders,
                       bool unregister) {
  if (!CheckServerDirectory(context)) return 2;
  HeadlessProgram headless(context);
  SetupProgram& program = headless.Program();
  const std::string wanted = unregister ? kMarkUnchecked : kMarkChecked;
  bool reached = false;
  if (headless.Load()) {
    program.Activate();
    InstallForm& form = program.Form();
    reached = true;
    std::vector<platform::controls::ListItem*> rows;
    for (const std::string& folder : folders) {
      platform::controls::ListItem* row = FindFolderRow(program, folder);
      if (row == nullptr) {
        context.err << "QuarvelSetup: \"" << folder
                    << "\" is no mail-enabled public folder of the folder list (see --list)\n";
        reached = false;
        continue;
      }
      if (row->SmallIcon() == wanted) continue;
      if (const std::string why = WhyRowCannotBecome(program, *row, wanted); !why.empty()) {
        context.err << "QuarvelSetup: " << row->Text() << ": " << why << '\n';
        reached = false;
        continue;
      }
      // A person's click: the row toggle flips it and marks it pending.
      form.ListView1.UserClickItem(*row, true);
      rows.push_back(row);
    }
    if (!rows.empty()) form.btnChange.UserClick();
    for (const auto* row : rows) {
      if (row->SmallIcon() != wanted || IsPending(*row)) reached = false;
    }
    if (rows.empty() && reached) context.out << "Nothing to do.\n";
    WriteFolderList(program, context.out);
  }
  headless.Exit();
  const int status = headless.ExitStatus();
  return status == 0 && !reached ? 1 : status;
}

int RunRegisterStoreWide(const CommandContext& context, bool unregister) {
  if (!CheckServerDirectory(context)) return 2;
  HeadlessProgram headless(context);
  SetupProgram& program = headless.Program();
  bool reached = false;
  if (headless.Load()) {
    program.Activate();
    InstallForm& form = program.Form();
    const std::string press = unregister ? "Unregister" : "Register";
    if (form.btnRegisterSW.Caption() != press) {
      context.out << "Nothing to do: the application is "
                  << (unregister ? "not registered store-wide" : "already registered store-wide")
                  << ".\n";
      reached = true;
    } else if (!form.btnRegisterSW.Enabled()) {
      context.err << "QuarvelSetup: the application is not installed (QuarvelSetup --install "
                     "first)\n";
    } else {
      // Nobody is asked: the command line is the administrator's answer.
      program.Registration().btnRegisterSW_Click(false);
      reached = form.btnRegisterSW.Caption() != press;
    }
    WriteFolderList(program, context.out);
  }
  headless.Exit();
  const int status = headless.ExitStatus();
  return status == 0 && !reached ? 1 : status;
}

int RunRestore(const CommandContext& context, const RestoreOptions& options) {
  std::optional<RestoreFilter> filter;
  if (options.match) {
    filter = RestoreFilter{text::Trim(options.header), *options.match};
    if (const auto problem = RestoreFilterProblem(*filter)) {
      context.err << "QuarvelSetup: --match: " << *problem << '\n';
      return 2;
    }
  }
  if (!CheckServerDirectory(context)) return 2;
  HeadlessProgram headless(context);
  if (!headless.Load()) return 2;
  SetupProgram& program = headless.Program();
  int status = 0;
  try {
    const std::string folder = program.Restore().FolderHref(options.folder);
    context.out << (options.dryRun ? "Dry run, nothing is changed: restoring " : "Restoring ")
                << "the items of " << TableText(folder);
    if (filter) {
      context.out << " whose " << TableText(filter->header) << " matches \""
                  << TableText(filter->pattern) << "\"";
    }
    context.out << '\n';
    const RestoreSummary summary =
        program.Restore().Restore(folder, filter, options.dryRun, [&](const RestoredItem& item) {
          PrintRestoredItem(item, options.dryRun, context.out);
          context.out.flush();
        });
    context.out << summary.restored << (options.dryRun ? " would be restored, " : " restored, ")
                << summary.notRestored << (options.dryRun ? " could not be, " : " not restored, ")
                << summary.noMark << " without a mark, " << summary.alreadyHome << " already home";
    if (filter) context.out << ", " << summary.notSelected << " not matching";
    context.out << (options.dryRun ? ". Nothing was changed.\n" : ".\n");
    if (!summary.AllRestored()) status = 1;
  } catch (const RestoreFolderError& error) {
    context.err << "QuarvelSetup: --restore: " << error.what() << '\n';
    status = 2;
  } catch (const platform::PlatformError& error) {
    context.err << "QuarvelSetup: --restore: the folder could not be listed: " << error.Number()
                << " " << error.Description() << '\n';
    status = 1;
  }
  headless.Exit();
  return status != 0 ? status : headless.ExitStatus();
}

}  // namespace quarvel::setup
