// exsim: the command line of the simulated server. It creates a sample server,
// delivers and posts mail into public folders (raising the store events that
// call registered sinks), runs the SMTP pickup service, finishes what a
// crashed run left half-done, and shows folders, items, registrations, the
// component catalog and the event journal.
//
// Each command adds itself to the command line with its own options and, when
// it is the one chosen, leaves what it runs in the Invocation; main runs that
// once the whole command line is parsed.
#include <CLI/CLI.hpp>
#include <csignal>
#include <functional>
#include <iostream>
#include <memory>

#include "platform/PlatformError.h"
#include "platform/server/SampleServer.h"
#include "platform/server/SimulatedServer.h"
#include "tools/exsim/Delivery.h"
#include "tools/exsim/ExsimCommands.h"
#include "tools/exsim/SmtpCommand.h"

namespace {

using namespace quarvel::exsim;
namespace fs = std::filesystem;

struct Invocation {
  std::string root = SimulatedServer::DefaultRoot().string();
  // The chosen command, given the server directory; its result is the exit status.
  std::function<int(const std::string& root)> run;
};

// Makes `command`, once parsed, the one that runs, on the server it opens.
// Commands that save items first finish the saves a crashed run left half-done.
void OnChosen(CLI::App* command, Invocation& invocation, std::function<int(SimulatedServer&)> run,
              bool recoverFirst = false) {
  command->callback([&invocation, run = std::move(run), recoverFirst] {
    invocation.run = [run, recoverFirst](const std::string& root) {
      SimulatedServer server(root);
      if (recoverFirst) RecoverSaves(server, std::cerr);
      return run(server);
    };
  });
}

void AddInit(CLI::App& app, Invocation& invocation) {
  auto force = std::make_shared<bool>(false);
  auto* init = app.add_subcommand("init", "Create a sample server.");
  init->add_flag("--force", *force, "replace a server that is already there");
  init->callback([&invocation, force] {
    invocation.run = [force](const std::string& root) {
      quarvel::platform::server::CreateSampleServer(root, *force);
      std::cout << "Created a sample server at " << root << '\n';
      return 0;
    };
  });
}

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

void AddDeliver(CLI::App& app, Invocation& invocation) {
  struct Options {
    DeliveryOptions delivery;
    std::vector<std::string> inputs;
    int scl = 0;
    bool replicated = false;
  };
  auto options = std::make_shared<Options>();
  auto* deliver = app.add_subcommand("deliver", "Deliver message files into a public folder.");
  deliver->add_option("FILES", options->inputs, "message files or directories of them")->required();
  deliver->add_option("--to", options->delivery.to, "folder URL, path or e-mail address")
      ->required();
  auto* sclOption =
      deliver->add_option("--scl", options->scl, "spam confidence level")->check(CLI::Range(-1, 9));
  deliver->add_option("--class", options->delivery.messageClass,
                      "message class (default IPM.Note)");
  deliver->add_option("--threads", options->delivery.threads, "deliver on N threads")
      ->check(CLI::Range(1, 64));
  deliver->add_flag("--replicated", options->replicated,
                    "arrive by replication instead of delivery");
  OnChosen(
      deliver, invocation,
      [options, sclOption](SimulatedServer& server) {
        if (sclOption->count() > 0) options->delivery.spamConfidenceLevel = options->scl;
        if (options->replicated) {
          options->delivery.kind = quarvel::platform::store::SaveKind::kReplicated;
        }
        return RunDelivery(server, options->inputs, options->delivery);
      },
      true);
}

void AddPost(CLI::App& app, Invocation& invocation) {
  struct Options {
    DeliveryOptions posting;
    std::vector<std::string> inputs;
  };
  auto options = std::make_shared<Options>();
  options->posting.kind = quarvel::platform::store::SaveKind::kPosted;
  options->posting.messageClass = "IPM.Post";
  auto* post = app.add_subcommand("post", "Create items in a folder directly, without delivery.");
  post->add_option("FILES", options->inputs, "message files or directories of them")->required();
  post->add_option("--to", options->posting.to, "folder URL, path or e-mail address")->required();
  post->add_option("--class", options->posting.messageClass, "message class (default IPM.Post)");
  OnChosen(
      post, invocation,
      [options](SimulatedServer& server) {
        return RunDelivery(server, options->inputs, options->posting);
      },
      true);
}

void AddLs(CLI::App& app, Invocation& invocation) {
  auto folder = std::make_shared<std::string>();
  auto* ls = app.add_subcommand("ls", "Show the folder tree, or the contents of one folder.");
  ls->add_option("FOLDER", *folder, "folder URL, path or e-mail address");
  OnChosen(ls, invocation, [folder](SimulatedServer& server) {
    return ListFolders(server, *folder, std::cout, std::cerr);
  });
}

void AddShow(CLI::App& app, Invocation& invocation) {
  struct Options {
    std::string object;
    bool withMessage = false;
  };
  auto options = std::make_shared<Options>();
  auto* show = app.add_subcommand("show", "Show an item's properties or a folder's settings.");
  show->add_option("NAME", options->object, "item or folder, by URL or path")->required();
  show->add_flag("--message", options->withMessage, "also print the item's message");
  OnChosen(show, invocation, [options](SimulatedServer& server) {
    return ShowObject(server, options->object, options->withMessage, std::cout, std::cerr);
  });
}

void AddReg(CLI::App& app, Invocation& invocation) {
  auto* reg = app.add_subcommand("reg", "Event registrations: list, add, remove.");
  reg->require_subcommand(1);

  auto* list = reg->add_subcommand("list", "List every registration item.");
  OnChosen(list, invocation,
           [](SimulatedServer& server) { return ListRegistrations(server, std::cout); });

  auto registration = std::make_shared<RegistrationRequest>();
  auto* add = reg->add_subcommand("add", "Register a sink for a folder or the whole store.");
  add->add_option("FOLDER", registration->folder, "folder URL, path or e-mail address");
  add->add_flag("--store-wide", registration->storeWide, "register for every public folder");
  add->add_option("--sink", registration->sinkClass, "ProgID of the sink");
  add->add_option("--priority", registration->priority, "0 runs first, 65535 last")
      ->check(CLI::Range(0, 65535));
  add->add_option("--name", registration->itemName, "registration item name");
  OnChosen(add, invocation, [registration](SimulatedServer& server) {
    if (!registration->storeWide && registration->folder.empty()) {
      std::cerr << "exsim: reg add needs a FOLDER or --store-wide\n";
      return 2;
    }
    return AddRegistration(server, *registration, std::cout, std::cerr);
  });

  auto item = std::make_shared<std::string>();
  auto* remove = reg->add_subcommand("remove", "Remove a registration item.");
  remove->add_option("ITEM", *item, "registration item, by URL or path")->required();
  OnChosen(remove, invocation, [item](SimulatedServer& server) {
    return RemoveRegistration(server, *item, std::cout, std::cerr);
  });
}

void AddComplus(CLI::App& app, Invocation& invocation) {
  auto* complus =
      app.add_subcommand("complus", "Component catalog: list, install, remove, start, stop.");
  complus->require_subcommand(1);

  auto* list = complus->add_subcommand("list", "List applications and components.");
  OnChosen(list, invocation,
           [](SimulatedServer& server) { return ListApplications(server, std::cout); });

  auto application = std::make_shared<std::string>("Quarvel");
  auto moduleFile = std::make_shared<std::string>();
  auto* install = complus->add_subcommand("install", "Install a component module file.");
  install->add_option("FILE", *moduleFile, "module file, e.g. build/bin/Quarvel.so")
      ->required()
      ->check(CLI::ExistingFile);
  install->add_option("--app", *application, "application name (default Quarvel)");
  OnChosen(install, invocation, [application, moduleFile](SimulatedServer& server) {
    return InstallComponent(server, *application, *moduleFile, std::cout, std::cerr);
  });

  auto* remove = complus->add_subcommand("remove", "Remove an application.");
  OnChosen(remove, invocation, [application](SimulatedServer& server) {
    return RemoveApplication(server, *application, std::cout, std::cerr);
  });
  auto* start = complus->add_subcommand("start", "Start an application.");
  OnChosen(start, invocation, [application](SimulatedServer& server) {
    return StartApplication(server, *application, true, std::cout, std::cerr);
  });
  auto* stop = complus->add_subcommand("stop", "Shut an application down.");
  OnChosen(stop, invocation, [application](SimulatedServer& server) {
    return StartApplication(server, *application, false, std::cout, std::cerr);
  });
  for (auto* command : {remove, start, stop}) {
    command->add_option("APP", *application, "application name (default Quarvel)");
  }
}

void AddExport(CLI::App& app, Invocation& invocation) {
  struct Options {
    std::string folder;
    std::string directory;
  };
  auto options = std::make_shared<Options>();
  auto* exportCommand =
      app.add_subcommand("export", "Write a folder's items as .eml files into a directory.");
  exportCommand->add_option("FOLDER", options->folder, "folder URL, path or e-mail address")
      ->required();
  exportCommand
      ->add_option("DIR", options->directory, "directory for the files (created if missing)")
      ->required();
  OnChosen(exportCommand, invocation, [options](SimulatedServer& server) {
    return ExportFolder(server, options->folder, options->directory, std::cout, std::cerr);
  });
}

void AddRecover(CLI::App& app, Invocation& invocation) {
  auto* recover = app.add_subcommand(
      "recover",
      "Finish the saves that a stopped run (a crash, kill -9) left without their commit phase: "
      "moves and forwards the sink had marked are carried out. deliver, post and smtp do this "
      "first by themselves.");
  OnChosen(recover, invocation,
           [](SimulatedServer& server) { return Recover(server, std::cout, std::cerr); });
}

void AddLog(CLI::App& app, Invocation& invocation) {
  auto tail = std::make_shared<std::optional<int>>();
  auto* log = app.add_subcommand("log", "Show the store's event journal.");
  log->add_option("--tail", *tail, "only the last N entries")->check(CLI::NonNegativeNumber);
  OnChosen(log, invocation,
           [tail](SimulatedServer& server) { return ShowJournal(server, *tail, std::cout); });
}

// Set by SIGINT or SIGTERM: `exsim smtp --watch` ends after its current pass.
volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

void AddSmtp(CLI::App& app, Invocation& invocation) {
  struct Options {
    bool watch = false;
    int interval = 500;
  };
  auto options = std::make_shared<Options>();
  auto* smtp = app.add_subcommand(
      "smtp",
      "Run the SMTP pickup service once: deliver each pickup file to the public folders "
      "its recipients' addresses belong to (raising their store events; each recipient's copy "
      "exactly once), copy mail for other addresses into Drop, move malformed files into "
      "Badmail with a .reason file, and leave a file the store cannot take now for the next "
      "pass.");
  smtp->add_flag("--watch", options->watch, "keep running passes until Ctrl+C or SIGTERM");
  smtp->add_option("--interval", options->interval,
                   "milliseconds between passes with --watch (default 500)")
      ->check(CLI::Range(1, 3600000));
  OnChosen(
      smtp, invocation,
      [options](SimulatedServer& server) {
        if (options->watch) {
          struct sigaction action {};
          action.sa_handler = RequestStop;
          sigemptyset(&action.sa_mask);
          sigaction(SIGINT, &action, nullptr);
          sigaction(SIGTERM, &action, nullptr);
        }
        return RunSmtp(server, options->watch, options->interval, std::cout, std::cerr,
                       [] { return stopRequested == 0; });
      },
      true);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "exsim: a simulated mail server for Quarvel (public store, store events, "
      "component host, event journal)."};
  app.require_subcommand(1);
  Invocation invocation;
  app.add_option("--root", invocation.root,
                 "server directory (default: $EXSIM_ROOT or ./exsim-server)");

  AddInit(app, invocation);
  AddDeliver(app, invocation);
  AddPost(app, invocation);
  AddLs(app, invocation);
  AddShow(app, invocation);
  AddReg(app, invocation);
  AddComplus(app, invocation);
  AddExport(app, invocation);
  AddRecover(app, invocation);
  AddLog(app, invocation);
  AddSmtp(app, invocation);

  CLI11_PARSE(app, argc, argv);

  try {
    return invocation.run ? invocation.run(invocation.root) : 0;
  } catch (const quarvel::platform::PlatformError& error) {
    std::cerr << "exsim: " << error.Description() << '\n';
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "exsim: " << error.what() << '\n';
    return 1;
  }
}
