// The metabase stand-in: the server's SMTP virtual servers and their
// directories, in one JSON file that a person can read and edit, e.g.
// EXSIM_ROOT/metabase.json:
//
//   {
//     "smtpsvc": {
//       "1": {
//         "PickupDirectory": "/srv/exsim/pickup",
//         "QueueDirectory": "/srv/exsim/Queue",
//         "DropDirectory": "/srv/exsim/Drop",
//         "BadMailDirectory": "/srv/exsim/Badmail"
//       }
//     }
//   }
//
// Virtual servers are numbered from 1 and may be sparse (1 and 3 without 2).
// Each has its four directories, as the real service keeps them per virtual
// server; one left out of the file defaults to "pickup", "Queue", "Drop" or
// "Badmail" beside the metabase file, and a relative one is taken relative to
// the metabase file's directory. "PickupDirectory": null gives a virtual
// server without a pickup directory, as a metabase can hold one whose value
// was never set: its bound object has no such property. Property names are read ignoring case; an
// unknown one is an error, so a misspelt name never silently becomes a
// default.
//
// Bind answers paths "IIS://localhost/smtpsvc/N" (scheme, host and service
// name in any case; N decimal without leading zeros) with the virtual server's
// four directories as text properties. Which numbers exist is for the caller
// to find out by binding: a number without a virtual server is kErrNotFound.
//
// Failures are PlatformError: kErrFail for a file that cannot be read, is not
// valid JSON or holds something other than the shape above (the model is then
// unchanged), or cannot be written; kErrInvalidArgument for a bad number or a
// path that is not a metabase path; kErrNotFound for a path without object.
//
// One thread at a time may use a Metabase. Save replaces the file at once
// (temporary file, then rename): a reader in another process sees the old
// file or the new one.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/FileWriter.h"
#include "platform/metabase/MetabaseBinder.h"

namespace quarvel::platform::metabase {

inline constexpr const char* kPickupDirectory = "PickupDirectory";
inline constexpr const char* kQueueDirectory = "QueueDirectory";
inline constexpr const char* kDropDirectory = "DropDirectory";
inline constexpr const char* kBadMailDirectory = "BadMailDirectory";

// One SMTP virtual server. Directories are absolute once in a Metabase.
struct SmtpVirtualServer {
  std::filesystem::path pickupDirectory;  // empty when !hasPickupDirectory
  std::filesystem::path queueDirectory;
  std::filesystem::path dropDirectory;
  std::filesystem::path badmailDirectory;
  bool hasPickupDirectory = true;
  bool operator==(const SmtpVirtualServer&) const = default;
};

class Metabase : public MetabaseBinder {
 public:
  // Reads `file` if it exists (failing as Load does); a missing file is a
  // metabase without virtual servers, created on the first Save. A relative
  // `file` is made absolute. Save writes through `files`, which must outlive
  // the metabase.
  explicit Metabase(std::filesystem::path file, FileWriter& files = SystemFiles());

  [[nodiscard]] const std::filesystem::path& File() const { return file_; }

  // Replaces the model by the file's contents (empty when there is no file).
  void Load();
  // Writes the model, every directory spelt out. Creates the file's directory
  // if needed.
  void Save() const;

  // Numbers of the virtual servers, ascending.
  [[nodiscard]] std::vector<int> SmtpServerNumbers() const;
  [[nodiscard]] std::optional<SmtpVirtualServer> SmtpServer(int number) const;
  // Adds or replaces virtual server `number` (1 or more, else
  // kErrInvalidArgument). Empty directories get their defaults, relative ones
  // are taken relative to the metabase file's directory.
  void SetSmtpServer(int number, SmtpVirtualServer server);
  // Returns whether there was one.
  bool RemoveSmtpServer(int number);

  [[nodiscard]] MetabaseObject Bind(const std::string& path) const override;

 private:
  SmtpVirtualServer Completed(SmtpVirtualServer server) const;

  std::filesystem::path file_;
  FileWriter* files_;
  std::map<int, SmtpVirtualServer> servers_;
};

}  // namespace quarvel::platform::metabase
