#include "tools/exsim/ExsimCommands.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>

#include "common/FileWriter.h"
#include "platform/PlatformError.h"
#include "platform/ado/Record.h"
#include "platform/store/events/Registration.h"
#include "platform/store/provider/StoreGuidFromUrl.h"
#include "platform/store/provider/StoreRecord.h"
#include "tools/exsim/Delivery.h"

namespace quarvel::exsim {

namespace store = platform::store;
namespace ado = platform::ado;
using platform::PlatformError;

namespace {

int Fail(std::ostream& err, const std::string& message) {
  err << "exsim: " << message << '\n';
  return 1;
}

std::string Indent(const store::StorePath& path) {
  return std::string(2 * (path.segments.size() - 1), ' ');
}

// Damage in one folder is shown on its own line; the others are listed as usual.
void PrintTree(SimulatedServer& server, std::ostream& out) {
  for (const auto& folder : server.Store().AllFolders()) {
    out << Indent(folder);
    try {
      const auto settings = server.Store().ReadFolder(folder);
      out << settings.displayName;
      if (!settings.emailAddress.empty()) out << "  <" << settings.emailAddress << ">";
      if (settings.hidden) out << "  (hidden)";
      if (settings.accessDenied) out << "  (access denied)";
    } catch (const PlatformError& error) {
      out << folder.Name() << "  (cannot be read: " << error.Description() << ")\n";
      continue;
    }
    try {
      const auto items = server.Store().ItemCount(folder);
      if (items > 0) out << "  [" << items << (items == 1 ? " item]" : " items]");
    } catch (const PlatformError&) {
    }
    out << '\n';
  }
}

// Writes a new file; never replaces one. Throws PlatformError.
void WriteNewFile(const std::filesystem::path& path, const std::string& content) {
  std::optional<std::string> written;
  try {
    written = SystemFiles().CreateNewFile(
        content, [&path](int) { return path.string(); }, 1, FileAccess{.mode = 0644});
  } catch (const FileWriteError& failure) {
    throw PlatformError(
        platform::kErrFail,
        (failure.Step() == FileWriteStep::kCreate ? "cannot create " : "cannot write ") +
            path.string() + ": " + std::strerror(failure.Error()));
  }
  if (!written) {
    throw PlatformError(platform::kErrFileExists,
                        "cannot create " + path.string() + ": " + std::strerror(EEXIST));
  }
}

}  // namespace

int ListFolders(SimulatedServer& server, const std::string& folder, std::ostream& out,
                std::ostream& err) {
  try {
    if (folder.empty()) {
      PrintTree(server, out);
      return 0;
    }
    const auto path = server.ResolveFolder(folder);
    for (const auto& sub : server.Store().SubFolders(path)) out << sub.Name() << "/\n";
    for (const auto& item : server.Store().Items(path)) out << item.Name() << '\n';
    return 0;
  } catch (const PlatformError& error) {
    return Fail(err, error.Description());
  }
}

int ShowObject(SimulatedServer& server, const std::string& name, bool withMessage,
               std::ostream& out, std::ostream& err) {
  try {
    store::StorePath path;
    try {
      path = server.ResolveItem(name);
    } catch (const PlatformError&) {
      path = server.ResolveFolder(name);
      const auto settings = server.Store().ReadFolder(path);
      out << "folder:        " << path.ToString() << '\n'
          << "display name:  " << settings.displayName << '\n'
          << "e-mail:        " << settings.emailAddress << '\n'
          << "hidden:        " << (settings.hidden ? "yes" : "no") << '\n'
          << "access denied: " << (settings.accessDenied ? "yes" : "no") << '\n'
          << "URL:           " << server.HttpUrl(path) << '\n'
          << "store URL:     " << server.FileUrl(path) << '\n';
      return 0;
    }
    out << "item:      " << path.ToString() << '\n'
        << "URL:       " << server.HttpUrl(path) << '\n'
        << "store URL: " << server.FileUrl(path) << '\n';
    for (const auto& [property, value] : server.Store().ReadProperties(path)) {
      auto shown = value.ToString();
      // Header blocks are long and multi-line; show their lines indented.
      for (std::size_t at = 0; (at = shown.find("\r\n", at)) != std::string::npos;) {
        shown.replace(at, 2, "\n    ");
        at += 5;
      }
      out << property << " = " << shown << '\n';
    }
    if (withMessage) out << "\n" << server.Store().ReadMessage(path);
    return 0;
  } catch (const PlatformError& error) {
    return Fail(err, error.Description());
  }
}

int ShowJournal(SimulatedServer& server, std::optional<int> tail, std::ostream& out) {
  const auto entries = server.Journal().Entries(
      tail && *tail >= 0 ? std::optional<std::size_t>(*tail) : std::nullopt);
  for (const auto& entry : entries) {
    out << entry.time << "  " << entry.event << "  " << entry.item << "\n    sinks: " << entry.sinks
        << "\n    outcome: " << entry.outcome << '\n';
  }
  if (entries.empty()) out << "The journal is empty.\n";
  return 0;
}

int ExportFolder(SimulatedServer& server, const std::string& folder,
                 const std::filesystem::path& directory, std::ostream& out, std::ostream& err) {
  int exported = 0;
  int failed = 0;
  try {
    const auto path = server.ResolveFolder(folder);
    const auto items = server.Store().Items(path);
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) return Fail(err, "cannot create " + directory.string() + ": " + error.message());
    for (const auto& item : items) {
      try {
        if (store::IsRegistrationItem(server.Store(), item)) continue;
        auto name = item.Name();
        if (!name.ends_with(".eml")) name += ".eml";
        WriteNewFile(directory / name, server.Store().ReadMessage(item));
        ++exported;
      } catch (const PlatformError& failure) {
        ++failed;
        err << "exsim: " << item.ToString() << ": " << failure.Description() << '\n';
      }
    }
    out << "Exported " << exported << (exported == 1 ? " item" : " items") << " of "
        << path.ToString() << " to " << directory.string();
    if (failed > 0) out << "; " << failed << " failed";
    out << ".\n";
    return failed == 0 ? 0 : 1;
  } catch (const PlatformError& error) {
    return Fail(err, error.Description());
  }
}

