// The commands of exsim that work on an opened server, each returning the
// process exit code and writing to the given streams, so that tests can run
// them without a process. Failures of the platform are reported on `err`
// with a non-zero code; nothing here throws.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "platform/server/SimulatedServer.h"

namespace quarvel::exsim {

// exsim works on the platform's simulated server.
using platform::server::SimulatedServer;

// ls: the folder tree, or the items of one folder.
int ListFolders(SimulatedServer& server, const std::string& folder, std::ostream& out,
                std::ostream& err);
// show: a folder's settings and URLs, or an item's properties (and message).
int ShowObject(SimulatedServer& server, const std::string& name, bool withMessage,
               std::ostream& out, std::ostream& err);
// log: the event journal, the last `tail` entries when given.
int ShowJournal(SimulatedServer& server, std::optional<int> tail, std::ostream& out);
// export: every item of a folder (registration items aside) as an .eml file
// in `directory`, which is created if missing; an existing file is never
// replaced (that item is reported and skipped).
int ExportFolder(SimulatedServer& server, const std::string& folder,
                 const std::filesystem::path& directory, std::ostream& out, std::ostream& err);
// recover: finishes the saves a stopped process left without their commit phase.
int Recover(SimulatedServer& server, std::ostream& out, std::ostream& err);

struct RegistrationRequest {
  std::string folder;  // ignored when storeWide
  bool storeWide = false;
  std::string sinkClass = "Quarvel.QuarvelCls";
  std::string itemName;  // default: the ProgID's first part + ".reg"
  long priority = 65520;
  std::string criteria = " WHERE \"DAV:ishidden\" = FALSE";
};
int ListRegistrations(SimulatedServer& server, std::ostream& out);
int AddRegistration(SimulatedServer& server, const RegistrationRequest& request, std::ostream& out,
                    std::ostream& err);
int RemoveRegistration(SimulatedServer& server, const std::string& item, std::ostream& out,
                       std::ostream& err);

int ListApplications(SimulatedServer& server, std::ostream& out);
int InstallComponent(SimulatedServer& server, const std::string& application,
                     const std::string& moduleFile, std::ostream& out, std::ostream& err);
int RemoveApplication(SimulatedServer& server, const std::string& application, std::ostream& out,
                      std::ostream& err);
int StartApplication(SimulatedServer& server, const std::string& application, bool start,
                     std::ostream& out, std::ostream& err);

}  // namespace quarvel::exsim
