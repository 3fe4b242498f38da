#include "setup/app/SetupCommands.h"

#include <system_error>

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
  return headless.ExitStatus();
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

}  // namespace quarvel::setup