int Recover(SimulatedServer& server, std::ostream& out, std::ostream& err) {
  try {
    const auto summary = RecoverSaves(server, out);
    if (summary.finished + summary.alreadyGone == 0) out << "Nothing to recover.\n";
    return 0;
  } catch (const PlatformError& error) {
    return Fail(err, error.Description());
  }
}

int ListRegistrations(SimulatedServer& server, std::ostream& out) {
  const auto registrations = store::AllRegistrations(server.Store());
  if (registrations.empty()) {
    out << "No event registrations.\n";
    return 0;
  }
  for (const auto& registration : registrations) {
    out << (registration.storeWide ? "store-wide  " : "folder      ")
        << registration.item.ToString() << "\n    sink " << registration.sinkClass << ", events "
        << registration.eventMethod << ", scope " << registration.matchScope << ", priority "
        << registration.priority << "\n    criteria" << registration.criteria << '\n';
    if (!registration.problem.empty()) out << "    not honoured: " << registration.problem << '\n';
  }
  return 0;
}

int AddRegistration(SimulatedServer& server, const RegistrationRequest& request, std::ostream& out,
                    std::ostream& err) {
  try {
    store::StorePath folder;
    if (request.storeWide) {
      folder =
          store::StorePath{{"non_ipm_subtree"}}
              .Child("StoreEvents" + store::StoreGuidFromUrl(server.Config(), server.FileUrl({})))
              .Child("GlobalEvents");
      server.Store().CreateFolder(folder, {"GlobalEvents", "", true, false});
    } else {
      folder = server.ResolveFolder(request.folder);
    }
    const auto name = !request.itemName.empty()
                          ? request.itemName
                          : request.sinkClass.substr(0, request.sinkClass.find('.')) + ".reg";
    const auto url = server.HttpUrl(folder.Child(name));

    // Written as an administrator's tool writes it: a record created over
    // any old item, its fields set and saved.
    store::StoreRecord record(server.Session());
    record.Open(url, nullptr, ado::adModeReadWrite, ado::adCreateOverwrite, ado::adDelayFetchFields,
                "", "");
    auto& fields = record.GetFields();
    fields.SetValue("DAV:contentclass", store::kRegistrationContentClass);
    fields.SetValue(store::kPropEventMethod, "onsyncsave");
    fields.SetValue(store::kPropSinkClass, request.sinkClass);
    fields.SetValue(store::kPropMatchScope, request.storeWide ? "ANY" : "SHALLOW");
    fields.SetValue(store::kPropCriteria, request.criteria);
    fields.SetValue(store::kPropPriority, std::to_string(request.priority));
    fields.SetValue("DAV:ishidden", true);
    fields.Update();
    record.Close();
    out << "Registered " << request.sinkClass << (request.storeWide ? " store-wide" : "") << ": "
        << url << '\n';
    return 0;
  } catch (const PlatformError& error) {
    return Fail(err, error.Description());
  }
}

