// Where a simulated server keeps each of its parts below its directory, in
// one place for everything that opens a part (the server itself, the sample
// server that creates them, the setup program's platform):
//   server.json            the server, its storage groups and public stores
//   store.db               the public store (SQLite, WAL: with -wal and -shm)
//   complus/catalog.json   the component catalog (owner-only)
//   metabase.json          the SMTP virtual servers and their directories
//   host.ini               the host's facts, for a person to edit
//   directory.ldif         the directory's entries
//   pickup/ Queue/ Drop/ Badmail/   the SMTP service's directories
// Plain path arithmetic: nothing is opened or checked here.
#pragma once

#include <filesystem>

namespace quarvel::platform::server {

// $EXSIM_ROOT when set and not empty, else "exsim-server" in the working
// directory.
[[nodiscard]] std::filesystem::path DefaultServerRoot();

struct ServerFiles {
  std::filesystem::path root;

  [[nodiscard]] std::filesystem::path ConfigFile() const;
  [[nodiscard]] std::filesystem::path DatabaseFile() const;
  [[nodiscard]] std::filesystem::path CatalogFile() const;
  [[nodiscard]] std::filesystem::path MetabaseFile() const;
  [[nodiscard]] std::filesystem::path HostFile() const;
  [[nodiscard]] std::filesystem::path DirectoryFile() const;
  [[nodiscard]] std::filesystem::path PickupDirectory() const;
};

}  // namespace quarvel::platform::server
