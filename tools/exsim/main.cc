// exsim: the command line of the simulated server. It creates a sample server,
// delivers and posts mail into public folders (raising the store events that
// call registered sinks), runs the SMTP pickup service, finishes what a
// crashed run left half-done, and shows folders, items, registrations, the
// component catalog and the event journal.
#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>

#include "platform/PlatformError.h"
#include "tools/exsim/Delivery.h"
#include "tools/exsim/ExsimCommands.h"
#include "tools/exsim/SampleServer.h"
#include "tools/exsim/SimulatedServer.h"
#include "tools/exsim/SmtpCommand.h"

namespace {

using namespace quarvel::exsim;
namespace fs = std::filesystem;

int RunDelivery(SimulatedServer& server, const std::vector<std::string>& inputs,
                const DeliveryOptions& options) {
  std::vector<fs::path> paths(inputs.begin(), inputs.end());
  const auto files = CollectMessageFiles(paths);
  if (files.empty()) {
    std::cerr << "exsim: no message files found\n";
    return 1;
  }
  const auto summary = Deliver(server, files, options, std::cerr);
  std::cout << DescribeSummary(summary) << '\n';
  return summary.failed == 0 ? 0 : 1;
}

// Set by SIGINT or SIGTERM: `exsim smtp --watch` ends after its current pass.
volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "exsim: a simulated mail server for Quarvel (public store, store events, "
      "component host, event journal)."};
  app.require_subcommand(1);
  std::string root = SimulatedServer::DefaultRoot().string();
  app.add_option("--root", root, "server directory (default: $EXSIM_ROOT or ./exsim-server)");

  bool force = false;
  auto* init = app.add_subcommand("init", "Create a sample server.");
  init->add_flag("--force", force, "replace a server that is already there");

  DeliveryOptions delivery;
  std::vector<std::string> inputs;
  int scl = 0;
  bool replicated = false;
  auto* deliver = app.add_subcommand("deliver", "Deliver message files into a public folder.");
  deliver->add_option("FILES", inputs, "message files or directories of them")->required();
  deliver->add_option("--to", delivery.to, "folder URL, path or e-mail address")->required();
  auto* sclOption =
      deliver->add_option("--scl", scl, "spam confidence level")->check(CLI::Range(-1, 9));
  deliver->add_option("--class", delivery.messageClass, "message class (default IPM.Note)");
  deliver->add_option("--threads", delivery.threads, "deliver on N threads")
      ->check(CLI::Range(1, 64));
  deliver->add_flag("--replicated", replicated, "arrive by replication instead of delivery");

  DeliveryOptions posting;
  posting.kind = quarvel::platform::store::SaveKind::kPosted;
  posting.messageClass = "IPM.Post";
  std::vector<std::string> postInputs;
  auto* post = app.add_subcommand("post", "Create items in a folder directly, without delivery.");
  post->add_option("FILES", postInputs, "message files or directories of them")->required();
  post->add_option("--to", posting.to, "folder URL, path or e-mail address")->required();
  post->add_option("--class", posting.messageClass, "message class (default IPM.Post)");

  std::string folder;
  auto* ls = app.add_subcommand("ls", "Show the folder tree, or the contents of one folder.");
  ls->add_option("FOLDER", folder, "folder URL, path or e-mail address");

  std::string object;
  bool withMessage = false;
  auto* show = app.add_subcommand("show", "Show an item's properties or a folder's settings.");
  show->add_option("NAME", object, "item or folder, by URL or path")->required();
  show->add_flag("--message", withMessage, "also print the item's message");

  auto* reg = app.add_subcommand("reg", "Event registrations: list, add, remove.");
  reg->require_subcommand(1);
  auto* regList = reg->add_subcommand("list", "List every registration item.");
  RegistrationRequest registration;
  auto* regAdd = reg->add_subcommand("add", "Register a sink for a folder or the whole store.");
  regAdd->add_option("FOLDER", registration.folder, "folder URL, path or e-mail address");
  regAdd->add_flag("--store-wide", registration.storeWide, "register for every public folder");
  regAdd->add_option("--sink", registration.sinkClass, "ProgID of the sink");
  regAdd->add_option("--priority", registration.priority, "0 runs first, 65535 last")
      ->check(CLI::Range(0, 65535));
  regAdd->add_option("--name", registration.itemName, "registration item name");
  std::string regItem;
  auto* regRemove = reg->add_subcommand("remove", "Remove a registration item.");
  regRemove->add_option("ITEM", regItem, "registration item, by URL or path")->required();

  auto* complus =
      app.add_subcommand("complus", "Component catalog: list, install, remove, start, stop.");
  complus->require_subcommand(1);
  auto* complusList = complus->add_subcommand("list", "List applications and components.");
  std::string application = "Quarvel";
  std::string moduleFile;
  auto* complusInstall = complus->add_subcommand("install", "Install a component module file.");
  complusInstall->add_option("FILE", moduleFile, "module file, e.g. build/bin/Quarvel.so")
      ->required()
      ->check(CLI::ExistingFile);
  complusInstall->add_option("--app", application, "application name (default Quarvel)");
  auto* complusRemove = complus->add_subcommand("remove", "Remove an application.");
  auto* complusStart = complus->add_subcommand("start", "Start an application.");
  auto* complusStop = complus->add_subcommand("stop", "Shut an application down.");
  for (auto* command : {complusRemove, complusStart, complusStop}) {
    command->add_option("APP", application, "application name (default Quarvel)");
  }

  std::optional<int> tail;
  std::string exportFolder;
  std::string exportDirectory;
  auto* exportCommand =
      app.add_subcommand("export", "Write a folder's items as .eml files into a directory.");
  exportCommand->add_option("FOLDER", exportFolder, "folder URL, path or e-mail address")
      ->required();
  exportCommand->add_option("DIR", exportDirectory, "directory for the files (created if missing)")
      ->required();

  auto* recover = app.add_subcommand(
      "recover",
      "Finish the saves that a stopped run (a crash, kill -9) left without their commit phase: "
      "moves and forwards the sink had marked are carried out. deliver, post and smtp do this "
      "first by themselves.");

  auto* log = app.add_subcommand("log", "Show the store's event journal.");
  log->add_option("--tail", tail, "only the last N entries")->check(CLI::NonNegativeNumber);

  bool watchSmtp = false;
  int smtpInterval = 500;
  auto* smtp = app.add_subcommand(
      "smtp",
      "Run the SMTP pickup service once: deliver each pickup file to the public folders "
      "its recipients' addresses belong to (raising their store events; each recipient's copy "
      "exactly once), copy mail for other addresses into Drop, move malformed files into "
      "Badmail with a .reason file, and leave a file the store cannot take now for the next "
      "pass.");
  smtp->add_flag("--watch", watchSmtp, "keep running passes until Ctrl+C or SIGTERM");
  smtp->add_option("--interval", smtpInterval,
                   "milliseconds between passes with --watch (default 500)")
      ->check(CLI::Range(1, 3600000));

  CLI11_PARSE(app, argc, argv);

  try {
    if (init->parsed()) {
      CreateSampleServer(root, force);
      std::cout << "Created a sample server at " << root << '\n';
      return 0;
    }
    SimulatedServer server(root);
    if (deliver->parsed() || post->parsed() || smtp->parsed()) RecoverSaves(server, std::cerr);
    if (deliver->parsed()) {
      if (sclOption->count() > 0) delivery.spamConfidenceLevel = scl;
      if (replicated) delivery.kind = quarvel::platform::store::SaveKind::kReplicated;
      return RunDelivery(server, inputs, delivery);
    }
    if (post->parsed()) return RunDelivery(server, postInputs, posting);
    if (ls->parsed()) return ListFolders(server, folder, std::cout, std::cerr);
    if (show->parsed()) return ShowObject(server, object, withMessage, std::cout, std::cerr);
    if (regList->parsed()) return ListRegistrations(server, std::cout);
    if (regAdd->parsed()) {
      if (!registration.storeWide && registration.folder.empty()) {
        std::cerr << "exsim: reg add needs a FOLDER or --store-wide\n";
        return 2;
      }
      return AddRegistration(server, registration, std::cout, std::cerr);
    }
    if (regRemove->parsed()) return RemoveRegistration(server, regItem, std::cout, std::cerr);
    if (complusList->parsed()) return ListApplications(server, std::cout);
    if (complusInstall->parsed()) {
      return InstallComponent(server, application, moduleFile, std::cout, std::cerr);
    }
    if (complusRemove->parsed())
      return RemoveApplication(server, application, std::cout, std::cerr);
    if (complusStart->parsed())
      return StartApplication(server, application, true, std::cout, std::cerr);
    if (complusStop->parsed())
      return StartApplication(server, application, false, std::cout, std::cerr);
    if (log->parsed()) return ShowJournal(server, tail, std::cout);
    if (exportCommand->parsed()) {
      return ExportFolder(server, exportFolder, exportDirectory, std::cout, std::cerr);
    }
    if (recover->parsed()) return Recover(server, std::cout, std::cerr);
    if (smtp->parsed()) {
      if (watchSmtp) {
        struct sigaction action {};
        action.sa_handler = RequestStop;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
      }
      return RunSmtp(server, watchSmtp, smtpInterval, std::cout, std::cerr,
                     [] { return stopRequested == 0; });
    }
  } catch (const quarvel::platform::PlatformError& error) {
    std::cerr << "exsim: " << error.Description() << '\n';
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "exsim: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