int RemoveRegistration(SimulatedServer& server, const std::string& item, std::ostream& out,
                       std::ostream& err) {
  try {
    const auto path = server.ResolveItem(item);
    if (!store::IsRegistrationItem(server.Store(), path)) {
      return Fail(err, item + " is not an event registration");
    }
    server.Store().DeleteItem(path);
    out << "Removed " << path.ToString() << '\n';
    return 0;
  } catch (const PlatformError& error) {
    return Fail(err, error.Description());
  }
}

int ListApplications(SimulatedServer& server, std::ostream& out) {
  server.Catalog().Load();
  const auto description = server.Catalog().Describe();
  out << (description.empty() ? "No applications.\n" : description);
  return 0;
}

int InstallComponent(SimulatedServer& server, const std::string& application,
                     const std::string& moduleFile, std::ostream& out, std::ostream& err) {
  try {
    auto& catalog = server.Catalog();
    catalog.Load();
    if (catalog.FindApplication(application) == nullptr) {
      auto& created = catalog.AddApplication(application);
      created.accessChecksEnabled = false;
      created.running = true;
    }
    catalog.Save();
    catalog.InstallComponent(application, std::filesystem::absolute(moduleFile));
    catalog.Load();
    out << "Installed " << moduleFile << " into " << application << ":\n";
    if (const auto* installed = catalog.FindApplication(application)) {
      for (const auto& component : installed->components) out << "  " << component.progId << '\n';
    }
    return 0;
  } catch (const PlatformError& error) {
    return Fail(err, error.Description());
  }
}

int RemoveApplication(SimulatedServer& server, const std::string& application, std::ostream& out,
                      std::ostream& err) {
  try {
    auto& catalog = server.Catalog();
    catalog.Load();
    auto& applications = catalog.Applications();
    const auto before = applications.size();
    const auto* found = catalog.FindApplication(application);
    if (found == nullptr) return Fail(err, "no application named " + application);
    applications.erase(applications.begin() + (found - applications.data()));
    catalog.Save();
    out << "Removed " << application << " (" << before - applications.size() << ")\n";
    return 0;
  } catch (const PlatformError& error) {
    return Fail(err, error.Description());
  }
}

int StartApplication(SimulatedServer& server, const std::string& application, bool start,
                     std::ostream& out, std::ostream& err) {
  try {
    auto& catalog = server.Catalog();
    catalog.Load();
    if (start) {
      catalog.StartApplication(application);
    } else {
      catalog.ShutdownApplication(application);
    }
    out << (start ? "Started " : "Shut down ") << application << '\n';
    return 0;
  } catch (const PlatformError& error) {
    return Fail(err, error.Description());
  }
}

}  // namespace quarvel::exsim
